#include "password_check.h"

#include <nettle/des.h>

#include <cstdint>

#include "base/unicode.h"

namespace zd::sim {
namespace {

// DES of one 8-byte block under `key` (8 bytes, DES's own form).
void Des(const uint8_t* key, const uint8_t* in, uint8_t* out) {
    des_ctx context;
    des_set_key(&context, key);
    des_encrypt(&context, 8, out, in);
}

// The 64-bit big-endian number `value` shifted left by one, as DES key bytes.
void ShiftedKey(const uint8_t value[8], uint8_t key[8]) {
    for (int i = 0; i < 8; ++i)
        key[i] = static_cast<uint8_t>(value[i] << 1 | (i < 7 ? value[i + 1] >> 7 : 0));
}

}  // namespace

std::string ExpectedAnswer(const std::string& challenge, const std::string& password) {
    // Step 1: the starting value, in the Newton's form.
    uint8_t k[8] = {0x57, 0x40, 0x68, 0x60, 0x62, 0x6D, 0x74, 0x64};
    // Step 2: UTF-16 units, a zero unit, four units a block, zero padded.
    std::string units = Utf8ToUtf16Be(password) + std::string(2, '\0');
    while (units.size() % 8 != 0) units += '\0';
    // Step 3: each block encrypted under k shifted, its bytes' lowest bits
    // set where the upper seven hold an even number of ones.
    for (size_t block = 0; block < units.size(); block += 8) {
        uint8_t key[8], out[8];
        ShiftedKey(k, key);
        Des(key, reinterpret_cast<const uint8_t*>(units.data() + block), out);
        for (int i = 0; i < 8; ++i) {
            int ones = 0;
            for (int bit = 1; bit < 8; ++bit) ones += out[i] >> bit & 1;
            k[i] = ones % 2 == 0 ? static_cast<uint8_t>(out[i] | 1) : out[i];
        }
    }
    // Step 4: the answer key is the last k shifted.
    uint8_t key[8], answer[8];
    ShiftedKey(k, key);
    Des(key, reinterpret_cast<const uint8_t*>(challenge.data()), answer);
    return std::string(reinterpret_cast<const char*>(answer), 8);
}

}  // namespace zd::sim
