// Whatever bytes a Newton sends where Dock messages belong, the reader neither
// crashes nor reads out of bounds, takes them in runs as it takes them whole,
// and the owner's name is read from any "name" data safely; and the full
// connection, fed the same bytes as a Newton's side of it with the user
// typing, reading the notes and the time passing in between, never crashes,
// never hands out a message that is no Dock message nor more answers than
// its bound, never notes a control character (the Newton's texts are made
// printable), and never counts more typed than queued; a Newton browsing for
// packages is never handed a file that was not listed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "dock/dock_message.h"
#include "dock/full_connection.h"
#include "dock/keyboard_text.h"

namespace {

// A root holding a package and a folder "Paket", which holds another.
class Shelf final : public zd::dock::PackageShelf {
public:
    Place Open() override { return {"Skrivbord", "Hem", {}, "~"}; }
    Listing List(const std::vector<std::string>& folders) override {
        if (folders.size() > 1 || (folders.size() == 1 && folders[0] != "Paket")) std::abort();
        if (folders.empty()) return {{{"Paket", true}, {"a.pkg", false}}, ""};
        return {{{"b.pkg", false}}, ""};
    }
    Facts Describe(const std::vector<std::string>& folders, const std::string& name) override {
        Check(folders, name);
        return {"Newton package", 12, 0, 0, name, ""};
    }
    Package Load(const std::vector<std::string>& folders, const std::string& name) override {
        Check(folders, name);
        return {std::string("package0abcd"), name, ""};
    }

private:
    static void Check(const std::vector<std::string>& folders, const std::string& name) {
        const bool inRoot = folders.empty() && (name == "a.pkg" || name == "Paket");
        const bool inPaket = folders.size() == 1 && name == "b.pkg";
        if (!inRoot && !inPaket) std::abort();
    }
};

std::vector<zd::dock::Message> ReadAll(std::string_view bytes, size_t run) {
    zd::dock::Reader reader(1 << 16);
    std::vector<zd::dock::Message> messages;
    for (size_t at = 0; at < bytes.size(); at += run) {
        reader.Feed(bytes.substr(at, run));
        while (auto message = reader.Next()) messages.push_back(std::move(*message));
    }
    return messages;
}

void PlayConnection(std::string_view bytes) {
    using zd::dock::FullConnection;
    int64_t now = 0;
    FullConnection connection(now);
    Shelf shelf;
    connection.OfferFiles(&shelf);
    size_t queued = 0;
    for (size_t at = 0; at < bytes.size(); at += 13) {
        const std::string_view run = bytes.substr(at, 13);
        connection.Receive(run, now);
        // The run's first byte also decides what the user and the clock do.
        const uint8_t choice = static_cast<uint8_t>(run[0]);
        if (choice % 5 == 0) queued += connection.Type(run, now);
        if (choice % 7 == 0) {
            connection.PressKey(zd::dock::kReturnKey, now);
            ++queued;
        }
        if (choice % 11 == 0) connection.CloseKeyboard(now);
        if (choice % 13 == 0) connection.ReadSoups({"Notes"}, now);
        if (choice % 17 == 0) connection.ReadSoups({}, now);  // a backup
        for (const auto& entry : connection.TakeEntries()) {
            if (entry.number == 0) std::abort();
        }
        now += choice * 250;
        connection.Tick(now);
        size_t written = 0;
        while (auto message = connection.NextMessage(now)) {
            if (message->size() < zd::dock::kHeaderSize || !zd::dock::ParseHeader(*message))
                std::abort();
            if (++written > 80) std::abort();
        }
        for (const std::string& note : connection.TakeNotes()) {
            for (char c : note)
                if (static_cast<uint8_t>(c) < 0x20) std::abort();
        }
        if (connection.typed() + connection.waiting() > queued) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto whole = ReadAll(bytes, size == 0 ? 1 : size);
    const auto inRuns = ReadAll(bytes, 7);
    if (whole.size() != inRuns.size()) std::abort();
    for (size_t i = 0; i < whole.size(); ++i) {
        if (whole[i].command != inRuns[i].command || whole[i].data != inRuns[i].data) std::abort();
        (void)zd::dock::OwnerName(whole[i].data);
    }
    (void)zd::dock::OwnerName(bytes);
    PlayConnection(bytes);
    return 0;
}
