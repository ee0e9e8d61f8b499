// The simulator's command line: which line, how it behaves, and the steps to
// play in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "companion.h"
#include "connection_app.h"
#include "line_damage.h"
#include "sim_link.h"

namespace zd::sim {

enum class LineKind { kNone, kDevice, kPty, kTcp, kEmulator };

struct Step {
    enum Kind {
        // The link.
        kSend,
        kSendFile,
        kExpect,
        kWaitClose,
        kClose,
        kReconnect,
        kSleep,
        // The companion package's conversation.
        kGreet,
        kPush,
        kCatch,
        kCommand,
        kBye,
        kAwaitBye,
        // The Connection application's package-loading session.
        kDock,
        // Its full connection, with keyboard passthrough.
        kFullConnection,
    } kind;
    std::string text;  // bytes to send, an item's name, or a file name
    std::string file;  // the item's file, or where caught text goes
    size_t count = 0;  // bytes to expect, milliseconds to sleep, or a variant
};

struct SimOptions {
    LineKind line = LineKind::kNone;
    std::string device;   // --device
    std::string ptyLink;  // --pty-link
    std::string host = "127.0.0.1";
    int port = 3679;
    int baud = 0;
    int timeoutMs = 30000;
    LinkSettings link;
    DamageRates damage;
    std::vector<Step> steps;
    std::string goReply = "#GO\x04";  // what a catch answers
    DockPlay dock;
    FullPlay full;
};

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

std::string SimUsage();

// "a\x04\n" and the like: \n \r \t \\ and \xHH.
std::string Unescape(const std::string& text);

}  // namespace zd::sim
