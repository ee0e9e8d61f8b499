// A first-in first-out byte buffer: appends at the back, takes from the front
// without moving the rest on every take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zd {

class ByteQueue {
public:
    size_t size() const { return m_bytes.size() - m_head; }
    bool empty() const { return size() == 0; }
    // The byte `i` places from the front.  REQUIRES: i < size().
    uint8_t operator[](size_t i) const { return m_bytes[m_head + i]; }

    void Append(const uint8_t* data, size_t count);
    // Moves everything waiting to the back of `to`, in order.
    void MoveAllTo(ByteQueue& to);
    // The waiting bytes, contiguous.  Valid until the next change.
    const uint8_t* data() const { return m_bytes.data() + m_head; }
    // Copies the first `count` bytes to `out` and removes them.
    // REQUIRES: count <= size().
    void Take(uint8_t* out, size_t count) {
        if (count == 1) {
            // The common case, inline: items are read a byte at a time.
            *out = m_bytes[m_head++];
            if (m_head == m_bytes.size()) Clear();
        } else {
            TakeMany(out, count);
        }
    }
    void Clear();

private:
    void TakeMany(uint8_t* out, size_t count);

    std::vector<uint8_t> m_bytes;
    size_t m_head = 0;  // bytes before it have been taken
};

}  // namespace zd
