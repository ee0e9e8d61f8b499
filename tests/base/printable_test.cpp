// Text from outside made fit for the log: what could steer a terminal or turn
// the text around is shown or left out, every letter stays.
#include "base/printable.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(Printable, ControlsAreShownDirectionControlsGoLettersStay) {
    const std::pair<std::string, std::string> cases[] = {
        {"Åsa Ørnskjöld 日本", "Åsa Ørnskjöld 日本"},
        {"\x1B[2J\r\n999 notes saved", "\\x1B[2J\\x0D\\x0A999 notes saved"},
        {"a\u0085b\u009Bc\u2028d", "a\\x85b\\x9Bc\\u2028d"},
        {"\u202Etxt.exe\u2066\u200F", "txt.exe"},
        {"bad \xFF byte", "bad ? byte"},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(Printable(text), shown);
}

}  // namespace
}  // namespace zd
