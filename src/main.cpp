// Zandorelle: exchanges text with an Apple Newton.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/instance_lock.h"
#include "base/password_file.h"
#include "base/prefs_store.h"
#include "headless/command_line.h"
#include "headless/headless_app.h"

#ifdef ZD_WITH_GUI
#include "app/gui_app.h"
#endif

namespace {

std::string RuntimeDir() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return dir ? dir : "";
}

}  // namespace

int main(int argc, char** argv) {
    // A file that may grow no further (a quota, a size limit) is a failed
    // write the program reports, not a reason to die.
    std::signal(SIGXFSZ, SIG_IGN);
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
    // A password file kept unsafely is refused before anything is sent.
    if (!options.passwordFile.empty()) {
        std::string why;
        if (!zd::ReadPasswordFile(options.passwordFile, &why)) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), why.c_str());
            return 2;
        }
    }

    const zd::InstanceLock instance(options.prefsPath, RuntimeDir());
    switch (instance.outcome()) {
        case zd::InstanceLock::Outcome::kTaken:
            break;
        case zd::InstanceLock::Outcome::kHeld:
            // A second window stays silent: the first one is already there.
            if (!line->headless) return 0;
            std::fprintf(stderr, "%s: process %d already runs on the preference file %s\n",
                         program.c_str(), static_cast<int>(instance.holder()),
                         options.prefsPath.c_str());
            return 1;
        case zd::InstanceLock::Outcome::kFailed:
            std::fprintf(stderr, "%s: cannot take the lock %s: %s\n", program.c_str(),
                         instance.path().c_str(), instance.error().c_str());
            return 1;
    }

    if (line->headless || options.oneSession()) return zd::RunHeadless(options);
#ifdef ZD_WITH_GUI
    if (!zd::DisplayAvailable()) {
        std::fprintf(stderr, "%s: no display to show the window on; use --headless\n",
                     program.c_str());
        return 2;
    }
    return zd::RunGui(argc, argv, options);
#else
    std::fprintf(stderr, "%s: this build has no window; running headless\n", program.c_str());
    return zd::RunHeadless(options);
#endif
}
