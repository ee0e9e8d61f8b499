// Both ways between UTF-8 and the Newton's Mac OS Roman: the rows that have
// always been converted, their asymmetries, and the real character set for
// everything else.
#include "transfer/charset.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace zd {
namespace {

std::string ToNewton(std::string_view text, Unsendable* unsendable = nullptr) {
    Unsendable ignored;
    return ConvertToNewton(text, unsendable ? unsendable : &ignored);
}

std::string FromNewton(std::string_view bytes) {
    std::string text;
    for (char byte : bytes) text += ConvertFromNewton(byte);
    return text;
}

// The system's own Mac OS Roman codec, for one byte; "" where it has none.
std::string SystemMacRoman(unsigned char byte) {
    iconv_t codec = ::iconv_open("UTF-8", "MACINTOSH");
    char in[1] = {static_cast<char>(byte)}, out[8];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const bool ok = ::iconv(codec, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    ::iconv_close(codec);
    return ok ? std::string(out, outPtr) : "";
}

TEST(Charset, TheOldRowsComeFirst) {
    EXPECT_EQ(ToNewton("åöäÅÄÖ·\n"), "\x8C\x9A\x8A\x81\x80\x85\xA5\r");
    EXPECT_EQ(FromNewton("\x8A\x8C\x9A\x81\x80\x85\xA5\r\xC3"), "äåöÅÄÖ·\n*");
}

TEST(Charset, TheWaysAreNotEachOthersInverse) {
    EXPECT_EQ(ToNewton("a\r\nb"), "a\r\rb");  // CR stays: CR LF goes as CR CR
    EXPECT_EQ(FromNewton("x\r"), "x\n");      // a bare LF arrives
    EXPECT_EQ(ToNewton("*"), "*");            // no way back for the root sign
    EXPECT_EQ(ToNewton("•"), "\xA5") << "the bullet is the Newton's own";
    EXPECT_EQ(FromNewton("\xE1"), "·") << "the Newton's middle dot";
    EXPECT_EQ(FromNewton(std::string("a\0b", 3)), "ab");  // a zero adds nothing
}

TEST(Charset, EveryOtherCharacterGoesThroughTheRealCharacterSet) {
    const std::string note = "Crème brûlée, señor! Ünïcødé … „Grüße“ – 5 € ≠ ∞ π";
    const std::string bytes = ToNewton(note);
    EXPECT_EQ(bytes,
              "Cr\x8Fme br\x9El\x8E"
              "e, se\x96or! \x86n\x95"
              "c\xBF"
              "d\x8E \xC9 \xE3Gr\x9F\xA7"
              "e\xD2 \xD0 5 \xDB \xAD \xB0 \xB9");
    EXPECT_EQ(FromNewton(bytes), note) << "round trip";

    // All 256 bytes: valid UTF-8, and the system's Mac OS Roman but for the
    // rows and the three places where the system's older table differs from
    // Apple's: the euro sign (its "¤"), the increment sign (its Greek delta)
    // and the Apple logo.
    for (int byte = 1; byte < 256; ++byte) {
        const std::string text(ConvertFromNewton(static_cast<char>(byte)));
        EXPECT_TRUE(IsUtf8(text)) << byte;
        if (byte == 0x8A || byte == 0x8C || byte == 0x9A || byte == 0x81 || byte == 0x80 ||
            byte == 0x85 || byte == 0xA5 || byte == 0x0D || byte == 0xC3 || byte == 0xDB ||
            byte == 0xC6 || byte == 0xF0)
            continue;
        EXPECT_EQ(text, SystemMacRoman(static_cast<unsigned char>(byte))) << "byte " << byte;
    }
    EXPECT_EQ(FromNewton("\xDB\xC6\xF0"), "€∆\uF8FF");
}

TEST(Charset, WhatTheNewtonCannotShowGoesAsAQuestionMarkAndIsCounted) {
    Unsendable unsendable;
    EXPECT_EQ(ToNewton("Привет, 世界 ✓", &unsendable), "??????, ?? ?");
    EXPECT_EQ(unsendable.replaced, 9u);
    EXPECT_EQ(unsendable.zeros, 0u);

    Unsendable inside;
    EXPECT_EQ(ToNewton(std::string("one\x04two\0three\xFF", 14), &inside), "one?twothree?")
        << "an EOT would end the text, a zero is left out, a bad byte is no character";
    EXPECT_EQ(inside.replaced, 2u);
    EXPECT_EQ(inside.zeros, 1u);
    EXPECT_EQ(ToNewton(""), "");
}

TEST(Charset, Utf8IsToldFromOtherBytes) {
    EXPECT_TRUE(IsUtf8("Hej då 😀"));
    EXPECT_FALSE(IsUtf8("Hej d\xE5"));     // code page 1252
    EXPECT_FALSE(IsUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_FALSE(IsUtf8("\xE2\x82"));      // cut short
}

}  // namespace
}  // namespace zd
