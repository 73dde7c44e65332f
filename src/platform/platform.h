// The services a backend hands to the core. Each is owned by the backend and
// outlives every use the core makes of it.
#pragma once

#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/null_services.h"
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

// A service every backend gives. The core uses it as a reference and never
// asks whether it is there; MissingServices says once, before anything
// runs, which ones a backend left out.
template <typename Service>
class Required {
public:
    Required() = default;
    // From the pointer of whoever owns the service (a backend, a test).
    Required(Service* service) : m_service(service) {}  // NOLINT(google-explicit-constructor)
    Service& operator*() const { return *m_service; }
    Service* operator->() const { return m_service; }
    bool Given() const { return m_service != nullptr; }

private:
    Service* m_service = nullptr;
};

// A service a platform may lack: where it has none, a null object that does
// nothing stands in, so the core uses it the same way either way.
template <typename Service, typename StandIn>
class Optional {
public:
    Optional() = default;
    // From the pointer of whoever owns the service; null: the stand-in.
    Optional(Service* service) : m_service(service) {}  // NOLINT(google-explicit-constructor)
    Service& operator*() const
    {
        static StandIn stand_in;
        return m_service != nullptr ? *m_service : stand_in;
    }
    Service* operator->() const { return &**this; }

private:
    Service* m_service = nullptr;
};

struct Platform {
    Required<ProfileFile> profile;
    Required<FileSystem> files;
    Required<Clock> clock;
    Required<Random> random;
    Required<ScreenSaverSession> session;
    Required<InstanceGuard> guard;
    Required<WindowSystem> windows;
    Required<CursorService> cursor;
    Required<MciChannel> mci;
    Required<SoundPlayer> sound;
    Optional<MessageBoxService, NullMessageBox> message_box;
    Optional<FontService, NullFonts> fonts;
    Optional<PictureCodec, NullPictures> pictures;
    Optional<DesktopCapture, NullCapture> capture;
    Optional<Shell, NullShell> shell;
    Optional<Diagnostics, NullDiagnostics> diagnostics;
};

// The names of the required services platform lacks, for the one check
// before the program starts; empty when it has them all.
inline std::vector<std::string> MissingServices(const Platform& platform)
{
    std::vector<std::string> missing;
    const auto check = [&missing](bool given, const char* name) {
        if (!given)
            missing.emplace_back(name);
    };
    check(platform.profile.Given(), "profile");
    check(platform.files.Given(), "files");
    check(platform.clock.Given(), "clock");
    check(platform.random.Given(), "random");
    check(platform.session.Given(), "session");
    check(platform.guard.Given(), "guard");
    check(platform.windows.Given(), "windows");
    check(platform.cursor.Given(), "cursor");
    check(platform.mci.Given(), "mci");
    check(platform.sound.Given(), "sound");
    return missing;
}

}  // namespace nuvra::platform
