// Reading the Newton's Notes through the full connection: every store in
// turn, the entries as they come, a reading the Newton starts itself, and one
// the Newton cancels, leaves silent or answers with nonsense.
#include "dock/soup_reading.h"

#include <gtest/gtest.h>

#include "base/unicode.h"
#include "dock/full_connection_fixture.h"
#include "support/real_bytes.h"

namespace zd::dock {
namespace {

using namespace std::string_literals;
using nsof::Value;
using Notes = std::vector<std::string>;

Value Store(const char* name) {
    return Value{nsof::Frame{{{"name", Value{nsof::String{name}}},
                              {"kind", Value{nsof::String{"Internal"}}},
                              {"signature", Value{int32_t{77}}}}}};
}

std::string Names(std::vector<const char*> names) {
    nsof::Array array, signatures;
    for (const char* name : names) {
        array.elements.push_back(Value{nsof::String{name}});
        signatures.elements.push_back(Value{int32_t{1}});
    }
    return nsof::Encode(Value{array}) + nsof::Encode(Value{signatures});
}

class SoupReadingTest : public FullConnectionFixture {
protected:
    void SetUp() override { Connect(BigEndian32(0) + "\0A\0\0"s); }
    SoupReading::Outcome Outcome() { return connection.reading()->outcome(); }
    // A reading of the one store "Internal", up to the Notes soup's
    // information, which the Newton answers with `command` and `data`.
    void ReadUpToTheSoup(std::string_view command, const std::string& data) {
        connection.ReadSoups({"Notes"}, now);
        NewtonSays("dres", BigEndian32(0));
        NewtonSays("sopt", nsof::Encode(Value{nsof::Frame{
                               {{"stores", Value{nsof::Array{"", {Store("Internal")}}}}}}}));
        NewtonSays("soup", Names({"Notes"}));
        NewtonSays(command, data);
    }
};

TEST_F(SoupReadingTest, EveryStoreIsAskedForItsNotesAndTheEntriesComeAsTheyArrive) {
    connection.ReadSoups({"Notes"}, now);
    EXPECT_EQ(SentCommands(), (std::vector<std::string>{"dsnc", "ssyn"}));
    NewtonSays("dres", BigEndian32(0));
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"gsyn"});
    NewtonSays("sopt",
               nsof::Encode(Value{nsof::Frame{
                   {{"stores", Value{nsof::Array{"", {Store("Internal"), Store("Kort")}}}}}}}));
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "ssgn");
    const nsof::Decoded store = nsof::Decode(sent[0].data);
    ASSERT_TRUE(store.value) << store.error;
    EXPECT_EQ(store.value->Find("name")->As<nsof::String>()->text, "Internal");
    EXPECT_EQ(*store.value->Find("signature")->As<int32_t>(), 77);

    NewtonSays("soup", Names({"Calendar", "Notes"}));
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "ssgi");
    EXPECT_EQ(sent[0].data, "\0N\0o\0t\0e\0s\0\0"s);
    NewtonSays("sinf", nsof::Encode(Value{nsof::Frame{}}));
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"snds"});
    NewtonSays("entr", "first");
    NewtonSays("entr", "second");
    const auto entries = connection.TakeEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].store, "Internal");
    EXPECT_EQ(entries[1].number, 2u);
    EXPECT_EQ(entries[1].data, "second");
    EXPECT_TRUE(connection.TakeEntries().empty()) << "each entry is handed out once";

    NewtonSays("bsdn");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"ssgn"}) << "the card next";
    NewtonSays("soup", Names({"Calendar"}));
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"opdn"}) << "a card without Notes";
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kDone);
    EXPECT_EQ(connection.reading()->stores(), 2u);
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(SoupReadingTest, TheNewtonsOwnIconsStartTheirReadings) {
    const struct {
        const char* command;
        std::vector<std::string> sent;
        bool everySoup;
        const char* note;
    } icons[] = {
        {"sync", {"ssyn"}, false, "The Newton asks to synchronise: Zandorelle reads its notes."},
        {"ssyn", {"cvbo", "stme"}, true, "The Newton's user asks for a backup."},
    };
    for (const auto& [command, sent, everySoup, note] : icons) {
        connection.ForgetReading();
        NewtonSays(command);
        EXPECT_EQ(SentCommands(), sent) << command;
        ASSERT_TRUE(connection.reading());
        EXPECT_EQ(connection.reading()->everySoup(), everySoup);
        EXPECT_EQ(connection.TakeNotes(), Notes{note});
    }
    // The backup sets each store as a real Newton lists it.
    NewtonSays("time", BigEndian32(60000000));
    NewtonSays("appn", nsof::Encode(Value{nsof::Array{}}));
    (void)Sent();
    NewtonSays("sopt", nsof::Encode(Value{nsof::Frame{}}));
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"gsto"});
    connection.Receive(test::RealBytes("session2/newton/05_stor.bin"), now);
    const auto set = Sent();
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].command, "ssto");
    const nsof::Decoded store = nsof::Decode(set[0].data);
    ASSERT_TRUE(store.value);
    EXPECT_EQ(store.value->Find("name")->As<nsof::String>()->text, "Internal");
    EXPECT_EQ(*store.value->Find("signature")->As<int32_t>(), 31871237);
}

