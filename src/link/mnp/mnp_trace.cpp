#include "link/mnp/mnp_trace.h"

#include <cstdio>

namespace zd::mnp {

MnpLink::Trace HexTrace(const char* who) {
    return [who](bool outgoing, const std::vector<uint8_t>& body) {
        std::fprintf(stderr, "%s %s", who, outgoing ? ">" : "<");
        for (uint8_t byte : body) std::fprintf(stderr, " %02X", byte);
        std::fprintf(stderr, "\n");
    };
}

}  // namespace zd::mnp
