// The network port guarded against callers from other machines, tried from
// a real address that is not the machine's loopback, in a network namespace
// of the test's own: a caller not in NetAllow is refused with a line and
// nothing of it used; one in it is served.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

class NetworkGuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::Subprocess probe({"/usr/bin/unshare", "-rn", "/bin/true"});
        if (probe.WaitForExit(5000) != 0) GTEST_SKIP() << "no network namespace of our own here";
        fs::create_directories(dir.File("in"));
        test::WriteFile(dir.File("item"), "H\x8Alsning fr\x8Cn n\x8Atet");  // Mac OS Roman
    }
    // The program headless in a network of its own with `allow` as NetAllow,
    // and newton-sim pushing an item from 10.9.9.1; the program's output.
    std::string Run(const std::string& allow) {
        test::WriteFile(dir.File("z.INI"),
                        "[Prefs Section]\nport=-1\nNetAddress=0.0.0.0\nNetPort=3679\n"
                        "listen=1\nSaveAsFile=1\nURL=0\nDir=" +
                            dir.File("in") + "\nNetAllow=" + allow + "\n");
        test::Subprocess program({"/usr/bin/unshare",
                                  "-rn",
                                  OWN_NETWORK,
                                  dir.File("sim.log"),
                                  NEWTON_SIM,
                                  "--tcp",
                                  "10.9.9.1:3679",
                                  "--plain",
                                  "--timeout",
                                  "5",
                                  "--greet",
                                  "--push",
                                  "Natet",
                                  dir.File("item"),
                                  "--bye",
                                  "--",
                                  ZD_PROGRAM,
                                  "--headless",
                                  "--ini",
                                  dir.File("z.INI")});
        // The item saved, or the caller refused.
        for (int i = 0; i < 80 && !program.WaitForStdout("Text Saved", 100); ++i)
            if (program.out().find("Refused") != std::string::npos) break;
        program.Write("quit\n");
        EXPECT_EQ(program.WaitForExit(10000), 0) << program.err();
        return program.out();
    }

    test::TempDir dir;
};

TEST_F(NetworkGuardTest, ACallerFromElsewhereIsServedOnlyWhenAllowed) {
    const std::string refused = Run("");
    EXPECT_NE(refused.find("Refused the Newton at 10.9.9.1: only the addresses in NetAllow may "
                           "connect from other machines.\n"),
              std::string::npos)
        << refused;
    EXPECT_FALSE(fs::exists(dir.File("in/Natet.txt")));

    const std::string allowed = Run("192.168.0.7, 10.0.0.0/8");
    EXPECT_EQ(allowed.find("Refused"), std::string::npos) << allowed;
    EXPECT_EQ(test::ReadFile(dir.File("in/Natet.txt")), "Hälsning från nätet");
}

}  // namespace
}  // namespace zd
