// The password step's key and answer, against the vectors of the protocol's
// description (each checked there with two DES implementations).
#include "dock/password.h"

#include <gtest/gtest.h>

namespace zd::dock {
namespace {

using namespace std::string_literals;

TEST(DockPassword, EveryVectorGivesItsKeyAndAnswer) {
    const std::string challenge = "\xFF\x8D\xAA\xB8\x00\x20\x41\xD5"s;
    const struct {
        const char* password;
        DesKey key;
        std::string answer;
    } vectors[] = {
        {"", {0xE4, 0x0F, 0x7E, 0x9F, 0x0A, 0x36, 0x2C, 0xFA}, "\xF6\xEB\xA1\x37\xF3\x69\x9E\xA5"s},
        {"secret",
         {0x9B, 0xF7, 0x82, 0xA8, 0x2A, 0xCF, 0x8B, 0x1A},
         "\x53\x05\x27\xDA\x98\x71\x1E\x97"s},
        {"abcd",
         {0x1A, 0x38, 0x65, 0xE5, 0x67, 0x79, 0xFA, 0xAA},
         "\x71\x3E\xFE\xA9\x63\xF1\xF3\xF7"s},
        {"Åsa",
         {0x13, 0x2F, 0xEF, 0x7A, 0x16, 0x2F, 0x6A, 0x26},
         "\xCF\xE6\xC0\xD0\x22\x37\xB7\x80"s},
        {"12345678",
         {0xC9, 0x0A, 0x5E, 0x62, 0xE6, 0x32, 0xCF, 0x5C},
         "\xAF\xFA\xC9\x9F\x24\xD6\xB8\x76"s},
    };
    for (const auto& [password, key, answer] : vectors) {
        EXPECT_EQ(AnswerKey(password), key) << password;
        EXPECT_EQ(PasswordAnswer(challenge, password), answer) << password;
    }
    EXPECT_EQ(PasswordAnswer(challenge), vectors[0].answer) << "no password is the empty one";
}

TEST(DockPassword, AnswersRealNewtonsGaveAndTook) {
    // Challenges and answers under the empty password, from two real sessions:
    // both sides of each.  The desktop's answer in the first was taken by the
    // Newton; the Newton's own answers check our DES from its side.
    const struct {
        std::string challenge, answer;
    } exchanges[] = {
        {"\x00\x65\xE0\xBC\xFF\xA7\x74\x1B"s, "\x36\x5A\x08\xFF\xA1\xD8\xFC\x13"s},
        {"\x5F\xFE\xF6\x6A\x5B\xE3\xDA\x62"s, "\x40\x54\x49\xA1\xCA\x56\x6C\x4E"s},
        {"\x00\x65\x0C\x16\x00\x58\x92\xEB"s, "\xC1\x3C\xB9\x49\xED\xBE\x4E\x23"s},
        {"\x55\x86\x75\x0A\x6E\x6E\x0F\x63"s, "\x5A\xF1\x16\x2B\xEE\xBB\xCD\xCA"s},
    };
    for (const auto& [challenge, answer] : exchanges) EXPECT_EQ(PasswordAnswer(challenge), answer);
}

}  // namespace
}  // namespace zd::dock
