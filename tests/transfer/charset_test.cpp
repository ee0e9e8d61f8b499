// Both conversion tables, row by row, with their asymmetries.
#include "transfer/charset.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

std::string ToNewton(std::string text) {
    ConvertToNewton(text.data());
    return text;
}

std::string FromNewton(const std::string& bytes) {
    std::string text;
    for (char byte : bytes) {
        if (const auto c = ConvertFromNewton(byte)) text += *c;
    }
    return text;
}

TEST(Charset, EveryRowOfBothTables) {
    EXPECT_EQ(ToNewton("\xE5\xF6\xE4\xC5\xC4\xD6\xB7\n"), "\x8C\x9A\x8A\x81\x80\x85\xA5\r");
    EXPECT_EQ(FromNewton("\x8A\x8C\x9A\x81\x80\x85\xA5\r\xC3"), "\xE4\xE5\xF6\xC5\xC4\xD6\xB7\n*");
}

TEST(Charset, TheTablesAreNotEachOthersInverse) {
    EXPECT_EQ(ToNewton("a\r\nb"), "a\r\rb");  // CR stays: CR LF goes as CR CR
    EXPECT_EQ(FromNewton("x\r"), "x\n");      // a bare LF arrives
    EXPECT_EQ(ToNewton("*\xC3"), "*\xC3");    // no way back for the root sign
    EXPECT_EQ(ToNewton("\xE9"), "\xE9");      // é passes both ways
    EXPECT_EQ(FromNewton("\x8E"), "\x8E");
    EXPECT_EQ(FromNewton(std::string("a\0b", 3)), "ab");  // a zero adds nothing
}

TEST(Charset, ConversionStopsAtTheFirstZeroAndConvertsTheFirstByte) {
    std::string text("\xC5x\0\xE5", 4);
    ConvertToNewton(text.data());
    EXPECT_EQ(text, std::string("\x81x\0\xE5", 4));
    std::string empty;
    ConvertToNewton(empty.data());
    EXPECT_EQ(empty, "");
}

}  // namespace
}  // namespace zd
