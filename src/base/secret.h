// A password held in memory only as long as it is needed: its bytes are
// overwritten when it is cleared or goes, and it is never copied.
#pragma once

#include <string.h>

#include <string>
#include <utility>

namespace zd {

class Secret {
public:
    Secret() = default;
    explicit Secret(std::string text) : m_text(std::move(text)) {}
    Secret(Secret&& other) noexcept : m_text(std::move(other.m_text)) { other.Clear(); }
    Secret& operator=(Secret&& other) noexcept {
        if (this != &other) {
            Clear();
            m_text = std::move(other.m_text);
            other.Clear();
        }
        return *this;
    }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret() { Clear(); }

    const std::string& text() const { return m_text; }
    // Adds `c`, as a password is typed; a buffer outgrown is cleared first.
    void Append(char c) {
        if (m_text.size() == m_text.capacity()) {
            std::string larger;
            larger.reserve(2 * m_text.capacity() + 32);
            larger = m_text;
            Clear();
            m_text = std::move(larger);
        }
        m_text += c;
    }
    bool empty() const { return m_text.empty(); }
    void Clear() {
        ::explicit_bzero(m_text.data(), m_text.size());
        m_text.clear();
    }

private:
    std::string m_text;
};

}  // namespace zd
