// The lock that serial programs take on a device by convention: a file
// LCK..NAME in the lock folder holding the owner's process id.  Held while we
// have the device open, so two programs never fight over one line.
#pragma once

#include <sys/types.h>
#include <string>

namespace zd {

class DeviceLock {
public:
    DeviceLock() = default;
    ~DeviceLock() { Release(); }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // Takes the lock on `device` in `lockDir`.  False when a live process
    // holds it (its id in `*owner`); a lock left by a dead one is taken over.
    // Where the lock folder cannot be written, the device goes unlocked.
    bool Acquire(const std::string& device, const std::string& lockDir, pid_t* owner);
    void Release();

    // The lock file's name for `device`: "/dev/ttyUSB0" gives "LCK..ttyUSB0".
    static std::string FileName(const std::string& device);

private:
    std::string m_path;  // the lock file we hold; empty when none
};

}  // namespace zd
