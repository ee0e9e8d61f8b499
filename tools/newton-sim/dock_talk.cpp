#include "dock_talk.h"

namespace zd::sim {

bool SendMessage(Conversation& c, std::string_view command, const std::string& data) {
    if (c.link.Send(dock::Encode(command, data), c.timeoutMs)) return true;
    c.error = "sending \"" + std::string(command) + "\" failed";
    return false;
}

std::optional<dock::Message> ReceiveMessage(Conversation& c) {
    std::string header;
    if (!c.link.Receive(header, dock::kHeaderSize, c.timeoutMs)) {
        c.error = "no Dock message came";
        return std::nullopt;
    }
    const auto parsed = dock::ParseHeader(header);
    if (!parsed) {
        c.error = "not a Dock message: " + header;
        return std::nullopt;
    }
    std::string data;
    if (!c.link.Receive(data, parsed->length + dock::PaddingAfter(parsed->length), c.timeoutMs)) {
        c.error = "the \"" + parsed->command + "\" message came incomplete";
        return std::nullopt;
    }
    data.resize(parsed->length);
    return dock::Message{parsed->command, data};
}

std::optional<dock::Message> Expect(Conversation& c, std::string_view command) {
    auto message = ReceiveMessage(c);
    if (message && message->command != command) {
        c.error = "expected \"" + std::string(command) + "\", got \"" + message->command + "\"";
        return std::nullopt;
    }
    return message;
}

}  // namespace zd::sim