TEST_F(SoupReadingTest, ABackupReadsNoMoreSoupsOfAStoreThanANewtonCouldHold) {
    connection.ReadSoups({}, now);
    NewtonSays("dres", BigEndian32(0));
    NewtonSays("time", BigEndian32(60000000));
    NewtonSays("appn", nsof::Encode(Value{nsof::Array{}}));
    NewtonSays("sopt", nsof::Encode(Value{nsof::Frame{}}));
    NewtonSays("stor", nsof::Encode(Value{nsof::Array{"", {Store("Internal")}}}));
    NewtonSays("dres", BigEndian32(0));  // the store is set
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i) names.push_back("Soppa " + std::to_string(i));
    std::vector<const char*> pointers;
    for (const std::string& name : names) pointers.push_back(name.c_str());
    (void)Sent();
    (void)connection.TakeNotes();
    NewtonSays("soup", Names(pointers));
    EXPECT_EQ(connection.reading()->missing(),
              std::vector<std::string>{"904 soups of Internal past its first 4,096"});
    EXPECT_EQ(connection.TakeNotes().front(),
              "The Newton lists 5,000 soups on Internal; the first 4,096 are read.");
}

// What each step of a backup asks, and what it keeps of the answers, in order.
TEST_F(SoupReadingTest, ABackupKeepsWhatARestoreNeeds) {
    using Kind = SoupReading::Entry::Kind;
    connection.ReadSoups({}, now);
    (void)Sent();
    NewtonSays("dres", BigEndian32(0));
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].command, "cvbo");
    EXPECT_EQ(sent[0].data, BigEndian32(0)) << "packages uncompressed";
    EXPECT_EQ(sent[1].command, "stme");
    EXPECT_EQ(sent[1].data, BigEndian32(0)) << "just the clock";
    NewtonSays("dres", BigEndian32(0));  // a Newton that answers "cvbo" after all
    EXPECT_TRUE(Sent().empty());
    NewtonSays("time", BigEndian32(64000000));
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "gapp");
    EXPECT_EQ(sent[0].data, BigEndian32(0)) << "names and soups of every store";
    NewtonSays("appn", "apps");
    NewtonSays("sopt", nsof::Encode(Value{nsof::Frame{}}));
    NewtonSays("stor", nsof::Encode(Value{nsof::Array{"", {Store("Internal")}}}));
    NewtonSays("dres", BigEndian32(0));
    nsof::Array names{"", {Value{nsof::String{"Notes"}}, Value{nsof::String{"Calendar"}}}};
    nsof::Array signatures{"", {Value{int32_t{5}}, Value{int32_t{6}}}};
    (void)Sent();
    NewtonSays("soup", nsof::Encode(Value{names}) + nsof::Encode(Value{signatures}));
    const std::pair<const char*, std::string> answers[] = {
        {"dres", BigEndian32(0)},
        {"indx", "notes indexes"},
        {"sinf", "notes info"},
        {"entr", "note"},
        {"bsdn", ""},
        // Calendar: a Newton that gives neither its indexes nor its information.
        {"dres", BigEndian32(0)},
        {"unkn", "gind"},
        {"dres", BigEndian32(-28006)},
        {"bsdn", ""}};
    for (const auto& [command, data] : answers) NewtonSays(command, data);
    EXPECT_EQ(SentCommands(), (std::vector<std::string>{"ssou", "gind", "gsin", "snds", "ssou",
                                                        "gind", "gsin", "snds", "opdn"}));
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kDone);
    const std::vector<std::tuple<Kind, std::string, int32_t, std::string>> kept = {
        {Kind::kClock, "", 0, BigEndian32(64000000)},
        {Kind::kApplications, "", 0, "apps"},
        {Kind::kStores, "", 0, nsof::Encode(Value{nsof::Array{"", {Store("Internal")}}})},
        {Kind::kStoreSoups, "", 0, nsof::Encode(Value{names}) + nsof::Encode(Value{signatures})},
        {Kind::kSoupIndexes, "Notes", 5, "notes indexes"},
        {Kind::kSoupInfo, "Notes", 5, "notes info"},
        {Kind::kEntry, "Notes", 5, "note"},
        {Kind::kSoupDone, "Notes", 5, ""},
        {Kind::kSoupDone, "Calendar", 6, ""}};
    const auto entries = connection.TakeEntries();
    ASSERT_EQ(entries.size(), kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        const auto& [kind, soup, signature, data] = kept[i];
        EXPECT_EQ(entries[i].kind, kind) << i;
        EXPECT_EQ(entries[i].soup, soup) << i;
        EXPECT_EQ(entries[i].soupSignature, signature) << i;
        EXPECT_EQ(entries[i].data, data) << i;
    }
    EXPECT_EQ(connection.TakeNotes(),
              (Notes{"Reading Notes on Internal…", "Reading Calendar on Internal…",
                     "The Newton does not know \"gind\": the backup holds no indexes of its "
                     "soups."}));
}

