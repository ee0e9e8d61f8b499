// A session on a DIL whose pipes lead to in-memory Newtons, with a fake clock,
// a recording display and a preference file of its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/front_end.h"
#include "base/prefs_store.h"
#include "link/dil/memory_transport.h"
#include "session/session.h"
#include "support/fake_clock.h"
#include "support/fake_desktop.h"
#include "support/recording_display.h"
#include "support/temp_dir.h"

namespace zd::test {

class CountingFrontEnd final : public FrontEnd {
public:
    void ToggleStatusView() override { ++statusToggles; }
    int statusToggles = 0;
};

class LinkFixture : public ::testing::Test {
protected:
    LinkFixture();

    // The Newton of the pipe created next; configure it before the create.
    MemoryPeer& nextNewton() { return *m_next; }
    // The Newton of the most recently created pipe.
    MemoryPeer& newton() { return *peers.back(); }
    // Makes the next create call fail as if the device did not exist.
    void FailNextCreate() { m_failCreate = true; }

    // Listen, the Newton connects, the tick accepts it (state 5), and it says
    // nothing for long enough to be greeted.
    void ConnectNewton();
    // ConnectNewton, and the greeting has been done: commands are read.
    void GreetNewton();
    // The Newton sends `bytes`, and the next tick reads them.
    void NewtonSays(std::string_view bytes);

    int32_t State() { return dil.CD_GetState(session.link.pipe); }

    TempDir dir;
    FakeClock clock;
    PrefsStore prefs{dir.File("test.INI")};
    DilSettings settings;               // where pipes lead; no serial device unless set
    std::vector<PipeRequest> requests;  // every create call's request, in order
    std::vector<std::shared_ptr<MemoryPeer>> peers;
    Dil dil;
    RecordingDisplay display;
    CountingFrontEnd frontEnd;
    FakeDesktop desktop;
    Session session;

private:
    std::shared_ptr<MemoryPeer> m_next = std::make_shared<MemoryPeer>();
    bool m_failCreate = false;
};

}  // namespace zd::test
