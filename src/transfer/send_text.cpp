#include "transfer/send_text.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

#include "base/desktop.h"
#include "base/display_ops.h"
#include "base/session.h"
#include "protocol/wire.h"
#include "protocol/wire_io.h"
#include "transfer/charset.h"

namespace zd {
namespace {

// How each way of sending differs in the catch sequence.
enum class Source {
    kFile,       // stops before the text if "#CATCH" cannot be written
    kClipboard,  // goes on whatever happens
    kDrop,       // goes on, and does not look at the reply
};

void RunCatchSequence(Session& s, const std::string& text, Source source) {
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
}

// Converts `text` as the Newton expects it, up to its first zero byte.
void ConvertForNewton(Session& s, std::string& text) {
    LogLine(s, "Converting special characters.");
    ConvertToNewton(text.data());
}

// The whole content of `path`; on failure the user is told and nullopt returned.
std::optional<std::string> ReadTextFile(Session& s, const std::string& path) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in || in.bad()) {
        s.svc.desktop->ShowFileError(path + ": " + std::strerror(errno != 0 ? errno : EIO));
        return std::nullopt;
    }
    return content.str();
}

void EndWorking(Session& s) {
    ShowState(s, "Idle");
    s.link.busy = false;
}

// Text up to its first zero byte, as a clipboard or drop hands it over.
std::string UpToZero(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

void SendTextFile(Session& s) {
    s.link.busy = true;
    ShowState(s, "Working");
    const std::optional<std::string> path = s.svc.desktop->ChooseFileToSend();
    if (!path) return EndWorking(s);

    std::optional<std::string> text;
    try {
        text = ReadTextFile(s, *path);
    } catch (const std::bad_alloc&) {
        LogLine(s, "File Error: return");
        return EndWorking(s);
    }
    if (!text) return EndWorking(s);

    LogLine(s, "1");
    LogLine(s, "2");
    ConvertForNewton(s, *text);
    LogLine(s, "4");
    RunCatchSequence(s, *text, Source::kFile);
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
    s.outgoing = UpToZero(*text);
    ConvertForNewton(s, s.outgoing);
    RunCatchSequence(s, s.outgoing, Source::kClipboard);
    EndWorking(s);
}

void SendDroppedText(Session& s, const std::optional<std::string>& text) {
    s.link.busy = true;
    if (s.link.handshakeDone && text) {
        s.outgoing = UpToZero(*text);
        ConvertForNewton(s, s.outgoing);
        RunCatchSequence(s, s.outgoing, Source::kDrop);
    }
    s.link.busy = false;
}

void DropFiles(Session& s) {
    LogLine(s, "Here");
}

}  // namespace zd
