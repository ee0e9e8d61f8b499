// Reading, waiting on and writing to the non-blocking descriptors of the
// transports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_queue.h"
#include "base/clock.h"

namespace zd {

// Appends to `inbox` what `fd` holds, kMaxPumpBytes at the most.  False once
// the other side has gone: end of file, EIO from a device whose adapter was
// pulled out or a pseudo-terminal whose other side closed, a reset socket.
bool ReadAvailable(int fd, ByteQueue& inbox);

// Writes all `size` bytes to `fd`, waiting in poll for room until `timeoutMs`
// has passed.  A socket is written without SIGPIPE.  Returns kDilOk,
// kDilErrTimeout, or kDilErrLinkDropped when the other side is gone.
int32_t WriteFully(int fd, bool socket, const uint8_t* data, size_t size, Clock& clock,
                   int32_t timeoutMs);

// Blocks until `fd` has input (or hung up), or `timeoutMs` passed.  A negative
// `fd` does not wait.
void WaitForInput(int fd, int32_t timeoutMs);

}  // namespace zd
