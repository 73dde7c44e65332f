// nuvra: picks the Linux backend and hands the command line to Main.
#include <cstdio>
#include <string>

#include "modules.h"
#include "startup/startup.h"
#include "platform/linux/backend.h"

namespace {

constexpr int kExitNotBuilt = 2;

// The forms that are not part of this build yet say so and end with status 2.
class UnbuiltForms final : public nuvra::Forms {
public:
    int HostPreview(std::int32_t) override { return NotBuilt("the preview"); }
    int ShowSettingsDialog() override { return NotBuilt("the settings dialog"); }
    int LoadDisplayForm() override { return NotBuilt("the full-screen show"); }

private:
    static int NotBuilt(const char* what)
    {
        std::fprintf(stderr, "nuvra: %s is not built yet\n", what);
        return kExitNotBuilt;
    }
};

// The host passes the switch and the handle as one text ("/p 1234"); a shell
// splits it into words, so the words are joined again with single blanks.
std::string CommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line.push_back(' ');
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    nuvra::linux_platform::LinuxBackend backend;
    nuvra::ProcessState state;
    UnbuiltForms forms;
    return nuvra::Main(state, backend.services(), forms, CommandLine(argc, argv));
}
