// What every device behind our MCI interpreter does. The interpreter parses
// the command and finds the device; the device checks the values that belong
// to it (positions, status items, time formats) and answers with a code and,
// for status, a reply. Called on the user-interface thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/linux/mci/mci_errors.h"
#include "platform/linux/mci/mci_words.h"

namespace nuvra::linux_platform {

struct MciResult {
    std::uint32_t code = kMciOk;
    std::string reply;
};

class MciDevice {
public:
    virtual ~MciDevice() = default;
    // from and to as the command gave them; nothing when absent.
    virtual MciResult Play(const std::optional<std::string>& from, const std::optional<std::string>& to) = 0;
    virtual MciResult Stop() = 0;
    // The words after the device name, "wait" and "notify" taken out.
    virtual MciResult Set(std::span<const MciWord> words) = 0;
    virtual MciResult Status(std::span<const MciWord> words) = 0;
};

}  // namespace nuvra::linux_platform
