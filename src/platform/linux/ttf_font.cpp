#include "platform/linux/ttf_font.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <string>

#include "platform/linux/font_match.h"

namespace nuvra::linux_platform {

// SDL_ttf counts its users: each TtfLibrary is one of them.
class TtfLibrary {
public:
    TtfLibrary() : m_ready(TTF_Init() == 0) {}
    ~TtfLibrary()
    {
        if (m_ready)
            TTF_Quit();
    }
    TtfLibrary(const TtfLibrary&) = delete;
    TtfLibrary& operator=(const TtfLibrary&) = delete;
    bool ready() const { return m_ready; }

private:
    bool m_ready;
};

namespace {

// Far beyond any dialog's letters; a font this large would only cost memory.
constexpr std::int32_t kLargestPixelSize = 1024;

// Glyphs that reach highest and lowest in most fonts: the line's box holds
// them, as a Windows font's cell holds its accents and descenders.
constexpr std::string_view kTallAndDeepGlyphs = "\xC3\x85\xC3\x89\xC3\x91gjpqy|()[]{}_"  // ÅÉÑ
                                                "\xE7\x94\xBB\xE3\x80\x8C\xE3\x80\x8D\xEF\xBD\xBC";  // 画「」ｼ

struct FontDeleter {
    void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};
struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

// The code points of UTF-8 text as SDL_ttf reads them: a malformed sequence
// is one replacement character.
template <typename Visit>
void ForEachCodePoint(std::string_view text, Visit visit)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 0;
        std::uint32_t code = kReplacementCharacter;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC0 && lead < 0xE0) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead < 0xF8) {
            length = 4;
            code = lead & 0x07u;
        }
        std::size_t used = 1;
        while (used < length && at + used < text.size() &&
               (static_cast<unsigned char>(text[at + used]) & 0xC0) == 0x80) {
            code = (code << 6) | (static_cast<unsigned char>(text[at + used]) & 0x3Fu);
            ++used;
        }
        if (used < length || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            code = kReplacementCharacter;
        at += used;
        visit(code);
    }
}

std::uint32_t Blend(std::uint32_t under, std::uint32_t colour, std::uint32_t alpha)
{
    std::uint32_t blended = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t a = (colour >> shift) & 0xFF;
        const std::uint32_t b = (under >> shift) & 0xFF;
        blended |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
    }
    return blended;
}

class TtfFont final : public platform::Font {
public:
    TtfFont(std::shared_ptr<TtfLibrary> library, TTF_Font* font) : m_library(std::move(library)), m_font(font)
    {
        // Hinted outlines: letters sharp on the pixel grid, as a Windows
        // dialog's are.
        TTF_SetFontHinting(m_font.get(), TTF_HINTING_NORMAL);
        m_ascent = TTF_FontAscent(m_font.get());
        int descent = -TTF_FontDescent(m_font.get());
        ForEachCodePoint(kTallAndDeepGlyphs, [&](std::uint32_t code) {
            int min_y = 0, max_y = 0;
            if (TTF_GlyphMetrics32(m_font.get(), code, nullptr, nullptr, &min_y, &max_y, nullptr) == 0) {
                m_ascent = std::max(m_ascent, max_y);
                descent = std::max(descent, -min_y);
            }
        });
        m_height = std::max(m_ascent + descent, TTF_FontHeight(m_font.get()));
    }

    platform::TextExtent Measure(std::string_view text) override
    {
        return {Width(Terminated(text)), m_height};
    }

    void Draw(platform::Canvas& canvas, std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t colour,
              bool underline) override
    {
        const std::string line = Terminated(text);
        const std::int32_t width = Width(line);
        if (width <= 0)
            return;
        // The glyphs come as white with their coverage in alpha.
        const std::unique_ptr<SDL_Surface, SurfaceDeleter> glyphs(
            TTF_RenderUTF8_Blended(m_font.get(), line.c_str(), SDL_Color{255, 255, 255, 255}));
        if (glyphs && glyphs->format->format == SDL_PIXELFORMAT_ARGB8888 && SDL_LockSurface(glyphs.get()) == 0) {
            // SDL_ttf puts the baseline lower where a glyph reaches above
            // the font's ascent.
            const int baseline = TTF_FontAscent(m_font.get()) + RiseAboveAscent(line);
            const std::int64_t top = std::int64_t{y} + m_ascent - baseline;
            for (int row = 0; row < glyphs->h; ++row) {
                const auto* pixels = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(
                                                                                glyphs->pixels) +
                                                                            std::ptrdiff_t{row} * glyphs->pitch);
                BlendRow(canvas, x, y, top + row, pixels, std::min(glyphs->w, width), colour);
            }
            SDL_UnlockSurface(glyphs.get());
        }
        if (underline) {
            const std::vector<std::uint32_t> solid(static_cast<std::size_t>(width), 0xFF000000u);
            BlendRow(canvas, x, y, std::int64_t{y} + std::min(m_ascent + 1, m_height - 1), solid.data(), width, colour);
        }
    }

