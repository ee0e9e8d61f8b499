// The Newton's streamed objects: the captures of a real connection, byte for
// byte, and what the encoder does with repeated symbols.
#include "nsof/nsof.h"

#include <gtest/gtest.h>

namespace zd::nsof {
namespace {

using namespace std::string_literals;

Value Program(const std::string& name) {
    Frame frame;
    frame.slots = {
        {"id", Value{int32_t{2}}}, {"name", Value{String{name}}}, {"version", Value{int32_t{1}}}};
    return Value{std::move(frame)};
}

TEST(NsofEncode, TheDesktopsApplicationsAsTheCaptureHasThem) {
    Array programs;
    programs.elements.push_back(Program("Newton Connection Utilities"));
    std::string utf16;
    for (char c : std::string("Newton Connection Utilities")) utf16 += "\0"s + c;
    EXPECT_EQ(Encode(Value{programs}),
              "\x02\x05\x01\x06\x03\x07\x02id\x07\x04name\x07\x07version\x00\x08\x08\x38"s + utf16 +
                  "\0\0\x00\x04"s);
}

TEST(NsofEncode, ImmediatesAndARepeatedSymbolAsAPrecedent) {
    Array list;
    list.elements = {Value{Symbol{"Packages"}},
                     Value{String{"Internal"}},
                     Value{int32_t{0x738E9074 >> 2}},
                     Value{true},
                     Value{Nil{}},
                     Value{int32_t{4}},
                     Value{Symbol{"Packages"}},
                     Value{int32_t{-1}}};
    EXPECT_EQ(Encode(Value{list}),
              "\x02\x05\x08"
              "\x07\x08Packages"
              "\x08\x12\x00I\x00n\x00t\x00\x65\x00r\x00n\x00\x61\x00l\x00\x00"
              "\x00\xFF\x73\x8E\x90\x74"
              "\x00\x1A"
              "\x0A"
              "\x00\x10"
              "\x09\x01"
              "\x00\xFF\xFF\xFF\xFF\xFC"s)
        << "the symbol is object 1, after the array";
}

}  // namespace
}  // namespace zd::nsof
