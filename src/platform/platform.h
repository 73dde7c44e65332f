// The services a backend hands to the core. Each pointer is owned by the
// backend and outlives every use the core makes of it; a service the running
// mode never uses may be null.
#pragma once

#include "platform/audio.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/picture.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/window.h"

namespace nuvra::platform {

// The separator the platform's paths use ('\' on Windows).
#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct Platform {
    ProfileFile* profile = nullptr;
    FileSystem* files = nullptr;
    Clock* clock = nullptr;
    Random* random = nullptr;
    ScreenSaverSession* session = nullptr;
    InstanceGuard* guard = nullptr;
    WindowSystem* windows = nullptr;
    CursorService* cursor = nullptr;
    MessageBoxService* message_box = nullptr;
    FontService* fonts = nullptr;
    PictureCodec* pictures = nullptr;
    DesktopCapture* capture = nullptr;
    MciChannel* mci = nullptr;
    SoundPlayer* sound = nullptr;
    Shell* shell = nullptr;
    Diagnostics* diagnostics = nullptr;
};

}  // namespace nuvra::platform
