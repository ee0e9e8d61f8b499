#include "base/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace zd {
namespace {

// The file need not exist yet: its folder is resolved, its own name kept.
std::string CanonicalPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) return path;
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    return error ? absolute.string() : (folder / absolute.filename()).string();
}

// FNV-1a: the name only has to tell preference files apart.
uint64_t Fingerprint(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

pid_t ReadHolder(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? static_cast<pid_t>(std::atoi(text)) : 0;
}

// True when `fd` is still the file at `path`: a lock on a file that its
// holder removed on the way out guards nothing.
bool StillThere(int fd, const std::string& path) {
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

std::string InstanceLock::PathFor(const std::string& prefsPath, const std::string& runtimeDir) {
    char name[64];
    std::snprintf(name, sizeof name, "/zandorelle-%016llx.lock",
                  static_cast<unsigned long long>(Fingerprint(CanonicalPath(prefsPath))));
    return (runtimeDir.empty() ? std::string("/tmp") : runtimeDir) + name;
}

InstanceLock::InstanceLock(const std::string& prefsPath, const std::string& runtimeDir)
    : m_path(PathFor(prefsPath, runtimeDir)) {
    for (;;) {
        m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0) {
            m_error = std::strerror(errno);
            return;
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                m_outcome = Outcome::kHeld;
                m_holder = ReadHolder(m_fd);
            } else {
                m_error = std::strerror(errno);
            }
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        if (StillThere(m_fd, m_path)) break;
        ::close(m_fd);  // its holder ended and removed it meanwhile: once more
    }
    // The holder's id, for the message a second start gives; the lock holds
    // without it.
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d\n", static_cast<int>(::getpid()));
    (void)!::ftruncate(m_fd, 0);
    (void)!::pwrite(m_fd, text, static_cast<size_t>(length), 0);
    m_outcome = Outcome::kTaken;
}

InstanceLock::~InstanceLock() {
    if (m_fd < 0) return;
    // Removed while still held, so that no later start locks this file in vain.
    ::unlink(m_path.c_str());
    ::close(m_fd);
}

}  // namespace zd
