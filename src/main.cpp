// Zandorelle: exchanges text with an Apple Newton.
#include <cstdio>
#include <string>
#include <vector>

#include "base/prefs_store.h"
#include "headless/command_line.h"
#include "headless/headless_app.h"

#ifdef ZD_WITH_GUI
#include "app/gui_app.h"
#endif

int main(int argc, char** argv) {
    const std::string program = argc > 0 ? argv[0] : "zandorelle";
    std::string error;
    const auto line = zd::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!line) {
        std::fprintf(stderr, "%s: %s (see %s --help)\n", program.c_str(), error.c_str(),
                     program.c_str());
        return 2;
    }
    if (line->help) {
        std::fputs(zd::UsageText(program).c_str(), stdout);
        return 0;
    }
    if (line->version) {
        std::fputs(zd::VersionText().c_str(), stdout);
        return 0;
    }
    const zd::RunOptions options = zd::ToRunOptions(*line, zd::DefaultPrefsPath(program));
    if (line->headless) return zd::RunHeadless(options);
#ifdef ZD_WITH_GUI
    if (!zd::DisplayAvailable()) {
        std::fprintf(stderr, "%s: no display to show the window on; use --headless\n",
                     program.c_str());
        return 1;
    }
    return zd::RunGui(argc, argv, options);
#else
    std::fprintf(stderr, "%s: this build has no window; running headless\n", program.c_str());
    return zd::RunHeadless(options);
#endif
}
