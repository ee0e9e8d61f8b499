#include "headless/command_line.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(CommandLine, OptionsAndMistakes) {
    std::string error;
    auto line = ParseCommandLine({"--headless", "--ini", "/tmp/a.INI"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->headless);
    EXPECT_EQ(line->iniPath, "/tmp/a.INI");
    EXPECT_EQ(ParseCommandLine({"--ini=/x.INI"}, error)->iniPath, "/x.INI");
    EXPECT_TRUE(ParseCommandLine({"--help"}, error)->help);
    EXPECT_TRUE(ParseCommandLine({"--relisten"}, error)->relisten);
    EXPECT_FALSE(ParseCommandLine({}, error)->relisten);

    EXPECT_FALSE(ParseCommandLine({"--ini"}, error));
    EXPECT_EQ(error, "--ini needs a file name");
    EXPECT_FALSE(ParseCommandLine({"--bogus"}, error));
    EXPECT_EQ(error, "unknown option '--bogus'");
}

}  // namespace
}  // namespace zd
