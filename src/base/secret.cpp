#include "base/secret.h"

#include <string.h>
#include <sys/mman.h>

#include <algorithm>

namespace zd {

Secret::Store::Store() {
    // Kept out of swap where the system allows; without it, still wiped.
    (void)::mlock(bytes, sizeof bytes);
}

Secret::Store::~Store() {
    ::explicit_bzero(bytes, sizeof bytes);
    (void)::munlock(bytes, sizeof bytes);
}

Secret::Secret(std::string_view text) {
    for (const char c : text) Append(c);
}

std::string_view Secret::text() const {
    return m_store ? std::string_view(m_store->bytes, m_store->size) : std::string_view();
}

void Secret::Append(char c) {
    if (!m_store) m_store = std::make_unique<Store>();
    if (m_store->size < kCapacity) m_store->bytes[m_store->size++] = c;
}

void Secret::Clear() {
    if (!m_store) return;
    ::explicit_bzero(m_store->bytes, m_store->size);
    m_store->size = 0;
}

}  // namespace zd
