#include "dock/password.h"

#include <nettle/des.h>
#include <string.h>

#include <bit>
#include <random>

#include "base/unicode.h"

namespace zd::dock {
namespace {

// The key the derivation starts from, in the Newton's own form: the DES key
// it stands for is this shifted left by one bit.
constexpr uint64_t kStartKey = 0x57406860626D7464;

uint64_t FromBytes(const uint8_t* bytes) {
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | bytes[i];
    return value;
}

DesKey ToBytes(uint64_t value) {
    DesKey bytes;
    for (int i = 7; i >= 0; --i, value >>= 8) bytes[i] = static_cast<uint8_t>(value);
    return bytes;
}

void Encrypt(const DesKey& key, const uint8_t* in, uint8_t* out) {
    des_ctx context;
    // A weak key still sets the context up; the Newton uses it all the same.
    (void)des_set_key(&context, key.data());
    des_encrypt(&context, DES_BLOCK_SIZE, out, in);
    ::explicit_bzero(&context, sizeof context);
}

}  // namespace

DesKey AnswerKey(std::string_view password) {
    // The password's UTF-16 code units and a zero unit, four units a block.
    std::string units = Utf8ToUtf16Be(password) + std::string(2, '\0');
    units.append((8 - units.size() % 8) % 8, '\0');
    uint64_t key = kStartKey;
    for (size_t at = 0; at < units.size(); at += 8) {
        DesKey cipher;
        Encrypt(ToBytes(key << 1), reinterpret_cast<const uint8_t*>(units.data() + at),
                cipher.data());
        // Each byte's lowest bit is set where its upper seven hold an even
        // number of ones: the Newton's parity, which only ever sets it.
        for (uint8_t& byte : cipher)
            if (std::popcount(static_cast<unsigned>(byte >> 1)) % 2 == 0) byte |= 1;
        key = FromBytes(cipher.data());
    }
    ::explicit_bzero(units.data(), units.size());
    return ToBytes(key << 1);
}

std::string PasswordAnswer(std::string_view challenge, std::string_view password) {
    DesKey key = AnswerKey(password);
    std::string answer(kChallengeSize, '\0');
    Encrypt(key, reinterpret_cast<const uint8_t*>(challenge.data()),
            reinterpret_cast<uint8_t*>(answer.data()));
    ::explicit_bzero(key.data(), key.size());
    return answer;
}

std::string NewChallenge() {
    std::random_device random;
    std::string challenge;
    for (size_t i = 0; i < kChallengeSize; ++i) challenge += static_cast<char>(random());
    return challenge;
}

}  // namespace zd::dock
