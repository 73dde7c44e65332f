// Building the image list of a large folder beside a bare listing of the same
// folder: the list is built at every start, so it should cost little more
// than reading the folder itself. Also the show order's Fenwick search beside
// the plain walk over the used-marks that it replaces.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "images/image_list.h"
#include "platform/linux/file_system.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPictureCount = 20000;

// 20,000 empty picture files of all four kinds, some with upper-case
// extensions, made once per run and removed at exit.
class PictureFolder {
public:
    PictureFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "nuvra-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
        const char* extensions[] = {".bmp", ".jpg", ".gif", ".wmf", ".JPG", ".Bmp", ".jpg", ".gif"};
        for (int i = 0; i < kPictureCount; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/IMG_%05d%s", (i * 7919) % kPictureCount, extensions[i % 8]);
            const int fd = ::open((m_path + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0)
                throw std::runtime_error("cannot create a picture file");
            ::close(fd);
        }
    }
    ~PictureFolder()
    {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

const PictureFolder& Folder()
{
    static const PictureFolder folder;
    return folder;
}

void BM_BareListing(benchmark::State& state)
{
    const std::string& path = Folder().path();
    for (auto _ : state) {
        std::vector<std::string> names;
        DIR* dir = ::opendir(path.c_str());
        while (const dirent* entry = ::readdir(dir))
            names.emplace_back(entry->d_name);
        ::closedir(dir);
        benchmark::DoNotOptimize(names.data());
    }
    state.SetItemsProcessed(state.iterations() * kPictureCount);
}
BENCHMARK(BM_BareListing)->Unit(benchmark::kMillisecond);

// The bare listing plus one stat per entry: what telling read-only files
// apart costs, and what BuildImageList pays only when the list fills up.
void BM_ListingWithStat(benchmark::State& state)
{
    const std::string& path = Folder().path();
    for (auto _ : state) {
        std::vector<std::string> names;
        std::vector<mode_t> modes;
        DIR* dir = ::opendir(path.c_str());
        const int dir_fd = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            struct stat info {};
            ::fstatat(dir_fd, entry->d_name, &info, 0);
            names.emplace_back(entry->d_name);
            modes.push_back(info.st_mode);
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(names.data());
        benchmark::DoNotOptimize(modes.data());
    }
    state.SetItemsProcessed(state.iterations() * kPictureCount);
}
BENCHMARK(BM_ListingWithStat)->Unit(benchmark::kMillisecond);

void BM_ListFolder(benchmark::State& state)
{
    const std::string& path = Folder().path();
    nuvra::linux_platform::LinuxFileSystem files;
    for (auto _ : state) {
        nuvra::platform::FolderListing listing = files.ListFolder(path);
        benchmark::DoNotOptimize(listing.entries.data());
    }
    state.SetItemsProcessed(state.iterations() * kPictureCount);
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

void BM_BuildImageList(benchmark::State& state)
{
    const std::string& path = Folder().path();
    nuvra::linux_platform::LinuxFileSystem files;
    nuvra::ImageList list;
    using enum nuvra::ImageKindOption;
    for (auto _ : state) {
        nuvra::BuildImageList(list, {On, On, On, On}, path, files);
        benchmark::DoNotOptimize(list.ImageFiles.data());
    }
    if (list.ImageCount != kPictureCount)
        state.SkipWithError("not every picture was listed");
    state.SetItemsProcessed(state.iterations() * kPictureCount);
}
BENCHMARK(BM_BuildImageList)->Unit(benchmark::kMillisecond);

class BenchRandom final : public nuvra::platform::Random {
public:
    void Randomize() override {}
    double Rnd() override { return static_cast<double>(m_engine() >> 11) * 0x1.0p-53; }

private:
    std::mt19937_64 m_engine{1};
};

void BM_BuildShowOrder(benchmark::State& state)
{
    BenchRandom random;
    nuvra::ImageList list;
    list.ImageCount = static_cast<std::int16_t>(state.range(0));
    for (auto _ : state) {
        nuvra::BuildShowOrder(list, nuvra::OrderModeOption::Random, random);
        benchmark::DoNotOptimize(list.ShowOrder.data());
    }
}
BENCHMARK(BM_BuildShowOrder)->Arg(1000)->Arg(nuvra::kMaxImageCount)->Unit(benchmark::kMicrosecond);

// The pick-th rule by walking the used-marks on every draw.
void BM_ShowOrderByWalking(benchmark::State& state)
{
    BenchRandom random;
    const auto count = static_cast<std::int32_t>(state.range(0));
    std::vector<std::int16_t> order(static_cast<std::size_t>(count) + 1);
    for (auto _ : state) {
        std::vector<bool> used(static_cast<std::size_t>(count) + 1);
        for (std::int32_t k = 1, remaining = count; remaining > 0; ++k, --remaining) {
            auto pick = static_cast<std::int32_t>(std::floor(random.Rnd() * remaining)) + 1;
            for (std::int32_t i = 1; i <= count; ++i) {
                if (!used[static_cast<std::size_t>(i)] && --pick == 0) {
                    used[static_cast<std::size_t>(i)] = true;
                    order[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(i);
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_ShowOrderByWalking)->Arg(1000)->Arg(nuvra::kMaxImageCount)->Unit(benchmark::kMicrosecond);

}  // namespace
