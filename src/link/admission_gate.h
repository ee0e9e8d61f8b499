// The program's side of who may use the network port (dil/admission.h): a
// caller from another machine is let in when "NetAllow" lists it, asked
// about where a window can ask, and refused with a line in the log where
// nobody can (headless, or tray mode without the window shown).
#pragma once

#include <string>

#include "link/dil/admission.h"

namespace zd {

struct LinkSession;

// How long the user is asked before the caller is refused.
inline constexpr int64_t kAdmissionQuestionMs = 60000;

// The decision on a caller from `address`, for the DIL.
Admission AdmitCaller(LinkSession& s, const std::string& address);

// The caller from `address` went before it was decided on.
void WithdrawCaller(LinkSession& s, const std::string& address);

// What the user answered about `address`.
enum class AdmissionAnswer { kOnce, kAlways, kRefuse };
void AnswerAdmission(LinkSession& s, const std::string& address, AdmissionAnswer answer);

}  // namespace zd
