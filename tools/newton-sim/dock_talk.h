// Dock messages over the simulated Newton's link, each whole.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "companion.h"
#include "dock/dock_message.h"

namespace zd::sim {

bool SendMessage(Conversation& c, std::string_view command, const std::string& data);
std::optional<dock::Message> ReceiveMessage(Conversation& c);
// The next message, which must be `command`.
std::optional<dock::Message> Expect(Conversation& c, std::string_view command);

}  // namespace zd::sim
