// The companion package's side of the conversation: the greeting, items pushed
// with "#GET", text caught after "#CATCH", and "#BYE" — each with the
// misbehaviours tests need.
#pragma once

#include <string>

#include "sim_link.h"

namespace zd::sim {

enum class Greeting {
    kYoohoo,    // "#YOOHOO", a greeting text, EOT; expects our identification
    kIdAnswer,  // an older package: "#ID:" and three more bytes
    kWrong,     // seven bytes the desktop does not know
};

enum class ItemEnd {
    kEot,       // the item ends with EOT, as it should
    kNone,      // no EOT: the desktop's read runs out of time
    kDropLink,  // the link is dropped half-way through the text
};

struct Conversation {
    SimLink& link;
    int timeoutMs;
    std::string& error;
};

bool Greet(Conversation& c, Greeting greeting);
// "#GET;Notes;NAME" EOT, waits for "#OK" EOT, then sends `text` and its end.
bool PushItem(Conversation& c, const std::string& name, const std::string& text, ItemEnd end);
// Waits for "#CATCH" EOT, answers `reply` (four bytes), and writes the text
// that follows, up to EOT, to `file`.
bool CatchText(Conversation& c, const std::string& reply, const std::string& file);
// Sends a command of any bytes, EOT added.
bool SendCommand(Conversation& c, const std::string& command);
// Waits for the desktop's "#BYE", then drops the link as the companion
// package does (a desktop that ends the link first is fine too).
bool AwaitGoodbye(Conversation& c);
// Says goodbye with `command`, then gives the desktop a moment to read it
// before the link goes (the desktop reads commands only on a live link).
bool SayGoodbye(Conversation& c, const std::string& command);

}  // namespace zd::sim
