// The frame check of the MNP link: CRC-16/ARC (polynomial 0xA001 reflected,
// initial value 0, no final XOR), "123456789" gives 0xBB3D.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zd::mnp {

// Continues `crc` over `size` bytes.
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size);

}  // namespace zd::mnp
