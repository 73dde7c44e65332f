// The picture list of a show, walked on a worker.
//
// A folder with many subfolders, or on a slow disk, can take seconds to walk.
// The show does not wait for all of it: it starts with the first picture the
// walk finds and takes the whole list, sorted, once the walk is done. The
// worker touches nothing but the file system and its own list.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "images/image_list.h"

namespace nuvra {

class ImageScan {
public:
    // Starts the walk BuildImageList makes. files must be safe to list from
    // another thread, and outlive the scan.
    ImageScan(const ImageKindOptions& image_kinds, std::string folder, SubfolderOption subfolders,
              platform::FileSystem& files);
    // Stops the walk between two folders and waits for the worker.
    ~ImageScan();
    ImageScan(const ImageScan&) = delete;
    ImageScan& operator=(const ImageScan&) = delete;

    // True once the walk has ended, waiting up to limit for it.
    bool WaitUntilDone(std::chrono::milliseconds limit);
    bool Done();
    // Waits until a picture is found or the walk ends without one.
    std::optional<std::string> WaitForFirst();
    // The whole list, sorted, waiting for the walk to end.
    ImageList TakeList();

private:
    void Walk(ImageKindOptions image_kinds, std::string folder, SubfolderOption subfolders,
              platform::FileSystem& files);

    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::optional<std::string> m_first;
    ImageList m_list;
    std::thread m_worker;  // last: started when everything above is ready
};

// How long a show waits for the whole walk before it starts with the first
// picture alone.
inline constexpr std::chrono::milliseconds kScanGrace{100};

// Fills list for a show: the whole list when the walk ends within kScanGrace;
// else the first picture found, and the walk still going on is returned for
// the show to take its list from later. Nothing is left running when the
// walk found no picture at all.
std::unique_ptr<ImageScan> ListPicturesForShow(ImageList& list, const ImageKindOptions& image_kinds,
                                               const std::string& folder, platform::FileSystem& files,
                                               SubfolderOption subfolders);

}  // namespace nuvra
