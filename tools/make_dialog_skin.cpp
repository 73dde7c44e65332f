// Makes assets/skin/*.bmp, the artwork of the settings dialog: the paper
// texture its background is tiled with, the heading bar, the push-button
// faces, the option marks and the check boxes, as 24-bit BMP files.
//
//   make_dialog_skin <output folder>
//
// Built only with -DNUVRA_TOOLS=ON. The output is committed; run this again
// only to change the look. Everything is computed from fixed numbers, so the
// files come out the same on every machine.
//
// Black 13-pixel captions are drawn over every one of these pictures, so all
// of them stay light; one slate-blue accent ties the marks, the heading and
// the button borders together.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Hex(std::uint32_t rgb)
{
    return {static_cast<double>((rgb >> 16) & 0xff), static_cast<double>((rgb >> 8) & 0xff),
            static_cast<double>(rgb & 0xff)};
}

Rgb Shade(const Rgb& c, double amount)
{
    return {c.r + amount, c.g + amount, c.b + amount};
}

// The palette of the whole skin.
const Rgb kPaper = Hex(0xeeebe4);         // the texture's middle tone
const Rgb kOutline = Hex(0x8b929c);       // borders of the controls
const Rgb kAccentDark = Hex(0x34506e);    // dot and tick
const Rgb kHeadingTop = Hex(0xe0e9f1);
const Rgb kHeadingBottom = Hex(0xc6d5e3);
const Rgb kHeadingLine = Hex(0x7f97b0);

class Image {
public:
    Image(int width, int height, Rgb fill = {})
        : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height, fill)
    {
    }
    int width() const { return m_width; }
    int height() const { return m_height; }
    Rgb& at(int x, int y) { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    const Rgb& at(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }

    Rgb Average() const
    {
        Rgb sum;
        for (const Rgb& p : m_pixels)
            sum = {sum.r + p.r, sum.g + p.g, sum.b + p.b};
        const double n = static_cast<double>(m_pixels.size());
        return {sum.r / n, sum.g / n, sum.b / n};
    }

private:
    int m_width;
    int m_height;
    std::vector<Rgb> m_pixels;
};

// A fixed sequence, so that the texture is the same on every machine.
class Sequence {
public:
    explicit Sequence(std::uint64_t seed) : m_state(seed) {}
    // Uniform in [-1, 1).
    double Next()
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(m_state >> 11) / 4503599627370496.0 - 1.0;
    }

private:
    std::uint64_t m_state;
};

std::uint8_t Channel(double value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
}

