// PNG files through libpng: every colour type and depth, to 24-bit BGR.
// Samples are taken as stored: no gamma correction, the show does none for
// the other formats either. 16-bit samples are scaled to 8 bits with
// rounding. Transparency (an alpha channel, or a tRNS colour or table) is
// composed over black, the show's background. An animated PNG shows its
// default image, the one every PNG reader shows.
//
// A region decode of a file that is not interlaced reads the rows down to
// the region's last and keeps only the region: one row of the whole width
// in memory besides the picture handed over. An interlaced file delivers its
// rows in seven passes over the whole picture, so it is read whole into a
// buffer of four bytes a pixel (counted against the memory allowed) and the
// region cut from it.
//
// libpng reports fatal errors by longjmp. The steps that call into it hold
// no C++ objects with destructors, so the jump skips nothing that needs
// cleaning up; the read structures are freed by their owner outside.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
    char message[200] = "";
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t wanted)
{
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (wanted > reader->bytes.size() - reader->position)
        png_error(png, "the file ends early");
    std::memcpy(out, reader->bytes.data() + reader->position, wanted);
    reader->position += wanted;
}

[[noreturn]] void ExitWithError(png_structp png, png_const_charp message)
{
    auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message != nullptr ? message : "error");
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// The read structures, freed whatever happened.
class PngRead {
public:
    explicit PngRead(Reader& reader)
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, ExitWithError, IgnoreWarning);
        if (m_png != nullptr)
            m_info = png_create_info_struct(m_png);
    }
    ~PngRead() { png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr); }
    PngRead(const PngRead&) = delete;
    PngRead& operator=(const PngRead&) = delete;

    bool ready() const { return m_png != nullptr && m_info != nullptr; }
    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

struct Header {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool interlaced = false;
};

// Reads up to the pixels and sets the transforms that give 8-bit RGBA rows.
bool ReadHeader(png_structp png, png_infop info, Header& header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, png_get_error_ptr(png), ReadFromMemory);
    png_read_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    png_set_expand(png);  // palette to RGB, grey under 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(header.width) * 4;
}

// Rows top to bottom into rows[0..count), each 4 * width bytes.
bool ReadRows(png_structp png, png_bytep* rows, png_uint_32 count)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (png_uint_32 y = 0; y < count; ++y)
        png_read_row(png, rows[y], nullptr);
    return true;
}

// The whole image, all passes, into rows.
bool ReadImage(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

std::uint8_t OverBlack(std::uint8_t sample, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>((sample * alpha + 127) / 255);
}

// RGBA pixels [left, right) of one row, composed over black, as BGR.
void StoreRow(const std::uint8_t* rgba, std::int32_t left, std::int32_t right, std::uint8_t* bgr)
{
    for (std::int32_t x = left; x < right; ++x, bgr += 3) {
        const std::uint8_t* pixel = rgba + 4 * x;
        bgr[0] = OverBlack(pixel[2], pixel[3]);
        bgr[1] = OverBlack(pixel[1], pixel[3]);
        bgr[2] = OverBlack(pixel[0], pixel[3]);
    }
}

std::string Failure(const Reader& reader)
{
    return std::string("PNG: ") + (reader.message[0] != '\0' ? reader.message : "the file could not be read");
}

}  // namespace

PictureResult DecodePng(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                        const platform::RegionChooser* choose_region)
{
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
        return PictureFailure("not a PNG file");
    Reader reader{bytes, 0};
    PngRead read(reader);
    if (!read.ready())
        return PictureFailure("out of memory");
    Header header;
    if (!ReadHeader(read.png(), read.info(), header))
        return PictureFailure(Failure(reader));
    if (const std::optional<std::string> refused = CheckPictureSize(header.width, header.height, limits))
        return PictureFailure("PNG: " + *refused);

    PictureResult result;
    result.natural_width = static_cast<std::int32_t>(header.width);
    result.natural_height = static_cast<std::int32_t>(header.height);
    const std::optional<platform::Rect> region =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!region)
        return EmptyRegionFailure(result.natural_width, result.natural_height);

    const std::uint64_t row_bytes = 4 * static_cast<std::uint64_t>(header.width);
    const std::uint64_t buffered_rows = header.interlaced ? header.height : 1;
    const std::uint64_t needed = bytes.size() + row_bytes * buffered_rows +
                                 PictureBytes(region->right - region->left, region->bottom - region->top, 24);
    if (const std::optional<std::string> refused = CheckMemory(needed, limits)) {
        result.error = "PNG: " + *refused;
        return result;
    }

    Picture picture = MakePicture(region->right - region->left, region->bottom - region->top, 24);
    if (header.interlaced) {
        std::vector<std::uint8_t> whole(row_bytes * header.height);
        std::vector<png_bytep> rows(header.height);
        for (png_uint_32 y = 0; y < header.height; ++y)
            rows[y] = whole.data() + row_bytes * y;
        if (!ReadImage(read.png(), rows.data())) {
            result.error = Failure(reader);
            return result;
        }
        for (std::int32_t y = 0; y < picture.height; ++y)
            StoreRow(rows[static_cast<std::size_t>(region->top + y)], region->left, region->right,
                     RowFromTop(picture, y));
    } else {
        std::vector<std::uint8_t> row(row_bytes);
        png_bytep row_pointer = row.data();
        for (std::int32_t y = 0; y < region->bottom; ++y) {
            if (!ReadRows(read.png(), &row_pointer, 1)) {
                result.error = Failure(reader);
                return result;
            }
            if (y >= region->top)
                StoreRow(row.data(), region->left, region->right, RowFromTop(picture, y - region->top));
        }
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::pictures