// A Newton without what a backup asks beyond the entries is still backed up.
TEST_F(SoupReadingTest, ABackupGoesOnWithoutWhatAnOlderNewtonDoesNotKnow) {
    connection.ReadSoups({}, now);
    NewtonSays("dres", BigEndian32(0));
    (void)Sent();
    NewtonSays("unkn", "cvbo");
    NewtonSays("unkn", "stme");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"gapp"});
    NewtonSays("dres", BigEndian32(-28012));
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"gsyn"});
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kRunning);
    EXPECT_EQ(connection.TakeNotes(),
              (Notes{"The Newton does not know \"cvbo\": the backup holds no word on how its "
                     "packages came.",
                     "The Newton does not know \"stme\": the backup holds no clock of the Newton.",
                     "The Newton did not name its applications (error -28012)."}));
}

TEST_F(SoupReadingTest, ACancelKeepsWhatCameAndTheConnection) {
    ReadUpToTheSoup("dres", BigEndian32(0));  // a plain result for the soup's information
    NewtonSays("entr", "kept");
    (void)Sent();
    NewtonSays("opca");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"ocaa"});
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kCut);
    EXPECT_EQ(connection.TakeEntries().size(), 1u);
    EXPECT_EQ(connection.TakeNotes(), Notes{"The Newton cancelled the reading of its Notes."});
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(SoupReadingTest, ASoupThatNeverEndsIsGivenUpAfterTheTimeout) {
    ReadUpToTheSoup("sinf", "");
    NewtonSays("entr", "one");
    (void)Sent();
    now += 29999;
    connection.Tick(now);
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kRunning);
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"helo"}) << "we stay alive meanwhile";
    now += 1;
    connection.Tick(now);
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kCut);
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"opca"});
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton sent nothing for 30 s in the middle of its Notes; the reading "
                    "has ended."});
}

TEST_F(SoupReadingTest, OptionsWithoutStoresEndTheReadingWithItsReason) {
    connection.ReadSoups({"Notes"}, now);
    NewtonSays("dres", BigEndian32(0));
    NewtonSays("sopt", "\x02\x06\x01\x07\x06stores\x00\x10"s);
    EXPECT_EQ(Outcome(), SoupReading::Outcome::kCut);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton's synchronisation options name no stores."});
    NewtonSays("dres", BigEndian32(static_cast<uint32_t>(-10000)));
    EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
}

TEST_F(SoupReadingTest, AnUnknownCommandEitherWayEndsTheReadingWithItsReason) {
    const struct {
        const char* command;
        std::string data;
        std::vector<std::string> answer;
        const char* note;
    } cases[] = {
        {"unkn", "gsyn", {"opdn"}, "The Newton does not understand \"gsyn\"."},
        {"xyzw",
         "",
         {"unkn", "opdn"},
         "The Newton sent \"xyzw\", which Zandorelle does not know; it was told so, and the "
         "reading has ended."},
    };
    for (const auto& [command, data, answer, note] : cases) {
        connection.ReadSoups({"Notes"}, now);
        NewtonSays("dres", BigEndian32(0));
        (void)Sent();
        (void)connection.TakeNotes();
        NewtonSays(command, data);
        EXPECT_EQ(SentCommands(), answer);
        EXPECT_EQ(Outcome(), SoupReading::Outcome::kCut);
        EXPECT_EQ(connection.TakeNotes(), Notes{note});
        connection.ForgetReading();
    }
}

}  // namespace
}  // namespace zd::dock
