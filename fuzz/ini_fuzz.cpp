// The profile text rules on arbitrary file contents: decoding must yield
// UTF-8, any bytes stored as a value must read back whole, every copy must
// end with a NUL inside the buffer, and a write must read back while every
// other value stays as it was.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/profile_text.h"
#include "platform/linux/cp932_text.h"

namespace {

using namespace nuvra::common_platform;
using nuvra::linux_platform::Cp932ToUtf8;

struct Name {
    std::string_view section;
    std::string_view key;
};

// Case variants of one pair, so the case rule is tested on both sides.
constexpr std::array<Name, 7> kNames = {{
    {"Section", "Key"},
    {"SECTION", "key"},
    {"Section", "Other"},
    {"Nuvra", "画像ﾁｪﾝｼﾞ"},
    {"nuvra", "ｲﾝﾀｰﾊﾞﾙ"},
    {"", "k"},
    {" Section\t", " KEY "},
}};

constexpr std::array<std::string_view, 3> kValues = {"1", "a value with blanks", ""};

bool SameName(const Name& a, const Name& b)
{
    auto fold = [](std::string_view text) {
        std::string folded;
        for (char c : text) {
            if (c == ' ' || c == '\t')
                continue;  // the names above have blanks only at their ends
            folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        return folded;
    };
    return fold(a.section) == fold(b.section) && fold(a.key) == fold(b.key);
}

void CheckCopies(std::string_view value)
{
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{256}, value.size() + 1}) {
        std::vector<char> buffer(size, '#');
        const std::uint32_t count = CopyProfileValue(value, buffer);
        if (size == 0 ? count != 0 : (count > size - 1 || buffer[count] != '\0'))
            std::abort();
        if (std::string_view(buffer.data(), count) != value.substr(0, count))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedProfile decoded = DecodeProfileBytes(bytes, Cp932ToUtf8);
    if (!IsValidUtf8(decoded.text))
        std::abort();
    // The same bytes as a value: stored as UTF-8, read back whole.
    const std::string stored = EscapeProfileValue(bytes);
    if (!IsValidUtf8(stored) || UnescapeProfileValue(stored) != bytes)
        std::abort();

    std::array<std::optional<std::string>, kNames.size()> before;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (const auto value = FindValue(decoded.text, kNames[i].section, kNames[i].key)) {
            before[i] = std::string(*value);
            CheckCopies(*value);
        }
    }

    const std::size_t choice = size > 0 ? data[0] : 0;
    const Name& written = kNames[choice % kNames.size()];
    const std::string_view value = kValues[(choice / kNames.size()) % kValues.size()];
    const std::optional<std::string> text = SetValue(decoded.text, written.section, written.key, value);
    if (!text)
        std::abort();

    // The rewritten file must decode to exactly the text that was written.
    const std::string file = (decoded.has_bom ? std::string(kUtf8Bom) : std::string()) + *text;
    if (DecodeProfileBytes(file, Cp932ToUtf8).text != *text)
        std::abort();

    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const auto after = FindValue(*text, kNames[i].section, kNames[i].key);
        if (SameName(kNames[i], written)) {
            if (!after || *after != value)
                std::abort();
        } else if (after.has_value() != before[i].has_value() || (after && *after != *before[i])) {
            std::abort();
        }
    }
    return 0;
}
