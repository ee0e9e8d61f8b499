#include "headless/command_line.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

using Overrides = std::vector<std::pair<std::string, std::string>>;

TEST(CommandLine, OptionsAndMistakes) {
    std::string error;
    auto line = ParseCommandLine({"--headless", "--ini", "/tmp/a.INI"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->headless);
    EXPECT_EQ(line->iniPath, "/tmp/a.INI");
    EXPECT_EQ(ParseCommandLine({"--ini=/x.INI"}, error)->iniPath, "/x.INI");
    EXPECT_TRUE(ParseCommandLine({"--help"}, error)->help);
    EXPECT_TRUE(ParseCommandLine({"--version"}, error)->version);
    EXPECT_TRUE(ParseCommandLine({"--relisten"}, error)->relisten);
    EXPECT_FALSE(ParseCommandLine({}, error)->relisten);

    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"--ini"}, "--ini needs a file name"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--port"}, "--port needs 0, 1, 2, 3 or network"},
        {{"--port", "4"}, "--port takes 0, 1, 2, 3 or network, not '4'"},
        {{"--port=-1"}, "--port takes 0, 1, 2, 3 or network, not '-1'"},
        {{"--device", ""}, "--device needs a device path"},
        {{"--device", "/dev/ttyUSB0", "--port", "network"},
         "--device names a serial line; it does not go with --port network"},
    };
    for (const auto& [args, message] : mistakes) {
        EXPECT_FALSE(ParseCommandLine(args, error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(CommandLine, PortAndDeviceBecomePreferencesForThisRun) {
    std::string error;
    const auto options = [&](std::vector<std::string> args) {
        return ToRunOptions(*ParseCommandLine(args, error), "/home/u/.config/zandorelle.INI");
    };
    EXPECT_EQ(options({}).prefOverrides, Overrides{});
    EXPECT_EQ(options({}).prefsPath, "/home/u/.config/zandorelle.INI");
    EXPECT_EQ(options({"--port", "network"}).prefOverrides, (Overrides{{"port", "-1"}}));
    EXPECT_EQ(options({"--port=2"}).prefOverrides, (Overrides{{"port", "2"}}));
    EXPECT_EQ(options({"--device", "/dev/ttyUSB1"}).prefOverrides,
              (Overrides{{"port", "0"}, {"Serial0", "/dev/ttyUSB1"}}));
    EXPECT_EQ(options({"--device=/dev/ttyS0", "--port", "3"}).prefOverrides,
              (Overrides{{"port", "3"}, {"Serial3", "/dev/ttyS0"}}));
    EXPECT_TRUE(options({"--relisten", "--ini", "a.INI"}).relisten);
    EXPECT_EQ(options({"--ini", "a.INI"}).prefsPath, "a.INI");
}

}  // namespace
}  // namespace zd
