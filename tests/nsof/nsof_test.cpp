// The Newton's streamed objects: the captures of a real connection, byte for
// byte, both ways; round trips; and every malformed stream a Newton, or a
// line, can hand over, each refused with its reason and never a crash.
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

std::string Utf16Z(const std::string& ascii) {
    std::string utf16;
    for (char c : ascii) utf16 += "\0"s + c;
    return utf16 + "\0\0"s;
}

TEST(NsofDecode, TheCapturesReadAsWhatTheyHold) {
    const Decoded programs =
        Decode("\x02\x05\x01\x06\x03\x07\x02id\x07\x04name\x07\x07version\x00\x08\x08\x38"s +
               Utf16Z("Newton Connection Utilities") + "\x00\x04"s);
    ASSERT_TRUE(programs.value) << programs.error;
    const Array* array = programs.value->As<Array>();
    ASSERT_TRUE(array && array->className.empty() && array->elements.size() == 1);
    const Value& program = array->elements[0];
    EXPECT_EQ(*program.Find("id")->As<int32_t>(), 2);
    EXPECT_EQ(program.Find("name")->As<String>()->text, "Newton Connection Utilities");
    EXPECT_EQ(*program.Find("version")->As<int32_t>(), 1);

    const Decoded store = Decode(
        "\x02\x05\x06\x07\x08Packages\x08\x12\x00I\x00n\x00t\x00\x65\x00r\x00n\x00\x61\x00l"
        "\x00\x00\x00\xFF\x73\x8E\x90\x74\x00\x1A\x0A\x00\x10"s);
    ASSERT_TRUE(store.value) << store.error;
    const auto& parts = store.value->As<Array>()->elements;
    ASSERT_EQ(parts.size(), 6u);
    EXPECT_EQ(parts[0].As<Symbol>()->name, "Packages");
    EXPECT_EQ(parts[1].As<String>()->text, "Internal");
    EXPECT_EQ(*parts[2].As<int32_t>(), 0x738E9074 >> 2);
    EXPECT_TRUE(*parts[3].As<bool>());
    EXPECT_TRUE(parts[4].As<Nil>());
    EXPECT_EQ(*parts[5].As<int32_t>(), 4);
    EXPECT_EQ(store.used, 44u);
}

TEST(NsofDecode, WhatTheEncoderWritesComesBackWithPrecedentsResolved) {
    Frame note;
    note.slots = {{"class", Value{Symbol{"paperroll"}}},
                  {"data", Value{Array{"",
                                       {Value{Frame{{{"text", Value{String{"Grüße, “Åsa”"}}}}}},
                                        Value{Frame{{{"text", Value{String{"ink \uF700"}}}}}}}}}},
                  {"viewStationery", Value{Symbol{"paperroll"}}},
                  {"_modTime", Value{int32_t{-123456}}},
                  {"mark", Value{char32_t{U'€'}}},
                  {"bounds", Value{SmallRect{1, 2, 3, 4}}},
                  {"ink", Value{Binary{"ink", std::string("\0\1\2", 3)}}}};
    const std::string stream = Encode(Value{note});
    ASSERT_NE(stream.find("\x09"), std::string::npos) << "the repeated symbol went as a precedent";
    const Decoded decoded = Decode(stream + "trailing");
    ASSERT_TRUE(decoded.value) << decoded.error;
    EXPECT_EQ(decoded.used, stream.size());
    EXPECT_EQ(Encode(*decoded.value), stream);
    EXPECT_EQ(decoded.value->Find("viewStationery")->As<Symbol>()->name, "paperroll");
    EXPECT_EQ(
        decoded.value->Find("data")->As<Array>()->elements[1].Find("text")->As<String>()->text,
        "ink \uF700");
}

TEST(NsofDecode, EveryMalformedStreamIsRefusedWithItsReason) {
    const std::pair<std::string, std::string> cases[] = {
        {""s, "no bytes"},
        {"\x01\x0A"s, "version 1, not 2"},
        {"\x02"s, "an object ends early"},
        {"\x02\x06\x01\x07\x01x"s, "an object ends early"},
        {"\x02\x05\x03\x0A"s, "an array of 3 where 1 bytes remain"},
        {"\x02\x05\xFF\x7F\xFF\xFF\xFF\x0A"s, "an array of 2147483647 where 1 bytes remain"},
        {"\x02\x06\xFF\x7F\xFF\xFF\xFF"s, "a frame of 2147483647 where 0 bytes remain"},
        {"\x02\x05\xFF\xFF\xFF\xFF\xFF"s, "an array of -1"},
        {"\x02\x08\x03\x00\x41\x00"s, "a string of an odd length, 3"},
        {"\x02\x08\x04\x00\x41\x00\x42"s, "a string without its final zero character"},
        {"\x02\x08\x08\x00\x41"s, "a string of 8 where 2 bytes remain"},
        {"\x02\x06\x01\x08\x02\x00\x00\x0A"s, "a frame whose slot name is no symbol"},
        {"\x02\x05\x02\x09\x02\x0A"s, "a precedent to object 2, which has not come yet"},
        {"\x02\x05\x01\x09\x00"s, "a precedent to object 0, which it is part of"},
        {"\x02\x0C\x00"s, "a large binary, which Zandorelle does not read"},
        {"\x02\x0D"s, "an unknown tag 13"},
        {"\x02\x0B\x01\x02"s, "a small rectangle ends early"},
    };
    for (const auto& [stream, reason] : cases) {
        const Decoded decoded = Decode(stream);
        EXPECT_FALSE(decoded.value) << reason;
        EXPECT_EQ(decoded.error.substr(0, decoded.error.find(" (at byte")), reason);
    }
}

TEST(NsofDecode, DeepNestingAndPrecedentBombsStopAtTheirLimits) {
    std::string nested = "\x02";
    for (int i = 0; i < 10000; ++i) nested += "\x05\x01";
    nested += "\x0A";
    EXPECT_EQ(Decode(nested).error.substr(0, 34), "objects nested deeper than 64 (at ");
    std::string shallow = "\x02";
    for (int i = 0; i < kMaxDepth; ++i) shallow += "\x05\x01";
    EXPECT_TRUE(Decode(shallow + "\x0A").value) << "64 levels are fine";

    // Each array holds the one before it twice: 2^40 objects in a few bytes.
    std::string bomb = "\x02\x05\x29\x05\x02\x0A\x0A";
    for (int i = 1; i <= 40; ++i) bomb += "\x05\x02\x09"s + char(i) + "\x09"s + char(i);
    const Decoded decoded = Decode(bomb);
    EXPECT_FALSE(decoded.value);
    EXPECT_EQ(decoded.error.rfind("more than 262144 objects", 0), 0u) << decoded.error;
}

}  // namespace
}  // namespace zd::nsof
