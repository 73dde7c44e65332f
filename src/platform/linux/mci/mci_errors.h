// The codes our MCI interpreter answers with, and their descriptions.
// Every failure is nonzero; the numbers sit above 256 so that they never
// meet the 0 of success or the -1 the program uses for an empty command.
#pragma once

#include <cstdint>
#include <string_view>

namespace nuvra::linux_platform {

enum MciError : std::uint32_t {
    kMciOk = 0,
    kMciUnknownCommand = 257,
    kMciUnknownDevice = 258,
    kMciDeviceNotOpen = 259,
    kMciNameInUse = 260,
    kMciBadParameter = 261,
    kMciMissingValue = 262,
    kMciFileNotFound = 263,
    kMciUnplayableFile = 264,
    kMciNoDrive = 265,
    kMciNoDisc = 266,
    kMciBadPosition = 267,
    kMciNoAudioOutput = 268,
};

// The description of code, or the empty text for a code we never give.
std::string_view MciErrorText(std::uint32_t code);

}  // namespace nuvra::linux_platform
