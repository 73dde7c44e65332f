#include "platform/windows/backend.h"

#include "platform/common/seeded_random.h"
#include "platform/windows/desktop/desktop.h"
#include "platform/windows/file_system.h"
#include "platform/windows/picture/picture_codec.h"
#include "platform/windows/profile_file.h"
#include "platform/windows/program_folders.h"
#include "platform/windows/session/instance_guard.h"
#include "platform/windows/session/screen_saver_session.h"
#include "platform/windows/shell/shell.h"
#include "platform/windows/sound/mci_channel.h"
#include "platform/windows/system_services.h"
#include "platform/windows/text/gdi_fonts.h"
#include "platform/windows/window_system.h"

namespace nuvra::windows_platform {

struct WindowsBackend::Services {
    ProgramFolders folders = ProgramFolders::OfThisProcess();
    WindowsProfileFile profile{folders.program};
    WindowsFileSystem files{folders};
    WindowsClock clock;
    common_platform::SeededRandom random;
    WindowsScreenSaverSession session;
    WindowsInstanceGuard guard;
    WindowsCursor cursor;
    WindowsWindowSystem windows{cursor};
    WindowsMciChannel mci;
    WindowsSoundPlayer sound;
    WindowsMessageBox message_box;
    GdiFontService fonts;
    WindowsPictureCodec pictures;
    WindowsDesktopCapture capture;
    WindowsShell shell;
    DebugDiagnostics diagnostics;
};

WindowsBackend::WindowsBackend() : m_services(std::make_unique<Services>())
{
    Services& s = *m_services;
    m_platform.profile = &s.profile;
    m_platform.files = &s.files;
    m_platform.clock = &s.clock;
    m_platform.random = &s.random;
    m_platform.session = &s.session;
    m_platform.guard = &s.guard;
    m_platform.windows = &s.windows;
    m_platform.cursor = &s.cursor;
    m_platform.mci = &s.mci;
    m_platform.sound = &s.sound;
    m_platform.message_box = &s.message_box;
    m_platform.fonts = &s.fonts;
    m_platform.pictures = &s.pictures;
    m_platform.capture = &s.capture;
    m_platform.shell = &s.shell;
    m_platform.diagnostics = &s.diagnostics;
}

WindowsBackend::~WindowsBackend() = default;

const std::string& WindowsBackend::window_error() const
{
    return m_services->windows.last_error();
}

std::string WindowsBackend::ReadmeAddress() const
{
    return m_services->folders.program + "\\README.md";
}

void WindowsBackend::SetDisplayLostHandler(std::function<void()> cleanup)
{
    m_services->windows.SetSessionEndHandler(std::move(cleanup));
}

}  // namespace nuvra::windows_platform
