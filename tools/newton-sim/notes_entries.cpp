#include "notes_entries.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/unicode.h"
#include "pim_entries.h"
#include "sim_objects.h"

namespace zd::sim {

namespace {

// A length as the format writes it: a byte below 255, else 255 and four bytes.
std::string XLong(size_t value) {
    if (value < 255) return std::string(1, static_cast<char>(value));
    std::string bytes = "\xFF";
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(value >> shift);
    return bytes;
}

}  // namespace

std::string Enrich(const std::string& stream, const std::string& text, const std::string& ink) {
    // A string is tag 8, its length, then UTF-16 with a final zero character.
    const std::string utf16 = Utf8ToUtf16Be(text) + std::string(2, '\0');
    const std::string plain = "\x08" + XLong(utf16.size()) + utf16;
    const std::string rich =
        utf16 + std::string((4 - utf16.size() % 4) % 4, '\0') + ink + std::string("\0\0\0\x01", 4);
    std::string enriched = stream;
    const size_t at = enriched.find(plain);
    if (at != std::string::npos)
        enriched.replace(at, plain.size(), "\x08" + XLong(rich.size()) + rich);
    return enriched;
}

namespace {

using nsof::Value;

// An ink word inside a paragraph's text, and inside a rich string.
const std::string kInkWord = "\uF701";
const std::string kRichInkWord = "\uF700";

Value Paragraph(std::string text, Value bounds, std::vector<nsof::Slot> more = {}) {
    std::vector<nsof::Slot> slots{{"viewStationery", Sym("para")},
                                  {"viewBounds", std::move(bounds)},
                                  {"text", Str(std::move(text))}};
    for (nsof::Slot& slot : more) slots.push_back(std::move(slot));
    return Frame(std::move(slots));
}

// Bounds as a frame, as the Newton keeps those too large for a small rectangle.
Value Bounds(int top, int left, int bottom, int right) {
    return Frame(
        {{"top", Int(top)}, {"left", Int(left)}, {"bottom", Int(bottom)}, {"right", Int(right)}});
}

Value Note(const char* klass, const char* slot, std::vector<Value> parts, int64_t minutes,
           const char* folder = nullptr) {
    return Frame({{"class", Sym(klass)},
                  {"viewStationery", Sym("paperroll")},
                  {slot, List(std::move(parts))},
                  {"labels", folder ? Sym(folder) : Value{nsof::Nil{}}},
                  {"timeStamp", Int(minutes)},
                  {"_modTime", Int(minutes)}});
}

// The file's text as a Newton keeps it: returns for line ends, none at the end.
std::string NewtonText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    std::replace(text.begin(), text.end(), '\n', '\r');
    return text;
}

// The file's time on the Newton's clock, which shows its owner's local time.
int64_t MinutesOf(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    std::tm local{};
    ::localtime_r(&info.st_mtime, &local);
    return (info.st_mtime + local.tm_gmtoff) / 60 + kNewtonEpochMinutes;
}

// A plain note of `text`: its first line a paragraph at the top, the rest one
// below it, stored the other way round.
Value PlainNote(const std::string& text, int64_t minutes, const char* folder = nullptr) {
    const size_t end = text.find('\r');
    if (end == std::string::npos)
        return Note("paperroll", "data", {Paragraph(text, Rect(10, 8, 30, 230))}, minutes, folder);
    return Note("paperroll", "data",
                {Paragraph(text.substr(end + 1), Bounds(300, 8, 400, 230)),
                 Paragraph(text.substr(0, end), Rect(10, 8, 30, 230))},
                minutes, folder);
}

Value Topic(const char* text, int level, bool done) {
    std::vector<nsof::Slot> slots{{"text", Str(text)},
                                  {"viewBounds", Rect(0, 0, 20, 230)},
                                  {"level", Int(level)},
                                  {"hideCount", Int(0)}};
    slots.push_back({"mtgDone", done ? Value{true} : Value{nsof::Nil{}}});
    return Frame(std::move(slots));
}

// `entry` with the id `id` of its soup, as the Newton gives every entry one.
std::string Numbered(Value entry, size_t id) {
    Set(entry, "_uniqueID", Int(static_cast<int64_t>(id)));
    return nsof::Encode(entry);
}

}  // namespace

