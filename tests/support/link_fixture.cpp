#include "support/link_fixture.h"

#include "conversation/conversation.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"

namespace zd::test {

LinkFixture::LinkFixture()
    : dil(clock,
          [this] {
              DilOptions options;
              options.settings = [this] { return settings; };
              // Nothing is discovered: the machine's own devices stay out of tests.
              options.deviceRoots =
                  DeviceRoots{dir.File("none"), dir.File("none"), dir.File("none")};
              options.transportFactory =
                  [this](const PipeRequest& request) -> std::unique_ptr<Transport> {
                  requests.push_back(request);
                  if (m_failCreate) {
                      m_failCreate = false;
                      return nullptr;
                  }
                  peers.push_back(m_next);
                  m_next = std::make_shared<MemoryPeer>();
                  return std::make_unique<MemoryTransport>(peers.back());
              };
              return options;
          }()),
      session(Services{dil, prefs, clock, &display, &frontEnd, &desktop}) {
    StartLink(session);
}

void LinkFixture::GreetNewton() {
    ConnectNewton();
    session.link.handshakeDone = true;
    session.poll.pendingAction = kNoAction;
    display.log.clear();
    display.states.clear();
}

void LinkFixture::NewtonSays(std::string_view bytes) {
    newton().Send(bytes);
    PollTick(session);
}

void LinkFixture::ConnectNewton() {
    ButtonCommand(session, kButtonListen);
    newton().Connect();
    PollTick(session);
    ASSERT_EQ(State(), kStateConnected);
    // Silent since: the Zandorelle package, which waits to be greeted.
    clock.Advance(kSpeakFirstMs);
}

}  // namespace zd::test
