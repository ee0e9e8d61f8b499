// The Newton's data exported through its Connection application that
// newton-sim plays, over a pseudo-terminal: notes as files, every card of
// both stores in Names.vcf, every meeting, event and repeat in Dates.ics and
// every task in To Do.ics, read back by parsers of their own and by the
// programs people use (khal, khard, vobject's validation); a task keeps its
// UID when the one before it is deleted; and an export cut short leaves the
// files of the one before it as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/sim_newton.h"
#include "support/subprocess.h"
#include "support/temp_dir.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using test::Line;

// What newton-sim serves, as the export's readers see it.
constexpr const char* kServed =
    "card|Åsa Ørnskjöld|HOME/VOICE=040-12 34 56,WORK/VOICE=040-98 76 54,CELL=070-123 45 67,"
    "FAX=040-11 11 11,CELL=070-222 22 22,PAGER=0740-33 33,PAGER=0740-99 99|"
    "asa@example.se,asa.o@example.org\n"
    "card|Ångström & Söner|WORK/VOICE=08-55 55 55|\n"
    "card|Bokklubben||\n"
    "card|François Müller|VOICE=+33 1 23 45 67 89,HOME/FAX=+33 1 98 76 54 32|\n"
    "VEVENT|Möte med Åsa|dtstart=20261214T100000|location=Konferensrum Ö|alarm\n"
    "VEVENT|Midsommarafton|dtstart=20260619\n"
    "VEVENT|Veckomöte|dtstart=20260106T090000|rrule=FREQ=WEEKLY;UNTIL=20261231T235959;"
    "BYDAY=TU,TH|exdate=20260113T090000|alarm\n"
    "VEVENT|Flyttat möte|dtstart=20260120T110000|recurrence-id=20260120T090000\n"
    "VEVENT|Andra tisdagen|dtstart=20260113T140000|rrule=FREQ=MONTHLY;BYDAY=2TU\n"
    "VEVENT|Den femtonde|dtstart=20260115T120000|rrule=FREQ=MONTHLY;BYMONTHDAY=15\n"
    "VEVENT|Syrénfest|dtstart=20260517T180000|rrule=FREQ=YEARLY;BYMONTHDAY=17;BYMONTH=5\n"
    "VEVENT|Sista söndagen i oktober|dtstart=20261025T100000|rrule=FREQ=YEARLY;BYDAY=-1SU;"
    "BYMONTH=10\n"
    "VEVENT|Var tredje dag|dtstart=20260201T070000|rrule=FREQ=DAILY;INTERVAL=3\n"
    "VEVENT|Ölfestival|dtstart=20260919|rrule=FREQ=YEARLY;BYMONTHDAY=19;BYMONTH=9\n"
    "VEVENT|Kortets möte|dtstart=20261215T133000\n"
    "VTODO|Köpa mjölk|due=20261210|status=COMPLETED\n"
    "VTODO|Ringa Åsa|due=20261210\n"
    "VTODO|Vattna blommorna\n";

class ExportTest : public ::testing::Test {
protected:
    ExportTest() {
        fs::create_directories(notes);
        fs::create_directories(out);
        test::WriteFile(notes + "/1.txt", "Réunion à Paris\nà 10 h\n");
    }
    int Export(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--timeout", "30", "--notes", notes, "--data"});
        newton = std::make_unique<test::SimNewton>(Line::kSerial, extra, dir.File("z.INI"));
        program = std::make_unique<test::Subprocess>(
            std::vector<std::string>{ZD_PROGRAM, "--ini", dir.File("z.INI"), "--export", out});
        return program->WaitForExit(30000);
    }
    std::string ReadBack() {
        test::Subprocess reader({"/usr/bin/python3", READ_EXPORT, out});
        EXPECT_EQ(reader.WaitForExit(20000), 0) << reader.err();
        return reader.out();
    }
    // What the programs people use found in the export.
    std::string Checked() {
        fs::create_directories(dir.File("scratch"));
        test::Subprocess checker({"/usr/bin/python3", CHECK_EXPORT, out, dir.File("scratch")});
        EXPECT_EQ(checker.WaitForExit(60000), 0) << checker.out() << checker.err();
        return checker.out();
    }
    // The UID of the task `summary` in To Do.ics.
    std::string TaskUid(const std::string& summary) {
        const std::string tasks = test::ReadFile(out + "/To Do.ics");
        const size_t at = tasks.find("SUMMARY:" + summary + "\r\n");
        const size_t begin = tasks.rfind("BEGIN:VTODO", at), uid = tasks.find("UID:", begin);
        return at == std::string::npos ? "" : tasks.substr(uid, tasks.find('\r', uid) - uid);
    }

    test::TempDir dir;
    const std::string notes = dir.File("on-the-newton"), out = dir.File("ut");
    std::unique_ptr<test::SimNewton> newton;
    std::unique_ptr<test::Subprocess> program;
};

TEST_F(ExportTest, EveryCardEventAndTaskArrivesAsTheNewtonKeepsIt) {
    ASSERT_EQ(Export(), 0) << program->out();
    EXPECT_EQ(ReadBack(), kServed);
    EXPECT_EQ(test::ReadFile(out + "/Notes/Réunion à Paris.txt"), "Réunion à Paris\nà 10 h\n");
    EXPECT_NE(program->out().find("Saved the Newton's data in " + out +
                                  ": 1 note, 4 cards, 10 events, 3 tasks.\n"),
              std::string::npos)
        << program->out();
    EXPECT_EQ(Checked(),
              "vobject Names.vcf 4 cards\nvobject Dates.ics 11 parts\nvobject To Do.ics 3 parts\n"
              "khard 4 cards\nkhal 245 instances\n"
              "last Veckomöte 2026-12-31 shown 2026-12-31 09:00:00\n");
}

TEST_F(ExportTest, ATaskKeepsItsUidWhenTheOneBeforeItIsDeleted) {
    ASSERT_EQ(Export(), 0) << program->out();
    const std::string before = TaskUid("Ringa Åsa");
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(Export({"--first-task-deleted"}), 0) << program->out();
    EXPECT_EQ(TaskUid("Köpa mjölk"), "");
    EXPECT_EQ(TaskUid("Ringa Åsa"), before);
}

TEST_F(ExportTest, AnExportCutShortLeavesTheEarlierFilesWhole) {
    ASSERT_EQ(Export(), 0) << program->out();
    const std::string cards = test::ReadFile(out + "/Names.vcf");
    EXPECT_EQ(Export({"--vanish-after-notes", "3"}), 1);
    EXPECT_NE(
        program->out().find(out + "/Names.vcf was left as it was: the reading was cut short.\n"),
        std::string::npos)
        << program->out();
    EXPECT_EQ(test::ReadFile(out + "/Names.vcf"), cards);
    for (const auto& entry : fs::directory_iterator(out))
        EXPECT_NE(entry.path().filename().string().rfind(".zandorelle-", 0), 0u) << entry.path();
}

}  // namespace
}  // namespace zd
