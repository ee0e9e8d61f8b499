// Whatever a preference file holds, reading it never crashes, and a value
// written into it reads back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)zd::ParseProfileInt(text);
    (void)zd::FindIniValue(text, "Prefs Section", "port");
    const std::string written = zd::SetIniValue(text, "Prefs Section", "port", "-1");
    const auto read = zd::FindIniValue(written, "Prefs Section", "port");
    if (!read || zd::ParseProfileInt(*read) != -1) std::abort();
    return 0;
}
