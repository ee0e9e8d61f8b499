// Whatever a Newton sends once greeted, the command reader and the item
// handling behind it neither crash nor hang: the bytes arrive on an in-memory
// link and the poll tick runs as it would.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/desktop.h"
#include "base/display.h"
#include "base/prefs_store.h"
#include "conversation/conversation.h"
#include "link/dil/memory_transport.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"
#include "session/session.h"

namespace {

// Time runs fast: every reading of the clock is a second later, so the reads
// that wait for bytes give up at once.
class RushingClock final : public zd::Clock {
public:
    int64_t NowMs() override { return m_now += 1000; }

private:
    int64_t m_now = 0;
};

class NullDisplay final : public zd::Display {
public:
    void ReplaceLogSelection(std::string_view) override {}
    void SetStateText(std::string_view) override {}
    void SetTransitText(std::string_view) override {}
};

class MemoryDesktop final : public zd::Desktop {
public:
    bool HasClipboardText() override { return true; }
    std::optional<std::string> ClipboardText() override { return m_clipboard; }
    bool SetClipboardText(const std::string& text) override {
        m_clipboard = text;
        return true;
    }
    void OpenUrl(const std::string&) override {}
    std::optional<std::string> ChooseFileToSend() override { return std::nullopt; }
    void ShowFileError(const std::string&) override {}

private:
    std::string m_clipboard;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RushingClock clock;
    // Items go to the clipboard: nothing is written to disk.
    zd::PrefsStore prefs("/nonexistent/fuzz.INI");
    auto newton = std::make_shared<zd::MemoryPeer>();
    zd::DilOptions options;
    options.transportFactory = [newton](const zd::PipeRequest&) {
        return std::make_unique<zd::MemoryTransport>(newton);
    };
    zd::Dil dil(clock, options);
    NullDisplay display;
    MemoryDesktop desktop;
    zd::Session session(zd::Services{dil, prefs, clock, &display, nullptr, &desktop});
    zd::StartLink(session);
    zd::ButtonCommand(session, zd::kButtonListen);
    newton->Connect();
    zd::PollTick(session);  // accepts
    session.link.handshakeDone = true;
    session.poll.pendingAction = zd::kNoAction;
    newton->Send(std::string_view(reinterpret_cast<const char*>(data), size));
    for (int tick = 0; tick < 8 && session.link.pipe != 0; ++tick) zd::PollTick(session);
    zd::StopLink(session);
    return 0;
}
