// A whole picture change on a 1920 x 1080 screen, done on the frame loop:
// LoadNextPicture (decode a 6000 x 4000 baseline JPEG cut to its centre
// 1080 square, reduce it to 256 colours, write the two work files) and
// PrepareDisplay (copy the 8-bit square twice, bind, build the mirror table,
// clear); beside it the change as the show makes it, with the picture
// prepared ahead on a worker. Each stage is measured
// on its own beside the whole, so the report says what dominates; the
// whole-picture decode shows what the centre-square decode saves. The
// longest pause the frame loop sees at a change is reported too.
//
// The JPEG is generated once into a temporary folder (see
// support/photo_jpeg.h).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/mirror_table.h"
#include "display/picture_prefetch.h"
#include "display/picture_source.h"
#include "display/prepare_display.h"
#include "images/color_reduction.h"
#include "images/work_file.h"
#include "platform/linux/file_system.h"
#include "platform/linux/picture/picture_codec.h"
#include "platform/common/seeded_random.h"
#include "support/photo_jpeg.h"

namespace {

using namespace nuvra;

constexpr std::int16_t kScreenWidth = 1920;
constexpr std::int16_t kScreenHeight = 1080;

class WorkFolderFileSystem final : public linux_platform::LinuxFileSystem {
public:
    explicit WorkFolderFileSystem(std::string folder) : m_folder(std::move(folder)) {}
    std::string WorkFolder() override { return m_folder; }

private:
    std::string m_folder;
};

class SilentMessageBox final : public platform::MessageBoxService {
public:
    void MessageBox(const std::string&, const std::string&, platform::MessageBoxStyle) override {}
};

// One show's worth of services and state over a temporary work folder.
struct Show {
    Show()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nuvra-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        folder = pattern;
        photo = folder + "/photo.jpg";
        if (!bench::WritePhotoJpeg(photo))
            std::abort();
        files = std::make_unique<WorkFolderFileSystem>(folder);
        platform.files = files.get();
        platform.pictures = &codec;
        platform.random = &random;
        platform.message_box = &message_box;
        form.ScreenWidthPx = kScreenWidth;
        form.ScreenHeightPx = kScreenHeight;
        nuvra_b.images.ImageCount = 1;
        nuvra_b.images.ImageFiles = {"", photo};
        nuvra_b.images.ShowOrder = {0, 1};
    }
    ~Show()
    {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    std::string folder, photo;
    std::unique_ptr<WorkFolderFileSystem> files;
    linux_platform::LinuxPictureCodec codec;
    common_platform::SeededRandom random;
    SilentMessageBox message_box;
    platform::Platform platform;
    NuvraS form;
    NuvraB nuvra_b;
};

Show& TheShow()
{
    static Show show;
    return show;
}

platform::Rect CentreSquare(std::int32_t width, std::int32_t height)
{
    const std::int32_t side = CentreSquareSide(width, height, kScreenHeight);
    const std::int32_t left = CentreOffset(width, side), top = CentreOffset(height, side);
    return {left, top, left + side, top + side};
}

void WholePictureChange(benchmark::State& state)
{
    Show& show = TheShow();
    // The change runs between two frames on the frame loop's thread, so the
    // picture on screen stays whole and the loop pauses for the whole
    // change; the longest such pause is reported beside the mean.
    std::chrono::steady_clock::duration longest{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        LoadNextPicture(show.form, show.nuvra_b, show.platform);
        PrepareDisplay(show.form, show.nuvra_b, show.platform);
        benchmark::DoNotOptimize(show.form.LastPoint);
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
    }
    state.counters["longest_pause_ms"] = std::chrono::duration<double, std::milli>(longest).count();
    if (show.form.ViewSize != kScreenHeight)
        state.SkipWithError("the picture change did not produce the 1080 square");
}

// The change as the show makes it now: the next picture was decoded, cut
// and reduced on a worker while the current one turned (not timed: the
// frame loop does not wait for it), so the frame loop only takes it, writes
// the two work files and readies the renderer. Its longest pause is the
// figure that matters; WholePictureChange above is the same change done
// entirely on the frame loop.
void ChangeWithThePicturePreparedAhead(benchmark::State& state)
{
    Show& show = TheShow();
    PicturePrefetch prefetch;
    std::chrono::steady_clock::duration longest{};
    for (auto _ : state) {
        state.PauseTiming();
        prefetch.Start(1, show.photo, kScreenHeight, show.codec);
        std::optional<PreparedPicture> ready = prefetch.Take();
        if (!ready) {
            state.SkipWithError("the picture could not be prepared");
            break;
        }
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        CommitPicture(show.form, std::move(*ready), show.platform);
        PrepareDisplay(show.form, show.nuvra_b, show.platform);
        benchmark::DoNotOptimize(show.form.LastPoint);
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
    }
    state.counters["longest_pause_ms"] = std::chrono::duration<double, std::milli>(longest).count();
    if (show.form.ViewSize != kScreenHeight)
        state.SkipWithError("the picture change did not produce the 1080 square");
}

void DecodeCentreSquare(benchmark::State& state)
{
    Show& show = TheShow();
    for (auto _ : state) {
        platform::PictureResult result = show.codec.LoadPictureRegion(show.photo, CentreSquare);
        benchmark::DoNotOptimize(result.picture);
    }
}

void DecodeWholePicture(benchmark::State& state)
{
    Show& show = TheShow();
    for (auto _ : state) {
        platform::PictureResult result = show.codec.LoadPicture(show.photo);
        benchmark::DoNotOptimize(result.picture);
    }
}

platform::Picture& TheSquare()
{
    static platform::Picture square = *TheShow().codec.LoadPictureRegion(TheShow().photo, CentreSquare).picture;
    return square;
}

void WriteSquareWorkFile(benchmark::State& state)
{
    Show& show = TheShow();
    const std::string path = SquareWorkFilePath(*show.files);
    for (auto _ : state)
        benchmark::DoNotOptimize(show.codec.SavePicture(TheSquare(), path));
}

void ReadSquareWorkFile(benchmark::State& state)
{
    Show& show = TheShow();
    const std::string path = SquareWorkFilePath(*show.files);
    show.codec.SavePicture(TheSquare(), path);
    for (auto _ : state) {
        platform::PictureResult result = show.codec.LoadPicture(path);
        benchmark::DoNotOptimize(result.picture);
    }
}

void ReduceTo256(benchmark::State& state)
{
    const platform::Picture& square = TheSquare();
    std::vector<std::uint8_t> indexes(static_cast<std::size_t>(EightBitStride(square.width) * square.height));
    Palette256 palette{};
    for (auto _ : state)
        benchmark::DoNotOptimize(ReduceTo256Colours(square, palette, indexes));
}

void WriteEightBitWorkFile(benchmark::State& state)
{
    Show& show = TheShow();
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveAs8BitBitmap(TheSquare(), *show.files));
    state.SetLabel("the reduction included");
}

void ReadEightBitWorkFileTwice(benchmark::State& state)
{
    Show& show = TheShow();
    SaveAs8BitBitmap(TheSquare(), *show.files);
    const std::string path = EightBitWorkFilePath(*show.files);
    for (auto _ : state) {
        platform::PictureResult source = show.codec.LoadPicture(path);
        platform::PictureResult display = show.codec.LoadPicture(path);
        benchmark::DoNotOptimize(source.picture);
        benchmark::DoNotOptimize(display.picture);
    }
}

void BuildTheMirrorTable(benchmark::State& state)
{
    NuvraS form;
    form.Img_View.width = form.Img_View.height = kScreenHeight;
    form.Img_View.bits_per_pixel = 8;
    for (auto _ : state) {
        BuildMirrorTable(form);
        benchmark::DoNotOptimize(form.LastPoint);
    }
}

BENCHMARK(WholePictureChange)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ChangeWithThePicturePreparedAhead)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(DecodeCentreSquare)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(DecodeWholePicture)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WriteSquareWorkFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadSquareWorkFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ReduceTo256)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteEightBitWorkFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadEightBitWorkFileTwice)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildTheMirrorTable)->Unit(benchmark::kMillisecond);

}  // namespace
