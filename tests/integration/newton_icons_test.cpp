// Each icon we offer in the Newton's Connection application, tapped by its
// user on the Newton that newton-sim plays: Install browses the desktop's
// packages folder, up and down, and installs the package chosen; names that
// were never offered get nowhere; Backup leaves a whole backup in the
// receive folder.  (Synchronise and Keyboard have tests of their own, in
// notes_test and keyboard_test.)
#include <gtest/gtest.h>

#include <filesystem>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::Line;

class NewtonIconsTest : public ::testing::Test {
protected:
    NewtonIconsTest() {
        for (const std::string& folder :
             {packages + "/Spel", packages + "/Verktyg", packages + "/.dold", received, installed})
            fs::create_directories(folder);
        test::WriteFile(packages + "/Spel/Tetris ÅÄÖ.pkg", "package1 Tetris");
        test::WriteFile(packages + "/Verktyg/Läs mig.txt", "inget paket");
        test::WriteFile(packages + "/Verktyg/Klocka.pkg", Package());
        test::WriteFile(packages + "/.dold/Gömd.pkg", "package0 gömd");
    }
    static std::string Package() {
        std::string bytes = "package0";
        for (int i = 0; bytes.size() < 30000; ++i) bytes += static_cast<char>(i * 17);
        return bytes;
    }
    std::unique_ptr<test::Subprocess> Connect(std::vector<std::string> tap) {
        tap.insert(tap.begin(), {"--timeout", "30"});
        newton = std::make_unique<test::SimNewton>(
            Line::kSerial, tap, dir.File("z.INI"),
            "Dir=" + received + "\nPackageDir=" + packages + "\n");
        return newton->StartConnectedProgram(dir.File("z.INI"));
    }
    // Ends the program, and with it the Newton's connection; what the Newton saw.
    std::string Quit(test::Subprocess& program) {
        program.Write("quit\n");
        EXPECT_EQ(program.WaitForExit(10000), 0);
        EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
        return newton->process().err();
    }

    test::TempDir dir;
    const std::string packages = dir.File("Paket"), received = dir.File("Mottaget"),
                      installed = dir.File("installerat");
    std::unique_ptr<test::SimNewton> newton;
};

TEST_F(NewtonIconsTest, InstallWalksTheFoldersAndInstallsThePackageChosen) {
    auto program =
        Connect({"--tap-install", "Spel/../Verktyg/^/Paket/Verktyg/Klocka.pkg", installed});
    ASSERT_TRUE(program->WaitForStdout("Installed Klocka.pkg.\n", 20000)) << program->out();
    EXPECT_NE(program->out().find("The Newton's user chooses a package to install, from " +
                                  packages + ".\nInstalling Klocka.pkg (30000 bytes)…\n"),
              std::string::npos)
        << program->out();
    EXPECT_EQ(test::ReadFile(installed + "/Klocka.pkg"), Package());
    const std::string newtonSaw = Quit(*program);
    for (const char* seen :
         {"in Spel: file:Tetris ÅÄÖ.pkg\n", "in Paket: folder:Spel folder:Verktyg\n",
          "in Verktyg: file:Klocka.pkg\n", ": disk:Paket\n",
          "Klocka.pkg is a Newton package of 30000 bytes\n"})
        EXPECT_NE(newtonSaw.find(seen), std::string::npos) << seen << "\n" << newtonSaw;
    EXPECT_EQ(newtonSaw.find("the desktop answered"), std::string::npos) << newtonSaw;
    EXPECT_NE(newtonSaw.find("newton-sim: icons 53\n"), std::string::npos)
        << "Backup, Install, Synchronise, Keyboard";
}

TEST_F(NewtonIconsTest, NamesThatWereNotOfferedGetNowhere) {
    auto program =
        Connect({"--tap-install", "../../etc/../Verktyg/../../../etc/passwd", installed});
    ASSERT_TRUE(
        program->WaitForStdout("The Newton asked for a package that was not offered to it "
                               "(passwd); it was told no.\n",
                               20000))
        << program->out();
    EXPECT_EQ(program->out().find("Installing"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(installed));
    EXPECT_TRUE(test::AnswersStatusWithin(*program, 5000)) << "the connection stays usable";
    const std::string newtonSaw = Quit(*program);
    EXPECT_NE(newtonSaw.find("answered \"spth\" with \"dres\" -28031"), std::string::npos)
        << newtonSaw;
    EXPECT_NE(newtonSaw.find("answered \"lpfl\" with \"dres\" -28031"), std::string::npos);
}

TEST_F(NewtonIconsTest, BackupLeavesAWholeBackupInTheReceiveFolder) {
    fs::create_directories(dir.File("notes"));
    test::WriteFile(dir.File("notes/1.txt"), "Möte i Malmö\nklockan nio\n");
    auto program = Connect({"--notes", dir.File("notes"), "--data", "--tap-backup"});
    ASSERT_TRUE(program->WaitForStdout("Backed up ", 20000)) << program->out();
    Quit(*program);
    std::vector<fs::path> backups;
    for (const auto& entry : fs::directory_iterator(received)) backups.push_back(entry.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].extension(), ".newtonbackup");
    EXPECT_EQ(backups[0].filename().string().rfind("Åsa Ørnskjöld's Newton ", 0), 0u);
    EXPECT_NE(program->out().find("The Newton's user asks for a backup.\n"), std::string::npos);
    EXPECT_NE(program->out().find(" to " + backups[0].string() + ".\n"), std::string::npos)
        << program->out();
}

}  // namespace
}  // namespace zd
