#include "platform/linux/font_match.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>

namespace nuvra::linux_platform {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

constexpr FcChar32 kKatakanaA = 0x30A2;
constexpr FcChar32 kHalfWidthKatakanaSi = 0xFF7C;

const FcChar8* Text(const char* text)
{
    return reinterpret_cast<const FcChar8*>(text);
}

// A family name as fontconfig compares them: "IPA PGothic" is "ipapgothic".
std::string Folded(std::string_view name)
{
    std::string folded;
    for (const char c : name) {
        if (c != ' ')
            folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return folded;
}

bool IsFamily(FcPattern* match, const std::string& family)
{
    const std::string wanted = Folded(family);
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (Folded(reinterpret_cast<const char*>(name)) == wanted)
            return true;
    }
    return false;
}

bool HasJapanese(FcPattern* match)
{
    FcCharSet* characters = nullptr;
    return FcPatternGetCharSet(match, FC_CHARSET, 0, &characters) == FcResultMatch &&
           FcCharSetHasChar(characters, kKatakanaA) && FcCharSetHasChar(characters, kHalfWidthKatakanaSi);
}

}  // namespace

std::optional<FontFile> FindFontFile(std::string_view family, double pixel_size)
{
    // The family goes in as a value, never through FcNameParse: a name
    // with ':' or '-' in it would be read as the pattern's other fields.
    if (family.empty() || family.find('\0') != std::string_view::npos)
        return std::nullopt;
    const std::string name(family);
    Pattern request(FcPatternCreate());
    if (!request || !FcPatternAddString(request.get(), FC_FAMILY, Text(name.c_str())) ||
        !FcPatternAddDouble(request.get(), FC_PIXEL_SIZE, pixel_size))
        return std::nullopt;
    if (!FcConfigSubstitute(nullptr, request.get(), FcMatchPattern))
        return std::nullopt;
    FcDefaultSubstitute(request.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, request.get(), &result));
    if (!match || result != FcResultMatch)
        return std::nullopt;
    if (!IsFamily(match.get(), name) && !HasJapanese(match.get()))
        return std::nullopt;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch || path == nullptr)
        return std::nullopt;
    FontFile file;
    file.path = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &file.index) != FcResultMatch)
        file.index = 0;
    return file;
}

void ReleaseFontconfig()
{
    FcFini();
}

}  // namespace nuvra::linux_platform
