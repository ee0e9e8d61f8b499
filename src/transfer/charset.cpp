#include "transfer/charset.h"

#include <array>
#include <cstdint>

namespace zd {
namespace {

struct Row {
    uint8_t from;
    uint8_t to;
};

// Tried in this order; each byte is replaced at most once.
constexpr Row kToNewton[] = {
    {0xE5, 0x8C},  // å
    {0xF6, 0x9A},  // ö
    {0xE4, 0x8A},  // ä
    {0xC5, 0x81},  // Å
    {0xC4, 0x80},  // Ä
    {0xD6, 0x85},  // Ö
    {0xB7, 0xA5},  // middle dot to bullet
    {0x0A, 0x0D},  // line feed to carriage return; a CR stays a CR
};

constexpr Row kFromNewton[] = {
    {0x8A, 0xE4},  // ä
    {0x8C, 0xE5},  // å
    {0x9A, 0xF6},  // ö
    {0x81, 0xC5},  // Å
    {0x80, 0xC4},  // Ä
    {0x85, 0xD6},  // Ö
    {0xA5, 0xB7},  // bullet to middle dot
    {0x0D, 0x0A},  // carriage return to line feed
    {0xC3, 0x2A},  // square root to "*": there is no way back
};

// Each table as a map of all 256 bytes, the first matching row winning, so a
// byte costs one look-up however long the table.
template <size_t N>
constexpr std::array<uint8_t, 256> Map(const Row (&table)[N]) {
    std::array<uint8_t, 256> map{};
    for (int byte = 0; byte < 256; ++byte) {
        map[byte] = static_cast<uint8_t>(byte);
        for (const Row& row : table) {
            if (row.from == byte) {
                map[byte] = row.to;
                break;
            }
        }
    }
    return map;
}

constexpr std::array<uint8_t, 256> kToNewtonMap = Map(kToNewton);
constexpr std::array<uint8_t, 256> kFromNewtonMap = Map(kFromNewton);

}  // namespace

void ConvertToNewton(char* text) {
    for (char* p = text; *p != '\0'; ++p)
        *p = static_cast<char>(kToNewtonMap[static_cast<uint8_t>(*p)]);
}

std::optional<char> ConvertFromNewton(char byte) {
    if (byte == '\0') return std::nullopt;
    return static_cast<char>(kFromNewtonMap[static_cast<uint8_t>(byte)]);
}

}  // namespace zd
