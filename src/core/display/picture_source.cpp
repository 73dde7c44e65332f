#include "display/picture_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "files/paths.h"
#include "images/image_list.h"
#include "images/sample_picture.h"
#include "images/work_file.h"

namespace nuvra {

namespace {

std::int32_t BytesPerPixel(const platform::Picture& picture)
{
    switch (picture.bits_per_pixel) {
    case 8:
    case 24:
    case 32:
        return picture.bits_per_pixel / 8;
    default:
        return 0;
    }
}

bool HasItsPixels(const platform::Picture& picture)
{
    const std::int32_t bytes = BytesPerPixel(picture);
    if (picture.empty() || bytes == 0 || picture.stride < static_cast<std::int64_t>(picture.width) * bytes)
        return false;
    return static_cast<std::int64_t>(picture.stride) * picture.height <=
           static_cast<std::int64_t>(picture.pixels.size());
}

std::int32_t StrideFor(std::int32_t width, std::int32_t bytes_per_pixel)
{
    return (width * bytes_per_pixel + 3) / 4 * 4;
}

platform::Picture BlankPicture(std::int32_t width, std::int32_t height, std::uint16_t bits_per_pixel)
{
    platform::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bits_per_pixel = bits_per_pixel;
    picture.stride = StrideFor(width, bits_per_pixel / 8);
    picture.pixels.assign(static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(height), 0);
    return picture;
}

// A pixel's blue, green and red, whatever the depth; rows counted from the
// top.
std::array<float, 3> ReadBgr(const platform::Picture& picture, std::int32_t x, std::int32_t top_row)
{
    const std::int32_t bytes = BytesPerPixel(picture);
    const std::uint8_t* p = picture.pixels.data() +
                            static_cast<std::int64_t>(picture.height - 1 - top_row) * picture.stride +
                            static_cast<std::int64_t>(x) * bytes;
    if (bytes == 1) {
        const std::uint32_t colour = *p < picture.palette.size() ? picture.palette[*p] : 0;
        return {static_cast<float>(colour & 0xFF), static_cast<float>((colour >> 8) & 0xFF),
                static_cast<float>((colour >> 16) & 0xFF)};
    }
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

// Scales source by factor (bilinear, pixel centres aligned) into the
// rectangle of target starting at left; target is 24 bits.
void DrawScaled(const platform::Picture& source, double factor, platform::Picture& target, std::int32_t left)
{
    const auto scaled_width = static_cast<std::int32_t>(std::lround(source.width * factor));
    for (std::int32_t y = 0; y < target.height; ++y) {
        const double sy = std::clamp((y + 0.5) / factor - 0.5, 0.0, source.height - 1.0);
        const auto y0 = static_cast<std::int32_t>(sy);
        const std::int32_t y1 = std::min(y0 + 1, source.height - 1);
        const auto fy = static_cast<float>(sy - y0);
        std::uint8_t* row = target.pixels.data() + static_cast<std::int64_t>(target.height - 1 - y) * target.stride;
        for (std::int32_t x = std::max(0, left); x < std::min(target.width, left + scaled_width); ++x) {
            const double sx = std::clamp((x - left + 0.5) / factor - 0.5, 0.0, source.width - 1.0);
            const auto x0 = static_cast<std::int32_t>(sx);
            const std::int32_t x1 = std::min(x0 + 1, source.width - 1);
            const auto fx = static_cast<float>(sx - x0);
            const auto a = ReadBgr(source, x0, y0), b = ReadBgr(source, x1, y0);
            const auto c = ReadBgr(source, x0, y1), d = ReadBgr(source, x1, y1);
            for (std::size_t k = 0; k < 3; ++k) {
                const float top = a[k] + (b[k] - a[k]) * fx;
                const float bottom = c[k] + (d[k] - c[k]) * fx;
                row[3 * x + static_cast<std::int32_t>(k)] =
                    static_cast<std::uint8_t>(std::lround(std::clamp(top + (bottom - top) * fy, 0.0f, 255.0f)));
            }
        }
    }
}

// The centre square of a picture, no taller than the screen.
platform::Picture CentreSquareOf(const platform::Picture& picture, std::int32_t screen_height)
{
    const std::int32_t side = CentreSquareSide(picture.width, picture.height, screen_height);
    return CropSquare(picture, CentreOffset(picture.width, side), CentreOffset(picture.height, side), side);
}

// The square as the screen holds it: 24 bits, whatever the picture's own
// depth, so that an 8-bit or palette picture is reduced like any other.
platform::Picture AtScreenDepth(const platform::Picture& square)
{
    if (square.bits_per_pixel == 24 || !HasItsPixels(square))
        return square;
    platform::Picture converted = BlankPicture(square.width, square.height, 24);
    for (std::int32_t top = 0; top < square.height; ++top) {
        std::uint8_t* row = converted.pixels.data() + static_cast<std::int64_t>(square.height - 1 - top) * converted.stride;
        for (std::int32_t x = 0; x < square.width; ++x) {
            const auto bgr = ReadBgr(square, x, top);
            for (std::size_t k = 0; k < 3; ++k)
                row[3 * x + static_cast<std::int32_t>(k)] = static_cast<std::uint8_t>(bgr[k]);
        }
    }
    return converted;
}

// The two work files, written from memory: a work file that cannot be
// written is said once, and the show goes on with the square it has.
void WriteWorkFiles(NuvraS& form, platform::Platform& platform)
{
    platform::FileSystem& files = *platform.files;
    const std::string path = SquareWorkFilePath(files, form.WorkFileTag);
    if (FileExists(path, files))
        files.DeleteFile(path);
    const bool square_written = platform.pictures->SavePicture(form.Pic_Ogn, path);
    const bool eight_bit_written = WriteEightBitWorkFile(form.EightBitSquare, files, form.WorkFileTag) == WorkFileResult::Written;
    if ((!square_written || !eight_bit_written) && !form.WorkFilesReported) {
        form.WorkFilesReported = true;
        platform.diagnostics->Report("the work files could not be written in " + files.WorkFolder() +
                                     "; the show goes on with its pictures in memory");
    }
}

std::optional<PreparedPicture> PrepareDesktopSquare(const NuvraS& form, platform::Platform& platform,
                                                    const std::function<std::optional<platform::Picture>()>& capture)
{
    std::optional<platform::Picture> desktop;
    if (capture)
        desktop = capture();
    if (!desktop || desktop->empty())
        desktop = SampleDesktop(form.ScreenWidthPx, form.ScreenHeightPx, *platform.pictures);
    if (!desktop)
        return std::nullopt;
    const std::int32_t side = form.ScreenHeightPx;
    return PrepareSquare(CropSquare(*desktop, CentreOffset(form.ScreenWidthPx, side), 0, side));
}

}  // namespace

std::int32_t CentreSquareSide(std::int32_t width, std::int32_t height, std::int32_t screen_height)
{
    if (height == width)
        return width > screen_height ? screen_height : width;
    if (width > height)
        return height > screen_height ? screen_height : height;
    return width > screen_height ? screen_height : width;
}

std::int32_t CentreOffset(std::int32_t extent, std::int32_t side)
{
    return static_cast<std::int32_t>(std::nearbyint((static_cast<double>(extent) - side) / 2));
}

platform::Picture CropSquare(const platform::Picture& picture, std::int32_t left, std::int32_t top,
                             std::int32_t side)
{
    if (side <= 0 || side > platform::kMaxPictureSide || !HasItsPixels(picture))
        return {};
    const std::int32_t bytes = BytesPerPixel(picture);
    platform::Picture square = BlankPicture(side, side, picture.bits_per_pixel);
    square.palette = picture.palette;

    const std::int32_t first_x = std::max(left, 0);
    const auto last_x =
        static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(left) + side, picture.width) - 1);
    if (first_x > last_x)
        return square;
    const auto length = static_cast<std::size_t>(last_x - first_x + 1) * static_cast<std::size_t>(bytes);
    for (std::int32_t k = 0; k < side; ++k) {
        const std::int64_t source_top_row = static_cast<std::int64_t>(top) + k;
        if (source_top_row < 0 || source_top_row >= picture.height)
            continue;
        const std::int64_t source_row = picture.height - 1 - source_top_row;
        const std::int64_t target_row = side - 1 - k;
        std::memcpy(square.pixels.data() + target_row * square.stride + static_cast<std::int64_t>(first_x - left) * bytes,
                    picture.pixels.data() + source_row * picture.stride + static_cast<std::int64_t>(first_x) * bytes,
                    length);
    }
    return square;
}

