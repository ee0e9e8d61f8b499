// Which addresses the network port's allowed list holds.
#include "link/dil/admission.h"

#include <gtest/gtest.h>

namespace zd {
namespace {

TEST(Admission, AddressesAndRangesOfTheAllowedList) {
    const struct {
        const char* allowed;
        const char* address;
        bool in;
    } cases[] = {
        {"192.168.1.20", "192.168.1.20", true},         {"192.168.1.20", "192.168.1.21", false},
        {"10.0.0.0/8, 192.168.1.20", "10.9.9.1", true}, {" 10.0.0.0/8 ", "11.0.0.1", false},
        {"192.168.0.0/16", "192.168.200.3", true},      {"0.0.0.0/0", "8.8.8.8", true},
        {"10.0.0.0/33,nonsense,", "10.0.0.1", false},   {"", "10.0.0.1", false},
        {"10.0.0.1", "not an address", false},
    };
    for (const auto& [allowed, address, in] : cases)
        EXPECT_EQ(InAllowList(allowed, address), in) << allowed << " / " << address;
    EXPECT_EQ(MalformedEntries("10.0.0.0/33, nonsense,, 10.0.0.1 ,1.2.3"),
              (std::vector<std::string>{"10.0.0.0/33", "nonsense", "1.2.3"}));
    EXPECT_TRUE(IsLoopback("127.0.0.1"));
    EXPECT_TRUE(IsLoopback("127.3.2.1"));
    EXPECT_FALSE(IsLoopback("10.9.9.1"));
}

}  // namespace
}  // namespace zd
