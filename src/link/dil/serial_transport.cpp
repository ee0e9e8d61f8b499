#include "link/dil/serial_transport.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/dil/dil.h"
#include "link/dil/fd_io.h"

namespace zd {
namespace {

// The group that owns `device`, for the advice on a refused open.
std::string OwningGroup(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) return {};
    const group* owner = ::getgrgid(info.st_gid);
    return owner ? owner->gr_name : std::to_string(info.st_gid);
}

// Gives the output queue up to `limitMs` to reach the line.  tcdrain would wait
// without limit on a pseudo-terminal whose other side stopped reading.
void DrainOutput(int fd, int limitMs) {
    for (int waited = 0; waited < limitMs; waited += 10) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued == 0) return;
        ::poll(nullptr, 0, 10);
    }
}

constexpr int kDrainLimitMs = 500;

}  // namespace

speed_t SpeedConstant(int32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B0;
    }
}

SerialTransport::SerialTransport(Clock& clock, std::string device, std::string lockDir,
                                 int32_t baud, int32_t writeTimeoutMs, Notice notice)
    : m_clock(clock),
      m_device(std::move(device)),
      m_lockDir(std::move(lockDir)),
      m_baud(baud),
      m_writeTimeoutMs(writeTimeoutMs),
      m_notice(std::move(notice)) {}

SerialTransport::~SerialTransport() {
    Close();
}

int32_t SerialTransport::Fail(int err) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_lock.Release();
    std::string advice;
    int32_t code = kDilErrSystem;
    switch (err) {
        case EACCES:
        case EPERM: {
            code = kDilErrPermission;
            const std::string group = OwningGroup(m_device);
            advice = m_device + ": permission denied. " +
                     (group.empty() ? std::string("Ask for access to it")
                                    : "Add your user to the group '" + group +
                                          "' (sudo usermod -aG " + group + " $USER)") +
                     ", then log out and in again.";
            break;
        }
        case ENOENT:
        case ENODEV:
        case ENXIO:
            code = kDilErrNoSuchPort;
            advice = m_device + ": no such device; is the adapter plugged in?";
            break;
        case EBUSY:
            code = kDilErrBusy;
            advice = m_device + ": in use by another program.";
            break;
        default:
            advice = m_device + ": " + std::strerror(err) + ".";
            break;
    }
    if (m_notice) m_notice(advice);
    return code;
}

int32_t SerialTransport::Open() {
    pid_t owner = 0;
    if (!m_lock.Acquire(m_device, m_lockDir, &owner)) {
        if (m_notice) {
            m_notice(m_device + ": in use by another program (process " + std::to_string(owner) +
                     ").");
        }
        return kDilErrBusy;
    }
    m_fd = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) return Fail(errno);
    // Nobody else may open the line while we hold it.
    if (::ioctl(m_fd, TIOCEXCL) != 0 && errno != ENOTTY) return Fail(errno);
    if (::tcgetattr(m_fd, &m_saved) != 0) return Fail(errno);
    m_restore = true;

    termios raw = m_saved;
    ::cfmakeraw(&raw);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    raw.c_cflag |= CS8 | CREAD | CLOCAL;
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    raw.c_iflag |= IGNBRK;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    const speed_t speed = SpeedConstant(m_baud);
    if (speed != B0) {
        ::cfsetispeed(&raw, speed);
        ::cfsetospeed(&raw, speed);
    }
    if (::tcsetattr(m_fd, TCSANOW, &raw) != 0) return Fail(errno);
    ::tcflush(m_fd, TCIOFLUSH);  // nothing from before we listened
    m_peer = Peer::kAttached;
    return kDilOk;
}

void SerialTransport::LineGone() {
    m_peer = Peer::kGone;
    Close();
}

void SerialTransport::Pump(ByteQueue& inbox) {
    if (m_fd >= 0 && !ReadAvailable(m_fd, inbox)) LineGone();
}

int32_t SerialTransport::Write(const uint8_t* data, size_t size) {
    if (m_fd < 0) return kDilErrNotConnected;
    const int32_t result = WriteFully(m_fd, false, data, size, m_clock, m_writeTimeoutMs);
    if (result == kDilErrLinkDropped) LineGone();
    return result;
}

void SerialTransport::Wait(int32_t timeoutMs) {
    WaitForInput(m_fd, timeoutMs);
}

void SerialTransport::Close() {
    m_lock.Release();
    if (m_fd < 0) return;
    if (m_restore) {
        // Let the last frame (the goodbye) leave before the line is let go.
        DrainOutput(m_fd, kDrainLimitMs);
        ::tcsetattr(m_fd, TCSANOW, &m_saved);
    }
    ::close(m_fd);
    m_fd = -1;
    m_restore = false;
}

}  // namespace zd
