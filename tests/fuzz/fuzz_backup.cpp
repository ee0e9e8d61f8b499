// Whatever bytes a file given to --export --from holds, reading it as a
// backup neither crashes, nor unpacks past its bounds, nor hangs: it is
// refused, or read as far as it is whole, and the export ends with an outcome.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/display.h"
#include "base/prefs_store.h"
#include "link/dil/dil.h"
#include "session/session.h"
#include "transfer/backup_reader.h"

namespace {

class StillClock final : public zd::Clock {
public:
    int64_t NowMs() override { return 0; }
};

class NullDisplay final : public zd::Display {
public:
    void ReplaceLogSelection(std::string_view) override {}
    void SetStateText(std::string_view) override {}
    void SetTransitText(std::string_view) override {}
};

// A folder of this process's own for the file read and what is exported.
const std::filesystem::path& Scratch() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("zd-fuzz-backup-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "out");
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = Scratch() / "input.newtonbackup";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    StillClock clock;
    zd::PrefsStore prefs("/nonexistent/fuzz.INI");
    zd::Dil dil(clock, zd::DilOptions{});
    NullDisplay display;
    zd::Session session(zd::Services{dil, prefs, clock, &display, nullptr, nullptr});
    const auto refused =
        zd::ExportFromBackup(session, {Scratch() / "out", zd::ExportChoice{}}, file);
    if (!refused && session.dock.exported == zd::ExportOutcome::kNone) std::abort();
    return 0;
}
