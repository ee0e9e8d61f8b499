#include "dock/connection_driver.h"

#include "base/display_ops.h"
#include "base/session.h"
#include "dock/full_connection.h"
#include "link/link_manager.h"

namespace zd {
namespace {

using dock::FullConnection;

// How long after a text the Newton has to say that it was not all typed.
constexpr int64_t kSettleMs = 500;

int64_t Now(const Session& s) {
    return s.svc.clock.NowMs();
}

std::string Characters(size_t count) {
    return std::to_string(count) + (count == 1 ? " character" : " characters");
}

void LogNotes(Session& s, FullConnection& connection) {
    for (const std::string& note : connection.TakeNotes()) LogLine(s, note);
}

// Hands the connection what came, lets the time pass, and writes what it
// says, message by message, reading between them: a cancel in the middle of
// a long text stops what follows it.
void Pump(Session& s) {
    FullConnection& connection = *s.dock.connection;
    Dil& dil = s.svc.dil;
    const CD_Handle pipe = s.link.pipe;
    for (;;) {
        int32_t waiting = 0;
        if (dil.CD_BytesAvailable(pipe, &waiting) == kDilOk && waiting > 0) {
            std::string bytes(static_cast<size_t>(waiting), '\0');
            if (dil.CD_Read(pipe, bytes.data(), waiting) == kDilOk)
                connection.Receive(bytes, Now(s));
        }
        connection.Tick(Now(s));
        LogNotes(s, connection);
        const auto message = connection.NextMessage(Now(s));
        if (!message) break;
        const int32_t written =
            dil.CD_Write(pipe, message->data(), static_cast<int32_t>(message->size()));
        // A wait the user ended belongs to the end that follows.
        if (written == kDilErrCancelled) break;
        if (written != kDilOk) connection.Lost();
    }
    if (connection.phase() != FullConnection::Phase::kEnded &&
        dil.CD_GetState(pipe) != kStateConnected) {
        connection.Lost();
    }
    LogNotes(s, connection);
}

FullConnection* Running(Session& s) {
    return FullConnectionRuns(s) ? s.dock.connection.get() : nullptr;
}

}  // namespace

bool FullConnectionRuns(const Session& s) {
    return s.dock.connection && s.link.pipe != 0 && s.dock.pipe == s.link.pipe;
}

void StartFullConnection(Session& s) {
    s.dock.connection.reset(new FullConnection(Now(s)));
    s.dock.pipe = s.link.pipe;
    s.link.goodbye = dock::Encode(dock::kDisconnect, "");
    Pump(s);
}

void ServeFullConnection(Session& s) {
    if (!FullConnectionRuns(s)) {
        // Its pipe went another way (a new listen, an installation).
        s.dock.connection.reset();
        return;
    }
    Pump(s);
    if (s.dock.connection->phase() != FullConnection::Phase::kEnded) return;
    // Whatever goodbye there was to say has been said.
    s.dock.connection.reset();
    s.link.goodbye = "";
    ClosePipe(s);
}

bool TypeTransfer(Session& s, const std::string& text, const std::string& what) {
    FullConnection& connection = *s.dock.connection;
    Dil& dil = s.svc.dil;
    s.link.busy = true;
    ShowState(s, "Working");
    const bool keyboardWasOpen = connection.keyboard() != FullConnection::Keyboard::kClosed;
    const size_t before = connection.typed();
    const size_t losses = connection.keyboardLosses();
    const auto interrupted = [&] {
        return connection.phase() == FullConnection::Phase::kEnded ||
               connection.keyboardLosses() != losses;
    };
    const size_t total = connection.Type(text, Now(s));
    LogLine(s, "Typing " + what + " on the Newton (" + Characters(total) + ")\u2026");
    while (connection.waiting() > 0 && !interrupted() && !dil.cancelled()) {
        Pump(s);
        // Until the Newton opens its keyboard, or its link has room again.
        if (connection.waiting() > 0) (void)dil.CD_Wait(s.link.pipe, kWaitSliceMs);
    }
    if (!keyboardWasOpen) connection.CloseKeyboard(Now(s));
    Pump(s);
    // Written is not yet typed: the link confirms it, and the Newton has a
    // moment to say that its user closed the keyboard in the middle.
    bool whole = !interrupted() && !dil.cancelled() &&
                 dil.CD_Flush(s.link.pipe, dock::kTimeoutSeconds * 1000) == kDilOk;
    for (const int64_t settled = Now(s) + kSettleMs; whole && Now(s) < settled;) {
        (void)dil.CD_Wait(s.link.pipe, static_cast<int32_t>(settled - Now(s)));
        Pump(s);
        whole = !interrupted() && !dil.cancelled();
    }
    if (whole) {
        LogLine(s, "Typed " + Characters(total) + " on the Newton.");
    } else {
        LogLine(s, "Not all of " + what +
                       " was typed: " + std::to_string(connection.typed() - before) + " of " +
                       Characters(total) + " had gone to the Newton.");
    }
    ShowState(s, "Idle");
    s.link.busy = false;
    return whole;
}

void OpenLiveKeyboard(Session& s) {
    if (FullConnection* connection = Running(s)) {
        connection->OpenKeyboard(Now(s));
        Pump(s);
    }
}

void TypeLive(Session& s, const std::string& text) {
    if (FullConnection* connection = Running(s)) {
        connection->Type(text, Now(s));
        Pump(s);
    }
}

void PressLiveKey(Session& s, char16_t key) {
    if (FullConnection* connection = Running(s)) {
        connection->PressKey(key, Now(s));
        Pump(s);
    }
}

void CloseLiveKeyboard(Session& s) {
    if (FullConnection* connection = Running(s)) {
        connection->CloseKeyboard(Now(s));
        Pump(s);
    }
}

}  // namespace zd
