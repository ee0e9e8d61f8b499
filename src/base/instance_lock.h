// One running program per preference file, window or headless: two programs on
// one file would overwrite each other's values and fight over the same port.
// The lock is an flock on a file in the user's runtime folder, so it goes
// away with its process however that process ends.
#pragma once

#include <sys/types.h>

#include <string>

namespace zd {

class InstanceLock {
public:
    enum class Outcome {
        kTaken,   // this program runs
        kHeld,    // another live program has the file; its id in holder()
        kFailed,  // the lock could not be taken; the reason in error()
    };

    // Tries to take the lock for the preference file at `prefsPath`, in
    // `runtimeDir` (the XDG runtime folder, or the temporary folder if empty).
    InstanceLock(const std::string& prefsPath, const std::string& runtimeDir);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Outcome outcome() const { return m_outcome; }
    pid_t holder() const { return m_holder; }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }

    // The lock file's path for `prefsPath`: every name of one file gives the same.
    static std::string PathFor(const std::string& prefsPath, const std::string& runtimeDir);

private:
    std::string m_path;
    int m_fd = -1;
    Outcome m_outcome = Outcome::kFailed;
    pid_t m_holder = 0;
    std::string m_error;
};

}  // namespace zd
