// A fresh folder for one test, removed with everything in it at the end.
#pragma once

#include <string>

namespace zd::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes `content` to `path`, replacing it; fails the test on error.
void WriteFile(const std::string& path, const std::string& content);
// The content of `path`, or "" if it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace zd::test
