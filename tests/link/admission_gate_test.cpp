// The program's side of the network port's guard: a caller from elsewhere is
// asked about, refused when nobody answers within the minute, and the
// question is taken back when the caller goes first.
#include "link/admission_gate.h"

#include <gtest/gtest.h>

#include "support/link_fixture.h"

namespace zd {
namespace {

using Lines = std::vector<std::string>;

class AdmissionGateTest : public test::LinkFixture {
protected:
    void SetUp() override { desktop.canAsk = true; }
};

TEST_F(AdmissionGateTest, AQuestionNobodyAnswersIsRefusedAfterAMinute) {
    EXPECT_EQ(AdmitCaller(session, "10.0.0.7"), Admission::kUndecided);
    EXPECT_EQ(desktop.asked, Lines{"10.0.0.7"});
    clock.Advance(kAdmissionQuestionMs - 2);  // each reading of the clock moves it by 1 ms
    EXPECT_EQ(AdmitCaller(session, "10.0.0.7"), Admission::kUndecided);
    EXPECT_EQ(desktop.asked.size(), 1u) << "asked once";
    clock.Advance(2);
    EXPECT_EQ(AdmitCaller(session, "10.0.0.7"), Admission::kRefuse);
    EXPECT_EQ(desktop.stoppedAsking, Lines{"10.0.0.7"});
    EXPECT_EQ(display.Lines(),
              (Lines{"A Newton at 10.0.0.7 wants to connect.",
                     "Refused the Newton at 10.0.0.7: nobody let it in within 60 s."}));
}

TEST_F(AdmissionGateTest, ACallerThatGoesTakesItsQuestionWithIt) {
    EXPECT_EQ(AdmitCaller(session, "10.0.0.7"), Admission::kUndecided);
    WithdrawCaller(session, "10.0.0.7");
    WithdrawCaller(session, "10.0.0.8");  // never asked about: nothing to say
    EXPECT_EQ(desktop.stoppedAsking, Lines{"10.0.0.7"});
    EXPECT_EQ(display.Lines().back(), "The Newton at 10.0.0.7 went before it was let in.");
    EXPECT_EQ(AdmitCaller(session, "10.0.0.7"), Admission::kUndecided) << "asked anew next time";
    EXPECT_EQ(desktop.asked.size(), 2u);
}

}  // namespace
}  // namespace zd
