// Members of a zip archive (libzip), read a piece at a time, and the
// checksum a backup keeps of each.
#pragma once

#include <nettle/sha2.h>
#include <zip.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zd {

// A SHA-256 checksum (Nettle's) of what it is handed, in hexadecimal.
class Sha256 {
public:
    Sha256() { sha256_init(&m_context); }
    void Update(std::string_view bytes);
    // The checksum; it starts again after.
    std::string Hex();

private:
    sha256_ctx m_context;
};

// Hands member `name` of `archive` to `take` a piece at a time; false when it
// is missing, cannot be read to its end, or holds more than `cap` bytes
// (whatever its header says: a zip may lie about what it unpacks to).
bool ReadZipMember(zip_t* archive, const std::string& name,
                   const std::function<void(std::string_view)>& take, uint64_t cap = UINT64_MAX);

// Member `name` whole, at most `cap` bytes; nullopt when it cannot be read.
std::optional<std::string> ZipMemberBytes(zip_t* archive, const std::string& name, uint64_t cap);

// The length and checksum of member `name`, read through; nullopt when it
// cannot be read whole.
struct MemberSum {
    uint64_t bytes = 0;
    std::string sha256;
};
std::optional<MemberSum> SumOfZipMember(zip_t* archive, const std::string& name);

}  // namespace zd
