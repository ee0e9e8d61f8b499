#include "link/mnp/mnp_crc.h"

#include <array>

namespace zd::mnp {
namespace {

constexpr std::array<uint16_t, 256> MakeTable() {
    std::array<uint16_t, 256> table{};
    for (uint16_t i = 0; i < 256; ++i) {
        uint16_t crc = i;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();

}  // namespace

uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFF];
    return crc;
}

}  // namespace zd::mnp
