#include "images/image_scan.h"

#include <memory>
#include <utility>

namespace nuvra {

ImageScan::ImageScan(const ImageKindOptions& image_kinds, std::string folder, SubfolderOption subfolders,
                     platform::FileSystem& files)
    : m_worker(&ImageScan::Walk, this, image_kinds, std::move(folder), subfolders, std::ref(files))
{
}

ImageScan::~ImageScan()
{
    m_stop = true;
    m_worker.join();
}

void ImageScan::Walk(ImageKindOptions image_kinds, std::string folder, SubfolderOption subfolders,
                     platform::FileSystem& files)
{
    ScanWatch watch;
    watch.stop = &m_stop;
    watch.first_found = [this](const std::string& first) {
        {
            const std::lock_guard lock(m_mutex);
            m_first = first;
        }
        m_changed.notify_all();
    };
    ImageList list;
    BuildImageList(list, image_kinds, folder, files, subfolders, &watch);
    {
        const std::lock_guard lock(m_mutex);
        m_list = std::move(list);
        m_done = true;
    }
    m_changed.notify_all();
}

bool ImageScan::WaitUntilDone(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [this] { return m_done; });
}

bool ImageScan::Done()
{
    const std::lock_guard lock(m_mutex);
    return m_done;
}

std::optional<std::string> ImageScan::WaitForFirst()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done || m_first.has_value(); });
    return m_first;
}

ImageList ImageScan::TakeList()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
    return std::exchange(m_list, ImageList{});
}

std::unique_ptr<ImageScan> ListPicturesForShow(ImageList& list, const ImageKindOptions& image_kinds,
                                               const std::string& folder, platform::FileSystem& files,
                                               SubfolderOption subfolders)
{
    list.ImageCount = 0;
    list.ImageFiles.resize(1);
    if (folder.empty())
        return nullptr;
    auto scan = std::make_unique<ImageScan>(image_kinds, folder, subfolders, files);
    if (!scan->WaitUntilDone(kScanGrace)) {
        if (std::optional<std::string> first = scan->WaitForFirst(); first && !scan->Done()) {
            list.ImageCount = 1;
            list.ImageFiles = {std::string(), std::move(*first)};
            return scan;
        }
    }
    // Done within the grace, or about to be.
    list = scan->TakeList();
    return nullptr;
}

}  // namespace nuvra
