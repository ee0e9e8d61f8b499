// A Newton emulator's serial port on TCP, as Einstein has it: it connects only
// to send, keeps its connection after a goodbye, and for 3 s after the program
// closed a connection it drops what the Newton sends, so the next connection
// begins in the middle of a repeated link request.
#include <gtest/gtest.h>

#include "support/loopback.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

TEST(EmulatorTest, ASecondSessionRightAfterTheFirstComesUp) {
    test::TempDir dir;
    const std::string port = std::to_string(test::FreeTcpPort());
    test::WriteFile(dir.File("first"), "Erste Notiz");
    test::WriteFile(dir.File("second"), "Zweite Notiz f\x9Fr M\x9Fnchen");
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=-1\nNetPort=" + port +
                                           "\nSaveAsFile=1\nDir=" + dir.path() + "\n");
    // Listening again as soon as a session ends, as a user pressing Listen would.
    test::Subprocess program({ZD_PROGRAM, "--headless", "--relisten", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    ASSERT_TRUE(program.WaitForStderr("Info: Listening\n")) << program.err();

    // Connect tapped again the moment the first session has ended.
    test::Subprocess emulator({NEWTON_SIM, "--emulator-tcp", port, "--retransmit-ms", "1000",
                               "--timeout", "20", "--greet", "--push", "First", dir.File("first"),
                               "--bye", "--reconnect", "--greet", "--push", "Second",
                               dir.File("second"), "--bye"});
    EXPECT_EQ(emulator.WaitForExit(30000), 0) << emulator.err();
    EXPECT_TRUE(program.WaitForStdout("ZD is now working.\n", 1000, 2)) << program.out();
    EXPECT_EQ(test::CountOf(program.out(), "The Newton speaks MNP (an emulator's serial port).\n"),
              2u);
    EXPECT_EQ(test::ReadFile(dir.File("First.txt")), "Erste Notiz");
    EXPECT_EQ(test::ReadFile(dir.File("Second.txt")), "Zweite Notiz für München");
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);
}

}  // namespace
}  // namespace zd
