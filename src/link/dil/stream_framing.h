// The plain byte stream of a network Newton: no frames, no acknowledgements.
#pragma once

#include "link/dil/framing.h"
#include "link/dil/transport.h"

namespace zd {

class StreamFraming final : public Framing {
public:
    explicit StreamFraming(Transport& transport) : m_transport(transport) {}

    void Input(ByteQueue& wire, ByteQueue& inbox, int64_t now) override;
    void Poll(int64_t) override {}
    int64_t NextTimerAt() const override { return INT64_MAX; }
    int32_t State() const override;
    void Accept(int64_t) override { m_accepted = true; }
    int32_t Send(const uint8_t* data, size_t size, size_t* taken, int64_t now) override;
    size_t Unconfirmed() const override { return m_transport.Unconfirmed(); }
    void Close() override {}

private:
    Transport& m_transport;
    bool m_accepted = false;
};

}  // namespace zd
