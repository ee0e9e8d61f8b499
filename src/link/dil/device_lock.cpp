#include "link/dil/device_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace zd {
namespace {

// The id in a lock file, or 0 when there is none to read.
pid_t ReadOwner(const std::string& path) {
    char text[32] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    return n > 0 ? static_cast<pid_t>(std::atoi(text)) : 0;
}

bool Alive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

}  // namespace

std::string DeviceLock::FileName(const std::string& device) {
    // A link (/dev/serial/by-id/..., an emulator's pseudo-terminal) locks the
    // device it leads to, so that two names for one line share one lock.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(device, error);
    const std::string path = error ? device : real.string();
    // Under /dev the path names the device ("pts/3" becomes "pts_3"); elsewhere
    // the file's own name does.
    std::string name;
    if (path.rfind("/dev/", 0) == 0) {
        name = path.substr(5);
    } else {
        name = path.substr(path.rfind('/') + 1);
    }
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    return "LCK.." + name;
}

bool DeviceLock::Acquire(const std::string& device, const std::string& lockDir, pid_t* owner) {
    const std::string path = lockDir + "/" + FileName(device);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            // Ten columns and a line end, as the other serial programs write it.
            char text[16];
            const int length =
                std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
            (void)!::write(fd, text, static_cast<size_t>(length));
            ::close(fd);
            m_path = path;
            return true;
        }
        if (errno != EEXIST) return true;  // no lock folder we may write: go unlocked
        const pid_t holder = ReadOwner(path);
        if (Alive(holder)) {
            *owner = holder;
            return false;
        }
        ::unlink(path.c_str());  // left behind by a program that is gone
    }
    return true;
}

void DeviceLock::Release() {
    if (m_path.empty()) return;
    ::unlink(m_path.c_str());
    m_path.clear();
}

}  // namespace zd
