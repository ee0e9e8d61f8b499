// What an ordinary user hears when a serial device cannot be had: one they
// may not open, and one another program holds for its own (TIOCEXCL).  The
// checks run in a child that gives up root first, as root may open anything.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "link/dil/dil.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

constexpr uid_t kNobody = 65534;

// A pseudo-terminal the test owns; `device` is the side the program opens.
struct TestPty {
    TestPty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master);
        ::unlockpt(master);
        device = ::ptsname(master);
    }
    ~TestPty() { ::close(master); }
    int master = -1;
    std::string device;
};

// Runs `body` in a child process as an ordinary user; what it returns (one
// line) comes back through a pipe.
std::string AsOrdinaryUser(const std::function<std::string()>& body) {
    int link[2];
    if (::pipe(link) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(link[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(1);
        }
        const std::string result = body();
        (void)!::write(link[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(link[1]);
    std::string result;
    char chunk[512];
    for (ssize_t n; (n = ::read(link[0], chunk, sizeof chunk)) > 0;) result.append(chunk, n);
    ::close(link[0]);
    ::waitpid(child, nullptr, 0);
    return result;
}

// Listens on `device` with a fresh DIL; the notice it gave, or the error code.
std::string ListenOn(const std::string& device, const std::string& lockDir) {
    test::FakeClock clock;
    std::string notice;
    DilOptions options;
    options.deviceRoots.lock = lockDir;
    options.settings = [&] {
        DilSettings settings;
        settings.serialDevices[0] = device;
        return settings;
    };
    options.notice = [&](std::string_view text) { notice = text; };
    Dil dil(clock, options);
    dil.CD_Startup();
    CD_Handle pipe = 0;
    dil.CD_CreateMNPSerial(&pipe, 0, kSerialBaud);
    const int32_t result = dil.CD_StartListening(pipe);
    return notice.empty() ? "result " + std::to_string(result) : notice;
}

class SerialAccessTest : public ::testing::Test {
protected:
    void SetUp() override { ::chmod(dir.path().c_str(), 0777); }  // the lock folder
    test::TempDir dir;
    TestPty pty;
};

TEST_F(SerialAccessTest, ADeviceWeMayNotOpenNamesTheGroupToJoin) {
    ASSERT_EQ(::chmod(pty.device.c_str(), 0660), 0);
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(pty.device.c_str(), 0), 0);  // not even its owner may
    }
    struct stat info {};
    ASSERT_EQ(::stat(pty.device.c_str(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string name = owner->gr_name;
    EXPECT_EQ(AsOrdinaryUser([&] { return ListenOn(pty.device, dir.path()); }),
              pty.device + ": permission denied. Add your user to the group '" + name +
                  "' (sudo usermod -aG " + name + " $USER), then log out and in again.");
}

TEST_F(SerialAccessTest, ADeviceAnotherProgramHoldsForItselfIsBusy) {
    ASSERT_EQ(::chmod(pty.device.c_str(), 0666), 0);
    const int holder = ::open(pty.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
    EXPECT_EQ(AsOrdinaryUser([&] { return ListenOn(pty.device, dir.path()); }),
              pty.device + ": in use by another program.");
    ::close(holder);
}

}  // namespace
}  // namespace zd
