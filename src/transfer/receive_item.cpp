#include "transfer/receive_item.h"

#include <limits.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "base/atomic_file.h"
#include "base/desktop.h"
#include "link/display_ops.h"
#include "protocol/wire.h"
#include "protocol/wire_io.h"
#include "session/session.h"
#include "transfer/charset.h"
#include "transfer/item_file.h"
#include "transfer/text_files.h"
#include "transfer/unsaved_items.h"

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

// The name the item's files take, without ".txt": the Newton's, or one
// made up for an item without a name.
struct ItemFile {
    std::string name;
    bool named = false;
};

ItemFile FileOfItem(const Session& s) {
    std::string name = ItemFileName(s.command.itemName);
    if (!name.empty()) return {std::move(name), true};
    return {GeneratedItemName(std::time(nullptr), 1), false};
}

// An item the desktop would not take on its clipboard is kept as a file.
void KeepRefusedClipboardItem(Session& s, const std::string& text) {
    size_t replaced = 0;
    const std::string bytes = ToFileBytes(text, ReadFileCharset(s.svc.prefs), &replaced);
    const KeptItem kept = KeepUnsavedItem(FileOfItem(s).name, bytes);
    if (kept.path.empty()) {
        LogLine(s, "The desktop refused the clipboard, and the item could not be kept in " +
                       kept.failure + "; it is lost.");
        return;
    }
    LogReplaced(s, replaced, "code page 1252 lacks them");
    LogLine(s, "The desktop refused the clipboard; the item is kept as " + kept.path + ".");
}

// The item put on the clipboard before, when the clipboard still holds it,
// is kept as an unsaved item before the next one takes its place.
void KeepReplacedClipboardItem(Session& s) {
    if (!s.clipboardItem || s.svc.desktop->ClipboardText() != s.clipboardItem->text) return;
    const Session::ClipboardItem earlier = std::move(*s.clipboardItem);
    s.clipboardItem.reset();
    size_t replaced = 0;
    const KeptItem kept = KeepUnsavedItem(
        earlier.name, ToFileBytes(earlier.text, ReadFileCharset(s.svc.prefs), &replaced));
    if (kept.path.empty()) {
        LogLine(s, "The item " + earlier.name +
                       " on the clipboard could not be kept before the "
                       "next took its place (" +
                       kept.failure + ").");
        return;
    }
    LogLine(s, "The item " + earlier.name + " on the clipboard is kept as " + kept.path +
                   " before the next takes its place.");
    s.svc.desktop->Tell({earlier.name + " kept as a file", kept.path, kept.path, true});
}

void DeliverToClipboard(Session& s, const Item& item) {
    s.command.getRequested = false;
    KeepReplacedClipboardItem(s);
    if (!s.svc.desktop->SetClipboardText(item.text)) {
        KeepRefusedClipboardItem(s, item.text);
        return;
    }
    const std::string name = FileOfItem(s).name;
    s.clipboardItem = Session::ClipboardItem{name, item.text};
    LogLine(s, "Transfered");
    if (item.characters > kItemChars) LogLine(s, "Text too large");
    s.svc.desktop->Tell({name + " on the clipboard", "From the Newton", ""});
}

// Writes the item's file in `folder`: a named item replaces the file of its
// name, one without a name never replaces another file.  The path, or "" with
// the errno in `*error` and the path it was meant for in `*meant`.
std::string WriteItemFile(const ItemFile& file, const std::string& folder, std::string_view bytes,
                          int* error, std::string* meant) {
    *meant = folder + "/" + file.name + ".txt";
    if (meant->size() >= PATH_MAX) {
        *error = ENAMETOOLONG;
        return {};
    }
    if (!file.named) return WriteUniqueFile(folder, file.name, bytes, error);
    *error = ReplaceFile(*meant, bytes);
    return *error == 0 ? *meant : std::string();
}

void SaveItem(Session& s, const std::string& text) {
    s.command.getRequested = false;
    const std::string folder = ReceiveFolderOf(s.svc.prefs);
    size_t replaced = 0;
    const std::string bytes = ToFileBytes(text, ReadFileCharset(s.svc.prefs), &replaced);
    const ItemFile file = FileOfItem(s);
    int error = 0;
    std::string meant;
    if (const std::string path = WriteItemFile(file, folder, bytes, &error, &meant);
        !path.empty()) {
        LogReplaced(s, replaced, "code page 1252 lacks them");
        LogLine(s, "Text Saved");
        s.svc.desktop->Tell({"Note saved: " + file.name, "In " + folder, path});
        return;
    }
    // The user hears why, and the item is not lost: it goes where it can.
    const std::string failure = WriteFailure(meant, error);
    s.svc.desktop->ShowFileError(meant + ": " + failure);
    const bool onClipboard = s.svc.desktop->SetClipboardText(text);
    const KeptItem kept = KeepUnsavedItem(file.name, bytes);
    std::string line = "Couldn't save the item in " + folder + " (" + failure + ")";
    if (!kept.path.empty()) {
        line += "; kept as " + kept.path + (onClipboard ? " and on the clipboard." : ".");
    } else {
        line += ", nor in " + kept.failure +
                (onClipboard ? "; it is only on the clipboard."
                             : ", and the desktop refused the clipboard; it is lost.");
    }
    LogLine(s, line);
}

}  // namespace

void ReceiveItem(Session& s) {
    s.link.busy = true;
    (void)WriteWire(s, wire::kOk);
    const Item item = GatherItem(s);
    if (item.cut) LogLine(s, "The item was longer than 16 MiB; the rest was dropped.");
    if (!item.whole) {
        LogLine(s, "The item arrived incomplete: " + std::to_string(item.characters) +
                       " characters came before the Newton fell silent or left.");
        s.svc.desktop->Tell({"An item arrived incomplete", "The Newton fell silent or left.", ""});
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
