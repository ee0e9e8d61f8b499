// Whatever bytes a Newton sends where Dock messages belong, the reader neither
// crashes nor reads out of bounds, takes them in runs as it takes them whole,
// and the owner's name is read from any "name" data safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "dock/dock_message.h"

namespace {

std::vector<zd::dock::Message> ReadAll(std::string_view bytes, size_t run) {
    zd::dock::Reader reader(1 << 16);
    std::vector<zd::dock::Message> messages;
    for (size_t at = 0; at < bytes.size(); at += run) {
        reader.Feed(bytes.substr(at, run));
        while (auto message = reader.Next()) messages.push_back(std::move(*message));
    }
    return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto whole = ReadAll(bytes, size == 0 ? 1 : size);
    const auto inRuns = ReadAll(bytes, 7);
    if (whole.size() != inRuns.size()) std::abort();
    for (size_t i = 0; i < whole.size(); ++i) {
        if (whole[i].command != inRuns[i].command || whole[i].data != inRuns[i].data) std::abort();
        (void)zd::dock::OwnerName(whole[i].data);
    }
    (void)zd::dock::OwnerName(bytes);
    return 0;
}