std::optional<platform::Picture> SampleDesktop(std::int32_t screen_width, std::int32_t screen_height,
                                               platform::PictureCodec& pictures)
{
    if (screen_width <= 0 || screen_height <= 0 || screen_width > platform::kMaxPictureSide ||
        screen_height > platform::kMaxPictureSide ||
        static_cast<std::int64_t>(screen_width) * screen_height > platform::kMaxPicturePixels)
        return std::nullopt;
    platform::PictureResult sample = pictures.LoadPictureFromMemory(SamplePictureJpeg());
    if (!sample.picture || !HasItsPixels(*sample.picture))
        return std::nullopt;
    const platform::Picture& picture = *sample.picture;
    platform::Picture desktop = BlankPicture(screen_width, screen_height, 24);
    const double factor = static_cast<double>(screen_height) / picture.height;
    const auto scaled_width = static_cast<std::int32_t>(std::lround(picture.width * factor));
    DrawScaled(picture, factor, desktop, (screen_width - scaled_width) / 2);
    return desktop;
}

std::optional<PreparedPicture> PrepareSquare(const platform::Picture& square)
{
    if (square.empty())
        return std::nullopt;
    PreparedPicture prepared;
    prepared.square = AtScreenDepth(square);
    std::optional<platform::Picture> eight_bit = ReduceToEightBit(prepared.square);
    if (!eight_bit)
        return std::nullopt;
    prepared.eight_bit = std::move(*eight_bit);
    return prepared;
}

