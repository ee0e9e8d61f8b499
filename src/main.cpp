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
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), error.c_str(),
                     zd::UsageText(program).c_str());
        return 2;
    }
    if (line->help) {
        std::fputs(zd::UsageText(program).c_str(), stdout);
        return 0;
    }
    const std::string prefsPath =
        line->iniPath.empty() ? zd::DefaultPrefsPath(program) : line->iniPath;
    if (line->headless) return zd::RunHeadless(prefsPath, line->relisten);
#ifdef ZD_WITH_GUI
    if (!zd::DisplayAvailable()) {
        std::fprintf(stderr, "%s: no display to show the window on; use --headless\n",
                     program.c_str());
        return 1;
    }
    return zd::RunGui(argc, argv, prefsPath, line->relisten);
#else
    std::fprintf(stderr, "%s: this build has no window; running headless\n", program.c_str());
    return zd::RunHeadless(prefsPath, line->relisten);
#endif
}
