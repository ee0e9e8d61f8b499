// The Newton's streamed objects: the captures of a real connection, byte for
// byte, both ways; round trips; and every malformed stream a Newton, or a
// line, can hand over, each refused with its reason and never a crash.
#include "nsof/nsof.h"

#include <gtest/gtest.h>

#include "support/real_bytes.h"

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
    EXPECT_EQ(Encode(Value{programs}), test::RealBytes("nsof/newtonkit_dinf_apps.nsof"));
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

TEST(NsofDecode, TheCapturesReadAsWhatTheyHold) {
    const Decoded programs = Decode(test::RealBytes("nsof/newtonkit_dinf_apps.nsof"));
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
        {"\x02\x08\x08\x00\x41"s, "a string of 8 where 2 bytes remain"},
        {"\x02\x06\x01\x08\x02\x00\x00\x0A"s, "a frame whose slot name is no symbol"},
        {"\x02\x05\x02\x09\x02\x0A"s, "a precedent to object 2, which has not come yet"},
        {"\x02\x05\x01\x09\x00"s, "a precedent to object 0, which it is part of"},
        {"\x02\x0C\x0A\x00\x00\x00\x00"s, "a large binary ends early"},
        {"\x02\x0C\x0A\x00\x7F\xFF\xFF\xFF\0\0\0\0\0\0\0\0\0\0\0\0"s,
         "a large binary's part of 2147483647 where 12 bytes remain"},
        {"\x02\x0C\x0A\x00\0\0\0\x04\0\0\0\x02\0\0\0\0\0\0\0\0zz"s, "a large binary ends early"},
        {"\x02\x0D"s, "an unknown tag 13"},
        {"\x02\x0B\x01\x02"s, "a small rectangle ends early"},
    };
    for (const auto& [stream, reason] : cases) {
        const Decoded decoded = Decode(stream);
        EXPECT_FALSE(decoded.value) << reason;
        EXPECT_EQ(decoded.error.substr(0, decoded.error.find(" (at byte")), reason);
    }
}

TEST(NsofDecode, RichStringsAndStringsWithoutTheirEnd) {
    // Text, its zero character, ink data padded to four bytes, a final word.
    const std::string rich = "\0S\xF7\x00\0!\0\0"s + "\x05\x05\x05\x05" + "\0\0\0\x01"s;
    const struct {
        std::string object, text;
        bool odd;  // without its final zero character
    } cases[] = {
        {"\x08\x10"s + rich, "S\uF700!", false},
        {"\x08\x08\0a\0\0\0b\0\0"s, "a\uFFFDb", false},  // a zero inside a plain text
        {"\x08\x06\0a\0\0\0b"s, "a\uFFFDb", true},
        {"\x08\x08\0a\0b\0\0\0\0"s, "ab", false},
        {"\x08\x04\0A\0B"s, "AB", true},
        {"\x08\x03\0A\0"s, "A", true},
    };
    for (const auto& [object, text, odd] : cases) {
        const Decoded decoded = Decode("\x02"s + object);
        ASSERT_TRUE(decoded.value) << decoded.error;
        EXPECT_EQ(decoded.value->As<String>()->text, text);
        EXPECT_EQ(decoded.oddities.size(), odd ? 1u : 0u) << text;
    }
}

TEST(NsofDecode, ALargeBinaryAndItsRoundTrip) {
    const std::string stream =
        "\x02\x0C\x07\x07package"
        "\x01\0\0\0\x08\0\0\0\x04\0\0\0\x02\0\0\0\0"
        "lzssP1package0"s;
    const Decoded decoded = Decode(stream);
    ASSERT_TRUE(decoded.value) << decoded.error;
    const LargeBinary* large = decoded.value->As<LargeBinary>();
    ASSERT_TRUE(large);
    EXPECT_EQ(large->className, "package");
    EXPECT_TRUE(large->compressed);
    EXPECT_EQ(large->compander, "lzss");
    EXPECT_EQ(large->parameters, "P1");
    EXPECT_EQ(large->bytes, "package0");
    EXPECT_EQ(Encode(*decoded.value), stream);
}

TEST(NsofDecode, ARealNewtonsSyncOptions) {
    // Printed in one of our documents, it once lacked its last two signatures.
    const Decoded decoded = Decode(test::RealBytes("nsof/newtonkit_sopt.nsof"));
    ASSERT_TRUE(decoded.value) << decoded.error;
    EXPECT_EQ(decoded.used, 405u);
    EXPECT_TRUE(decoded.value->Find("packages")->As<Nil>()) << "slots are found in any case";
    const auto& stores = decoded.value->Find("stores")->As<Array>()->elements;
    ASSERT_EQ(stores.size(), 1u);
    const Value& store = stores[0];
    EXPECT_EQ(store.Find("name")->As<String>()->text, "Internal");
    EXPECT_EQ(store.Find("kind")->As<String>()->text, "Internal");
    const std::pair<const char*, int32_t> integers[] = {{"signature", 484680733},
                                                        {"totalSize", 1394304},
                                                        {"usedSize", 1255776},
                                                        {"storeversion", 4}};
    for (const auto& [slot, value] : integers)
        EXPECT_EQ(*store.Find(slot)->As<int32_t>(), value) << slot;
    for (const char* slot : {"info", "readOnly", "storepassword"})
        EXPECT_TRUE(store.Find(slot)->As<Nil>()) << slot;
    EXPECT_TRUE(*store.Find("defaultStore")->As<bool>());
    std::vector<std::string> soups;
    for (const Value& soup : store.Find("soups")->As<Array>()->elements)
        soups.push_back(soup.As<String>()->text);
    EXPECT_EQ(soups, (std::vector<std::string>{"Calendar", "Calendar Notes", "Repeat Meetings",
                                               "Repeat Notes", "To do", "To Do List"}));
    std::vector<int32_t> signatures;
    for (const Value& signature : store.Find("signatures")->As<Array>()->elements)
        signatures.push_back(*signature.As<int32_t>());
    EXPECT_EQ(signatures, (std::vector<int32_t>{-450135364, 159834036, -140675090, 53274524,
                                                -275292307, -84269481}));
}

