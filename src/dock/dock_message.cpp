#include "dock/dock_message.h"

#include "base/printable.h"
#include "base/unicode.h"

namespace zd::dock {

std::string BigEndian32(uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

uint32_t ReadBigEndian32(std::string_view bytes) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[i]);
    return value;
}

size_t PaddingAfter(uint32_t length) {
    return (4 - length % 4) % 4;
}

std::string Encode(std::string_view command, std::string_view data) {
    std::string message;
    message.reserve(kHeaderSize + data.size() + 3);
    message.append(kMagic);
    message.append(command.substr(0, 4));
    message.append(BigEndian32(static_cast<uint32_t>(data.size())));
    message.append(data);
    message.append(PaddingAfter(static_cast<uint32_t>(data.size())), '\0');
    return message;
}

std::optional<Header> ParseHeader(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    return Header{std::string(bytes.substr(8, 4)), ReadBigEndian32(bytes.substr(12, 4))};
}

int32_t ResultCode(const Message& message) {
    return message.data.size() >= 4 ? static_cast<int32_t>(ReadBigEndian32(message.data)) : 0;
}

std::string QuotedCommand(std::string_view command) {
    std::string shown;
    for (char c : command.substr(0, 4)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    return "\"" + shown + "\"";
}

std::optional<std::string> OwnerName(std::string_view data) {
    if (data.size() < 4) return std::nullopt;
    const uint32_t versionInfo = ReadBigEndian32(data);
    if (versionInfo > data.size() - 4) return std::nullopt;
    return Printable(Utf16BeToUtf8(data.substr(4 + versionInfo)));
}

std::optional<NewtonInfo> ReadNewtonInfo(std::string_view data) {
    if (data.size() < 4) return std::nullopt;
    const uint32_t length = ReadBigEndian32(data);
    // The id, manufacturer, machine type and ROM version come first.
    if (length < 16 || length > data.size() - 4) return std::nullopt;
    NewtonInfo info;
    info.block = std::string(data.substr(4, length));
    info.id = ReadBigEndian32(data.substr(4));
    info.manufacturer = ReadBigEndian32(data.substr(8));
    info.machineType = ReadBigEndian32(data.substr(12));
    info.romVersion = ReadBigEndian32(data.substr(16));
    return info;
}

void Reader::Feed(std::string_view bytes) {
    // What was handed out goes only now, once for many messages.
    m_buffer.erase(0, m_taken);
    m_taken = 0;
    m_buffer.append(bytes);
}

std::optional<Message> Reader::Next() {
    const std::string_view buffer = std::string_view(m_buffer).substr(m_taken);
    if (failed() || buffer.size() < kHeaderSize) return std::nullopt;
    const auto header = ParseHeader(buffer);
    if (!header) {
        m_error = "no Dock message";
        return std::nullopt;
    }
    if (header->length > m_maxData) {
        m_error = "a " + QuotedCommand(header->command) + " message of " +
                  std::to_string(header->length) + " bytes";
        return std::nullopt;
    }
    const size_t whole = kHeaderSize + header->length + PaddingAfter(header->length);
    if (buffer.size() < whole) return std::nullopt;
    Message message{header->command, std::string(buffer.substr(kHeaderSize, header->length))};
    m_taken += whole;
    return message;
}

}  // namespace zd::dock
