#include "protocol/command_reader.h"

#include "link/display_ops.h"
#include "link/link_manager.h"
#include "protocol/wire.h"
#include "session/session.h"

namespace zd {
namespace {

// Reads bytes up to and including the first EOT, or until nothing more waits.
std::string GatherCommand(Session& s) {
    Dil& dil = s.svc.dil;
    std::string command;
    int32_t waiting = 0;
    int32_t result = kDilOk;
    if (dil.CD_GetState(s.link.pipe) == kStateConnected)
        result = dil.CD_BytesAvailable(s.link.pipe, &waiting);
    while (result == kDilOk && waiting != 0 && dil.CD_GetState(s.link.pipe) == kStateConnected) {
        char byte = 0;
        (void)dil.CD_Read(s.link.pipe, &byte, 1);
        if (byte != wire::kEot && byte != '\0' && command.size() < kCommandRoom) command += byte;
        result = dil.CD_BytesAvailable(s.link.pipe, &waiting);
        if (byte == wire::kEot) break;
    }
    return command;
}

bool StartsWith(std::string_view text, std::string_view word) {
    return text.substr(0, word.size()) == word;
}

}  // namespace

std::vector<std::string> SplitCommand(std::string_view command) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= command.size()) {
        size_t end = command.find_first_of(";\x04", start);
        if (end == std::string_view::npos) end = command.size();
        if (end > start) fields.emplace_back(command.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

void ReadCommand(Session& s, ItemReceiver receiveItem) {
    s.link.busy = true;
    const std::string command = GatherCommand(s);

    if (command.size() > kMaxCommandChars || command.size() < kMinCommandChars) {
        // "Too large" for a short command too: a bare "#BYE" is refused like this.
        LogLine(s, "Command too large");
        ClosePipe(s);  // busy: no "#BYE" goes back
    } else {
        const std::vector<std::string> fields = SplitCommand(command);
        s.command.commandWord = fields.empty() ? "" : fields[0].substr(0, kCommandWordChars);
        s.command.itemName = fields.size() < 3 ? "" : fields[2].substr(0, kItemNameChars);
        if (StartsWith(s.command.commandWord, wire::kGet)) s.command.getRequested = true;
    }

    const std::string_view word = s.command.commandWord;
    if (s.link.handshakeDone && StartsWith(word, wire::kGet)) {
        receiveItem(s);
        return;
    }
    if (s.link.handshakeDone && StartsWith(word, wire::kByeWord)) {
        LogLine(s, "Hit innan krasch.");
        ClosePipe(s);
        s.link.busy = false;
        return;
    }
    if (s.link.handshakeDone && StartsWith(word, wire::kIdAnswer)) {
        s.link.busy = false;
        return;
    }
    LogLine(s, "Unrecognized command.");
    s.link.busy = false;
}

}  // namespace zd
