// Makes assets/sample_picture.jpg, the built-in sample picture: a generated
// picture of overlapping translucent discs on a colour wash, reduced to 256
// colours and turned into a still kaleidoscope by the program's own
// renderer, then shrunk to a disc 112 pixels across on a 152 x 112 black
// frame and stored as a baseline JPEG.
//
//   make_sample_picture <output.jpg>
//
// Built only with -DNUVRA_TOOLS=ON. The output is committed; run this again
// only to change the picture.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// After <cstdio>: the library's header needs FILE and size_t declared.
#include <jpeglib.h>

#include "display/frame_step.h"
#include "display/mirror_table.h"
#include "images/color_reduction.h"
#include "images/sample_picture.h"

namespace {

using nuvra::platform::Picture;

// Drawn at four times the final size and averaged down, so that the disc's
// edge and the mirror seams are smooth at 112 pixels.
constexpr std::int32_t kOversample = 4;
constexpr std::int32_t kDisc = nuvra::kSamplePictureHeight;
constexpr std::int32_t kSide = kDisc * kOversample;
// The angle of the still: one that shows the rotation (not a multiple of 45).
constexpr std::int16_t kAngle = 30;

struct Rgb {
    double r, g, b;
};

// A fixed sequence, so that the picture is the same on every machine.
class Sequence {
public:
    double Next()
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(m_state >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t m_state = 20240611;
};

Rgb Hue(double h)
{
    auto channel = [h](double shift) { return 0.5 + 0.5 * std::cos(6.283185307179586 * (h + shift)); };
    return {channel(0.0), channel(2.0 / 3.0), channel(1.0 / 3.0)};
}

Picture GeneratedPicture()
{
    Picture picture;
    picture.width = picture.height = kSide;
    picture.bits_per_pixel = 24;
    picture.stride = (kSide * 3 + 3) / 4 * 4;
    picture.pixels.assign(static_cast<std::size_t>(picture.stride) * kSide, 0);

    std::vector<Rgb> canvas(static_cast<std::size_t>(kSide) * kSide);
    for (std::int32_t y = 0; y < kSide; ++y) {
        for (std::int32_t x = 0; x < kSide; ++x) {
            const double wash = 0.55 + 0.35 * std::sin(x * 0.011) * std::cos(y * 0.017);
            const Rgb base = Hue(0.1 + 0.45 * std::sin(x * 0.009) + 0.3 * std::cos(y * 0.013));
            canvas[static_cast<std::size_t>(y) * kSide + x] = {base.r * wash, base.g * wash, base.b * wash};
        }
    }
    Sequence random;
    for (int disc = 0; disc < 110; ++disc) {
        const double cx = random.Next() * kSide, cy = random.Next() * kSide;
        const double radius = 8 + random.Next() * 42;
        const Rgb colour = Hue(random.Next());
        const double alpha = 0.45 + 0.4 * random.Next();
        for (std::int32_t y = 0; y < kSide; ++y) {
            for (std::int32_t x = 0; x < kSide; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                // A bright rim makes the discs read as glass.
                const double cover = std::clamp(radius - d, 0.0, 1.0) * alpha;
                const double rim = d < radius && d > radius - 3 ? 0.25 : 0.0;
                Rgb& p = canvas[static_cast<std::size_t>(y) * kSide + x];
                p.r = p.r * (1 - cover) + (colour.r + rim) * cover;
                p.g = p.g * (1 - cover) + (colour.g + rim) * cover;
                p.b = p.b * (1 - cover) + (colour.b + rim) * cover;
            }
        }
    }
    for (std::int32_t y = 0; y < kSide; ++y) {
        std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(kSide - 1 - y) * picture.stride;
        for (std::int32_t x = 0; x < kSide; ++x) {
            const Rgb& p = canvas[static_cast<std::size_t>(y) * kSide + x];
            row[3 * x] = static_cast<std::uint8_t>(std::lround(std::clamp(p.b, 0.0, 1.0) * 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::lround(std::clamp(p.g, 0.0, 1.0) * 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::lround(std::clamp(p.r, 0.0, 1.0) * 255));
        }
    }
    return picture;
}

// The kaleidoscope exactly as the show draws it, in 24-bit colour, top row
// first.
std::vector<std::uint8_t> RenderKaleidoscope(const Picture& source)
{
    nuvra::Palette256 palette{};
    Picture indexed;
    indexed.width = indexed.height = kSide;
    indexed.bits_per_pixel = 8;
    indexed.stride = static_cast<std::int32_t>(nuvra::EightBitStride(kSide));
    indexed.pixels.assign(static_cast<std::size_t>(indexed.stride) * kSide, 0);
    if (!nuvra::ReduceTo256Colours(source, palette, indexed.pixels))
        return {};
    indexed.palette.assign(palette.begin(), palette.end());

    nuvra::NuvraS form;
    form.Img_View = indexed;
    form.Display = indexed;
    std::fill(form.Display.pixels.begin(), form.Display.pixels.end(), 0);
    nuvra::FillTrigTables(form);
    nuvra::BuildMirrorTable(form);
    form.Angle = kAngle;
    const nuvra::PixelArray source_view(form.Img_View.pixels.data(), form.Img_View.stride, kSide);
    const nuvra::PixelArray display_view(form.Display.pixels.data(), form.Display.stride, kSide);
    nuvra::DrawKaleidoscope(form, source_view, display_view);

    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kSide) * kSide * 3);
    for (std::int32_t y = 0; y < kSide; ++y) {
        for (std::int32_t x = 0; x < kSide; ++x) {
            const std::uint32_t colour = palette[display_view(x, kSide - 1 - y)];
            std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * kSide + x) * 3;
            p[0] = static_cast<std::uint8_t>(colour >> 16);
            p[1] = static_cast<std::uint8_t>(colour >> 8);
            p[2] = static_cast<std::uint8_t>(colour);
        }
    }
    return rgb;
}

// The kSide square averaged down by kOversample and centred on the black
// frame, red, green, blue, top row first.
std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& big)
{
    constexpr std::int32_t width = nuvra::kSamplePictureWidth, height = nuvra::kSamplePictureHeight;
    constexpr std::int32_t left = (width - kDisc) / 2;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 3, 0);
    for (std::int32_t y = 0; y < kDisc; ++y) {
        for (std::int32_t x = 0; x < kDisc; ++x) {
            for (std::int32_t c = 0; c < 3; ++c) {
                int sum = 0;
                for (std::int32_t dy = 0; dy < kOversample; ++dy)
                    for (std::int32_t dx = 0; dx < kOversample; ++dx)
                        sum += big[(static_cast<std::size_t>(y * kOversample + dy) * kSide + x * kOversample + dx) * 3 +
                                   static_cast<std::size_t>(c)];
                frame[(static_cast<std::size_t>(y) * width + left + x) * 3 + static_cast<std::size_t>(c)] =
                    static_cast<std::uint8_t>((sum + kOversample * kOversample / 2) / (kOversample * kOversample));
            }
        }
    }
    return frame;
}

bool WriteJpeg(const char* path, const std::vector<std::uint8_t>& rgb)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file)
        return false;
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file.get());
    compress.image_width = nuvra::kSamplePictureWidth;
    compress.image_height = nuvra::kSamplePictureHeight;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 92, TRUE);
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) +
                       static_cast<std::size_t>(compress.next_scanline) * nuvra::kSamplePictureWidth * 3;
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_picture <output.jpg>\n");
        return 2;
    }
    const std::vector<std::uint8_t> big = RenderKaleidoscope(GeneratedPicture());
    if (big.empty() || !WriteJpeg(argv[1], Frame(big))) {
        std::fprintf(stderr, "make_sample_picture: could not make %s\n", argv[1]);
        return 1;
    }
    return 0;
}
