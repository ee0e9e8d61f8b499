// The Newton's user browsing the desktop for a package to install: a real
// MessagePad's session replayed message by message (our answers byte for
// byte where the real desktop's are known), folders walked up and down, the
// ways an installation ends, and every name a Newton could send that was not
// offered to it.
#include "dock/browsing.h"

#include <gtest/gtest.h>

#include <map>

#include "dock/full_connection_fixture.h"
#include "dock/password.h"
#include "support/real_bytes.h"

namespace zd::dock {
namespace {

using namespace std::string_literals;
using Notes = std::vector<std::string>;
using test::RealBytes;

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

// Folders and packages in memory; it counts what it is asked to read.
class FakeShelf final : public PackageShelf {
public:
    Place place{"MacBook Pro", "/", {"Users", "matt"}, "/Users/matt"};
    std::map<std::string, std::vector<Item>> folders{
        {"Users/matt", {{"Music", true}, {"test.pkg", false}}},
        {"Users/matt/Music", {{"mpg.pkg", false}}},
        {"Users", {{"matt", true}}},
        {"", {{"Users", true}}}};
    Facts facts{"Installer flat package", 2488, 1584045180, 1712429280, "test.pkg", ""};
    Package package{std::string("package0") + std::string(2480, 'x'), "/Users/matt/test.pkg", ""};
    size_t reads = 0;
    std::vector<std::string> loaded;

    Place Open() override { return place; }
    Listing List(const std::vector<std::string>& path) override {
        ++reads;
        return {folders[Join(path)], ""};
    }
    Facts Describe(const std::vector<std::string>& path, const std::string& name) override {
        ++reads;
        loaded.push_back(Join(path) + "/" + name);
        return facts;
    }
    Package Load(const std::vector<std::string>& path, const std::string& name) override {
        ++reads;
        loaded.push_back(Join(path) + "/" + name);
        return package;
    }

private:
    static std::string Join(const std::vector<std::string>& path) {
        std::string joined;
        for (const std::string& folder : path) joined += (joined.empty() ? "" : "/") + folder;
        return joined;
    }
};

std::string Names(std::vector<std::string> names) {
    nsof::Array array;
    for (const std::string& name : names) array.elements.push_back(nsof::Value{nsof::String{name}});
    return nsof::Encode(nsof::Value{array});
}

std::string Name(const std::string& name) {
    return nsof::Encode(nsof::Value{nsof::String{name}});
}

// The names and types a "path" or "file" answer lists, as "name:type".
std::vector<std::string> Listed(const Message& message) {
    std::vector<std::string> listed;
    const nsof::Decoded decoded = nsof::Decode(message.data);
    const nsof::Array* items = decoded.value ? decoded.value->As<nsof::Array>() : nullptr;
    if (!items) return {message.command};
    for (const nsof::Value& item : items->elements) {
        listed.push_back(item.Find("name")->As<nsof::String>()->text + ":" +
                         std::to_string(*item.Find("type")->As<int32_t>()));
    }
    return listed;
}

class BrowsingTest : public FullConnectionFixture {
protected:
    BrowsingTest() { connection.OfferFiles(&shelf); }
    // The whole message the Newton sent, as the session's file holds it.
    void NewtonSent(const std::string& file) {
        connection.Receive(RealBytes("session2/newton/" + file), now);
    }
    // Connected, and the Newton's dialog open as a Newton opens it.
    void Browse() {
        Connect("\0\0\0\0\0A\0\0"s);
        NewtonSays("rtbr", "\x02\x07\x08packages"s);
        NewtonSays("dpth");
        NewtonSays("gfil");
        (void)Sent();
        (void)connection.TakeNotes();
    }
    int32_t Answer() {
        const auto sent = Sent();
        EXPECT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent.empty() ? "" : sent[0].command, "dres");
        return sent.empty() ? 0 : ResultCode(sent[0]);
    }

    FakeShelf shelf;
};

TEST_F(BrowsingTest, ARealNewtonsInstallIsAnsweredAsItsDesktopAnsweredIt) {
    // The challenge that desktop gave, which the Newton answered without a password.
    connection = FullConnection(now, "\x5F\xFE\xF6\x6A\x5B\xE3\xDA\x62"s);
    connection.OfferFiles(&shelf);
    NewtonSent("00_rtdk.bin");
    NewtonSent("01_name.bin");
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(ReadBigEndian32(sent[1].data.substr(4)), 0u) << "a Macintosh, as that desktop";
    NewtonSent("02_ninf.bin");
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(ReadBigEndian32(sent[0].data), 0x35u) << "Backup, Install, Synchronise, Keyboard";
    NewtonSent("03_dres.bin");
    NewtonSent("04_pass.bin");
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Encode(sent[1].command, sent[1].data), RealBytes("session2/desktop/04_pass.bin"))
        << "the answer that Newton accepted";
    connection.Tick(now += 500);
    EXPECT_EQ(connection.owner(), "Ben Tem");
    (void)connection.TakeNotes();

