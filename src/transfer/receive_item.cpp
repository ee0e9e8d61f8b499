#include "transfer/receive_item.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "base/desktop.h"
#include "base/display_ops.h"
#include "base/prefs_keys.h"
#include "base/session.h"
#include "protocol/wire.h"
#include "protocol/wire_io.h"
#include "transfer/charset.h"
#include "transfer/item_file.h"

namespace zd {
namespace {

struct Item {
    std::string text;
    bool cut = false;  // the Newton sent more than kItemCap characters
};

// Reads to EOT (or to a failed read: what arrived is the item).
Item GatherItem(Session& s) {
    Item item;
    char byte = 0;
    while (s.svc.dil.CD_Read(s.link.pipe, &byte, 1) == kDilOk && byte != wire::kEot) {
        const auto c = ConvertFromNewton(byte);
        if (!c) continue;
        if (item.text.size() < kItemCap) {
            item.text += *c;
        } else {
            item.cut = true;  // read on to the EOT, so the pipe stays in step
        }
    }
    return item;
}

void DeliverToClipboard(Session& s, const std::string& text) {
    s.svc.desktop->SetClipboardText(text);
    s.command.getRequested = false;
    LogLine(s, "Transfered");
    if (text.size() > kItemChars) LogLine(s, "Text too large");
}

// Writes `text` to `path`, never through a link planted in the folder.
// Returns "" or the reason it failed.
std::string WriteItemFile(const std::string& path, const std::string& text) {
    if (path.size() >= PATH_MAX) return std::strerror(ENAMETOOLONG);
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            return std::strerror(err);
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (::close(fd) != 0) return std::strerror(errno);
    return {};
}

void SaveItem(Session& s, const std::string& text) {
    std::string failure;
    if (!SaveInReceiveFolder(s, text, &failure).empty()) {
        LogLine(s, "Text Saved");
        s.command.getRequested = false;
        return;
    }
    // The user hears why, and the item is not lost.
    s.svc.desktop->ShowFileError(failure);
    s.svc.desktop->SetClipboardText(text);
    s.command.getRequested = false;
    LogLine(s, "Couldn't save the item; it is on the clipboard instead.");
}

}  // namespace

std::string SaveInReceiveFolder(Session& s, const std::string& text, std::string* failure) {
    const std::string folder = ReceiveFolder(s.svc.prefs.GetPrefString(prefs::kDir));
    const std::string path =
        folder + "/" + ItemFileName(s.command.itemName, std::time(nullptr)) + ".txt";
    const std::string reason = WriteItemFile(path, text);
    if (reason.empty()) return path;
    *failure = path + ": " + reason;
    return {};
}

void ReceiveItem(Session& s) {
    s.link.busy = true;
    (void)WriteWire(s, wire::kOk);
    const Item item = GatherItem(s);
    if (item.cut) LogLine(s, "The item was longer than 16 MiB; the rest was dropped.");

    // The whole text goes to the browser, line end and all.
    if (item.text.compare(0, 5, "http:") == 0 && s.switches.launchUrl && s.command.getRequested)
        s.svc.desktop->OpenUrl(item.text);

    if (!s.switches.saveAsFile) {
        DeliverToClipboard(s, item.text);
    } else if (s.command.getRequested) {
        SaveItem(s, item.text);
    }
    s.link.busy = false;
}

}  // namespace zd