bool WriteBmp(const Image& image, const std::string& path)
{
    const std::uint32_t stride = (static_cast<std::uint32_t>(image.width()) * 3 + 3) / 4 * 4;
    const std::uint32_t data_size = stride * static_cast<std::uint32_t>(image.height());
    std::vector<std::uint8_t> file(54 + data_size, 0);
    auto put16 = [&file](std::size_t at, std::uint32_t v) {
        file[at] = static_cast<std::uint8_t>(v);
        file[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&put16](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xffff);
        put16(at + 2, v >> 16);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(image.width()));
    put32(22, static_cast<std::uint32_t>(image.height()));
    put16(26, 1);
    put16(28, 24);
    put32(34, data_size);
    put32(38, 2835);  // 72 dots an inch
    put32(42, 2835);
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* row = file.data() + 54 + static_cast<std::size_t>(image.height() - 1 - y) * stride;
        for (int x = 0; x < image.width(); ++x) {
            const Rgb& p = image.at(x, y);
            row[3 * x] = Channel(p.b);
            row[3 * x + 1] = Channel(p.g);
            row[3 * x + 2] = Channel(p.r);
        }
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

// Smooth noise along a loop of `length` pixels with a knot every `spacing`
// pixels (spacing divides length), so that it joins up where the tile does.
std::vector<double> LoopNoise(int length, int spacing, Sequence& random)
{
    std::vector<double> knots(static_cast<std::size_t>(length / spacing));
    for (double& k : knots)
        k = random.Next();
    std::vector<double> values(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        const std::size_t k = static_cast<std::size_t>(i / spacing);
        const double t = static_cast<double>(i % spacing) / spacing;
        const double smooth = (1 - std::cos(t * 3.141592653589793)) / 2;
        values[static_cast<std::size_t>(i)] = knots[k] + (knots[(k + 1) % knots.size()] - knots[k]) * smooth;
    }
    return values;
}

// A fine linen weave: faint threads both ways, each thread's brightness
// wandering along its length, and a little grain. Every term repeats with
// the tile (560 across, 22 down), so the tiles join without a seam.
Image Texture()
{
    constexpr int kWidth = 560, kHeight = 22;
    Image image(kWidth, kHeight);
    Sequence random(0x6c696e656e);
    std::vector<double> column_thread(kWidth), column_phase(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        column_thread[static_cast<std::size_t>(x)] = random.Next();
        column_phase[static_cast<std::size_t>(x)] = random.Next() * 3.141592653589793;
    }
    std::vector<std::vector<double>> row_wander;
    std::vector<double> row_thread(kHeight);
    for (int y = 0; y < kHeight; ++y) {
        row_thread[static_cast<std::size_t>(y)] = random.Next();
        row_wander.push_back(LoopNoise(kWidth, 14, random));
    }
    const std::vector<double> cloud = LoopNoise(kWidth, 70, random);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const auto xs = static_cast<std::size_t>(x);
            const auto ys = static_cast<std::size_t>(y);
            const double vertical =
                column_thread[xs] * (0.6 + 0.4 * std::sin(6.283185307179586 * y / kHeight + column_phase[xs]));
            const double horizontal = 0.5 * row_thread[ys] + 0.8 * row_wander[ys][xs];
            const double grain = random.Next();
            const double light = 2.2 * vertical + 2.0 * horizontal + 1.2 * grain + 0.6 * cloud[xs];
            image.at(x, y) = Shade(kPaper, light);
        }
    }
    return image;
}

// A push-button face: a vertical gradient inside a 1-pixel border; the
// released face has a light line under its top edge, the pressed one a
// shadow there. The face is stretched sideways, so nothing varies across it
// except at the border, and the corners are only softened by a pixel.
Image ButtonFace(bool pressed, const Rgb& surround)
{
    constexpr int kWidth = 95, kHeight = 22;
    const Rgb top = pressed ? Hex(0xd3d6da) : Hex(0xfbfbfa);
    const Rgb bottom = pressed ? Hex(0xe4e6e8) : Hex(0xe1e3e6);
    const Rgb border = pressed ? Hex(0x6f7883) : kOutline;
    Image image(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const double t = static_cast<double>(y - 1) / (kHeight - 3);
        for (int x = 0; x < kWidth; ++x)
            image.at(x, y) = Mix(top, bottom, std::clamp(t, 0.0, 1.0));
    }
    for (int x = 1; x < kWidth - 1; ++x) {
        if (pressed) {
            image.at(x, 1) = Mix(image.at(x, 1), border, 0.35);
            image.at(x, 2) = Mix(image.at(x, 2), border, 0.12);
        } else {
            image.at(x, 1) = Hex(0xffffff);
            image.at(x, kHeight - 2) = Mix(image.at(x, kHeight - 2), border, 0.18);
        }
    }
    for (int x = 0; x < kWidth; ++x) {
        image.at(x, 0) = border;
        image.at(x, kHeight - 1) = border;
    }
    for (int y = 0; y < kHeight; ++y) {
        image.at(0, y) = border;
        image.at(kWidth - 1, y) = border;
    }
    for (const auto& [cx, cy] : std::array<std::array<int, 2>, 4>{
             {{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}}})
        image.at(cx, cy) = Mix(border, surround, 0.6);
    return image;
}

