// Dock messages on the wire: the padding, the stream that splits and joins
// them anywhere, and the owner's name in UTF-16, also as real Newtons sent it.
#include "dock/dock_message.h"

#include <gtest/gtest.h>

#include "link/mnp/mnp_frame.h"
#include "link/mnp/mnp_packets.h"
#include "support/real_bytes.h"

namespace zd::dock {
namespace {

using namespace std::string_literals;

TEST(DockMessage, IsPaddedToFourBytesAndParsedBack) {
    EXPECT_EQ(Encode("dock", BigEndian32(4)), "newtdockdock\0\0\0\x04\0\0\0\x04"s);
    EXPECT_EQ(Encode("disc", ""), "newtdockdisc\0\0\0\0"s);
    const std::string odd = Encode("lpkg", "package0x");
    EXPECT_EQ(odd.size(), 16u + 12u) << "nine bytes, three of padding";
    const auto header = ParseHeader(odd);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->command, "lpkg");
    EXPECT_EQ(header->length, 9u);
    EXPECT_FALSE(ParseHeader("#YOOHOO\x04" + std::string(8, '\0')));
}

TEST(DockReader, TakesMessagesSplitAndJoinedAnywhere) {
    const std::string stream =
        Encode("rtdk", BigEndian32(9)) + Encode("name", "abcde") + Encode("dres", BigEndian32(0));
    for (size_t run = 1; run <= stream.size(); ++run) {
        Reader reader(1024);
        std::vector<Message> messages;
        for (size_t at = 0; at < stream.size(); at += run) {
            reader.Feed(std::string_view(stream).substr(at, run));
            while (auto message = reader.Next()) messages.push_back(*message);
        }
        ASSERT_EQ(messages.size(), 3u) << run;
        EXPECT_EQ(messages[1].command, "name");
        EXPECT_EQ(messages[1].data, "abcde") << "the padding is not data";
        EXPECT_EQ(ReadBigEndian32(messages[2].data), 0u);
    }
}

TEST(DockReader, RefusesWhatIsNoDockMessageAndWhatIsTooLong) {
    Reader garbage(1024);
    garbage.Feed("#YOOHOO\x04 and so on, at length");
    EXPECT_FALSE(garbage.Next());
    EXPECT_TRUE(garbage.failed());

    Reader huge(1024);
    huge.Feed("newtdocklpkg\x7F\xFF\xFF\xFF"s);
    EXPECT_FALSE(huge.Next());
    EXPECT_TRUE(huge.failed()) << huge.error();
}

TEST(DockName, TheOwnerIsReadFromUtf16AfterTheVersionInformation) {
    const std::string name = BigEndian32(3) + "\x01\x02\x03"s +
                             "\x00\xC5\x00s\x00"
                             "a\x00 \xD8\x3D\xDE\x00\x00\x00"s;  // "Åsa 😀"
    EXPECT_EQ(OwnerName(name), "Åsa 😀");
    EXPECT_EQ(OwnerName(BigEndian32(3) + "\x01\x02\x03\xD8\x00\x00Z"s), "\xEF\xBF\xBDZ")
        << "a lone surrogate";
    EXPECT_FALSE(OwnerName(BigEndian32(99) + "short"));
    EXPECT_FALSE(OwnerName("ab"));
}

// The messages in `bytes`, which must all be whole.
std::vector<Message> MessagesIn(const std::string& bytes) {
    Reader reader(1 << 20);
    reader.Feed(bytes);
    std::vector<Message> messages;
    while (auto message = reader.Next()) messages.push_back(*message);
    EXPECT_FALSE(reader.failed()) << reader.error();
    return messages;
}

TEST(DockName, TheOwnersAndMachinesOfRealNewtons) {
    // An LT of a Newton's, its info field the "name" message.
    mnp::Deframer deframer;
    std::vector<uint8_t> body;
    for (uint8_t byte : test::RealFrame("mnp/newtonkit_newton_LT_name.frame"))
        if (deframer.Push(byte)) body = deframer.body();
    const auto lt = mnp::ParseLt(body);
    ASSERT_TRUE(lt);
    const std::string carried(body.begin() + static_cast<ptrdiff_t>(lt->infoOffset), body.end());

    // Each says who made it, the machine and its ROM (2.2 on a MessagePad
    // 2x00, 2.1 on the other) before its owner's name.
    const struct {
        std::string message;
        const char* owner;
        uint32_t machineType;
        uint32_t romVersion;
    } newtons[] = {
        {test::RealBytes("dock/jncu_name_message.bin"), "Moshe Michael Waisberg", 0x10003000,
         0x00020002},
        {test::RealBytes("session2/newton/01_name.bin"), "Ben Tem", 0x10003000, 0x00020002},
        {Encode("name", BigEndian32(72) + test::RealBytes("dock/newtonkit_name_data_2.bin")),
         "Bastian Müller", 0x10003000, 0x00020002},
        {carried, "Bastian Müller", 0x00726377, 0x00020001},
    };
    for (const auto& [message, owner, machineType, romVersion] : newtons) {
        const auto messages = MessagesIn(message);
        ASSERT_EQ(messages.size(), 1u) << owner;
        EXPECT_EQ(messages[0].command, "name");
        EXPECT_EQ(OwnerName(messages[0].data), owner);
        const auto info = ReadNewtonInfo(messages[0].data);
        ASSERT_TRUE(info) << owner;
        EXPECT_EQ(info->manufacturer, 0x01000000u) << owner;
        EXPECT_EQ(info->machineType, machineType) << owner;
        EXPECT_EQ(info->romVersion, romVersion) << owner;
        EXPECT_FALSE(info->oneX()) << owner;
        EXPECT_EQ(info->block.size(), ReadBigEndian32(messages[0].data)) << owner;
    }
    // Too short to say even the ROM version.
    EXPECT_FALSE(ReadNewtonInfo(BigEndian32(12) + std::string(12, '\1')));
    EXPECT_FALSE(ReadNewtonInfo(BigEndian32(99) + std::string(20, '\1')));
}

TEST(DockReader, TwoRealAnswersInOneBuffer) {
    const auto messages = MessagesIn(test::RealBytes("dock/jncu_unkn_kbdc_then_dres.bin"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].command, "unkn");
    EXPECT_EQ(messages[0].data.substr(0, 4), "kbdc");
    EXPECT_EQ(ResultCode(messages[1]), -20001);
}

}  // namespace
}  // namespace zd::dock
