// JPEG files through libjpeg-turbo: greyscale, YCbCr, RGB, CMYK and YCCK
// (Adobe's inverted CMYK included), to 24-bit BGR.
//
// A region decode skips the rows above the region and decodes only the iMCU
// columns across it, and its pixels must equal the whole decode's crop. That
// holds only while both use plain (replicating) chroma upsampling: the
// "fancy" triangle filter reads neighbouring blocks that a cropped decode
// does not decode. Block smoothing (progressive files) is off for the same
// reason. Both are off for every decode, whole or not.
//
// Memory: a file in one scan is decoded a few rows at a time, so only the
// picture handed over is big. A progressive file (or any file in several
// scans) keeps every coefficient of the whole picture until its last scan,
// region or not, and libjpeg allocates that before the first row comes out;
// such a file is refused when those buffers would not fit the memory
// allowed, and libjpeg's own limit is set to what is left, so that whatever
// our estimate misses ends in a refusal too, not in an allocation.
//
// libjpeg reports fatal errors by calling error_exit, which must not return;
// ours longjmps back to the guarded step. The steps between setjmp and
// longjmp hold no C++ objects with destructors (the buffers they fill are
// allocated outside), so the jump skips nothing that needs cleaning up.
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
// After jpeglib.h: the message codes, to tell a refusal for memory.
#include <jerror.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "pictures/picture_decoding.h"

namespace nuvra::pictures {

namespace {

using platform::Picture;
using platform::PictureResult;

struct ErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's pointer to it is ours too
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int fatal_code;  // the message code libjpeg gave up with
};

struct ProgressMonitor {
    jpeg_progress_mgr base;
    std::int32_t max_scans = 0;
};

[[noreturn]] void ExitWithError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->base.format_message(info, errors->message);
    errors->fatal_code = errors->base.msg_code;
    std::longjmp(errors->jump, 1);
}

// Warnings (corrupt data that libjpeg works around) are counted by
// emit_message and not printed: a damaged file still shows what it can, and
// the screen saver's terminal is nobody's.
void DiscardMessage(j_common_ptr)
{
}

void CheckScanCount(j_common_ptr info)
{
    auto* monitor = reinterpret_cast<ProgressMonitor*>(info->progress);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > monitor->max_scans) {
        std::snprintf(reinterpret_cast<ErrorManager*>(info->err)->message, JMSG_LENGTH_MAX,
                      "more than %d progressive scans", static_cast<int>(monitor->max_scans));
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
    }
}

class Decompressor {
public:
    explicit Decompressor(const DecodeLimits& limits)
    {
        m_info.err = jpeg_std_error(&m_errors.base);
        m_errors.base.error_exit = ExitWithError;
        m_errors.base.output_message = DiscardMessage;
        m_errors.message[0] = '\0';
        m_progress.base.progress_monitor = CheckScanCount;
        m_progress.max_scans = limits.max_jpeg_scans;
        m_errors.fatal_code = JMSG_NOMESSAGE;
    }
    ~Decompressor()
    {
        if (m_created)
            jpeg_destroy_decompress(&m_info);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct& info() { return m_info; }
    std::string error() const
    {
        // With no backing store, libjpeg's word for "the whole-picture
        // buffers exceed max_memory_to_use".
        if (m_errors.fatal_code == JERR_NO_BACKING_STORE)
            return "JPEG: decoding the picture needs more memory than allowed";
        return std::string("JPEG: ") + m_errors.message;
    }

    // What libjpeg may allocate from here on; zero would mean no limit.
    void LimitMemory(std::uint64_t bytes)
    {
        constexpr std::uint64_t kLargest = static_cast<std::uint64_t>(std::numeric_limits<long>::max());
        m_info.mem->max_memory_to_use = static_cast<long>(std::clamp<std::uint64_t>(bytes, 1, kLargest));
    }

    // Runs one step; false when libjpeg gave up on the file. Not inlined, so
    // that setjmp's frame is this small one and not the decoder's.
    template <typename Step> [[gnu::noinline]] bool Guard(Step&& step)
    {
        if (setjmp(m_errors.jump) != 0)
            return false;
        step();
        return true;
    }

    bool ReadHeader(std::span<const std::uint8_t> bytes)
    {
        return Guard([&] {
            jpeg_create_decompress(&m_info);
            m_created = true;
            m_info.progress = &m_progress.base;
            jpeg_mem_src(&m_info, bytes.data(), static_cast<unsigned long>(bytes.size()));
            jpeg_read_header(&m_info, TRUE);
        });
    }

private:
    jpeg_decompress_struct m_info{};
    ErrorManager m_errors{};
    ProgressMonitor m_progress{};
    bool m_created = false;
};

// What libjpeg hands over per pixel.
enum class Samples { Bgr, Cmyk, InvertedCmyk };

// Adobe writes CMYK inverted (0 is full ink), and nearly every CMYK JPEG
// comes from Adobe software; without its marker, 255 is full ink.
Samples SamplesFor(const jpeg_decompress_struct& info)
{
    if (info.jpeg_color_space != JCS_CMYK && info.jpeg_color_space != JCS_YCCK)
        return Samples::Bgr;
    return info.saw_Adobe_marker ? Samples::InvertedCmyk : Samples::Cmyk;
}

// One decoded row (starting at column first) into the picture's BGR row.
void StoreRow(const JSAMPLE* decoded, std::int32_t first, std::int32_t width, Samples samples, std::uint8_t* target)
{
    if (samples == Samples::Bgr) {
        std::memcpy(target, decoded + 3 * static_cast<std::size_t>(first), 3 * static_cast<std::size_t>(width));
        return;
    }
    decoded += 4 * static_cast<std::size_t>(first);
    for (std::int32_t x = 0; x < width; ++x, decoded += 4, target += 3) {
        unsigned cyan = decoded[0], magenta = decoded[1], yellow = decoded[2], black = decoded[3];
        if (samples == Samples::Cmyk) {
            cyan = 255 - cyan;
            magenta = 255 - magenta;
            yellow = 255 - yellow;
            black = 255 - black;
        }
        target[0] = static_cast<std::uint8_t>((yellow * black + 127) / 255);
        target[1] = static_cast<std::uint8_t>((magenta * black + 127) / 255);
        target[2] = static_cast<std::uint8_t>((cyan * black + 127) / 255);
    }
}

// The whole-picture coefficient buffers libjpeg allocates for a file in
// several scans (a progressive one above all): one 8 x 8 block of 16-bit
// coefficients per block of every component, in whole MCUs. Nothing for a
// file in one scan. Needs the header read.
std::uint64_t CoefficientBufferBytes(jpeg_decompress_struct& info)
{
    if (!jpeg_has_multiple_scans(&info))
        return 0;
    auto round_up = [](std::uint64_t value, std::uint64_t step) {
        return step == 0 ? value : (value + step - 1) / step * step;
    };
    std::uint64_t bytes = 0;
    const auto components = std::span(info.comp_info, static_cast<std::size_t>(info.num_components));
    for (const jpeg_component_info& component : components)
        bytes += round_up(component.width_in_blocks, static_cast<std::uint64_t>(component.h_samp_factor)) *
                 round_up(component.height_in_blocks, static_cast<std::uint64_t>(component.v_samp_factor)) *
                 sizeof(JBLOCK);
    return bytes;
}

}  // namespace

