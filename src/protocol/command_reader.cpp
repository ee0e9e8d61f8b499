#include "protocol/command_reader.h"

namespace zd {

void ReadCommand(Session&) {}

}  // namespace zd
