// The four serial slots of the port list: each holds the device its
// preference names, or else the next device found on this machine.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace zd {

inline constexpr int kSerialSlots = 4;

struct SerialPort {
    std::string name;  // short, for the port list: "ttyUSB0", "einstein-extr.pty"
    std::string path;  // what to open
};

// Where discovery looks; tests point these at folders of their own.
struct DeviceRoots {
    std::string dev = "/dev";
    std::string tmp = "/tmp";
    std::string sysTty = "/sys/class/tty";
    std::string lock = "/run/lock";  // where serial programs lock their devices
};

// Serial devices present now, in the order the slots take them: USB adapters
// (by id, then ttyUSB*, ttyACM*), the Newton emulator's pseudo-terminals, and
// the built-in ports that have a real UART behind them.  Each device once.
std::vector<std::string> DiscoverSerialDevices(const DeviceRoots& roots);

// The slots: `configured[i]`, when not empty, is slot i's device; the empty
// slots take the discovered devices that no slot names, in order.
std::array<std::optional<SerialPort>, kSerialSlots> SerialPortTable(
    const std::array<std::string, kSerialSlots>& configured, const DeviceRoots& roots);

}  // namespace zd
