// Items from the Newton: acknowledgement, conversion, the web-address rule,
// delivery to the clipboard or a file, and the names that must stay inside the
// receive folder.
#include "transfer/receive_item.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "support/file_size_limit.h"
#include "support/link_fixture.h"
#include "transfer/unsaved_items.h"

namespace zd {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class ReceiveItemTest : public test::LinkFixture {
protected:
    void SetUp() override {
        GreetNewton();
        folder = dir.File("in");
        fs::create_directory(folder);
        ::setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", dir.File("run").c_str(), 1);
        unsaved = dir.File("state/zandorelle/unsaved");
    }

    // The Newton pushes item `name` with `text` (Mac bytes) and its EOT.
    void Push(const std::string& name, const std::string& text) {
        newton().OnWrite([text](MemoryPeer& n, std::string_view written) {
            if (written == "#OK\x04") n.Send(text + "\x04");
        });
        display.log.clear();
        NewtonSays("#GET;Notes;" + name + "\x04");
    }

    void SaveToFiles(const std::string& receiveFolder) {
        session.switches.saveAsFile = true;
        prefs.SetPrefString(receiveFolder, "Dir");
    }

    std::set<std::string> FilesIn(const std::string& path) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(path))
            names.insert(entry.path().filename().string());
        return names;
    }

    // The files of `path` that are ours and half written.
    std::set<std::string> TemporaryFilesIn(const std::string& path) {
        std::set<std::string> names;
        for (const std::string& name : FilesIn(path))
            if (name.rfind(".zandorelle-", 0) == 0) names.insert(name);
        return names;
    }

    std::string folder;
    std::string unsaved;  // where items that could not be saved go first
};

TEST_F(ReceiveItemTest, AnItemGoesToTheClipboardConverted) {
    Push("Note", "Hej d\x8C!\rrad \xC3");
    EXPECT_EQ(newton().received(), "#OK\x04");
    EXPECT_EQ(desktop.clipboard.value(), "Hej då!\nrad *");
    EXPECT_EQ(display.Lines(), Lines{"Transfered"});
    EXPECT_FALSE(session.command.getRequested);
    EXPECT_FALSE(session.link.busy);
}

TEST_F(ReceiveItemTest, AnEmptyItemIsDeliveredToo) {
    Push("Empty", "");
    EXPECT_EQ(desktop.clipboard.value(), "");
    SaveToFiles(folder);
    Push("Empty", "");
    EXPECT_EQ(test::ReadFile(folder + "/Empty.txt"), "");
    EXPECT_EQ(display.Lines(), Lines{"Text Saved"});
}

TEST_F(ReceiveItemTest, PastNineThousandCharactersTheClipboardItemIsReportedButWhole) {
    Push("Big", std::string(9000, 'a'));
    EXPECT_EQ(display.Lines(), Lines{"Transfered"});
    desktop.clipboard = "pasted and copied over since";
    Push("Big", std::string(9001, 'a'));
    EXPECT_EQ(display.Lines(), (Lines{"Transfered", "Text too large"}));
    EXPECT_EQ(desktop.clipboard->size(), 9001u);
}

TEST_F(ReceiveItemTest, WebAddressesOpenOnlyWhenAllowedAndExact) {
    Push("Link", "http://newton.example/\r");
    EXPECT_TRUE(desktop.openedUrls.empty());
    session.switches.launchUrl = true;
    for (const char* text : {"HTTP://x", " http://x", "https://x", "http:"}) Push("Link", text);
    EXPECT_EQ(desktop.openedUrls, Lines{"http:"});
    Push("Link", "http://newton.example/\r");
    EXPECT_EQ(desktop.openedUrls.back(), "http://newton.example/\n") << "whole, line end and all";
    EXPECT_EQ(desktop.clipboard.value(), "http://newton.example/\n") << "and delivered as well";
}

TEST_F(ReceiveItemTest, SavedItemsReplaceTheirFileByName) {
    SaveToFiles(folder);
    test::WriteFile(folder + "/Note1.txt", "old and longer text");
    Push("Note1", "new\r");
    EXPECT_EQ(test::ReadFile(folder + "/Note1.txt"), "new\n");
    EXPECT_EQ(display.Lines(), Lines{"Text Saved"});
    EXPECT_FALSE(desktop.clipboard.has_value()) << "a file or the clipboard, never both";
}

