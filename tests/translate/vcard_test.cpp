// Names cards as vCard 3.0, on frames as the Newton keeps them: every slot of
// a person's card in its property, phones typed by their classes, escaping
// and folding at 75 octets, web addresses as URIs, and cards that hold
// little but a name, or that name it in one string.
#include "translate/vcard.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

using nsof::Value;
using namespace std::string_literals;

Value Str(const char* text) {
    return Value{nsof::String{text}};
}
Value Phone(const char* kind, const char* number) {
    std::string utf16;
    for (const char* c = number; *c; ++c) utf16 += "\0"s + *c;
    return Value{nsof::Binary{kind, utf16 + "\0\0"s}};
}
Value Frame(std::vector<nsof::Slot> slots) {
    return Value{nsof::Frame{std::move(slots)}};
}
Value List(std::vector<Value> elements) {
    return Value{nsof::Array{"", std::move(elements)}};
}

std::string Card(const Value& entry) {
    std::string why;
    const auto card = CardAsVCard(entry, 0x1234, &why);
    return card ? card->text : "(" + why + ")";
}

TEST(VCard, EverySlotOfAPersonHasItsProperty) {
    const Value person = Frame({
        {"class", Value{nsof::Symbol{"person"}}},
        {"name", Frame({{"honorific", Str("Fru")},
                        {"first", Str("Åsa")},
                        {"last", Str("Ørnskjöld")},
                        {"title", Str("Redaktör")}})},
        {"company", Str("Tidningen; AB")},
        {"address", Str("Storgatan 1")},
        {"city", Str("Malmö")},
        {"postal_code", Str("211 34")},
        {"addresses", List({Frame({{"city", Str("Genève")}, {"country", Str("Suisse")}})})},
        {"phones", List({Phone("homePhone", "040-1"), Phone("carPhone", "070-2"),
                         Phone("homeFaxPhone", "040-3"), Phone("beeperPhone", "0740-4"),
                         Phone("surfPhone", "5")})},
        {"pagers", List({Frame({{"pagerNum", Str("0740-9")}})})},
        {"email", Str("asa@example.se")},
        {"emailAddrs", List({Frame({{"email", Str("a@example.org")}})})},
        {"URLs", List({Str("http://example.se/a,b;c d"), Str("http://x/\r\nEND:VCARD")})},
        {"bday", Value{int32_t{34909920}}},         // 17 May 1970
        {"anniversary", Value{int32_t{48093120}}},  // 10 June 1995
        {"notes", List({Frame({{"viewStationery", Value{nsof::Symbol{"para"}}},
                               {"viewBounds", Value{nsof::SmallRect{}}},
                               {"text", Str("Kaffe, te\r\\ och mjölk")}})})},
        {"labels", Value{nsof::Symbol{"Friends"}}},
        {"_uniqueID", Value{int32_t{7}}},
    });
    EXPECT_EQ(Card(person),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ørnskjöld;Åsa;;Fru;\r\nFN:Åsa Ørnskjöld\r\n"
              "TITLE:Redaktör\r\nORG:Tidningen\\; AB\r\n"
              "ADR;TYPE=WORK,POSTAL:;;Storgatan 1;Malmö;;211 34;\r\n"
              "ADR;TYPE=HOME,POSTAL:;;;Genève;;;Suisse\r\n"
              "TEL;TYPE=HOME,VOICE:040-1\r\nTEL;TYPE=CELL:070-2\r\nTEL;TYPE=HOME,FAX:040-3\r\n"
              "TEL;TYPE=PAGER:0740-4\r\nTEL;TYPE=VOICE:5\r\nTEL;TYPE=PAGER:0740-9\r\n"
              "EMAIL;TYPE=INTERNET:asa@example.se\r\nEMAIL;TYPE=INTERNET:a@example.org\r\n"
              "URL:http://example.se/a%2Cb%3Bc%20d\r\nBDAY;VALUE=date:1970-05-17\r\n"
              "X-ANNIVERSARY;VALUE=date:1995-06-10\r\n"
              "X-EVOLUTION-ANNIVERSARY;VALUE=date:1995-06-10\r\n"
              "NOTE:Kaffe\\, te\\n\\\\ och mjölk\r\nCATEGORIES:Friends\r\n"
              "UID:newton-00001234-7\r\nEND:VCARD\r\n");
}

TEST(VCard, CompaniesGroupsAndCardsOfLittleMoreThanANameFoldTheirLongLines) {
    const std::string company = Card(
        Frame({{"class", Value{nsof::Symbol{"company"}}}, {"company", Str("Ångström & Söner")}}));
    EXPECT_NE(company.find("N:;;;;\r\nFN:Ångström & Söner\r\nX-ABShowAs:COMPANY\r\n"),
              std::string::npos);
    EXPECT_NE(Card(Frame({{"class", Value{nsof::Symbol{"group"}}},
                          {"name", Frame({{"first", Str("Bokklubben")}})}}))
                  .find("X-ADDRESSBOOKSERVER-KIND:group"),
              std::string::npos);
    std::string longName;
    for (int i = 0; i < 40; ++i) longName += "ö";
    const std::string folded = Card(Frame({{"name", Frame({{"first", Str(longName.c_str())}})}}));
    EXPECT_NE(folded.find("FN:" + longName.substr(0, 72) + "\r\n " + longName.substr(72) + "\r\n"),
              std::string::npos)
        << "75 octets a line, never inside a letter: " << folded;
    EXPECT_EQ(Card(Str("a card?")), "(the entry is no frame)");
    EXPECT_NE(Card(Frame({{"name", Str("Walter Smith")}})).find("\r\nFN:Walter Smith\r\n"),
              std::string::npos)
        << "a name in one string, as in Apple's own example";
}

TEST(VCard, WhatNoAddressBookCouldReadIsLeftOutAndSaid) {
    std::string why;
    const auto card = CardAsVCard(Frame({{"name", Frame({{"first", Str("Åsa")}})},
                                         {"URLs", List({Str("http://x/\nEND:VCARD")})},
                                         {"labels", Value{nsof::Symbol{"Vänner\x01"}}}}),
                                  0x1234, &why);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->text.find("URL"), std::string::npos);
    EXPECT_EQ(card->text.find("CATEGORIES"), std::string::npos);
    EXPECT_EQ(card->oddities,
              (std::vector<std::string>{"a web address with a control character, left out",
                                        "a folder whose name is no ASCII, left out"}));
}

}  // namespace
}  // namespace zd
