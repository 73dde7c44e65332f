// The process-wide state of the program's modules. One object per module,
// created by the app at start-up (and fresh by each test); nothing else in
// the core is global.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "images/image_list.h"
#include "images/image_scan.h"
#include "images/pixel_array.h"
#include "settings/settings_record.h"
#include "sound/sound_state.h"
#include "ui/window_effects.h"

namespace nuvra {

// Frames a second the show draws at most, unless the user chooses.
inline constexpr std::int16_t kDefaultFrameLimit = 60;

// Start-up, settings, image list and bitmap helpers.
struct NuvraB {
    SettingsRecord settings;
    ImageList images;
    // The walk a show started with its first picture alone, until the show
    // takes the whole list from it.
    std::shared_ptr<ImageScan> PendingScan;
    // Frames a second the show draws at most (the hosted show's --fps).
    std::int16_t FrameLimit = kDefaultFrameLimit;
    // What the cursor-hide call returned when an "S" show started.
    std::optional<std::int32_t> SavedCursorState;
    std::int32_t PreviewParent = 0;
    // Where the settings dialog grew from, and shrinks back to.
    ZoomPoint zoom_point;
    // The renderer's views of the source and display bitmaps.
    PixelArray SourcePixels;
    PixelArray DisplayPixels;
};

struct ProcessState {
    NuvraB nuvra_b;
    Sound01 sound_01;
};

}  // namespace nuvra