    for (const char* file : {"10_helo.bin", "11_helo.bin"}) NewtonSent(file);
    EXPECT_TRUE(Sent().empty()) << "keep-alives ask for nothing";
    NewtonSent("12_rtbr.bin");
    EXPECT_EQ(Answer(), 0);
    NewtonSent("13_dpth.bin");
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Encode(sent[0].command, sent[0].data), RealBytes("session2/desktop/13_path.bin"));
    NewtonSent("14_gfil.bin");
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Listed(sent[0]), (std::vector<std::string>{"Music:2", "test.pkg:1"}));
    NewtonSent("15_gfin.bin");
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Encode(sent[0].command, sent[0].data),
              FromHex("6e657774646f636b66696e6600000085"
                      "0206060704"
                      "6b696e64"
                      "0704"
                      "73697a65"
                      "0707"
                      "63726561746564"
                      "0708"
                      "6d6f646966696564"
                      "0704"
                      "70617468"
                      "0704"
                      "69636f6e"
                      "082e0049006e007300740061006c006c006500720020006600"
                      "6c006100740020007000610063006b0061006700650000"
                      "00ff000026e0"
                      "00ff0e922744"
                      "00ff0f14c0a0"
                      "0812"
                      "0074006500730074002e0070006b00670000"
                      "0a"
                      "000000"))
        << "the finf that Newton was given";
    NewtonSent("16_lpfl.bin");
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"sdef"});
    NewtonSent("17_dres.bin");
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, "lpkg");
    EXPECT_EQ(sent[0].data, *shelf.package.bytes);
    EXPECT_EQ(shelf.loaded,
              (std::vector<std::string>{"Users/matt/test.pkg", "Users/matt/test.pkg"}));
    NewtonSays("dres", BigEndian32(0));
    EXPECT_EQ(connection.TakeNotes(),
              (Notes{"The Newton's user chooses a package to install, from /Users/matt.",
                     "Installing test.pkg (2488 bytes)\u2026", "Installed test.pkg."}));
    EXPECT_EQ(connection.TakeHappenings().front().title, "Package installed on the Newton");
}

TEST_F(BrowsingTest, TheUserWalksUpAndDownTheFoldersShown) {
    Browse();
    const struct {
        std::vector<std::string> path;
        std::vector<std::string> listed;
    } walk[] = {
        {{"MacBook Pro", "/", "Users", "matt", "Music"}, {"mpg.pkg:1"}},
        {{"MacBook Pro", "/", "Users"}, {"matt:2"}},
        {{"MacBook Pro"}, {"/:3"}},
        {{"MacBook Pro", "/"}, {"Users:2"}},
        {{"MacBook Pro", "/", "Users"}, {"matt:2"}},
        {{"MacBook Pro", "/", "Users", "matt"}, {"Music:2", "test.pkg:1"}},
    };
    for (const auto& [path, listed] : walk) {
        NewtonSays("spth", Names(path));
        const auto sent = Sent();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(Listed(sent[0]), listed) << path.back();
    }
    NewtonSays("dpth");
    EXPECT_EQ(Listed(Sent()[0]),
              (std::vector<std::string>{"MacBook Pro:0", "/:3", "Users:2", "matt:2"}));
    // A Macintosh's levels may come as frames of a name.
    nsof::Frame desktop;
    desktop.slots = {{"name", nsof::Value{nsof::String{"MacBook Pro"}}},
                     {"whichVol", nsof::Value{int32_t{0}}}};
    nsof::Array levels;
    levels.elements = {nsof::Value{desktop}, nsof::Value{nsof::String{"/"}}};
    NewtonSays("spth", nsof::Encode(nsof::Value{levels}));
    EXPECT_EQ(Listed(Sent()[0]), std::vector<std::string>{"Users:2"});
}

TEST_F(BrowsingTest, WhatWasNotOfferedIsRefusedAndNothingOfItRead) {
    std::vector<std::string> deep{"MacBook Pro", "/"};
    for (int i = 0; i < 10000; ++i) deep.push_back("Users");
    const struct {
        const char* command;
        std::string data;
    } cases[] = {
        {"spth", Names({"MacBook Pro", "/", "Users", "matt", ".."})},
        {"spth", Names({"MacBook Pro", "/", "..", "etc"})},
        {"spth", Names({"MacBook Pro", "/", "Users", "matt", "Music", "x"})},
        {"spth", Names({"MacBook Pro", "/etc"})},
        {"spth", Names({"MacBook Pro", "/", "Users", "matt", "test.pkg"})},
        {"spth", Names({})},
        {"spth", Names(deep)},
        {"spth",
         "\x02\x07\x03"
         "abc"s},
        {"spth", "garbage"},
        {"gfin", Name("../../../etc/shadow")},
        {"gfin", Name("/etc/shadow")},
        {"lpfl", Name("../../../etc/shadow")},
        {"lpfl", Name("Music")},
        {"lpfl", Name("test.pkg\0x"s)},
        {"lpfl", Name("mpg.pkg")},
        {"lpfl", Name("")},
        {"lpfl", "\x02\x0a"s},
    };
    Browse();
    const size_t reads = shelf.reads;
    for (const auto& [command, data] : cases) {
        NewtonSays(command, data);
        EXPECT_EQ(Answer(), -28031) << command << " " << data.substr(0, 40);
        EXPECT_EQ(shelf.reads, reads) << command;
        EXPECT_EQ(connection.phase(), FullConnection::Phase::kConnected);
    }
    EXPECT_TRUE(shelf.loaded.empty());
    NewtonSays("lpfl", Name("test.pkg"));
    EXPECT_EQ(SentCommands(), std::vector<std::string>{"sdef"}) << "and the dialog goes on";
}

