// The serial slots: what discovery finds, in which order, and what the DIL
// reports for each slot.
#include "link/dil/serial_ports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "link/dil/dil.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

class SerialPortsTest : public ::testing::Test {
protected:
    SerialPortsTest() {
        roots.dev = dir.File("dev");
        roots.tmp = dir.File("tmp");
        roots.sysTty = dir.File("sys");
        for (const auto& folder : {roots.dev + "/serial/by-id", roots.tmp, roots.sysTty})
            fs::create_directories(folder);
    }

    void Device(const std::string& path) { test::WriteFile(path, ""); }
    void Uart(const std::string& name, int type) {
        fs::create_directories(roots.sysTty + "/" + name);
        test::WriteFile(roots.sysTty + "/" + name + "/type", std::to_string(type) + "\n");
        Device(roots.dev + "/" + name);
    }

    test::TempDir dir;
    DeviceRoots roots;
};

TEST_F(SerialPortsTest, DiscoveryOrderAndEachDeviceOnce) {
    Device(roots.dev + "/ttyUSB10");
    Device(roots.dev + "/ttyUSB2");
    Device(roots.dev + "/ttyACM0");
    Device(roots.dev + "/ttyUSB0");
    fs::create_symlink("../../ttyUSB10", roots.dev + "/serial/by-id/usb-FTDI_A600-if00-port0");
    Device(roots.tmp + "/einstein-extr.pty");
    Device(roots.tmp + "/not-einstein.pty");
    Uart("ttyS0", 4);  // a 16550A
    Uart("ttyS1", 0);  // a placeholder without a UART

    const std::vector<std::string> found = DiscoverSerialDevices(roots);
    const std::vector<std::string> expected = {fs::canonical(roots.dev + "/ttyUSB10").string(),
                                               roots.dev + "/ttyUSB0",
                                               roots.dev + "/ttyUSB2",
                                               roots.dev + "/ttyACM0",
                                               roots.tmp + "/einstein-extr.pty",
                                               roots.dev + "/ttyS0"};
    EXPECT_EQ(found, expected);
}

TEST_F(SerialPortsTest, ConfiguredSlotsComeFirstAndAreNotListedTwice) {
    Device(roots.dev + "/ttyUSB0");
    Device(roots.dev + "/ttyUSB1");
    const auto table = SerialPortTable({"", roots.dev + "/ttyUSB0", "", "/dev/custom"}, roots);
    ASSERT_TRUE(table[0] && table[1] && table[3]);
    EXPECT_EQ(table[0]->path, roots.dev + "/ttyUSB1");
    EXPECT_EQ(table[1]->name, "ttyUSB0");
    EXPECT_FALSE(table[2]) << "nothing left to discover";
    EXPECT_EQ(table[3]->name, "custom");
}

TEST_F(SerialPortsTest, TheDilNamesTheSlotsAndFailsForEmptyOnes) {
    Device(roots.tmp + "/einstein-extr.pty");
    test::FakeClock clock;
    DilOptions options;
    options.deviceRoots = roots;
    options.settings = [] {
        DilSettings settings;
        settings.serialDevices[2] = "/dev/" + std::string(100, 'n');
        return settings;
    };
    Dil dil(clock, options);
    char name[80];
    int32_t length = 79;
    ASSERT_EQ(dil.CD_GetSerialPortName(0, name, &length), kDilOk);
    EXPECT_EQ(std::string(name), "einstein-extr.pty");
    EXPECT_EQ(length, 17);
    length = 79;
    EXPECT_EQ(dil.CD_GetSerialPortName(1, name, &length), kDilErrNoSuchPort);
    length = 79;
    ASSERT_EQ(dil.CD_GetSerialPortName(2, name, &length), kDilOk);
    EXPECT_EQ(length, 79) << "a long name is cut to the room given";
    EXPECT_EQ(std::string(name), std::string(79, 'n'));
    EXPECT_EQ(dil.CD_GetSerialPortName(4, name, &length), kDilErrNoSuchPort);

    dil.CD_Startup();
    CD_Handle pipe = 0;
    EXPECT_EQ(dil.CD_CreateMNPSerial(&pipe, 1, kSerialBaud), kDilErrNoSuchPort);
    EXPECT_EQ(pipe, 0);
}

}  // namespace
}  // namespace zd
