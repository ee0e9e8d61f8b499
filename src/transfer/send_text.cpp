#include "transfer/send_text.h"

#include <new>

#include "base/desktop.h"
#include "link/display_ops.h"
#include "link/poll_tick.h"
#include "protocol/wire.h"
#include "protocol/wire_io.h"
#include "session/session.h"
#include "transfer/charset.h"
#include "transfer/receive_item.h"
#include "transfer/regular_file.h"
#include "transfer/text_files.h"

namespace zd {
namespace {

// How each way of sending differs in the catch sequence.
enum class Source {
    kFile,       // stops before the text if "#CATCH" cannot be written
    kClipboard,  // goes on whatever happens
    kDrop,       // goes on, and does not look at the reply
};

constexpr const char* kNothingSent = "Nothing was sent: no Newton is connected.";

bool NewtonConnected(Session& s) {
    return s.link.pipe != 0 && s.link.handshakeDone &&
           s.svc.dil.CD_GetState(s.link.pipe) == kStateConnected;
}

void RunCatchSequence(Session& s, const std::string& text, Source source) {
    const bool connected = NewtonConnected(s);
    const bool announced = WriteWire(s, wire::kCatch) == kDilOk;
    if (announced || source != Source::kFile) {
        char reply[wire::kGoReplySize] = {};
        const bool read = s.svc.dil.CD_Read(s.link.pipe, reply, sizeof reply) == kDilOk;
        const bool go = read && std::string_view(reply, wire::kGo.size()) == wire::kGo;
        // A missing go-ahead is noted, and the text goes out all the same.
        if (!go && source == Source::kFile) LogLine(s, "<<--->>");
        if (!go && source == Source::kClipboard) LogLine(s, "<<<--->>>");
        (void)WriteWire(s, text);
    }
    (void)WriteWire(s, std::string_view(&wire::kEot, 1));
    // Without a Newton every step failed unseen: the user hears why.
    if (!connected) LogLine(s, kNothingSent);
}

// `text` (UTF-8) as the Newton's bytes; what could not go is counted in the log.
std::string ConvertForNewton(Session& s, std::string_view text) {
    LogLine(s, "Converting special characters.");
    Unsendable unsendable;
    std::string converted = ConvertToNewton(text, &unsendable);
    LogReplaced(s, unsendable.replaced, "the Newton's character set lacks them");
    if (unsendable.zeros > 0)
        LogLine(s, std::to_string(unsendable.zeros) + " zero bytes were left out.");
    return converted;
}

void EndWorking(Session& s) {
    ShowIdle(s);
    s.link.busy = false;
}

}  // namespace

void RefuseFile(Session& s, const std::string& path, const std::string& why) {
    const std::string message = path + ": " + why + "; nothing was sent.";
    LogLine(s, message);
    s.svc.desktop->ShowFileError(message);
}

std::optional<std::string> ReadTextFile(Session& s, const std::string& path) {
    FileContent content = ReadRegularFile(path, kItemCap, "a text file", "a text");
    if (!content.bytes) RefuseFile(s, path, content.refusal);
    return std::move(content.bytes);
}

std::string DecodeTextFile(Session& s, std::string_view bytes) {
    size_t undefined = 0;
    std::string text = FromFileBytes(bytes, ReadFileCharset(s.svc.prefs), &undefined);
    LogReplaced(s, undefined, "code page 1252 leaves them undefined");
    return text;
}

void SendTextFile(Session& s) {
    s.link.busy = true;
    ShowState(s, "Working");
    const std::optional<std::string> path = s.svc.desktop->ChooseFileToSend();
    if (!path) return EndWorking(s);

    std::optional<std::string> bytes;
    try {
        bytes = ReadTextFile(s, *path);
    } catch (const std::bad_alloc&) {
        LogLine(s, "File Error: return");
        return EndWorking(s);
    }
    if (!bytes) return EndWorking(s);

    LogLine(s, "1");
    LogLine(s, "2");
    const std::string converted = ConvertForNewton(s, DecodeTextFile(s, *bytes));
    LogLine(s, "4");
    RunCatchSequence(s, converted, Source::kFile);
    EndWorking(s);
}

void PasteToNewton(Session& s) {
    s.link.busy = true;
    ShowState(s, "Working");
    if (!s.svc.desktop->HasClipboardText()) {
        LogLine(s, "Must perform Copy operation first!");
        return EndWorking(s);
    }
    const std::optional<std::string> text = s.svc.desktop->ClipboardText();
    if (!text) {
        LogLine(s, "Can't open Clipboard.");
        return EndWorking(s);
    }
    s.outgoing = ConvertForNewton(s, *text);
    RunCatchSequence(s, s.outgoing, Source::kClipboard);
    EndWorking(s);
}

void SendDroppedText(Session& s, const std::optional<std::string>& text) {
    s.link.busy = true;
    if (s.link.handshakeDone && text) {
        s.outgoing = ConvertForNewton(s, *text);
        RunCatchSequence(s, s.outgoing, Source::kDrop);
    } else if (text) {
        LogLine(s, kNothingSent);
    }
    s.link.busy = false;
}

void DropFiles(Session& s) {
    LogLine(s, "Here");
}

}  // namespace zd