TEST_F(ReceiveItemTest, AnEmptyFolderMeansTheHomeFolder) {
    const std::string home = dir.File("home");
    fs::create_directory(home);
    const std::string savedHome = std::getenv("HOME");
    ::setenv("HOME", home.c_str(), 1);
    SaveToFiles("");
    Push("Note", "x");
    ::setenv("HOME", savedHome.c_str(), 1);
    EXPECT_EQ(test::ReadFile(home + "/Note.txt"), "x");
}

TEST_F(ReceiveItemTest, HostileNamesNeverLeaveTheReceiveFolder) {
    SaveToFiles(folder);
    const std::set<std::string> outsideBefore = FilesIn(dir.path());
    const std::string names[] = {
        "../../x", "/etc/passwd", "a/b",       "..",      ".",
        "",        "a\\b",        "tab\there", ".hidden", std::string(1, '\x7F')};
    for (const std::string& name : names) Push(name, "item");
    EXPECT_EQ(FilesIn(dir.path()), outsideBefore);
    const std::set<std::string> inside = FilesIn(folder);
    for (const char* expected :
         {"_._.._x.txt", "_etc_passwd.txt", "a_b.txt", "_.txt", "tab_here.txt", "_hidden.txt"}) {
        EXPECT_TRUE(inside.count(expected)) << expected;
    }
    EXPECT_EQ(std::count_if(inside.begin(), inside.end(),
                            [](const std::string& n) { return n.rfind("item-", 0) == 0; }),
              1)
        << "the empty name gets a generated one";
}

TEST_F(ReceiveItemTest, MacLettersInANameBecomeUtf8) {
    SaveToFiles(folder);
    Push("M\x9Ate", "x");
    EXPECT_TRUE(fs::exists(folder + "/M\xC3\xB6te.txt"));
}

TEST_F(ReceiveItemTest, ALinkPlantedInTheFolderIsNotFollowed) {
    SaveToFiles(folder);
    const std::string target = dir.File("outside.txt");
    test::WriteFile(target, "precious");
    fs::create_symlink(target, folder + "/Note.txt");
    Push("Note", "overwrite?");
    EXPECT_EQ(test::ReadFile(target), "precious");
    EXPECT_EQ(desktop.clipboard.value(), "overwrite?");
}

TEST_F(ReceiveItemTest, AnItemThatCannotBeSavedIsKeptAndOnTheClipboard) {
    SaveToFiles(dir.File("missing-folder"));
    Push("M\x9Ate", "keep me");
    ASSERT_EQ(desktop.fileErrors.size(), 1u);
    EXPECT_EQ(desktop.fileErrors[0],
              dir.File("missing-folder") + "/Möte.txt: No such file or directory");
    EXPECT_EQ(desktop.clipboard.value(), "keep me");
    EXPECT_EQ(test::ReadFile(unsaved + "/Möte.txt"), "keep me");
    EXPECT_EQ(display.Lines(), Lines{"Couldn't save the item in " + dir.File("missing-folder") +
                                     " (No such file or directory); kept as " + unsaved +
                                     "/Möte.txt and on the clipboard."});
    EXPECT_FALSE(session.link.busy);
}

TEST_F(ReceiveItemTest, AFullDiskLeavesTheOldFileWholeAndNoPartOfTheNewOne) {
    SaveToFiles(folder);
    test::WriteFile(folder + "/Anteckning.txt", "old precious note");
    const bool childPassed = test::InChildWithFileSizeLimit(4096, [&] {
        Push("Anteckning", std::string(9000, 'a'));
        EXPECT_EQ(desktop.clipboard.value(), std::string(9000, 'a'));
        EXPECT_EQ(display.Lines(),
                  Lines{"Couldn't save the item in " + folder + " (File too large), nor in " +
                        unsaved + " (File too large); it is only on the clipboard."});
        Push("Tva", "kort");
        EXPECT_EQ(display.Lines(), Lines{"Text Saved"});
    });
    EXPECT_TRUE(childPassed);
    EXPECT_EQ(test::ReadFile(folder + "/Anteckning.txt"), "old precious note");
    EXPECT_EQ(test::ReadFile(folder + "/Tva.txt"), "kort");
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"Anteckning.txt", "Tva.txt"}))
        << "no temporary file is left behind";
    EXPECT_TRUE(TemporaryFilesIn(unsaved).empty());
}

