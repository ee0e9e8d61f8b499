#include "dock/dock_message.h"

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

std::optional<std::string> OwnerName(std::string_view data) {
    if (data.size() < 4) return std::nullopt;
    const uint32_t versionInfo = ReadBigEndian32(data);
    if (versionInfo > data.size() - 4) return std::nullopt;
    std::string_view utf16 = data.substr(4 + versionInfo);
    std::string name;
    auto append = [&name](uint32_t c) {
        if (c < 0x80) {
            name += static_cast<char>(c);
        } else if (c < 0x800) {
            name += static_cast<char>(0xC0 | c >> 6);
            name += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            name += static_cast<char>(0xE0 | c >> 12);
            name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            name += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            name += static_cast<char>(0xF0 | c >> 18);
            name += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            name += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
        uint32_t c = static_cast<uint8_t>(utf16[i]) << 8 | static_cast<uint8_t>(utf16[i + 1]);
        if (c == 0) break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < utf16.size()) {
            const uint32_t low =
                static_cast<uint8_t>(utf16[i + 2]) << 8 | static_cast<uint8_t>(utf16[i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        // A lone surrogate is no character.
        append(c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
    return name;
}

std::optional<Message> Reader::Next() {
    if (failed() || m_buffer.size() < kHeaderSize) return std::nullopt;
    const auto header = ParseHeader(m_buffer);
    if (!header) {
        m_error = "no Dock message";
        return std::nullopt;
    }
    if (header->length > m_maxData) {
        m_error =
            "a \"" + header->command + "\" message of " + std::to_string(header->length) + " bytes";
        return std::nullopt;
    }
    const size_t whole = kHeaderSize + header->length + PaddingAfter(header->length);
    if (m_buffer.size() < whole) return std::nullopt;
    Message message{header->command, m_buffer.substr(kHeaderSize, header->length)};
    m_buffer.erase(0, whole);
    return message;
}

}  // namespace zd::dock
