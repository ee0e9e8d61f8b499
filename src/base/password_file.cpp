#include "base/password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zd {
namespace {

// More than any password a Newton takes; a larger file is no password file.
constexpr size_t kMostBytes = 4096;

}  // namespace

std::optional<Secret> ReadPasswordFile(const std::string& path, std::string* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *why = path + ": " + std::strerror(errno) + ".";
        return std::nullopt;
    }
    struct stat info {};
    std::optional<Secret> password;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<size_t>(info.st_size) > kMostBytes) {
        *why = path + " is no password file.";
    } else if (info.st_uid != ::getuid()) {
        *why = path + " belongs to another user; only your own password file is read.";
    } else if (info.st_mode & (S_IRGRP | S_IROTH)) {
        *why = path + " can be read by others; chmod 600 it.";
    } else if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        *why = path + " can be changed by others; chmod 600 it.";
    } else {
        char content[kMostBytes];
        const ssize_t n = ::read(fd, content, sizeof content);
        if (n < 0) {
            *why = path + ": " + std::strerror(errno) + ".";
        } else {
            const char* newline = static_cast<const char*>(std::memchr(content, '\n', n));
            size_t end = newline ? static_cast<size_t>(newline - content) : static_cast<size_t>(n);
            if (end > 0 && content[end - 1] == '\r') --end;
            password.emplace(std::string_view(content, end));
        }
        ::explicit_bzero(content, sizeof content);
    }
    ::close(fd);
    return password;
}

}  // namespace zd