std::optional<PreparedPicture> PreparePictureFile(std::string_view path, std::int32_t screen_height,
                                                  platform::PictureCodec& pictures)
{
    if (path.empty())
        return std::nullopt;
    // The file, cut to its centre square while decoding where the decoder
    // can; that square's own centre square is itself, so the crop below keeps
    // it whole.
    platform::PictureResult result =
        pictures.LoadPictureRegion(path, [screen_height](std::int32_t width, std::int32_t height) {
            const std::int32_t side = CentreSquareSide(width, height, screen_height);
            const std::int32_t left = CentreOffset(width, side);
            const std::int32_t top = CentreOffset(height, side);
            return platform::Rect{left, top, left + side, top + side};
        });
    if (!result.picture || result.picture->empty())
        return std::nullopt;
    return PrepareSquare(CentreSquareOf(*result.picture, screen_height));
}

std::int16_t NextPictureIndex(const NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform)
{
    ImageList& list = nuvra_b.images;
    // The index is a 16-bit field, but the step past a full list of 32767
    // files is taken in a wider type so that it wraps instead of overflowing.
    const std::int32_t next = form.PictureIndex + 1;
    if (next <= list.ImageCount)
        return static_cast<std::int16_t>(next);
    BuildShowOrder(list, nuvra_b.settings.OrderMode, *platform.random);
    return 1;
}

std::string ListedPicturePath(const ImageList& list, std::int16_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= list.ShowOrder.size())
        return {};
    const std::int16_t file = list.ShowOrder[static_cast<std::size_t>(index)];
    if (file < 1 || static_cast<std::size_t>(file) >= list.ImageFiles.size())
        return {};
    return list.ImageFiles[static_cast<std::size_t>(file)];
}

void CommitPicture(NuvraS& form, PreparedPicture picture, platform::Platform& platform)
{
    form.Pic_Ogn = std::move(picture.square);
    form.EightBitSquare = std::move(picture.eight_bit);
    WriteWorkFiles(form, platform);
}

void LoadNextPicture(NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform)
{
    form.PictureIndex = NextPictureIndex(form, nuvra_b, platform);
    // A picture that cannot be loaded leaves the one before in place, work
    // files included, so the previous picture is shown again.
    std::optional<PreparedPicture> prepared =
        PreparePictureFile(ListedPicturePath(nuvra_b.images, form.PictureIndex), form.ScreenHeightPx, *platform.pictures);
    if (prepared)
        CommitPicture(form, std::move(*prepared), platform);
}

void CaptureDesktop(NuvraS& form, platform::Platform& platform)
{
    std::function<std::optional<platform::Picture>()> capture;
    capture = [&platform] { return platform.capture->CaptureScreen(); };
    if (std::optional<PreparedPicture> prepared = PrepareDesktopSquare(form, platform, capture))
        CommitPicture(form, std::move(*prepared), platform);
}

void ShowSamplePicture(NuvraS& form, platform::Platform& platform)
{
    if (std::optional<PreparedPicture> prepared = PrepareDesktopSquare(form, platform, nullptr))
        CommitPicture(form, std::move(*prepared), platform);
}

void ShowSavedDesktop(NuvraS& form, platform::Platform& platform, std::optional<std::int64_t> window)
{
    std::function<std::optional<platform::Picture>()> capture;
    capture = [&platform, window] { return platform.capture->CaptureSavedDesktop(window); };
    if (std::optional<PreparedPicture> prepared = PrepareDesktopSquare(form, platform, capture))
        CommitPicture(form, std::move(*prepared), platform);
}

}  // namespace nuvra
