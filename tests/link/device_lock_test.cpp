// The conventional lock on a serial device: taken while it is open, refused
// while a live program holds it, taken over from one that is gone.
#include "link/dil/device_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "link/dil/dil.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

TEST(DeviceLock, NamesFollowTheConvention) {
    EXPECT_EQ(DeviceLock::FileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(DeviceLock::FileName("/dev/pts/3"), "LCK..pts_3");
    EXPECT_EQ(DeviceLock::FileName("/tmp/einstein-extr.pty"), "LCK..einstein-extr.pty");
    // A link names the device it leads to.
    test::TempDir dir;
    std::filesystem::create_symlink("/dev/null", dir.File("newton"));
    EXPECT_EQ(DeviceLock::FileName(dir.File("newton")), "LCK..null");
}

TEST(DeviceLock, HeldWhileOursRefusedToOthersTakenOverFromTheDead) {
    test::TempDir dir;
    const std::string file = dir.File("LCK..ttyUSB0");
    {
        DeviceLock lock;
        pid_t owner = 0;
        ASSERT_TRUE(lock.Acquire("/dev/ttyUSB0", dir.path(), &owner));
        EXPECT_EQ(test::ReadFile(file), std::string(10 - std::to_string(getpid()).size(), ' ') +
                                            std::to_string(getpid()) + "\n");
        DeviceLock other;
        EXPECT_FALSE(other.Acquire("/dev/ttyUSB0", dir.path(), &owner));
        EXPECT_EQ(owner, getpid());
    }
    EXPECT_FALSE(std::filesystem::exists(file)) << "released with the lock";

    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    test::WriteFile(file, std::to_string(gone) + "\n");
    DeviceLock lock;
    pid_t owner = 0;
    EXPECT_TRUE(lock.Acquire("/dev/ttyUSB0", dir.path(), &owner));
    EXPECT_NE(test::ReadFile(file).find(std::to_string(getpid())), std::string::npos);

    DeviceLock unlocked;
    EXPECT_TRUE(unlocked.Acquire("/dev/ttyUSB1", dir.File("no-such-folder"), &owner))
        << "without a lock folder the device goes unlocked";
}

TEST(DeviceLock, ABusyDeviceIsReportedAsBusy) {
    test::TempDir dir;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    const std::string device = ptsname(master);
    test::WriteFile(dir.File(DeviceLock::FileName(device)), std::to_string(getppid()) + "\n");

    test::FakeClock clock;
    std::vector<std::string> notices;
    DilOptions options;
    options.deviceRoots.lock = dir.path();
    options.settings = [&] {
        DilSettings settings;
        settings.serialDevices[0] = device;
        return settings;
    };
    options.notice = [&](std::string_view text) { notices.emplace_back(text); };
    Dil dil(clock, options);
    dil.CD_Startup();
    CD_Handle pipe = 0;
    ASSERT_EQ(dil.CD_CreateMNPSerial(&pipe, 0, kSerialBaud), kDilOk);
    EXPECT_EQ(dil.CD_StartListening(pipe), kDilErrBusy);
    EXPECT_EQ(notices, std::vector<std::string>{device + ": in use by another program (process " +
                                                std::to_string(getppid()) + ")."});
    close(master);
}

}  // namespace
}  // namespace zd
