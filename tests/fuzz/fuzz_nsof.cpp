// Whatever bytes arrive as a Newton's streamed object, the decoder neither
// crashes, nor reads out of bounds, nor takes more than its limits allow;
// what it decodes, encoded and decoded again, encodes the same; and read as a
// note it gives no more text than the bound, and no ink word's mark.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "nsof/nsof.h"
#include "translate/note_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zd::nsof;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Decoded decoded = Decode(bytes);
    if (decoded.used > size) std::abort();
    if (!decoded.value) {
        if (decoded.error.empty()) std::abort();
        return 0;
    }
    std::string why;
    if (const auto note = zd::NoteAsText(*decoded.value, &why)) {
        if (note->text.size() > zd::kMaxTextBytes) std::abort();
        if (note->text.find("\uF700") != std::string::npos ||
            note->text.find("\uF701") != std::string::npos)
            std::abort();
    }
    const std::string once = Encode(*decoded.value);
    const Decoded again = Decode(once);
    if (!again.value || again.used != once.size() || Encode(*again.value) != once) std::abort();
    return 0;
}
