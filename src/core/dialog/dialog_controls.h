// The settings dialog's controls at their places: three option panels on
// the background panel, and on them the headings, skinned buttons, options,
// check boxes, sliders, the file list, the thumbnail box and the repeat box.
// Positions are in the dialog's client pixels; each control keeps the place
// and size it was designed with.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/window.h"
#include "ui/combo_box.h"
#include "ui/list_box.h"
#include "ui/option_group.h"
#include "ui/push_button.h"
#include "ui/scroll_bar.h"
#include "ui/static_controls.h"

namespace nuvra::dialog {

// Pic_C, the background panel, and its client size.
inline constexpr std::int32_t kBackgroundWidth = 549;
inline constexpr std::int32_t kBackgroundHeight = 481;
// Pic_1: the picture-folder, display-options and music panels.
inline constexpr std::array<platform::Rect, 3> kOptionPanels = {
    platform::Rect{12, 12, 12 + 313, 12 + 325},
    platform::Rect{336, 12, 336 + 197, 12 + 273},
    platform::Rect{12, 364, 12 + 521, 364 + 101},
};

// The captions of the five skinned buttons, by index.
enum ButtonIndex { kButtonFolder = 0, kButtonClear = 1, kButtonSet = 2, kButtonCancel = 3, kButtonMusicFile = 4 };

struct DialogControls {
    // font: the labels' font, or null (nothing is written); narrow_font: a
    // size smaller, for a caption that would not fit its room, or null.
    DialogControls(platform::Font* font, platform::Font* narrow_font, const std::string& url);

    std::array<std::unique_ptr<ui::PictureBox>, 9> Img_H;  // 1..8 used
    std::array<std::unique_ptr<ui::Label>, 16> lbl;         // fixed captions by their index
    // The five skinned buttons, named after their caption labels, which take
    // the mouse; each draws its face (Img_Button) under its caption.
    std::array<std::unique_ptr<ui::PushButton>, 5> lbl_Button;
    std::unique_ptr<ui::Label> lbl_Kei;
    std::unique_ptr<ui::ListBox> List_1;
    std::unique_ptr<ui::Label> Folder_Path;
    std::unique_ptr<ui::Label> lbl_PreSize;
    std::unique_ptr<ui::PictureBox> Pic_K;
    // The option and check-box groups, named after their pictures; each item
    // is a picture with its caption (lbl_Kind, lbl_Rdm_Seq, lbl_Pos, lbl_BGM)
    // beside it.
    std::unique_ptr<ui::OptionGroup> Img_Kind;
    // One check box: the picture folder's subfolders too.
    std::unique_ptr<ui::OptionGroup> Img_Sub;
    std::unique_ptr<ui::OptionGroup> Img_SR;
    std::unique_ptr<ui::OptionGroup> Img_Pos;
    std::unique_ptr<ui::ScrollBar> HS_CD;
    std::unique_ptr<ui::Label> lbl_Sec;
    std::unique_ptr<ui::ScrollBar> RotScroll;
    std::unique_ptr<ui::Label> lbl_Degree;
    std::unique_ptr<ui::OptionGroup> Img_BGM;
    std::unique_ptr<ui::ComboBox> BGM_Repeat;
    std::unique_ptr<ui::Label> lbl_Fname;
    std::unique_ptr<ui::Label> lbl_fade;
    std::unique_ptr<ui::Label> lbl_URL;

    // Every control in drawing order (pictures under the captions that lie
    // on them).
    std::vector<ui::Control*> InDrawingOrder() const;

private:
    void AddHeadings(platform::Font* font);
    void AddButtons(platform::Font* font);
    void AddPictureFolderPanel(platform::Font* font);
    void AddDisplayOptionsPanel(platform::Font* font);
    void AddMusicPanel(platform::Font* font, platform::Font* narrow_font);
    void AddBackgroundPanel(platform::Font* font, const std::string& url);
};

}  // namespace nuvra::dialog
