#include "conversation/conversation.h"

#include <filesystem>

#include "base/desktop.h"
#include "base/front_end.h"
#include "conversation/connection_driver.h"
#include "conversation/install.h"
#include "dock/dock_message.h"
#include "link/display_ops.h"
#include "link/poll_tick.h"
#include "protocol/command_reader.h"
#include "protocol/handshake.h"
#include "session/session.h"
#include "transfer/receive_item.h"
#include "transfer/send_text.h"

namespace zd {
namespace {

enum class Speaker { kNotYet, kConnection, kPackage };

// Who is on the newly connected pipe: the Connection application says
// "newtdock" at once; the Zandorelle package says nothing until greeted.
Speaker WhoSpeaks(Session& s) {
    Dil& dil = s.svc.dil;
    char first[dock::kMagic.size()];
    int32_t copied = 0;
    (void)dil.CD_Peek(s.link.pipe, first, sizeof first, &copied);
    const std::string_view said(first, static_cast<size_t>(copied));
    const bool dockSoFar = dock::kMagic.substr(0, said.size()) == said;
    if (said.size() == dock::kMagic.size() && dockSoFar) return Speaker::kConnection;
    if (!said.empty() && !dockSoFar) return Speaker::kPackage;
    // A link on its way out says nothing more.
    const bool silent = s.svc.clock.NowMs() - s.poll.acceptedMs >= kSpeakFirstMs ||
                        dil.CD_GetState(s.link.pipe) != kStateConnected;
    return silent ? Speaker::kPackage : Speaker::kNotYet;
}

void TypeChosenFile(Session& s) {
    if (const std::optional<std::string> path = s.svc.desktop->ChooseFileToSend())
        TypeFile(s, *path);
}

void TypeClipboard(Session& s) {
    if (!s.svc.desktop->HasClipboardText()) {
        LogLine(s, "Must perform Copy operation first!");
        return;
    }
    const std::optional<std::string> text = s.svc.desktop->ClipboardText();
    if (!text) {
        LogLine(s, "Can't open Clipboard.");
        return;
    }
    TypeTransfer(s, *text, "the clipboard");
}

}  // namespace

void PollTick(Session& s) {
    const LinkReading link = PollLink(s);
    // Also lets go of a full connection whose pipe has gone.
    if (s.dock.running) ServeFullConnection(s);
    if (!link.pipe || s.link.pipe == 0) return;

    if (link.waiting >= 2 && s.link.handshakeDone && !s.link.busy &&
        s.svc.dil.CD_GetState(s.link.pipe) == kStateConnected) {
        ReadCommand(s, ReceiveItem);
    }
    if ((link.state == kStateConnected || link.state == kStateDisconnectPending) &&
        s.poll.pendingAction != kNoAction) {
        RunPendingAction(s);
    }
}

void RunPendingAction(Session& s) {
    const int32_t action = s.poll.pendingAction;
    s.poll.pendingAction = kNoAction;
    if (action != kGreet || s.link.pipe == 0) return;
    // Packages wait for the Newton's Connection application, which is not greeted.
    if (InstallExpected(s)) return RunDockSession(s);
    switch (WhoSpeaks(s)) {
        case Speaker::kNotYet:
            s.poll.pendingAction = kGreet;
            return;
        case Speaker::kConnection:
            return StartFullConnection(s);
        case Speaker::kPackage:
            return Handshake(s);
    }
}

void ButtonCommand(Session& s, int32_t code) {
    switch (code) {
        case kButtonListen:
            return Listen(s);
        case kButtonStatusView:
            if (s.svc.frontEnd) s.svc.frontEnd->ToggleStatusView();
            return;
        case kButtonSendFile:
            if (TypingPossible(s)) return TypeChosenFile(s);
            LogLine(s, "Zandorelling...");
            return SendTextFile(s);
        case kButtonPaste:
            if (TypingPossible(s)) return TypeClipboard(s);
            LogLine(s, "Special Paste.");
            return PasteToNewton(s);
        case kButtonDisconnect:
            return Disconnect(s);
        default:
            return;
    }
}

void OnTextDropped(Session& s, const std::optional<std::string>& text) {
    if (!TypingPossible(s)) return SendDroppedText(s, text);
    if (text) TypeTransfer(s, *text, "the dropped text");
}

void OnFilesDropped(Session& s, const std::vector<std::string>& paths) {
    if (!TypingPossible(s)) return DropFiles(s);
    for (const std::string& path : paths) TypeFile(s, path);
}

bool TypingPossible(const Session& s) {
    return FullConnectionReady(s);
}

void ExplainTypingImpossible(Session& s) {
    const bool listening =
        s.link.pipe != 0 && s.svc.dil.CD_GetState(s.link.pipe) == kStateListening;
    LogLine(s, s.link.handshakeDone ? "The Zandorelle package is connected; typing on the Newton "
                                      "takes its Connection application instead."
               : listening
                   ? "Nothing to type on yet: open Connection on the Newton and tap Connect."
                   : "Nothing to type on yet, and nothing listens for a Newton: Listen "
                     "first, then open Connection on the Newton and tap Connect.");
}

std::optional<std::string> TextFileToType(Session& s, const std::string& path) {
    const std::optional<std::string> bytes = ReadTextFile(s, path);
    if (!bytes) return std::nullopt;
    // Typed, a program or a picture would be keys of nonsense.
    if (bytes->find('\0') != std::string::npos) {
        RefuseFile(s, path, "this is no text file (it holds NUL characters)");
        return std::nullopt;
    }
    return DecodeTextFile(s, *bytes);
}

bool ReadyToType(Session& s) {
    if (TypingPossible(s)) return true;
    ExplainTypingImpossible(s);
    return false;
}

bool TypeFile(Session& s, const std::string& path) {
    if (!ReadyToType(s)) return false;
    const std::optional<std::string> text = TextFileToType(s, path);
    return text && TypeTransfer(s, *text, std::filesystem::path(path).filename().string());
}

void SaveNewtonData(Session& s, const ExportRequest& request) {
    const bool connected = FullConnectionRuns(s);
    ReadSoupsInto(s, request);
    if (!connected) AwaitConnection(s);
}

void BackUpNewton(Session& s, const std::string& path) {
    const bool connected = FullConnectionRuns(s);
    BackUpInto(s, path);
    if (!connected) AwaitConnection(s);
}

bool TypeText(Session& s, const std::string& text) {
    if (!ReadyToType(s)) return false;
    return TypeTransfer(s, text, "the text");
}

}  // namespace zd
