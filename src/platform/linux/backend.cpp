#include "platform/linux/backend.h"

#include <cstdlib>
#include <filesystem>

#include "platform/common/seeded_random.h"
#include "platform/linux/desktop_shell.h"
#include "platform/linux/file_system.h"
#include "platform/linux/message_box.h"
#include "platform/linux/mci/audio_output.h"
#include "platform/linux/mci/linux_mci.h"
#include "platform/linux/mci/linux_sound_player.h"
#include "platform/linux/picture/picture_codec.h"
#include "platform/linux/profile_file.h"
#include "platform/linux/sdl_window.h"
#include "platform/linux/stderr_diagnostics.h"
#include "platform/linux/system_services.h"
#include "platform/linux/ttf_font.h"
#include "platform/linux/x11_capture.h"
#include "platform/linux/x11_display_loss.h"
#ifdef NUVRA_HAVE_WAYLAND
#include "platform/linux/wayland/wayland_window_system.h"
#endif

namespace nuvra::linux_platform {

struct LinuxBackend::Services {
    LinuxProfileFile profile;
    LinuxFileSystem files;
    LinuxClock clock;
    common_platform::SeededRandom random;
    LinuxScreenSaverSession session;
    LinuxInstanceGuard guard;
    SdlCursor cursor;
    LinuxMessageBox message_box;
    SdlWindowSystem windows{cursor};
    LinuxPictureCodec pictures;
    LinuxDesktopCapture capture;
    // The two players share the audio output, which must outlive them.
    AudioOutput audio;
    LinuxMci mci{audio};
    LinuxSoundPlayer sound{audio};
    LinuxShell shell;
    TtfFontService fonts;
    StderrDiagnostics diagnostics;
#ifdef NUVRA_HAVE_WAYLAND
    // Made only for a show on a Wayland desktop's layers.
    std::unique_ptr<WaylandWindowSystem> layers;
    std::unique_ptr<WaylandCursor> layer_pointer;
#endif
};

LinuxBackend::LinuxBackend() : m_services(std::make_unique<Services>())
{
    // Before any connection is opened: Xlib's own handler would end the
    // process without a word to the app.
    InstallDisplayLossHandler();
    // Where the session has no message bus, the D-Bus library under SDL
    // (and under the helper programs we start) launches one of its own: a
    // daemon that outlives the show. Nothing of ours needs a bus, so where
    // there is none we ask for none. This runs before any thread starts.
    if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"); bus == nullptr || *bus == '\0')
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    m_platform.profile = &m_services->profile;
    m_platform.files = &m_services->files;
    m_platform.clock = &m_services->clock;
    m_platform.random = &m_services->random;
    m_platform.session = &m_services->session;
    m_platform.guard = &m_services->guard;
    m_platform.cursor = &m_services->cursor;
    m_platform.message_box = &m_services->message_box;
    m_platform.windows = &m_services->windows;
    m_platform.pictures = &m_services->pictures;
    m_platform.capture = &m_services->capture;
    m_platform.mci = &m_services->mci;
    m_platform.sound = &m_services->sound;
    m_platform.shell = &m_services->shell;
    m_platform.fonts = &m_services->fonts;
    m_platform.diagnostics = &m_services->diagnostics;
}

LinuxBackend::~LinuxBackend()
{
    // The cleanup refers to the app's objects, which may go with us.
    linux_platform::SetDisplayLostHandler(nullptr);
}

void LinuxBackend::SetDisplayLostHandler(std::function<void()> cleanup)
{
    linux_platform::SetDisplayLostHandler(std::move(cleanup));
}

void LinuxBackend::KeepMessagesOffTheScreen()
{
    message_box().SetPlace(MessageBoxPlace::TerminalOnly);
}

bool LinuxBackend::UseDesktopLayers()
{
#ifdef NUVRA_HAVE_WAYLAND
    if (!m_services->layers) {
        m_services->layers = std::make_unique<WaylandWindowSystem>();
        m_services->layer_pointer = std::make_unique<WaylandCursor>(*m_services->layers);
    }
    m_platform.windows = m_services->layers.get();
    m_platform.cursor = m_services->layer_pointer.get();
    KeepMessagesOffTheScreen();
    return true;
#else
    return false;
#endif
}

LinuxMessageBox& LinuxBackend::message_box()
{
    return m_services->message_box;
}

std::string LinuxBackend::ReadmeAddress() const
{
    std::error_code error;
    if (std::filesystem::is_regular_file(NUVRA_INSTALLED_README, error))
        return NUVRA_INSTALLED_README;
    return NUVRA_SOURCE_README;
}

const std::string& LinuxBackend::window_error() const
{
#ifdef NUVRA_HAVE_WAYLAND
    if (m_services->layers)
        return m_services->layers->last_error();
#endif
    return m_services->windows.last_error();
}

}  // namespace nuvra::linux_platform
