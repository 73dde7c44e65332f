// A platform the show's forms run on with fakes only: pictures, music,
// windows and a clock of the test's, and the work files in a temporary
// folder of their own (read back from disk).
#pragma once

#include "support/fake_pictures.h"
#include "support/fake_sound.h"
#include "support/fake_windows.h"
#include "support/temp_dir.h"

namespace nuvra::test {

struct FakeShowPlatform : FakePicturePlatform {
    FakeShowPlatform()
    {
        platform.mci = &mci;
        platform.sound = &sound;
        platform.windows = &windows;
        platform.clock = &clock;
        files.work_folder = work.str();
        files.real_folder = work.str();
    }
    FakeMciChannel mci;
    FakeSoundPlayer sound;
    FakeWindowSystem windows;
    FakeClock clock;
    TempDir work;
};

}  // namespace nuvra::test
