// Whatever bytes arrive as a Newton's streamed object, the decoder neither
// crashes, nor reads out of bounds, nor takes more than its limits allow; and
// what it decodes, encoded and decoded again, encodes the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "nsof/nsof.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zd::nsof;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Decoded decoded = Decode(bytes);
    if (decoded.used > size) std::abort();
    if (!decoded.value) {
        if (decoded.error.empty()) std::abort();
        return 0;
    }
    const std::string once = Encode(*decoded.value);
    const Decoded again = Decode(once);
    if (!again.value || again.used != once.size() || Encode(*again.value) != once) std::abort();
    return 0;
}
