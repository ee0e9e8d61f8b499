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
#include "transfer/text_files.h"

namespace zd {
namespace {

// How long a Newton may stay silent in the middle of an item before what
// came counts as all that will come.
constexpr int32_t kItemSilenceMs = 30000;

struct Item {
    std::string text;       // UTF-8
    size_t characters = 0;  // in `text`
    bool cut = false;       // the Newton sent more than kItemCap bytes
    bool whole = false;     // the EOT came
};

// Reads to EOT, or until the line is silent too long or the link drops: what
// arrived is then the item.
Item GatherItem(Session& s) {
    Item item;
    size_t received = 0;
    char byte = 0;
    while (s.svc.dil.CD_ReadPatiently(s.link.pipe, &byte, 1, kItemSilenceMs) == kDilOk) {
        if (byte == wire::kEot) {
            item.whole = true;
            break;
        }
        const std::string_view piece = ConvertFromNewton(byte);
        if (piece.empty()) continue;
        if (++received <= kItemCap) {
            item.text += piece;
            ++item.characters;
        } else {
            item.cut = true;  // read on to the EOT, so the pipe stays in step
        }
    }
    return item;
}

void DeliverToClipboard(Session& s, const Item& item) {
    s.svc.desktop->SetClipboardText(item.text);
    s.command.getRequested = false;
    LogLine(s, "Transfered");
    if (item.characters > kItemChars) LogLine(s, "Text too large");
}

// Writes `text` to `path`, never through a link planted in the folder, and
// with `fresh` only into a file that did not exist.  Returns 0 or the errno
// of the failure.
int WriteItemFile(const std::string& path, const std::string& text, bool fresh) {
    if (path.size() >= PATH_MAX) return ENAMETOOLONG;
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | (fresh ? O_EXCL : 0),
                          0666);
    if (fd < 0) return errno;
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            return error;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return ::close(fd) == 0 ? 0 : errno;
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
    size_t replaced = 0;
    const std::string bytes = ToFileBytes(text, ReadFileCharset(s.svc.prefs), &replaced);
    const std::string name = ItemFileName(s.command.itemName);
    std::string path;
    int error = 0;
    if (!name.empty()) {
        // A named item replaces the file of its name.
        path = folder + "/" + name + ".txt";
        error = WriteItemFile(path, bytes, false);
    } else {
        // A generated name never replaces another file.
        const std::time_t now = std::time(nullptr);
        int serial = 1;
        do {
            path = folder + "/" + GeneratedItemName(now, serial++) + ".txt";
            error = WriteItemFile(path, bytes, true);
        } while (error == EEXIST);
    }
    if (error != 0) {
        *failure = path + ": " + std::strerror(error);
        return {};
    }
    LogReplaced(s, replaced, "code page 1252 lacks them");
    return path;
}

void ReceiveItem(Session& s) {
    s.link.busy = true;
    (void)WriteWire(s, wire::kOk);
    const Item item = GatherItem(s);
    if (item.cut) LogLine(s, "The item was longer than 16 MiB; the rest was dropped.");
    if (!item.whole) {
        LogLine(s, "The item arrived incomplete: " + std::to_string(item.characters) +
                       " characters came before the Newton fell silent or left.");
    }

    // The whole text goes to the browser, line end and all.
    if (item.text.compare(0, 5, "http:") == 0 && s.switches.launchUrl && s.command.getRequested)
        s.svc.desktop->OpenUrl(item.text);

    if (!s.switches.saveAsFile) {
        DeliverToClipboard(s, item);
    } else if (s.command.getRequested) {
        SaveItem(s, item.text);
    }
    s.link.busy = false;
}

}  // namespace zd
