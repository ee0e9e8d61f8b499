#include "base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zd {
namespace {

// Our temporary files: ".zandorelle-PID-XXXXXX", hidden from the file
// manager, and named after the process so that a start-up sweep spares a
// second program that writes into the same folder.
constexpr std::string_view kTemporaryPrefix = ".zandorelle-";

int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The permissions the new file gets: the old file's, or what a file created
// the usual way would have.
mode_t ModeFor(const std::string& path) {
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) return old.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Gives `temporary` the name `path` unless something holds that name.
int PlaceWithoutReplacing(const std::string& temporary, const std::string& path) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without that rename still refuse to link over a name.
    if (::link(temporary.c_str(), path.c_str()) != 0) return errno;
    ::unlink(temporary.c_str());
    return 0;
}

// The rename itself reaches the disk with the folder's entries.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// The process that made temporary file `name`, or 0 when it is none of ours.
// A library that writes a file by its name (libzip) makes its own temporary
// beside it, named after ours with a dot and more letters.
pid_t WriterOf(std::string_view name) {
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) return 0;
    name.remove_prefix(kTemporaryPrefix.size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos) return 0;
    const std::string_view letters = name.substr(dash + 1);
    if (letters.size() < 6 || (letters.size() > 6 && letters[6] != '.')) return 0;
    pid_t pid = 0;
    for (char c : name.substr(0, dash)) {
        if (c < '0' || c > '9' || pid > 100000000) return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool Runs(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return content.str();
}

int WriteWholeFile(const std::string& path, std::string_view content, IfTaken ifTaken) {
    AtomicWriter writer(path);
    int error = writer.Open();
    if (error == 0) error = writer.Append(content);
    return error != 0 ? error : writer.Commit(ifTaken);
}

std::string WriteFailure(const std::string& path, int error) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::string folder = path.substr(0, path.size() - name.size());
    struct stat info {};
    const bool folderThere = ::stat(folder.empty() ? "." : folder.c_str(), &info) == 0;
    if ((error == ENOENT || error == EINVAL) && folderThere) {
        const size_t refused = name.find_first_of("\\:*?\"<>|");
        if (refused != std::string::npos)
            return std::string("the disk does not take the character \u201C") + name[refused] +
                   "\u201D in a name";
        if (!name.empty() && (name.back() == '.' || name.back() == ' '))
            return "the disk does not take a name that ends with a dot or a space";
    }
    return std::strerror(error);
}

int CreateTemporaryBeside(const std::string& path, std::string* temporary) {
    *temporary = FolderOf(path) + "/" + std::string(kTemporaryPrefix) + std::to_string(::getpid()) +
                 "-XXXXXX";
    const int fd = ::mkostemp(temporary->data(), O_CLOEXEC);
    if (fd < 0) temporary->clear();
    return fd;
}

int PlaceTemporary(const std::string& temporary, const std::string& path, IfTaken ifTaken) {
    int error = 0;
    const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) error = errno;
    if (error == 0 && ::fchmod(fd, ModeFor(path)) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (fd >= 0) ::close(fd);
    if (error == 0) {
        if (ifTaken == IfTaken::kRefuse) {
            error = PlaceWithoutReplacing(temporary, path);
        } else if (::rename(temporary.c_str(), path.c_str()) != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    SyncFolder(FolderOf(path));
    return 0;
}

int AtomicWriter::Open() {
    if (m_error != 0 || m_fd >= 0) return m_error;
    m_fd = CreateTemporaryBeside(m_path, &m_temporary);
    if (m_fd < 0) m_error = errno;
    return m_error;
}

int AtomicWriter::Append(std::string_view bytes) {
    if (m_error == 0 && m_fd < 0) m_error = EBADF;
    if (m_error == 0) m_error = WriteAll(m_fd, bytes);
    return m_error;
}

int AtomicWriter::Commit(IfTaken ifTaken) {
    if (m_error == 0 && m_fd < 0) m_error = EBADF;
    if (m_fd >= 0 && ::close(m_fd) != 0 && m_error == 0) m_error = errno;
    m_fd = -1;
    if (m_error == 0) {
        m_error = PlaceTemporary(m_temporary, m_path, ifTaken);
        m_temporary.clear();  // placed, or removed
    }
    Abandon();
    return m_error;
}

void AtomicWriter::Abandon() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

int RemoveStrayTemporaryFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = WriterOf(entry->d_name);
        if (writer == 0 || (writer != ::getpid() && Runs(writer))) continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace zd
