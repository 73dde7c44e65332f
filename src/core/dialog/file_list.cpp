// The file list and the thumbnail: the list shows the name of each picture
// file, a click loads that picture and shows it at most 100 pixels on its
// longer side, with its own size written above it.
#include <algorithm>
#include <cmath>
#include <map>

#include "dialog/nuvra_p.h"
#include "files/paths.h"
#include "settings/number_text.h"
#include "ui/window_effects.h"

namespace nuvra::dialog {

namespace {

constexpr std::uint32_t kThumbnailGrey = 0xE0E0E0;
// The thumbnail box as designed; a picture's longer side is fitted to it.
constexpr std::int32_t kThumbnailBox = 100;
constexpr float kThumbnailSide = static_cast<float>(kThumbnailBox);

std::string NamePart(const std::string& path)
{
    const std::size_t separator = path.find_last_of(platform::kPathSeparator);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// "a/b/" for a file in root/a/b, "" for one in root itself (or anywhere
// else).
std::string SubfolderPart(const std::string& folder, const std::string& root)
{
    if (root.empty() || folder.size() <= root.size() + 1 || folder.compare(0, root.size(), root) != 0 ||
        folder[root.size()] != platform::kPathSeparator)
        return {};
    return folder.substr(root.size() + 1) + platform::kPathSeparator;
}

// A number of pixels as the size text writes it.
std::string SizeText(float value)
{
    return IntegerText(static_cast<std::int16_t>(std::clamp(value, -32768.0f, 32767.0f)));
}

// The picture's rectangle (0, 0, W, H) dropped or repeated onto the
// thumbnail's (0, 0, w, h), row and column at a time, without blending.
void StretchPicture(const platform::Picture& picture, std::int32_t source_width, std::int32_t source_height,
                    platform::Canvas& thumbnail)
{
    if (source_width <= 0 || source_height <= 0 || !ui::HasReadablePixels(picture))
        return;
    for (std::int32_t y = 0; y < thumbnail.height; ++y) {
        const std::int64_t sy = (2 * static_cast<std::int64_t>(y) + 1) * source_height / (2 * thumbnail.height);
        if (sy >= picture.height)
            continue;
        for (std::int32_t x = 0; x < thumbnail.width; ++x) {
            const std::int64_t sx = (2 * static_cast<std::int64_t>(x) + 1) * source_width / (2 * thumbnail.width);
            if (sx >= picture.width)
                continue;
            thumbnail.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(thumbnail.width) +
                             static_cast<std::size_t>(x)] =
                ui::PictureColour(picture, static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy));
        }
    }
}

}  // namespace

void NuvraP::RefillList(const std::vector<std::string>& paths, bool show_zero)
{
    ui::ListBox& list = *m_controls.List_1;
    list.Clear();
    // Each entry is the name the file system reports at that path, or
    // nothing when no file is there any more; one listing per folder. A
    // file of a subfolder shows the subfolders' path before its name.
    const std::string root = m_controls.Folder_Path->Caption();
    std::map<std::string, std::vector<std::string>> listings;
    for (const std::string& path : paths) {
        const std::string folder = ParentFolder(path);
        auto found = listings.find(folder);
        if (found == listings.end()) {
            std::vector<std::string> names;
            for (platform::FolderEntry& entry : m_platform.files->ListFolder(folder).entries)
                names.push_back(std::move(entry.name));
            std::sort(names.begin(), names.end());
            found = listings.emplace(folder, std::move(names)).first;
        }
        const std::string name = NamePart(path);
        const bool present = std::binary_search(found->second.begin(), found->second.end(), name);
        list.AddItem(present ? SubfolderPart(folder, root) + name : std::string());
    }
    if (show_zero || !paths.empty())
        m_controls.lbl_Kei->SetCaption(std::to_string(list.ListCount()));
}

void NuvraP::ShowEmptyThumbnail()
{
    const platform::Rect place = m_controls.Pic_K->Bounds();
    m_thumbnail.width = m_thumbnail.height = kThumbnailBox;
    m_thumbnail.pixels.assign(static_cast<std::size_t>(kThumbnailBox * kThumbnailBox), kThumbnailGrey);
    DrawRaisedFrame(m_thumbnail);
    m_controls.Pic_K->SetBounds({place.left, place.top, place.left + kThumbnailBox, place.top + kThumbnailBox});
    m_controls.Pic_K->SetPicture(&m_thumbnail);
}

void NuvraP::List_1_Click()
{
    ui::ListBox& list = *m_controls.List_1;
    if (list.ListIndex() < 0)
        return;
    m_platform.cursor->SetBusy(true);
    m_controls.Pic_K->SetVisible(false);
    const std::string path = JoinPath(m_controls.Folder_Path->Caption(), list.List(list.ListIndex()));

    platform::PictureResult loaded;
    loaded = m_platform.pictures->LoadPicture(path);
    const platform::Rect place = m_controls.Pic_K->Bounds();
    if (loaded.picture && !loaded.picture->empty()) {
        m_pic_f = std::move(loaded.picture);
        const auto W = static_cast<float>(m_pic_f->width);
        const auto H = static_cast<float>(m_pic_f->height);
        m_controls.lbl_PreSize->SetCaption(SizeText(W) + " * " + SizeText(H));
        // The longer side becomes exactly 100; the other keeps the ratio,
        // in single precision, rounded only for the copy.
        float w = kThumbnailSide;
        float h = kThumbnailSide;
        if (W > H)
            h = H * kThumbnailSide / W;
        else
            w = W * kThumbnailSide / H;
        const std::int32_t box_width = std::max(1, RoundToInt32(w).value_or(1));
        const std::int32_t box_height = std::max(1, RoundToInt32(h).value_or(1));
        m_thumbnail.width = box_width;
        m_thumbnail.height = box_height;
        m_thumbnail.pixels.assign(static_cast<std::size_t>(box_width) * static_cast<std::size_t>(box_height),
                                  kThumbnailGrey);
        StretchPicture(*m_pic_f, RoundToInt32(W).value_or(0), RoundToInt32(H).value_or(0), m_thumbnail);
        m_controls.Pic_K->SetBounds({place.left, place.top, place.left + box_width, place.top + box_height});
        DrawRaisedFrame(m_thumbnail);
        m_controls.Pic_K->SetPicture(&m_thumbnail);
    } else {
        // A picture that cannot be loaded shows an empty box and no size,
        // never the previous picture as if it were this one.
        m_pic_f.reset();
        m_controls.lbl_PreSize->SetCaption("");
        ShowEmptyThumbnail();
    }
    m_controls.Pic_K->SetVisible(true);
    m_platform.cursor->SetBusy(false);
}

}  // namespace nuvra::dialog
