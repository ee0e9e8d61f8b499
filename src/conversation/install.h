// Installing Newton packages through the Newton's own Connection application:
// the Dock protocol's package-loading session, on the next connection in
// place of the companion package's greeting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dock/dock_message.h"

namespace zd {

struct Session;

// How long we wait for an answer in a package-loading session: the Newton's
// own wait, with a margin.
inline constexpr int32_t kDockAnswerMs = (dock::kTimeoutSeconds + 5) * 1000;

// Checks every file and, when each one is a readable package of at most
// kPackageCap bytes (package_file.h), expects a Dock session on the next connection, listening
// for it where no pipe listens already (a companion link is ended first).
// Otherwise the reasons are logged and shown, nothing is asked for, and false
// is returned.
bool RequestInstall(Session& s, const std::vector<std::string>& files);

// Asks the user to connect through Connection on the Newton, and listens for
// it where no pipe listens already (a companion link is ended first).
void AwaitConnection(Session& s);

// True while a Dock session is expected.
bool InstallExpected(const Session& s);

// The whole session on the connected pipe, which is closed after it; the
// outcome lands in the session's install state.
void RunDockSession(Session& s);

}  // namespace zd
