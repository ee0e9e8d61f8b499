#include "link/dil/serial_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace zd {
namespace {

namespace fs = std::filesystem;

// Entries of `folder` whose names start with `prefix` and end with `suffix`,
// in natural order (ttyUSB2 before ttyUSB10).
std::vector<std::string> Matching(const std::string& folder, const std::string& prefix,
                                  const std::string& suffix = "") {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            found.push_back(entry.path().string());
        }
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return found;
}

// A built-in ttyS port is listed only when the kernel found a UART behind it;
// most of them are placeholders.
bool HasUart(const DeviceRoots& roots, const std::string& device) {
    std::ifstream type(roots.sysTty + "/" + fs::path(device).filename().string() + "/type");
    int uart = 0;
    return (type >> uart) && uart != 0;
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? path : resolved.string();
}

}  // namespace

std::vector<std::string> DiscoverSerialDevices(const DeviceRoots& roots) {
    std::vector<std::string> candidates;
    for (const std::string& byId : Matching(roots.dev + "/serial/by-id", ""))
        candidates.push_back(Canonical(byId));
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (const std::string& device : Matching(roots.dev, prefix)) candidates.push_back(device);
    }
    for (const std::string& pty : Matching(roots.tmp, "einstein-", ".pty"))
        candidates.push_back(pty);
    for (const std::string& device : Matching(roots.dev, "ttyS")) {
        if (HasUart(roots, device)) candidates.push_back(device);
    }

    std::vector<std::string> devices;
    std::set<std::string> seen;
    for (const std::string& device : candidates) {
        if (seen.insert(Canonical(device)).second) devices.push_back(device);
    }
    return devices;
}

std::array<std::optional<SerialPort>, kSerialSlots> SerialPortTable(
    const std::array<std::string, kSerialSlots>& configured, const DeviceRoots& roots) {
    std::set<std::string> named;
    for (const std::string& device : configured) {
        if (!device.empty()) named.insert(Canonical(device));
    }
    std::vector<std::string> spare;
    for (const std::string& device : DiscoverSerialDevices(roots)) {
        if (!named.count(Canonical(device))) spare.push_back(device);
    }

    std::array<std::optional<SerialPort>, kSerialSlots> table;
    auto next = spare.begin();
    for (int slot = 0; slot < kSerialSlots; ++slot) {
        std::string path = configured[slot];
        if (path.empty()) {
            if (next == spare.end()) continue;
            path = *next++;
        }
        table[slot] = SerialPort{fs::path(path).filename().string(), path};
    }
    return table;
}

}  // namespace zd