TEST_F(ReceiveItemTest, TwoItemsInARowThatCannotBeSavedAreAllKept) {
    const std::string notAFolder = dir.File("in.txt");
    test::WriteFile(notAFolder, "");
    SaveToFiles(notAFolder);
    Push("Anteckning", "f\x9Arsta");
    Push("Anteckning", "andra");
    EXPECT_EQ(display.Lines(),
              Lines{"Couldn't save the item in " + notAFolder + " (Not a directory); kept as " +
                    unsaved + "/Anteckning-2.txt and on the clipboard."});
    Push("", "tredje");
    EXPECT_EQ(test::ReadFile(unsaved + "/Anteckning.txt"), "första");
    EXPECT_EQ(test::ReadFile(unsaved + "/Anteckning-2.txt"), "andra");
    EXPECT_EQ(FilesIn(unsaved).size(), 3u);
    EXPECT_EQ(desktop.clipboard.value(), "tredje");
    EXPECT_EQ(fs::status(unsaved).permissions() & fs::perms::all, fs::perms::owner_all)
        << "the user's texts, the user's own";
}

TEST_F(ReceiveItemTest, WhereTheStateFolderFailsTheRuntimeFolderKeepsTheItem) {
    test::WriteFile(dir.File("state"), "");
    SaveToFiles(dir.File("missing-folder"));
    Push("Note", "keep me");
    const std::string runtime = dir.File("run/zandorelle/unsaved");
    EXPECT_EQ(test::ReadFile(runtime + "/Note.txt"), "keep me");
    EXPECT_EQ(display.Lines(), Lines{"Couldn't save the item in " + dir.File("missing-folder") +
                                     " (No such file or directory); kept as " + runtime +
                                     "/Note.txt and on the clipboard."});

    fs::remove_all(dir.File("run"));  // nowhere left
    test::WriteFile(dir.File("run"), "");
    desktop.clipboardRefuses = true;
    Push("Note", "lost");
    EXPECT_EQ(display.Lines(), Lines{"Couldn't save the item in " + dir.File("missing-folder") +
                                     " (No such file or directory), nor in " + unsaved +
                                     " (Not a directory), and the desktop refused the "
                                     "clipboard; it is lost."});
}

TEST_F(ReceiveItemTest, AnItemTheClipboardRefusesIsKeptAsAFile) {
    desktop.clipboardRefuses = true;
    Push("Lista", "mj\x9Alk\r\x8Agg");
    EXPECT_EQ(test::ReadFile(unsaved + "/Lista.txt"), "mjölk\nägg");
    EXPECT_EQ(display.Lines(), Lines{"The desktop refused the clipboard; the item is kept as " +
                                     unsaved + "/Lista.txt."})
        << "never \"Transfered\" for what did not reach the clipboard";
}

TEST_F(ReceiveItemTest, AtStartUpStrayPartsGoAndUnsavedItemsAreCounted) {
    SaveToFiles(folder);
    fs::create_directories(unsaved);
    for (const char* name : {"a.txt", "b.txt", ".zandorelle-999999999-abcdef"})
        test::WriteFile(unsaved + "/" + name, "x");
    const std::string living = ".zandorelle-" + std::to_string(::getppid()) + "-abcdef";
    for (const std::string& name :
         {std::string(".zandorelle-999999999-Xy12Zq"), living, std::string(".zandorelle-12-ab"),
          std::string("zandorelle-999999999-abcdef"), std::string("Note.txt")})
        test::WriteFile(folder + "/" + name, "x");
    display.log.clear();
    TidyItemFolders(session);
    EXPECT_EQ(display.Lines(), Lines{"2 unsaved items are kept in " + unsaved + "."});
    EXPECT_EQ(FilesIn(unsaved), (std::set<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{living, ".zandorelle-12-ab",
                                                      "zandorelle-999999999-abcdef", "Note.txt"}))
        << "only the parts of programs that ended, by our own prefix only";
}

TEST_F(ReceiveItemTest, AFolderPathTooLongIsRefusedWithItsReason) {
    SaveToFiles("/" + std::string(5000, 'd'));
    Push("Note", "keep me");
    ASSERT_EQ(desktop.fileErrors.size(), 1u);
    EXPECT_NE(desktop.fileErrors[0].find(": File name too long"), std::string::npos);
    EXPECT_EQ(desktop.clipboard.value(), "keep me");
}

