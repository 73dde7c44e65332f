#include "platform/linux/mci/mci_errors.h"

namespace nuvra::linux_platform {

std::string_view MciErrorText(std::uint32_t code)
{
    switch (code) {
    case kMciUnknownCommand:
        return "The command is not one this device understands.";
    case kMciUnknownDevice:
        return "There is no device of that type.";
    case kMciDeviceNotOpen:
        return "No device is open under that name.";
    case kMciNameInUse:
        return "A device is already open under that name or alias.";
    case kMciBadParameter:
        return "The command has a word or value the device does not accept.";
    case kMciMissingValue:
        return "A keyword of the command is missing its value.";
    case kMciFileNotFound:
        return "The file does not exist or cannot be opened.";
    case kMciUnplayableFile:
        return "The file cannot be played.";
    case kMciNoDrive:
        return "There is no CD drive or disc image to open.";
    case kMciNoDisc:
        return "There is no audio disc in the drive.";
    case kMciBadPosition:
        return "The position is not on the disc or not in the file.";
    case kMciNoAudioOutput:
        return "No audio output is available.";
    default:
        return {};
    }
}

}  // namespace nuvra::linux_platform
