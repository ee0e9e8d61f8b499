// Writing a backup back through the full connection, message by message: a
// store set, a soup the Newton has and one it lacks, entries added and
// changed, a package; both readings of what the descriptions leave open
// ("csop", the answer to "auni", the time of an entry written); and every way
// a restore stops: an entry refused, a cancel from either side, a silent
// Newton.
#include "dock/restoring.h"

#include <gtest/gtest.h>

#include <deque>

#include "dock/full_connection_fixture.h"
#include "nsof/nsof.h"

namespace zd::dock {
namespace {

using namespace std::string_literals;
using nsof::Value;
using Notes = std::vector<std::string>;
using Commands = std::vector<std::string>;

std::string Entry(int32_t id, int32_t modTime) {
    return nsof::Encode(Value{nsof::Frame{{{"title", Value{nsof::String{"Ärende"}}},
                                           {"_uniqueID", Value{id}},
                                           {"_modTime", Value{modTime}}}}});
}

// A soup's entries to write, handed out one at a time.
std::function<std::optional<EntryWrite>()> Writes(std::deque<EntryWrite> writes) {
    return [writes]() mutable -> std::optional<EntryWrite> {
        if (writes.empty()) return std::nullopt;
        EntryWrite next = writes.front();
        writes.pop_front();
        return next;
    };
}

const std::string kIndexes = nsof::Encode(Value{nsof::Array{}});

class RestoringTest : public FullConnectionFixture {
protected:
    void SetUp() override { Connect(BigEndian32(0) + "\0A\0\0"s); }

