#include "protocol/handshake.h"

namespace zd {

void Handshake(Session&) {}

}  // namespace zd
