// The command reader: lengths, fields, and the dispatch on four characters.
#include "protocol/command_reader.h"

#include <gtest/gtest.h>

#include "conversation/conversation.h"
#include "link/poll_tick.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

using Lines = std::vector<std::string>;

class CommandReaderTest : public test::LinkFixture {
protected:
    void SetUp() override { GreetNewton(); }

    // A command of `length` characters before its EOT.
    static std::string CommandOfLength(size_t length) {
        std::string command = "#XYZ;a;b";
        command.resize(length, 'c');
        return command + "\x04";
    }
};

TEST_F(CommandReaderTest, LengthsEightTo149AreAcceptedOthersEndThePipe) {
    struct Row {
        size_t length;
        bool accepted;
    } rows[] = {{7, false}, {8, true}, {149, true}, {150, false}, {998, false}, {1200, false}};
    for (const Row& row : rows) {
        if (session.link.pipe == 0) GreetNewton();
        display.log.clear();
        NewtonSays(CommandOfLength(row.length));
        if (row.accepted) {
            EXPECT_EQ(display.Lines(), Lines{"Unrecognized command."}) << row.length;
            EXPECT_NE(session.link.pipe, 0);
        } else {
            EXPECT_EQ(display.Lines(),
                      (Lines{"Command too large", "Disconnecting pipe.", "Unrecognized command."}))
                << row.length;
            EXPECT_EQ(session.link.pipe, 0);
            EXPECT_EQ(newton().received(), "") << "no goodbye: the reader is busy";
        }
        EXPECT_FALSE(session.link.busy);
    }
}

TEST_F(CommandReaderTest, ABareByeIsRefusedAsTooShort) {
    NewtonSays("#BYE\x04");
    EXPECT_EQ(display.Lines(),
              (Lines{"Command too large", "Disconnecting pipe.", "Unrecognized command."}));
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_FALSE(session.link.handshakeDone);
}

TEST_F(CommandReaderTest, ALongByeEndsThePipeWithItsOwnLine) {
    NewtonSays("#BYE;Newton\x04");
    EXPECT_EQ(display.Lines(), (Lines{"Hit innan krasch.", "Disconnecting pipe."}));
    EXPECT_EQ(session.link.pipe, 0);
    EXPECT_EQ(newton().received(), "");
    EXPECT_FALSE(session.link.busy);
}

TEST_F(CommandReaderTest, OnlyFourCharactersAreCompared) {
    NewtonSays("#ID:xyzabc\x04");
    EXPECT_TRUE(display.log.empty());
    NewtonSays("#BYEBYE;now\x04");
    EXPECT_EQ(display.Lines(), (Lines{"Hit innan krasch.", "Disconnecting pipe."}));
}

TEST_F(CommandReaderTest, OneCommandPerTickUpToItsEot) {
    newton().Send("#XYZ;aaaa\x04#QRS;bbbb\x04");
    PollTick(session);
    EXPECT_EQ(session.command.commandWord, "#XYZ");
    int32_t left = 0;
    dil.CD_BytesAvailable(session.link.pipe, &left);
    EXPECT_EQ(left, 10);
    PollTick(session);
    EXPECT_EQ(session.command.commandWord, "#QRS");
}

TEST_F(CommandReaderTest, APartialCommandIsJudgedOnWhatArrived) {
    NewtonSays("#GE");  // three characters and no EOT yet
    EXPECT_EQ(display.Lines(),
              (Lines{"Command too large", "Disconnecting pipe.", "Unrecognized command."}));
}

TEST_F(CommandReaderTest, OneByteWaitingDoesNotStartTheReader) {
    NewtonSays("#");
    EXPECT_TRUE(display.log.empty());
    EXPECT_NE(session.link.pipe, 0);
}

TEST_F(CommandReaderTest, FieldsSplitAtSeparatorsAndEmptyOnesVanish) {
    EXPECT_EQ(SplitCommand("#GET;Notes;Item 1"), (Lines{"#GET", "Notes", "Item 1"}));
    EXPECT_EQ(SplitCommand(";;#GET;;Item;"), (Lines{"#GET", "Item"}));
    EXPECT_EQ(SplitCommand("#GET\x04x;y"), (Lines{"#GET", "x", "y"}));
    EXPECT_TRUE(SplitCommand(";;;;").empty());

    NewtonSays("#UNKNOWN;;Item9\x04");  // the name moves into the unused second place
    EXPECT_EQ(session.command.commandWord, "#UNKNOWN");
    EXPECT_EQ(session.command.itemName, "");
    EXPECT_FALSE(session.command.getRequested);
}

TEST_F(CommandReaderTest, LongFieldsAreCutToTheirRoom) {
    const std::string word = "#ZZZ" + std::string(60, 'w');
    const std::string name(70, 'n');
    NewtonSays(word + ";x;" + name + "\x04");
    EXPECT_EQ(session.command.commandWord, word.substr(0, 55));
    EXPECT_EQ(session.command.itemName, name.substr(0, 50));
}

TEST_F(CommandReaderTest, TheReaderStaysOutWhileBusyOrBeforeTheGreeting) {
    session.link.busy = true;
    NewtonSays("#XYZ;aaaa\x04");
    EXPECT_TRUE(display.log.empty());
    session.link.busy = false;
    session.link.handshakeDone = false;
    PollTick(session);
    EXPECT_TRUE(display.log.empty());
}

}  // namespace
}  // namespace zd
