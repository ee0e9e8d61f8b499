#include "connection_app.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>

#include "dock/dock_message.h"

namespace zd::sim {
namespace {

// Newton OS 2.x speaks version 9 of the protocol.
constexpr uint32_t kProtocolVersion = 9;
constexpr const char16_t kOwner[] = u"Åsa Ørnskjöld";

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

// Version information, then the owner's name in UTF-16 big-endian with its zero.
std::string NameData() {
    const std::string version(12, '\x01');
    std::string data = dock::BigEndian32(static_cast<uint32_t>(version.size())) + version;
    for (const char16_t c : kOwner) {
        data += static_cast<char>(c >> 8);
        data += static_cast<char>(c & 0xFF);
    }
    return data;
}

}  // namespace

bool PlayConnection(Conversation& c, const DockPlay& play) {
    if (!SendMessage(c, dock::kRequestToDock, dock::BigEndian32(kProtocolVersion))) return false;
    const auto dock = Expect(c, dock::kInitiateDocking);
    if (!dock) return false;
    if (dock->data.size() < 4 || dock::ReadBigEndian32(dock->data) != dock::kLoadPackageSession) {
        c.error = "not a package-loading session";
        return false;
    }
    if (!SendMessage(c, dock::kNewtonName, NameData()) || !Expect(c, dock::kSetTimeout) ||
        !SendMessage(c, dock::kResult, dock::BigEndian32(0))) {
        return false;
    }
    for (size_t count = 1;; ++count) {
        const auto message = ReceiveMessage(c);
        if (!message) return false;
        if (message->command == dock::kDisconnect) return true;
        if (message->command != dock::kLoadPackage) {
            c.error = "unexpected \"" + message->command + "\"";
            return false;
        }
        std::ofstream(play.folder + "/package-" + std::to_string(count) + ".pkg", std::ios::binary)
            << message->data;
        std::fprintf(stderr, "newton-sim: package %zu, %zu bytes\n", count, message->data.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(play.resultDelayMs));
        const int32_t result = count == play.refuse ? play.refuseCode : 0;
        if (!SendMessage(c, dock::kResult, dock::BigEndian32(static_cast<uint32_t>(result))))
            return false;
    }
}

}  // namespace zd::sim