    // The Notes the Newton has (one entry changed, one added), then a soup
    // of a third party's it lacks (`indexes` for it: none, or some), then a
    // package.
    RestoreWork Work(std::string indexes = kIndexes) {
        RestoreWork work;
        work.version = SourceVersion{2, 0x01000000, 0x10003000};
        StoreWork store{"Internal", "store frame", {}, {}};
        store.soups.push_back({"Notes", "", "", std::nullopt,
                               Writes({{Entry(1, 500), 1, 500, true}, {Entry(2, 600), 2, 600}})});
        store.soups.push_back(
            {"Bücher", indexes, "info frame", 42, Writes({{Entry(0, 700), 0, 700}})});
        store.packages.push_back({"Paket", [] { return std::optional<std::string>("package0"); }});
        work.stores.push_back(std::move(store));
        return work;
    }
    // Starts `work` and plays the Newton up to the question for its first soup.
    void StartUpToTheFirstSoup(RestoreWork work) {
        ASSERT_TRUE(connection.Restore(std::move(work), now));
        for (int answer = 0; answer < 3; ++answer) NewtonSays("dres", BigEndian32(0));
        (void)Sent();
        (void)connection.TakeNotes();
    }
    Restoring::Outcome Outcome() { return connection.restoring()->outcome(); }
};

TEST_F(RestoringTest, EachStoreSoupEntryAndPackageIsWrittenInTurn) {
    ASSERT_TRUE(connection.Restore(Work(), now));
    EXPECT_EQ(SentCommands(), (Commands{"dsnc", "rrst"}));
    // What the Newton answers, and what the desktop says next.
    const struct {
        const char* command;
        std::string data;
        Commands next;
    } steps[] = {
        {"dres", BigEndian32(0), {"sver"}},
        {"dres", BigEndian32(0), {"ssto"}},
        {"dres", BigEndian32(0), {"ssou"}},
        {"dres", BigEndian32(0), {"cent"}},
        {"dres", BigEndian32(0), {"rete"}},  // its time, once
        {"entr", Entry(1, 500), {"auni"}},
        {"dres", BigEndian32(0), {"rete"}},
        {"entr", Entry(2, 99999), {"ssou"}},
        {"dres", BigEndian32(-28015), {"csop"}},  // a soup the Newton lacks
        {"dres", BigEndian32(0), {"ssou"}},
        {"dres", BigEndian32(0), {"sinf"}},
        {"dres", BigEndian32(0), {"ssos"}},
        {"dres", BigEndian32(0), {"auni"}},
        {"dres", BigEndian32(0), {"lpkg"}},
        {"dres", BigEndian32(0), {"opdn"}},
    };
    std::vector<Message> sent;
    for (const auto& [command, data, next] : steps) {
        NewtonSays(command, data);
        const std::vector<Message> now = Sent();
        Commands commands;
        for (const Message& message : now) commands.push_back(message.command);
        EXPECT_EQ(commands, next) << "after " << command;
        sent.insert(sent.end(), now.begin(), now.end());
    }
    const Restoring& restoring = *connection.restoring();
    EXPECT_EQ(restoring.outcome(), Restoring::Outcome::kDone);
    EXPECT_EQ(restoring.added(), 2u);
    EXPECT_EQ(restoring.changed(), 1u);
    EXPECT_EQ(restoring.soupsDone(), 2u);
    EXPECT_EQ(restoring.packagesLoaded(), 1u);
    EXPECT_TRUE(restoring.unwritten().empty());

    // What went: the version, the store, the soups by name, the soup made in
    // the layout a released restore sends, its information and signature,
    // the entries as they were backed up, the package.
    EXPECT_EQ(sent[0].data, BigEndian32(2) + BigEndian32(0x01000000) + BigEndian32(0x10003000));
    EXPECT_EQ(sent[1].data, "store frame");
    EXPECT_EQ(sent[2].data, "\0N\0o\0t\0e\0s\0\0"s);
    EXPECT_EQ(sent[3].data, Entry(1, 500));
    EXPECT_EQ(sent[4].data, BigEndian32(1));
    const std::string bucher = "\0B\0\xFC\0c\0h\0e\0r\0\0"s;
    EXPECT_EQ(sent[8].data, BigEndian32(14) + bucher + "\0\0"s + kIndexes);
    EXPECT_EQ(sent[10].data, "info frame");
    EXPECT_EQ(sent[11].data, BigEndian32(42));
    EXPECT_EQ(sent[12].data, Entry(0, 700));
    EXPECT_EQ(sent[13].data, "package0");
    EXPECT_EQ(connection.TakeNotes(),
              (Notes{"Restoring Notes on Internal\u2026",
                     "The Newton keeps the time (\"_modTime\") of a changed entry.",
                     "The Newton answers \"auni\" with a result (\"dres\").",
                     "The Newton stamps an added entry with its own clock (\"_modTime\").",
                     "Restoring Bücher on Internal\u2026",
                     "The Newton takes \"csop\" with the soup's name after its length.",
                     "Made the soup Bücher on Internal.", "Installing the package Paket\u2026",
                     "Installed the package Paket."}));
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

// A soup the Newton lacks is made in the layout it takes, or as it defines
// it; the log says which.
TEST_F(RestoringTest, ASoupIsMadeInWhicheverWayTheNewtonTakes) {
    const struct {
        const char* how;
        std::string indexes;
        std::vector<int32_t> answers;  // to each attempt
        Commands attempts;
        const char* note;
    } cases[] = {
        {"the name at once",
         kIndexes,
         {-28012, 0},
         {"csop", "csop", "ssou"},
         "The Newton takes \"csop\" with the soup's name at once."},
        {"neither layout",
         kIndexes,
         {-28012, -28007, 0},
         {"csop", "csop", "cdsp", "ssou"},
         "Made the soup Bücher on Internal as the Newton defines it."},
        {"no indexes backed up",
         "",
         {0},
         {"cdsp", "ssou"},
         "Made the soup Bücher on Internal as the Newton defines it."},
        {"nothing works",
         kIndexes,
         {-28012, -28012, -48005},
         {"csop", "csop", "cdsp", "opdn"},
         "The soup Bücher on Internal could not be made (error -48005); the restore has "
         "stopped."},
    };
    for (const auto& [how, indexes, answers, attempts, note] : cases) {
        connection.ForgetRestore();
        RestoreWork work = Work(indexes);
        work.stores[0].soups.erase(work.stores[0].soups.begin());
        StartUpToTheFirstSoup(std::move(work));
        Commands sent;
        NewtonSays("dres", BigEndian32(-28015));
        for (const std::string& command : SentCommands()) sent.push_back(command);
        for (const int32_t answer : answers) {
            NewtonSays("dres", BigEndian32(static_cast<uint32_t>(answer)));
            for (const std::string& command : SentCommands()) sent.push_back(command);
        }
        EXPECT_EQ(sent, attempts) << how;
        const Notes notes = connection.TakeNotes();
        EXPECT_NE(std::find(notes.begin(), notes.end(), note), notes.end()) << how;
    }
}

TEST_F(RestoringTest, AnAddedEntryMayBeAnsweredWithItsId) {
    RestoreWork work = Work();
    work.stores[0].soups[0].next = Writes({{Entry(2, 600), 2}, {Entry(3, 600), 3}});
    StartUpToTheFirstSoup(std::move(work));
    NewtonSays("dres", BigEndian32(0));  // Notes is set
    NewtonSays("adid", BigEndian32(2));
    NewtonSays("adid", BigEndian32(9));
    EXPECT_EQ(connection.restoring()->added(), 2u);
    EXPECT_EQ(connection.TakeNotes(),
              (Notes{"The Newton answers \"auni\" with the entry's id (\"adid\").",
                     "The Newton gave the entry of id 3 in Notes on Internal the id 9.",
                     "Restoring Bücher on Internal\u2026"}));
}

// However a restore stops, what the Newton confirmed is counted, and the
// operation ends so that the Newton stays usable.
TEST_F(RestoringTest, ARestoreStopsAtTheEntryItReached) {
    const struct {
        const char* how;
        std::function<void()> stop;
        Commands last;
        size_t changed;
        const char* note;
    } cases[] = {
        {"refused",
         [this] { NewtonSays("dres", BigEndian32(-48009)); },
         {"opdn"},
         0,
         "The Newton refused the entry of id 1 in Notes on Internal (error -48009); the restore "
         "has stopped there."},
        {"cancelled here",
         [this] {
             connection.CancelRestore("The restore was cut short.");
             NewtonSays("dres", BigEndian32(0));
         },
         {"opdn"},
         1,
         "The restore was cut short."},
        {"cancelled there",
         [this] { NewtonSays("opca"); },
         {"ocaa"},
         0,
         "The Newton's user stopped the restore at Notes on Internal."},
        {"silent",
         [this] { connection.Tick(now += 30000); },
         {"opdn"},
         0,
         "The Newton did not answer within 30 s at Notes on Internal; the restore has "
         "stopped."},
    };
    for (const auto& [how, stop, last, changed, note] : cases) {
        connection.ForgetRestore();
        StartUpToTheFirstSoup(Work());
        NewtonSays("dres", BigEndian32(0));  // Notes is set; its first entry goes
        EXPECT_EQ(SentCommands(), Commands{"cent"}) << how;
        (void)connection.TakeNotes();
        stop();
        Commands sent = SentCommands();
        sent.erase(std::remove(sent.begin(), sent.end(), "helo"), sent.end());
        EXPECT_EQ(sent, last) << how;
        EXPECT_EQ(Outcome(), Restoring::Outcome::kStopped) << how;
        EXPECT_EQ(connection.restoring()->changed(), changed) << how;
        const Notes notes = connection.TakeNotes();
        EXPECT_NE(std::find(notes.begin(), notes.end(), note), notes.end()) << how;
        EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected) << how;
    }
}

TEST_F(RestoringTest, NoSecondOperationWhileOneRuns) {
    ASSERT_TRUE(connection.Restore(Work(), now));
    EXPECT_FALSE(connection.Restore(Work(), now));
    EXPECT_FALSE(connection.ReadSoups({}, now));
    NewtonSays("ssyn");
    EXPECT_EQ(connection.reading(), nullptr) << "the Newton's Backup waits for the restore";
}

}  // namespace
}  // namespace zd::dock