std::vector<SimStore> NotesStores(const NotesPlay& play) {
    SimSoup notes{"Notes", 11, {}};
    const auto numbered = [&notes](Value note) {
        return Numbered(std::move(note), notes.entries.size());
    };
    std::vector<std::filesystem::path> files;
    if (!play.folder.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(play.folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files)
        notes.entries.push_back(numbered(PlainNote(NewtonText(file), MinutesOf(file))));
    const int64_t now = kNewtonEpochMinutes + 29000000;
    if (play.checklist) {
        // The Newton compares class symbols without regard to case.
        notes.entries.push_back(numbered(Note(
            "checklist", "topics",
            {Topic("Inköp", 1, false), Topic("Mjölk", 2, true), Topic("Äpfel", 2, false)}, now)));
        notes.entries.push_back(numbered(Note(
            "list", "topics",
            {Topic("Planer", 1, false), Topic("Våren", 2, false), Topic("Frö", 3, false)}, now)));
    }
    if (play.ink) {
        const Value styles = List({Int(5), Sym("fontSpec"), Int(1),
                                   Bin("ink", std::string(32, '\x07')), Int(10), Sym("fontSpec")});
        const std::string rich = "Skiss " + kRichInkWord + " här";
        const Value ink = Frame({{"viewStationery", Sym("poly")},
                                 {"viewBounds", Rect(90, 10, 120, 230)},
                                 {"ink", Bin("ink", std::string(40, '\x07'))}});
        const std::string stream =
            numbered(Note("paperroll", "data",
                          {Paragraph(rich, Rect(50, 8, 80, 230)), ink,
                           Paragraph("Ring " + kInkWord + " i morgon", Rect(10, 8, 40, 230),
                                     {{"styles", styles}})},
                          now));
        notes.entries.push_back(Enrich(stream, rich, std::string(24, '\x05')));
    }
    if (play.drawing) {
        notes.entries.push_back(
            numbered(Note("paperroll", "data",
                          {Frame({{"viewStationery", Sym("poly")},
                                  {"viewBounds", Rect(10, 10, 90, 90)},
                                  {"points", Bin("points", std::string(24, '\1'))}})},
                          now)));
    }
    if (play.filed) {
        notes.entries.push_back(numbered(PlainNote("Möte\rmed Kalle", now, "Arbete")));
        notes.entries.push_back(numbered(PlainNote("Lön\rden 25:e", now, "Arbete")));
    }
    if (play.bomb) {
        // A plain array of 131,071: a binary of 8 KiB, then precedents to it.
        std::string bomb =
            std::string("\x02\x05\xFF\x00\x01\xFF\xFF\x03\xFF\x00\x00\x20\x00\x0A", 14) +
            std::string(8192, 'x');
        for (int i = 0; i < 131070; ++i) bomb += "\x09\x01";
        notes.entries.push_back(bomb);
    }
    if (play.hostile) {
        const std::string lines[] = {std::string("ab\0cd\rrad två", 14),
                                     "\u0085x\u009By\u202Ez\rrad två",
                                     "\x1B[2J999 notes saved\rrad två"};
        for (const std::string& text : lines)
            notes.entries.push_back(numbered(PlainNote(text, now)));
    }
    for (size_t i = 0; i < play.many; ++i) {
        const std::string title = play.sameTitle ? "Samma" : "Olika " + std::to_string(i);
        notes.entries.push_back(numbered(PlainNote(title + "\r" + std::to_string(i), now)));
    }
    if (play.malformed) {
        std::string broken = numbered(PlainNote("Trasig", now));
        broken.resize(broken.size() / 2);
        notes.entries.push_back(broken);
    }
    std::vector<SimStore> stores{
        {"Internal", "Internal", play.internalSignature, {std::move(notes)}}};
    if (play.garbled) stores.push_back({"Trasig", "Flash storage card", 0x14726173, {}, true});
    if (play.card) {
        stores.push_back(
            {play.cardName,
             "Flash storage card",
             0x0B6F7274,
             {{"Notes", 21, {Numbered(PlainNote("Från kortet\rMed två rader", now), 0)}}}});
    }
    if (play.data) AddPersonalData(stores, play.cardName, play.dataMany, play.firstTaskDeleted);
    if (play.more) {
        std::vector<SimPackage> packages;
        for (const std::string& file : play.packages) {
            std::ifstream in(file, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            packages.push_back({std::filesystem::path(file).stem().string(), bytes.str()});
        }
        if (packages.empty()) {
            std::string package = "package0";
            for (int i = 0; package.size() < 4000; ++i) package += static_cast<char>(i * 7);
            packages.push_back({"Bücherwurm", package});
        }
        AddPackagesAndMore(stores, packages);
    }
    return stores;
}

}  // namespace zd::sim
