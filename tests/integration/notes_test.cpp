// The Newton's notes as text files, read through its Connection application
// that newton-sim plays as a Newton keeps them: fifty notes in Swedish,
// French and German, their paragraphs stored out of order, with a checklist,
// an outline, ink words, a drawing, notes in a folder and a card over a
// pseudo-terminal and TCP, each file's text as the note was written; two
// notes with one first line; the Newton's own Synchronise; --export-notes'
// exit statuses; and a reading cut short from either side, keeping every
// note that came.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::Line;

class NotesTest : public ::testing::Test {
protected:
    NotesTest() {
        fs::create_directories(notes);
        fs::create_directories(out);
    }

    // `count` notes in `notes`, in three languages, the first two with one first line.
    void WriteNotes(int count) {
        const char* lines[] = {"Inköpslista: mjölk, ägg och smör", "Réunion à l'école, été",
                               "Grüße aus Köln, Straße Nr. 5"};
        for (int i = 0; i < count; ++i) {
            const std::string first =
                i < 2 ? "Inköpslista" : lines[i % 3] + (" " + std::to_string(i));
            test::WriteFile(notes + "/note-" + std::to_string(100 + i) + ".txt",
                            first + "\nrad två för " + std::to_string(i) + "\nœuvre, naïve, Öl\n");
        }
    }
    void PrepareNewton(Line line, std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--timeout", "30", "--notes", notes});
        newton = std::make_unique<test::SimNewton>(line, extra, dir.File("z.INI"),
                                                   "Dir=" + dir.File("receive") + "\n");
    }
    std::unique_ptr<test::Subprocess> StartConnected() {
        return newton->StartConnectedProgram(dir.File("z.INI"));
    }
    std::set<std::string> Saved(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    static time_t ModifiedAt(const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mtime;
    }
    void Quit(test::Subprocess& program) {
        program.Write("quit\n");
        EXPECT_EQ(program.WaitForExit(10000), 0);
    }

    test::TempDir dir;
    const std::string notes = dir.File("on-the-newton"), out = dir.File("out");
    std::unique_ptr<test::SimNewton> newton;
};

class NotesOnEveryLine : public NotesTest, public ::testing::WithParamInterface<Line> {};

TEST_P(NotesOnEveryLine, FiftyNotesAndTheirKindArriveAsTheyWereWritten) {
    WriteNotes(50);
    PrepareNewton(GetParam(), {"--notes-checklist", "--notes-ink", "--notes-drawing",
                               "--notes-filed", "--notes-card"});
    auto program = StartConnected();
    program->Write("notes " + out + "\n");
    ASSERT_TRUE(program->WaitForStdout("57 notes saved in " + out + ".\n", 30000))
        << program->out();
    program->Write("disconnect\n");
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();
    Quit(*program);

    const std::set<std::string> saved = Saved(out);
    EXPECT_EQ(saved.size(), 56u) << "55 notes and the folder of two";
    EXPECT_NE(program->err().find("In transit: 57 notes\n"), std::string::npos)
        << "the transit field counts notes";
    EXPECT_EQ(test::ReadFile(out + "/Inköpslista.txt"),
              "Inköpslista\nrad två för 0\nœuvre, naïve, Öl\n");
    EXPECT_EQ(test::ReadFile(out + "/Inköpslista-2.txt"),
              "Inköpslista\nrad två för 1\nœuvre, naïve, Öl\n")
        << "two notes with one first line are two files";
    EXPECT_EQ(test::ReadFile(out + "/Grüße aus Köln, Straße Nr. 5 5.txt"),
              "Grüße aus Köln, Straße Nr. 5 5\nrad två för 5\nœuvre, naïve, Öl\n");
    EXPECT_EQ(test::ReadFile(out + "/Réunion à l'école, été 49.txt"),
              "Réunion à l'école, été 49\nrad två för 49\nœuvre, naïve, Öl\n");
    EXPECT_EQ(test::ReadFile(out + "/Inköp.txt"), "[ ] Inköp\n  [x] Mjölk\n  [ ] Äpfel\n");
    EXPECT_EQ(test::ReadFile(out + "/Planer.txt"), "Planer\n  Våren\n    Frö\n");
    EXPECT_EQ(test::ReadFile(out + "/Ring [ink] i morgon.txt"),
              "Ring [ink] i morgon\nSkiss [ink] här\n")
        << "an ink word in a text and in a rich string, in their order on the page";
    EXPECT_EQ(test::ReadFile(out + "/Arbete/Möte.txt"), "Möte\nmed Kalle\n");
    EXPECT_EQ(test::ReadFile(out + "/Arbete/Lön.txt"), "Lön\nden 25:e\n");
    EXPECT_NE(test::ReadFile(out + "/Drawing.txt").find("only a drawing"), std::string::npos);
    EXPECT_EQ(test::ReadFile(out + "/Från kortet.txt"), "Från kortet\nMed två rader\n")
        << "the card";
    EXPECT_EQ(ModifiedAt(out + "/Inköpslista.txt"), ModifiedAt(notes + "/note-100.txt") / 60 * 60)
        << "the note's time, to the minute";
    EXPECT_NE(program->out().find("Saving the Newton's notes in " + out + "…\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Lines, NotesOnEveryLine, ::testing::Values(Line::kSerial, Line::kNetwork),
                         [](const auto& info) { return test::LineName(info.param); });

TEST_F(NotesTest, TheNewtonsOwnSynchroniseSavesIntoTheReceiveFolder) {
    WriteNotes(3);
    fs::create_directories(dir.File("receive"));
    PrepareNewton(Line::kSerial, {"--sync"});
    auto program = StartConnected();
    ASSERT_TRUE(program->WaitForStdout("3 notes saved in " + dir.File("receive") + ".\n", 15000))
        << program->out();
    EXPECT_NE(program->out().find("The Newton asks to synchronise: Zandorelle reads its notes.\n"),
              std::string::npos);
    EXPECT_EQ(Saved(dir.File("receive")).size(), 3u);
    Quit(*program);
}

TEST_F(NotesTest, ExportNotesSaysHowItWent) {
    WriteNotes(4);
    PrepareNewton(Line::kSerial);
    test::Subprocess all({ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes", out});
    EXPECT_EQ(all.WaitForExit(20000), 0) << all.out() << all.err();
    EXPECT_EQ(Saved(out).size(), 4u);
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << newton->process().err();

    PrepareNewton(Line::kSerial, {"--notes-malformed"});
    test::Subprocess some({ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes", out});
    EXPECT_EQ(some.WaitForExit(20000), 1) << some.out();
    EXPECT_NE(some.out().find("Skipped note 5 of Internal: "), std::string::npos) << some.out();
    EXPECT_NE(some.out().find("4 notes saved in " + out + "; 1 skipped.\n"), std::string::npos);
    EXPECT_NE(some.err().find("not every note was saved"), std::string::npos);

    test::Subprocess nowhere(
        {ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes", dir.File("missing")});
    EXPECT_EQ(nowhere.WaitForExit(5000), 2);
    EXPECT_NE(nowhere.err().find("no folder to save the notes in"), std::string::npos);
}

TEST_F(NotesTest, ANewtonWithThePackageIsToldThatNotesTakeConnection) {
    newton = std::make_unique<test::SimNewton>(
        Line::kSerial, std::vector<std::string>{"--timeout", "20", "--greet", "--await-bye"},
        dir.File("z.INI"));
    test::Subprocess program({ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export-notes", out});
    EXPECT_EQ(program.WaitForExit(20000), 1) << program.out() << program.err();
    EXPECT_NE(program.out().find("The Zandorelle package is connected; the Newton's notes and "
                                 "data are read through its Connection application instead.\n"),
              std::string::npos)
        << program.out();
    EXPECT_TRUE(Saved(out).empty());
    EXPECT_EQ(newton->process().WaitForExit(10000), 0) << "it got its goodbye";
}

// The Newton cancels or vanishes after ten notes; the desktop disconnects in
// the middle of a slow reading.  What came stays, and the next Newton is served.
class NotesCutShort : public NotesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NotesCutShort, TheNotesThatCameStayAndTheNextConnectionWorks) {
    const std::string how = GetParam();
    WriteNotes(how == "disconnect" ? 200 : 30);
    if (how == "disconnect") {
        PrepareNewton(Line::kNetwork, {"--baud", "57600"});
    } else {
        PrepareNewton(Line::kNetwork, {how, "10"});
    }
    auto program = std::make_unique<test::Subprocess>(std::vector<std::string>{
        ZD_PROGRAM, "--headless", "--relisten", "--ini", dir.File("z.INI")});
    program->Write("listen\n");
    newton->StartWhenListening(*program);
    ASSERT_TRUE(program->WaitForStdout(test::kConnectionReady, 15000)) << program->out();
    program->Write("notes " + out + "\n");
    if (how == "disconnect") {
        ASSERT_TRUE(program->WaitForStdout("100 notes so far…\n", 30000)) << program->out();
        program->Write("disconnect\n");
    }
    ASSERT_TRUE(program->WaitForStdout("; the reading was cut short.\n", 15000)) << program->out();
    const size_t saved = Saved(out).size();
    EXPECT_TRUE(how == "disconnect" ? saved >= 100 : saved == 10) << saved;
    EXPECT_NE(program->out().find(std::to_string(saved) + " notes saved in " + out),
              std::string::npos)
        << program->out();
    if (how == "--cancel-after-notes") program->Write("disconnect\n");
    // A Newton cut off in the middle of its soup counts that as its failure.
    const int newtonEnd = newton->process().WaitForExit(10000);
    if (how != "disconnect") {
        EXPECT_EQ(newtonEnd, 0) << newton->process().err();
    }

    EXPECT_TRUE(newton->ServesThePackageNext(*program, dir.path()));
    Quit(*program);
}

INSTANTIATE_TEST_SUITE_P(Sides, NotesCutShort,
                         ::testing::Values("--cancel-after-notes", "--vanish-after-notes",
                                           "disconnect"),
                         [](const auto& info) {
                             const std::string how = info.param;
                             return how == "disconnect"             ? std::string("FromTheDesktop")
                                    : how == "--cancel-after-notes" ? std::string("NewtonCancels")
                                                                    : std::string("NewtonVanishes");
                         });

}  // namespace
}  // namespace zd
