#include "dock/connection_driver.h"

#include "base/display_ops.h"
#include "base/session.h"
#include "dock/full_connection.h"
#include "link/link_manager.h"

namespace zd {
namespace {

using dock::FullConnection;

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
    const size_t total = connection.Type(text, Now(s));
    LogLine(s, "Typing " + what + " on the Newton (" + Characters(total) + ")\u2026");
    while (connection.waiting() > 0 && connection.phase() != FullConnection::Phase::kEnded &&
           !dil.cancelled()) {
        Pump(s);
        // Until the Newton opens its keyboard, or its link has room again.
        if (connection.waiting() > 0) (void)dil.CD_Wait(s.link.pipe, kWaitSliceMs);
    }
    if (!keyboardWasOpen) connection.CloseKeyboard(Now(s));
    Pump(s);
    const size_t typed = connection.typed() - before;
    bool whole = typed == total && connection.phase() != FullConnection::Phase::kEnded;
    // Written is not yet arrived: the link confirms it.
    const int32_t flushed =
        whole ? dil.CD_Flush(s.link.pipe, dock::kTimeoutSeconds * 1000) : kDilOk;
    whole = whole && flushed == kDilOk;
    if (whole) {
        LogLine(s, "Typed " + Characters(total) + " on the Newton.");
    } else if (dil.cancelled()) {
        LogLine(s, "The typing was cut short: " + std::to_string(typed) + " of " +
                       Characters(total) + " were typed.");
    } else if (flushed != kDilOk) {
        LogLine(s, "The Newton did not confirm the end of " + what +
                       "; it may not have arrived whole.");
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