TEST_F(ReceiveItemTest, AnItemCutShortByTheLinkIsDeliveredAsFarAsItCame) {
    newton().OnWrite([](MemoryPeer& n, std::string_view written) {
        if (written == "#OK\x04") {
            n.Send("half an it");
            n.Hangup();
        }
    });
    NewtonSays("#GET;Notes;Part\x04");
    EXPECT_EQ(desktop.clipboard.value(), "half an it");
    EXPECT_EQ(display.Lines(),
              (Lines{"The item arrived incomplete: 10 characters came before the Newton fell "
                     "silent or left.",
                     "Transfered"}));
}

TEST_F(ReceiveItemTest, APauseLongerThanAReadWaitsDoesNotCutAnItem) {
    newton().OnWrite([](MemoryPeer& n, std::string_view written) {
        if (written == "#OK\x04") n.Send("first half, ");
    });
    int waits = 0;
    newton().OnWait([&](int32_t) {
        if (++waits == 1) {
            clock.Advance(7000);  // a slow Newton, a loose cable
        } else {
            newton().Send("second half\x04");
        }
    });
    NewtonSays("#GET;Notes;Slow\x04");
    EXPECT_EQ(desktop.clipboard.value(), "first half, second half");
    EXPECT_EQ(display.Lines(), Lines{"Transfered"});
}

TEST_F(ReceiveItemTest, HalfAMinuteOfSilenceEndsAnItemWhichIsStillDelivered) {
    newton().OnWrite([](MemoryPeer& n, std::string_view written) {
        if (written == "#OK\x04") n.Send("all there was");
    });
    newton().OnWait([&](int32_t timeoutMs) { clock.Advance(timeoutMs); });
    const int64_t start = clock.now();
    NewtonSays("#GET;Notes;Silent\x04");
    EXPECT_GE(clock.now() - start, 30000);
    EXPECT_LT(clock.now() - start, 31000);
    EXPECT_EQ(desktop.clipboard.value(), "all there was");
    EXPECT_EQ(display.Lines(),
              (Lines{"The item arrived incomplete: 13 characters came before the Newton fell "
                     "silent or left.",
                     "Transfered"}));
}

TEST_F(ReceiveItemTest, ItemsAreSavedAsUtf8OrInTheOldBytesWhenAsked) {
    SaveToFiles(folder);
    Push("Note", "R\x8Aksm\x9Arg\x8Cs, caf\x8E, 5 \xDB\r\xB0");
    EXPECT_EQ(test::ReadFile(folder + "/Note.txt"), "Räksmörgås, café, 5 €\n∞");
    EXPECT_EQ(display.Lines(), Lines{"Text Saved"});

    prefs.SetPrefString("cp1252", "FileCharset");
    Push("Note", "R\x8Aksm\x9Arg\x8Cs, caf\x8E, 5 \xDB\r\xB0");
    EXPECT_EQ(test::ReadFile(folder + "/Note.txt"), "R\xE4ksm\xF6rg\xE5s, caf\xE9, 5 \x80\n?");
    EXPECT_EQ(display.Lines(),
              (Lines{"1 characters went as \"?\": code page 1252 lacks them.", "Text Saved"}));
}

TEST_F(ReceiveItemTest, NamelessItemsNeverOverwriteEachOther) {
    SaveToFiles(folder);
    for (const char* text : {"one", "two", "three"}) Push("", text);
    std::set<std::string> texts;
    for (const std::string& name : FilesIn(folder))
        texts.insert(test::ReadFile(folder + "/" + name));
    EXPECT_EQ(texts, (std::set<std::string>{"one", "two", "three"}));
}

TEST_F(ReceiveItemTest, ARunawayItemIsCutAtTheCapAndTheLinkStaysInStep) {
    std::string huge(kItemCap + 1000, 'z');
    Push("Huge", huge);
    EXPECT_EQ(desktop.clipboard->size(), kItemCap);
    EXPECT_EQ(display.Lines(), (Lines{"The item was longer than 16 MiB; the rest was dropped.",
                                      "Transfered", "Text too large"}));
    int32_t left = 0;
    dil.CD_BytesAvailable(session.link.pipe, &left);
    EXPECT_EQ(left, 0) << "read on to the EOT";
}

}  // namespace
}  // namespace zd
