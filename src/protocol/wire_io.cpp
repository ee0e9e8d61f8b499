#include "protocol/wire_io.h"

#include "session/session.h"

namespace zd {

int32_t WriteWire(Session& s, std::string_view bytes) {
    return s.svc.dil.CD_Write(s.link.pipe, bytes.data(), static_cast<int32_t>(bytes.size()));
}

}  // namespace zd
