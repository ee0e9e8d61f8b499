#include "support/real_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace zd::test {

std::string RealBytes(const std::string& name) {
    const std::string path = std::string(ZD_REAL_DATA) + "/" + name;
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    return ReadFile(path);
}

std::vector<uint8_t> RealFrame(const std::string& name) {
    const std::string bytes = RealBytes(name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace zd::test
