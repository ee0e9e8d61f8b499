#include "base/byte_queue.h"

#include <cstring>

namespace zd {

void ByteQueue::Append(const uint8_t* data, size_t count) {
    if (count == 0) return;  // `data` may then be null, as an empty vector's is
    // Drop what was taken before the buffer grows, so it never holds more than
    // twice what is waiting.
    if (m_head > 0 && m_head >= m_bytes.size() / 2) {
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<ptrdiff_t>(m_head));
        m_head = 0;
    }
    m_bytes.insert(m_bytes.end(), data, data + count);
}

void ByteQueue::MoveAllTo(ByteQueue& to) {
    to.Append(data(), size());
    Clear();
}

void ByteQueue::TakeMany(uint8_t* out, size_t count) {
    if (count == 0) return;  // `out` and the buffer may then be null
    std::memcpy(out, m_bytes.data() + m_head, count);
    m_head += count;
    if (m_head == m_bytes.size()) Clear();
}

void ByteQueue::Clear() {
    m_bytes.clear();
    m_head = 0;
}

}  // namespace zd
