// Framing and CRC against the captured and computed vectors of the link.
#include "link/mnp/mnp_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "link/mnp/mnp_crc.h"
#include "link/mnp/mnp_packets.h"
#include "support/real_bytes.h"

namespace zd::mnp {
namespace {

using Bytes = std::vector<uint8_t>;

// Feeds `wire` one byte at a time; returns the bodies of the good frames.
std::vector<Bytes> Deframe(const Bytes& wire, Deframer& deframer) {
    std::vector<Bytes> bodies;
    for (uint8_t byte : wire)
        if (deframer.Push(byte)) bodies.push_back(deframer.body());
    return bodies;
}

std::vector<Bytes> Deframe(const Bytes& wire) {
    Deframer deframer;
    return Deframe(wire, deframer);
}

Bytes Frame(const Bytes& body) {
    Bytes wire;
    AppendFrame(body, wire);
    return wire;
}

// A Newton's link request, as captured from a real one.
Bytes NewtonLr() {
    return test::RealFrame("mnp/newtonkit_jncu_newton_LR.frame");
}
const Bytes kDesktopLr = {0x16, 0x10, 0x02, 0x17, 0x01, 0x02, 0x01, 0x06, 0x01, 0x00, 0x00,
                          0x00, 0x00, 0xFF, 0x02, 0x01, 0x02, 0x03, 0x01, 0x01, 0x04, 0x02,
                          0x40, 0x00, 0x08, 0x01, 0x03, 0x10, 0x03, 0x9A, 0x1B};

TEST(MnpCrc, CheckValue) {
    const char* text = "123456789";
    EXPECT_EQ(Crc16(0, reinterpret_cast<const uint8_t*>(text), 9), 0xBB3D);
}

TEST(MnpFrame, KnownFramesRoundTripByteForByte) {
    const std::vector<Bytes> vectors = {
        NewtonLr(),
        kDesktopLr,
        // Apple NCU's LR, and jNCU's with k=8 and N401=256.
        test::RealFrame("mnp/jncu_captured_apple_desktop_LR.frame"),
        {0x16, 0x10, 0x02, 0x17, 0x01, 0x02, 0x01, 0x06, 0x01, 0x00, 0x00,
         0x00, 0x00, 0xFF, 0x02, 0x01, 0x02, 0x03, 0x01, 0x08, 0x04, 0x02,
         0x00, 0x01, 0x08, 0x01, 0x03, 0x10, 0x03, 0xC3, 0x4B},
        // The stuffing-only vector: a DLE in the body is doubled.
        {0x16, 0x10, 0x02, 0xF0, 0xF1, 0xF2, 0x10, 0x10, 0xF3, 0xF4, 0x10, 0x03, 0x2E, 0xC9},
        // LA 0/1, LA 1/1, LA 0/8, LD short and long.
        {0x16, 0x10, 0x02, 0x03, 0x05, 0x00, 0x01, 0x10, 0x03, 0x05, 0x5D},
        {0x16, 0x10, 0x02, 0x03, 0x05, 0x01, 0x01, 0x10, 0x03, 0x54, 0x9D},
        {0x16, 0x10, 0x02, 0x03, 0x05, 0x00, 0x08, 0x10, 0x03, 0x03, 0x0D},
        {0x16, 0x10, 0x02, 0x04, 0x02, 0x01, 0x01, 0xFF, 0x10, 0x03, 0x29, 0x89},
        {0x16, 0x10, 0x02, 0x07, 0x02, 0x01, 0x01, 0xFF, 0x02, 0x01, 0x00, 0x10, 0x03, 0xB2, 0x95},
        // LT 1 with a dock command, and LT 0x10 with data 10 00: stuffing in
        // the header and the info field.
        {0x16, 0x10, 0x02, 0x02, 0x04, 0x01, 0x6E, 0x65, 0x77, 0x74, 0x64, 0x6F, 0x63, 0x6B, 0x64,
         0x6F, 0x63, 0x6B, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x10, 0x03, 0xB9, 0x1F},
        {0x16, 0x10, 0x02, 0x02, 0x04, 0x10, 0x10, 0x10, 0x10, 0x00, 0x10, 0x03, 0xB5, 0x26},
    };
    for (const Bytes& wire : vectors) {
        const auto bodies = Deframe(wire);
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(Frame(bodies[0]), wire);
    }
}

TEST(MnpFrame, NewtonLtWithAStuffedDleDecodes) {
    const Bytes wire = test::RealFrame("mnp/newtonkit_newton_LT_name.frame");
    const auto bodies = Deframe(wire);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0].size(), 111u);
    const auto lt = ParseLt(bodies[0]);
    ASSERT_TRUE(lt);
    EXPECT_EQ(lt->sequence, 2);
    EXPECT_EQ(bodies[0][lt->infoOffset], 'n');
}

TEST(MnpFrame, DleAnywhereInTheBodySurvivesTheRoundTrip) {
    for (const Bytes& body : {Bytes{0x10, 0x04, 0x01}, Bytes{0x02, 0x04, 0x10},
                              Bytes{0x02, 0x04, 0x01, 0x10, 0x10, 0x10}, Bytes{0x10}}) {
        const auto bodies = Deframe(Frame(body));
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(bodies[0], body);
    }
}

