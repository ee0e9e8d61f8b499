// Whatever the version page holds, the scan neither crashes nor finds a token
// past the first zero byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/version_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const std::string text = zd::PageText(body);
    if (text.find('\0') != std::string::npos) std::abort();
    if (zd::VersionMessages(text).size() > 8) std::abort();
    // The same bytes as a whole reply: the body never reaches past them.
    if (const auto reply = zd::ReplyBody(body)) {
        if (reply->data() < body.data() || reply->data() + reply->size() > body.data() + body.size())
            std::abort();
    }
    (void)zd::ReplyComplete(body);
    return 0;
}