// The slot `name` of `value` as an integer, a text or nothing.
int32_t IntegerIn(const Value& value, const char* name) {
    return *value.Find(name)->As<int32_t>();
}
std::string TextIn(const Value& value, const char* name) {
    return value.Find(name)->As<String>()->text;
}

TEST(NsofDecode, TheStoreListsOfThreeRealNewtons) {
    const Decoded one = Decode(test::RealBytes("nsof/newtonsync_stor.nsof"));
    ASSERT_TRUE(one.value) << one.error;
    EXPECT_EQ(one.used, 173u) << "the padding after it is not the object's";
    const Value& internal = one.value->As<Array>()->elements.at(0);
    EXPECT_EQ(TextIn(internal, "name"), "Internal");
    EXPECT_EQ(IntegerIn(internal, "signature"), -143364242);
    EXPECT_EQ(IntegerIn(internal, "TotalSize"), 7638048);

    const Decoded two = Decode(test::RealBytes("nsof/dongle_mp2x00_stor.nsof"));
    ASSERT_TRUE(two.value) << two.error;
    const auto& stores = two.value->As<Array>()->elements;
    ASSERT_EQ(stores.size(), 2u);
    EXPECT_EQ(IntegerIn(stores[0], "signature"), 31871237);
    EXPECT_EQ(IntegerIn(stores[0], "UsedSize"), 1102100);
    EXPECT_EQ(IntegerIn(*stores[0].Find("info"), "lastRestoreFromCard"), -473050505);
    EXPECT_TRUE(*stores[0].Find("defaultStore")->As<bool>());
    EXPECT_EQ(TextIn(stores[1], "name"), "20MB Card") << "slot names as precedents";
    EXPECT_EQ(TextIn(stores[1], "kind"), "Flash storage card");
    EXPECT_EQ(IntegerIn(stores[1], "signature"), 159604293);
    EXPECT_TRUE(stores[1].Find("info")->Find("defaultStore")->As<Nil>());
    EXPECT_EQ(stores[1].Find("defaultStore"), nullptr);
    EXPECT_EQ(Encode(*two.value), test::RealBytes("nsof/dongle_mp2x00_stor.nsof"))
        << "encoded again as the Newton encoded it";
}

TEST(NsofDecode, RealEntriesAndFramesReadWhole) {
    const Decoded system =
        Decode(test::RealBytes("nsof/newtonsync_system_ConnTransports_entry.nsof"));
    ASSERT_TRUE(system.value) << system.error;
    EXPECT_EQ(system.used, 566u);
    EXPECT_TRUE(system.value->Find("tag")->IsSymbol("ConnTransports") ||
                system.value->Find("tag")->As<String>());
    EXPECT_EQ(IntegerIn(*system.value, "_uniqueID"), 10);
    EXPECT_EQ(IntegerIn(*system.value, "_modTime"), 59029022);
    const Value* code = system.value->Find("transports")->Find("Dock ZC & TCP/IP:Kallisys");
    ASSERT_TRUE(code);
    EXPECT_EQ(code->Find("connectOptions")->Find("class")->As<Immediate>()->ref, 0x32)
        << "a code block's class";

    const Decoded folders = Decode(test::RealBytes("nsof/dongle_mp2x00_cres_userFolders.nsof"));
    ASSERT_TRUE(folders.value) << folders.error;
    std::vector<std::string> names;
    for (const Slot& slot : folders.value->As<Frame>()->slots) names.push_back(slot.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Business", "Miscellaneous", "personal", "_soups",
                                               "_extensions", "_setup", "_help", "completed"}));
    EXPECT_EQ(TextIn(*folders.value, "_soups"), "Storage");

    const Decoded walter = Decode(test::RealBytes("nsof/apple_formats_walter_smith.nsof"));
    ASSERT_TRUE(walter.value) << walter.error;
    EXPECT_EQ(TextIn(*walter.value, "name"), "Walter Smith");
    EXPECT_EQ(IntegerIn(*walter.value, "cats"), 2);
    const SmallRect bounds = *walter.value->Find("bounds")->As<SmallRect>();
    EXPECT_EQ((std::vector<int>{bounds.top, bounds.left, bounds.bottom, bounds.right}),
              (std::vector<int>{14, 10, 100, 40}));
    EXPECT_EQ(*walter.value->Find("uchar")->As<char32_t>(), U'\u2022');
    const auto& phones = walter.value->Find("phones")->As<Array>()->elements;
    EXPECT_EQ(phones.at(1).As<Binary>()->className, "faxPhone");
    EXPECT_EQ(TextIn(*walter.value, "nameAgain"), "Walter Smith") << "a precedent";
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

    // A binary of 8 KiB and 131,070 precedents to it: a gigabyte in 270 KB.
    std::string copies =
        "\x02\x05\xFF\x00\x01\xFF\xFF\x03\xFF\x00\x00\x20\x00\x0A"s + std::string(8192, 'x');
    for (int i = 0; i < 131070; ++i) copies += "\x09\x01";
    const Decoded copied = Decode(copies);
    EXPECT_FALSE(copied.value);
    EXPECT_EQ(copied.error.rfind("more than 16 MiB of objects", 0), 0u) << copied.error;
}

}  // namespace
}  // namespace zd::nsof