// The heading bar: a soft blue band with a darker line along its foot, a
// faint shadow under that, and a light line along its top; it only varies
// downwards, so it stretches freely.
Image HeadingBar(const Rgb& surround)
{
    constexpr int kWidth = 95, kHeight = 22;
    Image image(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        Rgb colour = Mix(kHeadingTop, kHeadingBottom, static_cast<double>(y) / (kHeight - 1));
        if (y == 0)
            colour = Hex(0xf4f7fa);
        if (y == kHeight - 2)
            colour = kHeadingLine;
        if (y == kHeight - 1)
            colour = Mix(kHeadingLine, surround, 0.75);
        for (int x = 0; x < kWidth; ++x)
            image.at(x, y) = colour;
    }
    return image;
}

// Coverage of a pixel by a shape, from 8 x 8 samples inside it.
template <typename Inside>
double Coverage(int x, int y, Inside inside)
{
    int hits = 0;
    for (int sy = 0; sy < 8; ++sy)
        for (int sx = 0; sx < 8; ++sx)
            hits += inside(x + (sx + 0.5) / 8, y + (sy + 0.5) / 8) ? 1 : 0;
    return hits / 64.0;
}

// The option mark: a white disc in an anti-aliased ring, on the texture's
// average colour so that its square does not show; a dot when chosen.
Image OptionMark(bool on, const Rgb& surround)
{
    constexpr int kSide = 13;
    constexpr double kCentre = kSide / 2.0;
    Image image(kSide, kSide, surround);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            auto radius = [](double px, double py) { return std::hypot(px - kCentre, py - kCentre); };
            const double disc = Coverage(x, y, [&](double px, double py) { return radius(px, py) < 6.3; });
            const double inner = Coverage(x, y, [&](double px, double py) { return radius(px, py) < 5.3; });
            const double dot = Coverage(x, y, [&](double px, double py) { return radius(px, py) < 2.6; });
            // The inside darkens a touch towards the top, as if slightly hollow.
            const Rgb inside = Mix(Hex(0xeef0f2), Hex(0xffffff), std::clamp((y - 1) / 8.0, 0.0, 1.0));
            Rgb p = Mix(surround, kOutline, disc);
            p = Mix(p, inside, inner);
            if (on)
                p = Mix(p, kAccentDark, dot);
            image.at(x, y) = p;
        }
    }
    return image;
}

// Distance from point p to the segment a-b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// The check box: white inside a 1-pixel border, slightly shaded at the top;
// the tick is two anti-aliased strokes in the accent colour.
Image CheckBox(bool ticked)
{
    constexpr int kSide = 12;
    Image image(kSide, kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool edge = x == 0 || y == 0 || x == kSide - 1 || y == kSide - 1;
            image.at(x, y) = edge ? kOutline : Mix(Hex(0xeef0f2), Hex(0xffffff), std::clamp((y - 1) / 6.0, 0.0, 1.0));
        }
    }
    if (ticked) {
        for (int y = 1; y < kSide - 1; ++y) {
            for (int x = 1; x < kSide - 1; ++x) {
                const double cover = Coverage(x, y, [](double px, double py) {
                    return SegmentDistance(px, py, 2.9, 6.2, 4.9, 8.4) < 0.95 ||
                           SegmentDistance(px, py, 4.9, 8.4, 9.2, 3.2) < 0.95;
                });
                image.at(x, y) = Mix(image.at(x, y), kAccentDark, cover);
            }
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_dialog_skin <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Image texture = Texture();
    const Rgb surround = texture.Average();
    const std::array<std::pair<const char*, Image>, 8> pictures{{
        {"texture_tile.bmp", texture},
        {"heading_bar.bmp", HeadingBar(surround)},
        {"button_released.bmp", ButtonFace(false, surround)},
        {"button_pressed.bmp", ButtonFace(true, surround)},
        {"option_off.bmp", OptionMark(false, surround)},
        {"option_on.bmp", OptionMark(true, surround)},
        {"check_clear.bmp", CheckBox(false)},
        {"check_ticked.bmp", CheckBox(true)},
    }};
    for (const auto& [name, image] : pictures) {
        const std::string path = folder + "/" + name;
        if (!WriteBmp(image, path)) {
            std::fprintf(stderr, "make_dialog_skin: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