PictureResult DecodeJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits,
                         const platform::RegionChooser* choose_region)
{
    Decompressor decompressor(limits);
    jpeg_decompress_struct& info = decompressor.info();
    if (!decompressor.ReadHeader(bytes))
        return PictureFailure(decompressor.error());
    if (const std::optional<std::string> refused = CheckPictureSize(info.image_width, info.image_height, limits))
        return PictureFailure("JPEG: " + *refused);

    PictureResult result;
    result.natural_width = static_cast<std::int32_t>(info.image_width);
    result.natural_height = static_cast<std::int32_t>(info.image_height);
    const std::optional<platform::Rect> chosen =
        ChooseRegion(choose_region, result.natural_width, result.natural_height);
    if (!chosen)
        return EmptyRegionFailure(result.natural_width, result.natural_height);
    const platform::Rect region = *chosen;

    const Samples samples = SamplesFor(info);
    const bool ink = samples != Samples::Bgr;
    const std::uint64_t row_bytes = static_cast<std::uint64_t>(info.image_width) * (ink ? 4 : 3);
    const std::uint64_t ours =
        bytes.size() + row_bytes + PictureBytes(region.right - region.left, region.bottom - region.top, 24);
    std::uint64_t coefficients = 0;
    if (!decompressor.Guard([&] { coefficients = CoefficientBufferBytes(info); })) {
        result.error = decompressor.error();
        return result;
    }
    if (const std::optional<std::string> refused = CheckMemory(ours + coefficients, limits)) {
        result.error = "JPEG: " + *refused;
        if (coefficients > 0)
            result.error += " (a progressive file keeps every coefficient of the whole picture while it decodes)";
        return result;
    }
    decompressor.LimitMemory(limits.max_memory - ours);
    Picture picture = MakePicture(region.right - region.left, region.bottom - region.top, 24);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(row_bytes));

    const bool decoded = decompressor.Guard([&] {
        info.out_color_space = ink ? JCS_CMYK : JCS_EXT_BGR;
        info.do_fancy_upsampling = FALSE;
        info.do_block_smoothing = FALSE;
        jpeg_start_decompress(&info);
        JDIMENSION first_column = 0;
        if (region.left != 0 || region.right != result.natural_width) {
            // libjpeg widens the crop to whole iMCU columns and says where
            // it starts.
            JDIMENSION crop_left = static_cast<JDIMENSION>(region.left);
            JDIMENSION crop_width = static_cast<JDIMENSION>(region.right - region.left);
            jpeg_crop_scanline(&info, &crop_left, &crop_width);
            first_column = static_cast<JDIMENSION>(region.left) - crop_left;
        }
        if (region.top > 0)
            jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(region.top));
        for (std::int32_t y = 0; y < picture.height; ++y) {
            JSAMPROW rows[1] = {row.data()};
            if (jpeg_read_scanlines(&info, rows, 1) != 1)
                break;  // a memory source never suspends; this is the end of the picture
            StoreRow(row.data(), static_cast<std::int32_t>(first_column), picture.width, samples,
                     RowFromTop(picture, y));
        }
    });
    if (!decoded) {
        result.error = decompressor.error();
        return result;
    }
    result.picture = std::move(picture);
    return result;
}

}  // namespace nuvra::pictures
