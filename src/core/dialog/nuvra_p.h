// Nuvra_P, the settings dialog: start-up shows it in settings mode and the
// process ends when it closes. It edits the settings record with skinned
// options, check boxes, two sliders, the repeat box, the picture folder's
// file list with a thumbnail, and the folder and music-file choosers; "設定"
// writes the settings file, "ｷｬﾝｾﾙ" and the close box leave it as it was.
//
// Everything runs on the one thread of the runtime's loop: input and the
// 50 ms credit-label timer arrive in its passes, and the dialog's idle step
// repaints after each. A button acts once the input pending at its release
// has been handled, and a chosen folder is read a batch of entries per pass,
// so the window stays alive while a large folder is read.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dialog/credit_fade.h"
#include "dialog/pointers.h"
#include "dialog/dialog_controls.h"
#include "modules.h"
#include "platform/platform.h"
#include "ui/control.h"
#include "ui/form_runtime.h"

namespace nuvra::dialog {

// The dialog's pictures, decoded once when it loads; an empty canvas for a
// picture that could not be had.
struct Skin {
    std::array<platform::Canvas, 2> Img_O_button;  // 0 pressed, 1 released
    std::array<platform::Canvas, 2> Img_Opt;       // 0 not selected, 1 selected
    std::array<platform::Canvas, 2> Img_Ra;        // 0 clear, 1 ticked
    platform::Canvas Img_H;                        // the heading bar
    platform::Canvas Pic_Mbl;                      // the background tile
};

Skin LoadSkin(platform::PictureCodec& codec);

struct DialogOptions {
    // The address the underlined label shows and opens.
    std::string url;
    // Changes closer together than this (milliseconds) reach the screen
    // together while a folder is scanned.
    std::uint64_t present_interval = 16;
    // The window that owns the dialog ("/c:<window>"), if any.
    std::optional<std::int64_t> owner = std::nullopt;
};

class NuvraP final : public Form {
public:
    NuvraP(ProcessState& state, platform::Platform& platform, DialogOptions options);
    ~NuvraP() override;
    NuvraP(const NuvraP&) = delete;
    NuvraP& operator=(const NuvraP&) = delete;

    // Loads, shows and runs the dialog until it has closed; the exit status
    // (1 when no window could be made).
    int ShowModal();

    // The steps of ShowModal, for tests and benches that drive the dialog
    // themselves: Open makes, loads, shows and paints it; RunOnce is one pass
    // of the loop (waits for input or the timer, handles what came, runs
    // the posted actions and the idle step).
    bool Open();
    void RunOnce();
    bool CreateWindowAndLoad();
    void Form_Load();
    bool Closed() const { return m_closed; }
    bool Scanning() const { return m_scan.has_value(); }

    std::int64_t WindowHandle() const override;
    bool Loaded() const override { return !m_closed; }
    void OnInput(const platform::InputEvent& event) override;

    DialogControls& controls() { return m_controls; }
    const platform::Canvas& canvas() const { return m_canvas; }
    std::int32_t ListExtent() const { return m_list_extent; }
    const CreditFade& fade() const { return m_fade; }
    const Skin& skin() const { return m_skin; }
    const std::vector<std::string>& FolderFiles() const { return m_folder_files; }

    // The handlers, by the controls they belong to. The widgets have shown
    // the press by the time these run: a button's face is back up, an
    // option is selected, a check box has flipped.
    void lbl_Button_MouseUp(int index);
    void Timer1_Timer();
    void OrderClick(int index);     // Img_SR
    void PositionClick(int index);  // Img_Pos
    void MusicClick(int index);     // Img_BGM
    void KindClick(int index);      // Img_Kind
    void SubfolderClick();          // Img_Sub
    void List_1_Click();
    void BrowseFolder();
    void BrowseBgmFile();
    void lbl_URL_Click();
    // "設定": saves and closes; a save that fails is said, and the dialog
    // stays open so the user can try again or cancel.
    void ConfirmSettings();
    // Confirm, cancel and the close box all end here.
    void Unload();

private:
    // The steps of Form_Load, in the order it takes them.
    void SetListExtent();
    void PaintPanels();
    void ShowHeadingsAndButtonFaces();
    void ShowOptionMarks();
    void ShowMusicChoices();
    void ShowSliders();
    void ShowPictureList();
    void ShowPictureKinds();
    void GiveControlsTheirPointers();
    void ZoomOpenFromPointer();

    void TileBackground(const platform::Rect& target);
    void GiveGroupsTheirPictures();
    void WireHandlers();
    void RefillList(const std::vector<std::string>& paths, bool show_zero);
    // Pic_K at its designed size, light grey inside its raised frame.
    void ShowEmptyThumbnail();
    // After every pass of the loop: the next batch of a folder scan, the
    // controls' auto-repeat, the repaint.
    NextStep IdleStep();
    void ScanStep();
    // report: say so when the folder cannot be read (the chosen folder; a
    // subfolder that cannot be read is passed by in silence).
    const platform::FolderListing* ScanListing(const std::string& pattern, bool report = true);
    // The scan's patterns for folder: each pass, each kind that is on.
    std::vector<std::pair<std::string, std::int16_t>> FolderPatterns(const std::string& folder) const;
    // With subfolders on, queues the subfolders of the folder just read and
    // starts on the next folder; false when there is none.
    bool NextScanFolder();
    void ActOnButton(int index);
    void RescanKinds();
    void Paint(bool force);
    void ShowSliderValue(ui::ScrollBar& slider, ui::Label& label);

    ProcessState& m_state;
    platform::Platform& m_platform;
    DialogOptions m_options;
    FormRuntime m_runtime;
    std::unique_ptr<platform::Font> m_font;
    std::unique_ptr<platform::Font> m_narrow_font;
    DialogControls m_controls;
    Skin m_skin;
    ui::ControlHost m_host;
    std::unique_ptr<platform::Window> m_window;
    platform::Canvas m_backing;  // the tiled panels, drawn once
    platform::Canvas m_canvas;   // what the window shows
    platform::Canvas m_thumbnail;  // Pic_K's persistent surface
    std::optional<platform::Picture> m_pic_f;  // the last picture loaded for the thumbnail
    FormTimer m_timer1;
    CreditFade m_fade;
    std::int32_t m_list_extent = 0;
    std::vector<std::string> m_folder_files;
    // The listings one folder choice reads, and the folders it could not.
    std::map<std::string, platform::FolderListing> m_scan_listings;
    std::set<std::string> m_unreadable_folders;
    // A folder choice being read: its wildcard paths with their attribute,
    // in the order they are read, and how far the reading has come.
    struct FolderScan {
        std::vector<std::pair<std::string, std::int16_t>> patterns;  // of the folder being read
        std::size_t pattern = 0;
        std::size_t entry = 0;
        // The chosen folder, then its subfolders as they are found, with
        // their depth; and the identities of the folders queued.
        std::vector<std::pair<std::string, int>> folders;
        std::size_t folder = 0;
        std::set<std::string> identities;
    };
    std::optional<FolderScan> m_scan;
    bool m_closed = false;
    std::uint64_t m_last_present = 0;
    bool m_presented = false;
};

}  // namespace nuvra::dialog
