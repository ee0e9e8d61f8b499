#include "transfer/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace zd {
namespace {

// What a file that is not a regular file is, in words.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "a special file";
}

}  // namespace

const char* SpecialFileAt(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return nullptr;
    return KindOf(info.st_mode);
}

FileContent ReadRegularFile(const std::string& path, size_t cap, const char* kind,
                            const char* noun) {
    FileContent result;
    // Non-blocking, so that a named pipe without a writer cannot hold us.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.refusal = std::strerror(errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.refusal = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        result.refusal = std::string("this is ") + KindOf(info.st_mode) + ", not " + kind;
    } else if (static_cast<uint64_t>(info.st_size) > cap) {
        result.refusal = std::to_string(info.st_size) + " bytes is more than the " +
                         std::to_string(cap >> 20) + " MiB " + noun + " may have";
    } else {
        std::string content(static_cast<size_t>(info.st_size), '\0');
        size_t got = 0;
        int error = 0;
        while (got < content.size()) {
            const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error = errno;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        if (got == content.size()) {
            result.bytes = std::move(content);
        } else {
            result.refusal = error != 0 ? std::strerror(error) : "the file shrank while read";
        }
    }
    ::close(fd);
    return result;
}

}  // namespace zd
