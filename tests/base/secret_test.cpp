// A password in one place: a move hands the same bytes on (a short string's
// would be copied, leaving the password behind), and clearing wipes them.
#include "base/secret.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zd {
namespace {

TEST(Secret, MovesHandOnItsBytesAndClearingWipesThem) {
    Secret typed;
    for (const char c : std::string("hemligt 42")) typed.Append(c);
    const char* where = typed.text().data();
    std::optional<Secret> given(std::move(typed));
    Secret kept = std::move(*given);
    EXPECT_EQ(kept.text(), "hemligt 42");
    EXPECT_EQ(kept.text().data(), where) << "no copy of the password anywhere else";
    EXPECT_TRUE(typed.empty());
    kept.Clear();
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(std::string(where, 10), std::string(10, '\0')) << "its bytes wiped in place";

    Secret long_;
    for (size_t i = 0; i < Secret::kCapacity + 10; ++i) long_.Append('x');
    EXPECT_EQ(long_.text().size(), Secret::kCapacity);
    EXPECT_EQ(Secret("Åsa").text(), "Åsa");
}

}  // namespace
}  // namespace zd