TEST_F(BrowsingTest, EveryWayAnInstallationEndsIsSaid) {
    const struct {
        const char* what;
        std::function<void()> after;
        std::vector<std::string> sent;
        const char* note;
    } cases[] = {
        {"refused",
         [&] {
             NewtonSays("dres", BigEndian32(0));
             NewtonSays("dres", BigEndian32(static_cast<uint32_t>(-28019)));
         },
         {"lpkg"},
         "The Newton refused test.pkg (error -28019)."},
        {"no default store",
         [&] {
             NewtonSays("unkn", "sdef");
             NewtonSays("dres", BigEndian32(0));
         },
         {"lpkg"},
         "Installed test.pkg."},
        {"cancelled",
         [&] {
             NewtonSays("dres", BigEndian32(0));
             NewtonSays("opca");
         },
         {"lpkg", "ocaa"},
         "The Newton's user cancelled the installation of test.pkg."},
        {"silent",
         [&] {
             NewtonSays("dres", BigEndian32(0));
             connection.Wrote(now += 60000);
             connection.Tick(now += 29999);
             EXPECT_TRUE(connection.TakeHappenings().empty()) << "the wait runs from the write";
             connection.Tick(now += 1);
         },
         {"lpkg"},
         "The Newton did not answer within 30 s while test.pkg was installed."},
    };
    for (const auto& [what, after, sent, note] : cases) {
        connection = FullConnection(now);
        connection.OfferFiles(&shelf);
        Browse();
        NewtonSays("lpfl", Name("test.pkg"));
        (void)Sent();
        after();
        EXPECT_EQ(SentCommands(), sent) << what;
        EXPECT_EQ(connection.TakeNotes().back(), note) << what;
        EXPECT_EQ(connection.TakeHappenings().size(), 1u) << what;
        EXPECT_TRUE(connection.ReadSoups({"Notes"}, now))
            << what << ": the Newton can be read again";
    }
}

TEST_F(BrowsingTest, APackageThatCannotBeReadIsNeverBegun) {
    shelf.package = {std::nullopt, "~/Paket/test.pkg", "No such file or directory"};
    Browse();
    NewtonSays("lpfl", Name("test.pkg"));
    EXPECT_EQ(Answer(), -28010);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"~/Paket/test.pkg: No such file or directory; nothing was sent."});
    shelf.facts.trouble = "The Newton asked about test.pkg, which is gone; it was told so.";
    NewtonSays("gfin", Name("test.pkg"));
    EXPECT_EQ(Answer(), -28010);
    shelf.facts = {"Newton package", int64_t{2} << 30, 0, 0, "big.pkg", ""};
    NewtonSays("gfin", Name("test.pkg"));
    const nsof::Decoded info = nsof::Decode(Sent()[0].data);
    EXPECT_EQ(*info.value->Find("size")->As<int32_t>(), -1) << "too large for the Newton's integer";
}

TEST_F(BrowsingTest, OnlyPackagesAreBrowsedAndOnlyWhenNothingElseRuns) {
    Connect("\0\0\0\0\0A\0\0"s);
    NewtonSays("rtbr", "\x02\x07\x06import"s);
    EXPECT_EQ(Answer(), -28031);
    EXPECT_EQ(connection.TakeNotes(),
              Notes{"The Newton's user wants to browse the desktop for import, which Zandorelle "
                    "does not offer; it was told no."});
    NewtonSays("rtbr", "\x02\x07\x08PACKAGES"s);
    EXPECT_EQ(Answer(), 0) << "a symbol's case does not matter";
    ASSERT_TRUE(connection.ReadSoups({"Notes"}, now));
    (void)Sent();
    NewtonSays("rtbr", "\x02\x07\x08packages"s);
    EXPECT_EQ(Answer(), -28027);
    NewtonSays("dpth");
    EXPECT_EQ(SentCommands(), (std::vector<std::string>{"unkn", "opdn"}))
        << "the reading ended the dialog, and a Newton that browses on ends the reading";
}

}  // namespace
}  // namespace zd::dock
