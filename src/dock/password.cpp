#include "dock/password.h"

#include <nettle/des.h>

namespace zd::dock {

std::string PasswordAnswer(std::string_view challenge) {
    static constexpr uint8_t kKey[DES_KEY_SIZE] = {0xE4, 0x0F, 0x7E, 0x9F, 0x0A, 0x36, 0x2C, 0xFA};
    des_ctx context;
    // The key is not one of DES's weak keys, so this always succeeds.
    (void)des_set_key(&context, kKey);
    std::string answer(kChallengeSize, '\0');
    des_encrypt(&context, DES_BLOCK_SIZE, reinterpret_cast<uint8_t*>(answer.data()),
                reinterpret_cast<const uint8_t*>(challenge.data()));
    return answer;
}

}  // namespace zd::dock
