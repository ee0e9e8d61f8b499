#include "companion.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "protocol/wire.h"

namespace zd::sim {
namespace {

bool Expect(Conversation& c, std::string_view wanted) {
    std::string got;
    if (c.link.Receive(got, wanted.size(), c.timeoutMs) && got == wanted) return true;
    c.error = "expected \"" + std::string(wanted) + "\", got \"" + got + "\"";
    return false;
}

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

bool Say(Conversation& c, const std::string& bytes) {
    if (c.link.Send(bytes, c.timeoutMs)) return true;
    c.error = "the desktop did not take \"" + bytes.substr(0, 20) + "\"";
    return false;
}

}  // namespace

bool Greet(Conversation& c, Greeting greeting) {
    if (!Expect(c, wire::kAskId)) return false;
    switch (greeting) {
        case Greeting::kYoohoo:
            return Say(c, std::string(wire::kYoohoo) + " from newton-sim" + wire::kEot) &&
                   Expect(c, wire::kIdentity);
        case Greeting::kIdAnswer:
            return Say(c, "#ID:sim") && Expect(c, wire::kIdentityForIdAnswer);
        case Greeting::kWrong:
            return Say(c, "#HELLO!");
    }
    return false;
}

bool PushItem(Conversation& c, const std::string& name, const std::string& text, ItemEnd end) {
    const double asked = NowMs();
    if (!SendCommand(c, std::string(wire::kGet) + ";Notes;" + name) || !Expect(c, wire::kOk))
        return false;
    const double acknowledged = NowMs();
    switch (end) {
        case ItemEnd::kEot:
            if (!Say(c, text + wire::kEot)) return false;
            // Timings for the benchmark: the answer to "#GET", then the text.
            std::fprintf(stderr,
                         "newton-sim: pushed %zu bytes: #OK after %.3f ms, text in %.3f ms\n",
                         text.size(), acknowledged - asked, NowMs() - acknowledged);
            return true;
        case ItemEnd::kNone:
            return Say(c, text);
        case ItemEnd::kDropLink:
            if (!Say(c, text.substr(0, text.size() / 2))) return false;
            c.link.Close();
            return true;
    }
    return false;
}

bool CatchText(Conversation& c, const std::string& reply, const std::string& file) {
    if (!Expect(c, wire::kCatch)) return false;
    // Timed from the go-ahead: the desktop may start before its confirmation
    // has come back, and the first frame must count.
    const double started = NowMs();
    if (!Say(c, reply)) return false;
    std::string text;
    if (!c.link.ReceiveUntil(text, wire::kEot, c.timeoutMs)) {
        c.error = "the caught text had no EOT after " + std::to_string(text.size()) + " bytes";
        return false;
    }
    text.pop_back();
    std::fprintf(stderr, "newton-sim: caught %zu bytes in %.3f ms\n", text.size(),
                 NowMs() - started);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    return true;
}

bool SendCommand(Conversation& c, const std::string& command) {
    return Say(c, command + wire::kEot);
}

bool AwaitGoodbye(Conversation& c) {
    std::string message;
    while (c.link.ReceiveUntil(message, wire::kEot, c.timeoutMs)) {
        if (message == wire::kBye) break;
        message.clear();
    }
    if (c.link.ended() || message == wire::kBye) {
        c.link.Close();
        return true;
    }
    c.error = "the desktop did not say goodbye";
    return false;
}

bool SayGoodbye(Conversation& c, const std::string& command) {
    constexpr int kGraceMs = 500;
    if (!SendCommand(c, command)) return false;
    c.link.WaitForEnd(kGraceMs);  // the desktop may well end the link first
    return true;
}

}  // namespace zd::sim
