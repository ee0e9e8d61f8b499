// How a pipe turns its transport's byte stream into DIL states and data: as a
// plain stream (a network Newton), or as MNP frames (a serial line, or an
// emulator's serial port on TCP).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_queue.h"

namespace zd {

class Framing {
public:
    virtual ~Framing() = default;

    // Takes the bytes that arrived in `wire`; data for the program goes to `inbox`.
    virtual void Input(ByteQueue& wire, ByteQueue& inbox, int64_t now) = 0;
    // Runs the framing's timers.
    virtual void Poll(int64_t now) = 0;
    // When Poll next has something to do; INT64_MAX when never.
    virtual int64_t NextTimerAt() const = 0;
    // The DIL state while the transport has its Newton.
    virtual int32_t State() const = 0;
    // Takes the Newton that asked to connect (state 4).
    virtual void Accept(int64_t now) = 0;
    // Sends the first `*taken` bytes of `data` it can send now; 0 when it must
    // wait for the Newton first.  Returns 0 or a DIL error code.
    virtual int32_t Send(const uint8_t* data, size_t size, size_t* taken, int64_t now) = 0;
    // The bytes sent that the Newton's end has not confirmed yet.
    virtual size_t Unconfirmed() const = 0;
    // True when everything sent has been confirmed by the Newton.
    bool Settled() const { return Unconfirmed() == 0; }
    // Ends the link with a goodbye where the framing has one.
    virtual void Close() = 0;
};

}  // namespace zd
