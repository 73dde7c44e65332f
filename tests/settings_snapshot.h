// Every field LoadSettings fills, as one value a table row or an assertion
// compares in one line and prints whole when it differs.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <string>

#include "modules.h"

namespace nuvra::test {

struct Loaded {
    std::int16_t order, position, interval;
    std::array<std::int16_t, 6> kinds;
    std::string folder;
    std::int16_t image_count, bgm_kind, bgm_repeat;
    std::string bgm_file;
    std::int16_t rotation;
    bool operator==(const Loaded&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Loaded& l)
{
    return out << "{order " << l.order << ", position " << l.position << ", interval " << l.interval << ", kinds "
               << l.kinds[0] << l.kinds[1] << l.kinds[2] << l.kinds[3] << l.kinds[4] << l.kinds[5] << ", folder '" << l.folder << "', count "
               << l.image_count << ", bgm " << l.bgm_kind << ", repeat " << l.bgm_repeat << ", file '" << l.bgm_file
               << "', rotation " << l.rotation << "}";
}

inline std::array<std::int16_t, 6> KindNumbers(const ImageKindOptions& kinds)
{
    std::array<std::int16_t, 6> numbers{};
    std::ranges::transform(kinds, numbers.begin(), [](ImageKindOption kind) { return StoredNumber(kind); });
    return numbers;
}

inline Loaded Snapshot(const ProcessState& state)
{
    const SettingsRecord& s = state.nuvra_b.settings;
    const SoundSettings& m = state.sound_01.settings;
    return {StoredNumber(s.OrderMode), StoredNumber(s.ImagePosition), s.ChangeInterval, KindNumbers(s.ImageKinds),
            s.ImageFolder, state.nuvra_b.images.ImageCount, StoredNumber(m.BgmKind), m.BgmRepeat, m.BgmFile,
            s.RotationSpeed};
}

}  // namespace nuvra::test