private:
    // SDL_ttf reads C strings: the text ends at its first NUL.
    static std::string Terminated(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

    std::int32_t Width(const std::string& text)
    {
        int width = 0, height = 0;
        if (text.empty() || TTF_SizeUTF8(m_font.get(), text.c_str(), &width, &height) != 0)
            return 0;
        return width;
    }

    int RiseAboveAscent(const std::string& text)
    {
        int highest = 0;
        ForEachCodePoint(text, [&](std::uint32_t code) {
            int max_y = 0;
            if (code != 0xFEFF && code != 0xFFFE &&
                TTF_GlyphMetrics32(m_font.get(), code, nullptr, nullptr, nullptr, &max_y, nullptr) == 0)
                highest = std::max(highest, max_y);
        });
        return std::max(0, highest - TTF_FontAscent(m_font.get()));
    }

    // One row of coverage (alpha in the top byte) onto the canvas row at
    // canvas_y, its first pixel at x; only what lies in the text's box at
    // (box_x, box_y) and on the canvas is touched.
    void BlendRow(platform::Canvas& canvas, std::int64_t x, std::int64_t box_y, std::int64_t canvas_y,
                  const std::uint32_t* coverage, std::int32_t count, std::uint32_t colour) const
    {
        if (canvas.width <= 0 || canvas.height <= 0)
            return;
        // A canvas whose pixels fall short of its size is drawn where it has them.
        const std::int64_t rows = std::min<std::int64_t>(
            canvas.height, static_cast<std::int64_t>(canvas.pixels.size() / static_cast<std::size_t>(canvas.width)));
        if (canvas_y < std::max<std::int64_t>(0, box_y) || canvas_y >= std::min(rows, box_y + m_height))
            return;
        const std::int64_t first = std::max<std::int64_t>(0, -x);
        const std::int64_t end = std::min<std::int64_t>(count, canvas.width - x);
        std::uint32_t* row = canvas.pixels.data() + canvas_y * canvas.width;
        for (std::int64_t i = first; i < end; ++i) {
            const std::uint32_t alpha = coverage[i] >> 24;
            if (alpha != 0)
                row[x + i] = Blend(row[x + i], colour & 0x00FFFFFFu, alpha);
        }
    }

    std::shared_ptr<TtfLibrary> m_library;  // outlives the font
    std::unique_ptr<TTF_Font, FontDeleter> m_font;
    int m_ascent = 0;  // the line's: rows above the baseline
    int m_height = 0;  // the line's
};

}  // namespace

TtfFontService::TtfFontService() = default;
// fontconfig keeps its configuration for the process's life unless told;
// nothing else of ours asks it anything.
TtfFontService::~TtfFontService()
{
    if (m_asked_fontconfig)
        ReleaseFontconfig();
}

std::unique_ptr<platform::Font> TtfFontService::OpenFont(std::string_view family, std::int32_t pixel_size)
{
    if (pixel_size <= 0 || pixel_size > kLargestPixelSize)
        return nullptr;
    m_asked_fontconfig = true;
    const std::optional<FontFile> file = FindFontFile(family, pixel_size);
    if (!file)
        return nullptr;
    if (!m_library)
        m_library = std::make_shared<TtfLibrary>();
    if (!m_library->ready())
        return nullptr;
    // SDL_ttf's points are at 72 dots per inch: one point is one pixel.
    TTF_Font* font = TTF_OpenFontIndex(file->path.c_str(), pixel_size, file->index);
    if (font == nullptr)
        return nullptr;
    return std::make_unique<TtfFont>(m_library, font);
}

}  // namespace nuvra::linux_platform
