#include "transfer/zip_member.h"

#include <cstdio>

namespace zd {

void Sha256::Update(std::string_view bytes) {
    sha256_update(&m_context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
}

std::string Sha256::Hex() {
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&m_context, sizeof digest, digest);
    std::string hex;
    char digits[3];
    for (const uint8_t byte : digest) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

bool ReadZipMember(zip_t* archive, const std::string& name,
                   const std::function<void(std::string_view)>& take, uint64_t cap) {
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return false;
    char chunk[64 * 1024];
    zip_int64_t n = 0;
    uint64_t read = 0;
    while ((n = zip_fread(file, chunk, sizeof chunk)) > 0) {
        read += static_cast<uint64_t>(n);
        if (read > cap) break;
        take(std::string_view(chunk, static_cast<size_t>(n)));
    }
    zip_fclose(file);
    return n == 0 && read <= cap;
}

std::optional<std::string> ZipMemberBytes(zip_t* archive, const std::string& name, uint64_t cap) {
    std::string bytes;
    if (!ReadZipMember(
            archive, name, [&bytes](std::string_view piece) { bytes += piece; }, cap))
        return std::nullopt;
    return bytes;
}

std::optional<MemberSum> SumOfZipMember(zip_t* archive, const std::string& name) {
    Sha256 sha;
    MemberSum sum;
    const bool read = ReadZipMember(archive, name, [&](std::string_view piece) {
        sha.Update(piece);
        sum.bytes += piece.size();
    });
    if (!read) return std::nullopt;
    sum.sha256 = sha.Hex();
    return sum;
}

}  // namespace zd