TEST(MnpFrame, GarbageRepeatedSynsAndBackToBackFrames) {
    Bytes wire = {0x00, 0x10, 0x03, 0x16, 0x16, 0x10, 0x16};  // noise, no frame start
    const Bytes la = Frame(LaBody(1, 1, true));
    const Bytes lt = Frame(LtBody(2, reinterpret_cast<const uint8_t*>("hi"), 2, true));
    wire.insert(wire.end(), la.begin(), la.end());
    wire.insert(wire.end(), lt.begin(), lt.end());
    const auto bodies = Deframe(wire);
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], LaBody(1, 1, true));
    EXPECT_EQ(TypeOf(bodies[1]), kLt);
}

TEST(MnpFrame, DamagedFramesAreDroppedAndTheNextOneStillArrives) {
    const Bytes good = Frame(LaBody(7, 1, true));
    Bytes badCrc = good;
    badCrc.back() ^= 0x01;
    Bytes badEscape = good;
    badEscape[4] = 0x10;  // 10 05: not an escape
    badEscape.insert(badEscape.begin() + 5, 0x05);
    Bytes truncated(good.begin(), good.begin() + 6);  // cut before its end flag
    Bytes overlong = {0x16, 0x10, 0x02};
    overlong.insert(overlong.end(), kMaxBody + 1, 0x41);
    overlong.insert(overlong.end(), {0x10, 0x03, 0x00, 0x00});

    for (const Bytes& damaged : {badCrc, badEscape, truncated, overlong}) {
        Bytes wire = damaged;
        wire.insert(wire.end(), good.begin(), good.end());
        Deframer deframer;
        const auto bodies = Deframe(wire, deframer);
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(bodies[0], LaBody(7, 1, true));
        EXPECT_EQ(deframer.dropped(), 1u);
    }
}

// The deframer takes runs of bytes (as they come from the line) exactly as it
// takes them one at a time: the same frames, the same drops, on good frames,
// damaged ones, garbage and bodies past the largest frame.
TEST(MnpFrame, RunsOfBytesDeframeAsSingleBytesDo) {
    std::mt19937 random(3);
    std::vector<uint8_t> line;
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> body(random() % 700);
        for (uint8_t& byte : body) byte = random() % 4 == 0 ? kDle : static_cast<uint8_t>(random());
        std::vector<uint8_t> frame;
        AppendFrame(body, frame);
        if (random() % 5 == 0) frame[random() % frame.size()] ^= 0x10;
        if (random() % 7 == 0) frame.resize(random() % frame.size());
        line.insert(line.end(), frame.begin(), frame.end());
    }
    Deframer oneByOne, inRuns;
    std::vector<std::vector<uint8_t>> expected, got;
    for (uint8_t byte : line)
        if (oneByOne.Push(byte)) expected.push_back(oneByOne.body());
    for (size_t i = 0; i < line.size();) {
        bool complete = false;
        i += inRuns.Push(line.data() + i, std::min<size_t>(line.size() - i, random() % 600),
                         &complete);
        if (complete) got.push_back(inRuns.body());
    }
    EXPECT_GT(expected.size(), 100u);
    EXPECT_GT(oneByOne.dropped(), 50u);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(inRuns.dropped(), oneByOne.dropped());
}

TEST(MnpPackets, LinkRequestsAreParsedAsParametersNotByTheirLength) {
    LinkParameters offer;
    const auto newton = Deframe(NewtonLr());
    ASSERT_EQ(newton.size(), 1u);
    ASSERT_EQ(ParseLinkRequest(newton[0], offer), 0);  // LI says 0x26, 40 bytes follow
    EXPECT_EQ(offer.window, 8);
    EXPECT_EQ(offer.maxInfo, 64);
    EXPECT_EQ(offer.optimisation, 3);
    EXPECT_EQ(Frame(DesktopLinkRequest(1)), kDesktopLr);
    EXPECT_EQ(Frame(NewtonLinkRequest(8)), NewtonLr());

    Bytes badConstant = NewtonLinkRequest(8);
    badConstant[2] = 3;
    EXPECT_EQ(ParseLinkRequest(badConstant, offer), kLdBadConstant);
    Bytes badFraming = NewtonLinkRequest(8);
    badFraming[13] = 1;  // framing mode parameter 02 01 xx
    EXPECT_EQ(ParseLinkRequest(badFraming, offer), kLdBadParameter);
    Bytes truncated = NewtonLinkRequest(8);
    truncated.resize(20);  // stops inside a parameter
    EXPECT_EQ(ParseLinkRequest(truncated, offer), 0);
    EXPECT_EQ(offer.window, 8);
}

TEST(MnpPackets, VariableFormsAreUnderstood) {
    const auto lt = ParseLt({0x04, kLt, 0x01, 0x01, 0x09, 'x'});
    ASSERT_TRUE(lt);
    EXPECT_EQ(lt->sequence, 9);
    EXPECT_EQ(lt->infoOffset, 5u);
    const auto la = ParseLa(LaBody(3, 0, false));
    ASSERT_TRUE(la);
    EXPECT_EQ(la->received, 3);
    EXPECT_EQ(la->credit, 0);
    EXPECT_EQ(LdReason({0x07, kLd, 0x01, 0x01, 0x05, 0x02, 0x01, 0x00}), 5);
    EXPECT_FALSE(ParseLt({0x09, kLt, 0x01}));  // header longer than the frame
    EXPECT_EQ(LdReason({}), 0);                // found by the fuzzer
}

}  // namespace
}  // namespace zd::mnp
