// How bytes reach a Newton: a socket, a serial device, or a peer in memory.
// A transport knows nothing of pipes or states; the pipe (pipe.h) turns what it
// reports into DIL states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/byte_queue.h"

namespace zd {

enum class Peer {
    kNone,      // still waiting for a Newton
    kAttached,  // a Newton is on the other end
    kGone,      // the Newton was there and has gone
};

// Hears what is worth a line in the message log (who connected, why a device
// or port cannot be opened).
using Notice = std::function<void(std::string_view)>;

// What runs on the line: a plain stream, MNP frames, or whichever the Newton's
// first byte shows (a TCP port where both an emulator and a network Newton may
// call).
enum class FramingKind { kStream, kMnp, kDetect };

// What one pump takes from the line at the most: a sender faster than the
// program must not pile bytes up in memory before the framing has seen them.
inline constexpr size_t kMaxPumpBytes = 64 * 1024;

class Transport {
public:
    virtual ~Transport() = default;

    virtual FramingKind framing() const = 0;

    // Starts waiting for a Newton (binds and listens, opens the device).
    // Returns 0 or a DIL error code.
    virtual int32_t Open() = 0;

    // Takes a Newton that is waiting to connect, and appends to `inbox` what has
    // arrived, kMaxPumpBytes at the most.  Never blocks.
    virtual void Pump(ByteQueue& inbox) = 0;

    virtual Peer peer() const = 0;

    // Sends all `size` bytes, waiting a bounded time for room.  Returns 0 or a
    // DIL error code; on an error the Newton may have received a part.
    virtual int32_t Write(const uint8_t* data, size_t size) = 0;

    // Sends what of `size` bytes fits now into `*taken`, never waiting.
    // Returns 0 or a DIL error code.
    virtual int32_t WriteSome(const uint8_t* data, size_t size, size_t* taken) {
        const int32_t result = Write(data, size);
        *taken = result == 0 ? size : 0;
        return result;
    }
    // The bytes written that the Newton's end has not confirmed yet, where
    // the transport knows.
    virtual size_t Unconfirmed() const { return 0; }

    // Blocks until something may have arrived or changed, or `timeoutMs` passed.
    virtual void Wait(int32_t timeoutMs) = 0;

    // Lets go of the Newton and of the device or socket.  Idempotent.
    virtual void Close() = 0;

    // Where the Newton is, in words for the log ("127.0.0.1:50123"); "" if unknown.
    virtual std::string PeerName() const = 0;
};

}  // namespace zd
