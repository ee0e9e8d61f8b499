// A password held in memory only as long as it is needed, and in one place:
// its bytes live in a buffer of their own that a move hands on whole (never
// copied, as a short std::string's would be), kept out of swap where the
// system allows, and overwritten when the password is cleared or goes.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace zd {

class Secret {
public:
    // The longest password kept; a Newton's is far shorter.
    static constexpr size_t kCapacity = 1024;

    Secret() = default;
    // A copy of `text`, whose own bytes the caller wipes.
    explicit Secret(std::string_view text);
    Secret(Secret&& other) noexcept = default;
    Secret& operator=(Secret&& other) noexcept = default;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret() = default;

    std::string_view text() const;
    // Adds `c`, as a password is typed; past kCapacity nothing is added.
    void Append(char c);
    bool empty() const { return !m_store || m_store->size == 0; }
    void Clear();

private:
    struct Store {
        Store();
        ~Store();
        char bytes[kCapacity];
        size_t size = 0;
    };
    std::unique_ptr<Store> m_store;
};

}  // namespace zd
