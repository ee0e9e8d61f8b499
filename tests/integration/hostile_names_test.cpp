// Item names meant to escape the receive folder, sent over the wire by
// newton-sim: every item is saved, and nothing appears anywhere but in the
// folder itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;

// Escapes as newton-sim reads them.
const char* const kHostileNames[] = {
    "../../x",
    "/etc/passwd",
    "a/b",
    "..",
    ".",
    "",
    "\\x00evil",
    "a\\x00/../b",
    "\\x01\\x1b[2J\\x7f",
    "..\\\\..\\\\win",
    "\\x8A\\xFF\\x80\\xC0\\xAF",
    ".hidden",
};

std::set<std::string> EverythingUnder(const std::string& root) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) paths.insert(entry.path());
    return paths;
}

TEST(HostileNamesTest, NothingLandsOutsideTheReceiveFolder) {
    test::TempDir dir;
    // Deep enough that "../../x" stays inside what the test can see.
    const std::string in = dir.File("a/b/in");
    fs::create_directories(in);
    test::WriteFile(dir.File("a/keep"), "untouched");
    test::WriteFile(dir.File("item"), "hostile");

    std::vector<std::string> names(std::begin(kHostileNames), std::end(kHostileNames));
    names.push_back(std::string(130, 'n'));  // longer than a name may be
    std::vector<std::string> sim = {NEWTON_SIM, "--pty", "--greet"};
    for (const std::string& name : names) sim.insert(sim.end(), {"--push", name, dir.File("item")});
    // Longer than any command: refused whole, and the link with it.
    sim.insert(sim.end(), {"--push", std::string(300, 'n'), dir.File("item")});
    test::Subprocess newton(sim);
    const std::string pty = test::WaitForSimPty(newton);
    ASSERT_FALSE(pty.empty());
    test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nport=0\nSerial0=" + pty +
                                           "\nSaveAsFile=1\nURL=0\nDir=" + in + "\n");
    const std::set<std::string> before = EverythingUnder(dir.path());

    test::Subprocess program({ZD_PROGRAM, "--headless", "--ini", dir.File("z.INI")});
    program.Write("listen\n");
    EXPECT_TRUE(program.WaitForStdout("Text Saved\n", 20000, names.size())) << program.out();
    EXPECT_TRUE(program.WaitForStdout("Command too large\n")) << program.out();
    newton.WaitForExit();
    program.Write("quit\n");
    EXPECT_EQ(program.WaitForExit(), 0);

    std::set<std::string> saved;
    for (const std::string& path : EverythingUnder(dir.path())) {
        if (before.count(path)) continue;
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(in)) << path;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << path;
        if (fs::path(path).parent_path() == fs::path(in)) {
            EXPECT_EQ(test::ReadFile(path), "hostile") << path;
            saved.insert(path);
        }
    }
    // Names that clean up alike share a file; most do not.
    EXPECT_GE(saved.size(), names.size() - 2);
    EXPECT_EQ(test::ReadFile(dir.File("a/keep")), "untouched");
}

}  // namespace
}  // namespace zd
