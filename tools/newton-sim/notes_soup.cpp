#include "notes_soup.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/unicode.h"
#include "dock/soup_reading.h"
#include "nsof/nsof.h"

namespace zd::sim {
namespace {

using nsof::Value;

// Minutes from 1 January 1904 to 1 January 1970.
constexpr int64_t kNewtonEpochMinutes = 34714080;

Value Sym(const char* name) {
    return Value{nsof::Symbol{name}};
}

Value Str(std::string text) {
    return Value{nsof::String{std::move(text)}};
}

Value Int(int64_t value) {
    return Value{static_cast<int32_t>(value)};
}

Value Paragraph(std::string text) {
    return Value{nsof::Frame{{{"viewBounds", Value{nsof::SmallRect{10, 10, 40, 230}}},
                              {"text", Str(std::move(text))},
                              {"viewStationery", Sym("para")}}}};
}

Value Note(const char* klass, const char* slot, std::vector<Value> parts, int64_t minutes) {
    return Value{nsof::Frame{{{"class", Sym(klass)},
                              {slot, Value{nsof::Array{"", std::move(parts)}}},
                              {"viewStationery", Sym(klass)},
                              {"timestamp", Int(minutes)},
                              {"_modTime", Int(minutes)}}}};
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

int64_t MinutesOf(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_mtime / 60 + kNewtonEpochMinutes;
}

}  // namespace

NotesSoup::NotesSoup(const NotesPlay& play) : m_play(play) {
    Store internal{"Internal", 0x73630001, {}};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(play.folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        internal.entries.push_back(nsof::Encode(
            Note("paperroll", "data", {Paragraph(NewtonText(file))}, MinutesOf(file))));
    }
    const int64_t now = kNewtonEpochMinutes + 29000000;
    if (play.checklist) {
        const auto topic = [](const char* text, int level, bool checked) {
            nsof::Frame frame{{{"text", Str(text)}, {"level", Int(level)}}};
            if (checked) frame.slots.push_back({"checked", Value{true}});
            return Value{std::move(frame)};
        };
        internal.entries.push_back(nsof::Encode(Note(
            "checkList", "topics",
            {topic("Inköp", 0, false), topic("Mjölk", 1, true), topic("Äpfel", 1, false)}, now)));
    }
    if (play.ink) {
        Value ink{nsof::Frame{{{"viewBounds", Value{nsof::SmallRect{50, 10, 80, 230}}},
                               {"ink", Value{nsof::Binary{"ink", std::string(40, '\x07')}}}}}};
        std::string text = "Ring ";
        AppendUtf8(text, 0xF700);
        text += " i morgon";
        internal.entries.push_back(
            nsof::Encode(Note("paperroll", "data", {Paragraph(text), ink}, now)));
    }
    if (play.drawing) {
        Value shape{
            nsof::Frame{{{"viewBounds", Value{nsof::SmallRect{10, 10, 90, 90}}},
                         {"points", Value{nsof::Binary{"points", std::string(24, '\1')}}}}}};
        internal.entries.push_back(nsof::Encode(Note("paperroll", "data", {shape}, now)));
    }
    if (play.malformed) {
        std::string broken = nsof::Encode(Note("paperroll", "data", {Paragraph("Trasig")}, now));
        broken.resize(broken.size() / 2);
        internal.entries.push_back(broken);
    }
    m_stores.push_back(std::move(internal));
    if (play.card) {
        m_stores.push_back({"Kort",
                            0x6B6F7274,
                            {nsof::Encode(Note("paperroll", "data",
                                               {Paragraph("Från kortet\rMed två rader")}, now))}});
    }
}

bool NotesSoup::Handles(std::string_view command) {
    for (std::string_view c : {dock::kRequestToSync, dock::kGetSyncOptions, dock::kSetStoreGetNames,
                               dock::kSetSoupGetInfo, dock::kSendSoup})
        if (command == c) return true;
    return false;
}

bool NotesSoup::Answer(Conversation& c, const dock::Message& message) {
    const auto send = [&c](std::string_view command, const std::string& data) {
        if (c.link.Send(dock::Encode(command, data), c.timeoutMs)) return true;
        c.error = "sending \"" + std::string(command) + "\" failed";
        return false;
    };
    const std::string& command = message.command;
    if (command == dock::kRequestToSync) return send(dock::kResult, dock::BigEndian32(0));
    if (command == dock::kGetSyncOptions) {
        nsof::Array stores;
        for (const Store& store : m_stores) {
            stores.elements.push_back(Value{nsof::Frame{{{"name", Str(store.name)},
                                                         {"kind", Str(store.name)},
                                                         {"signature", Int(store.signature)}}}});
        }
        return send(dock::kSyncOptions,
                    nsof::Encode(Value{nsof::Frame{{{"stores", Value{stores}}}}}));
    }
    if (command == dock::kSetStoreGetNames) {
        const nsof::Decoded named = nsof::Decode(message.data);
        const nsof::Value* name = named.value ? named.value->Find("name") : nullptr;
        m_current = nullptr;
        for (const Store& store : m_stores)
            if (name && name->As<nsof::String>() && name->As<nsof::String>()->text == store.name)
                m_current = &store;
        if (!m_current) {
            c.error = "\"ssgn\" names no store of this Newton";
            return false;
        }
        const Value names{nsof::Array{"", {Str("Notes"), Str("Calendar")}}};
        const Value signatures{nsof::Array{"", {Int(11), Int(12)}}};
        return send(dock::kSoupNames, nsof::Encode(names) + nsof::Encode(signatures));
    }
    if (command == dock::kSetSoupGetInfo) {
        if (Utf16BeToUtf8(message.data) != "Notes") {
            c.error = "\"ssgi\" asks for no soup of this Newton";
            return false;
        }
        return send(dock::kSoupInfo, nsof::Encode(Value{nsof::Frame{{{"name", Str("Notes")}}}}));
    }
    return SendEntries(c);
}

bool NotesSoup::SendEntries(Conversation& c) {
    if (!m_current) {
        c.error = "\"snds\" before a store was named";
        return false;
    }
    // Timed for the benchmark: the entries and their messages, to the end of the soup.
    const auto started = std::chrono::steady_clock::now();
    size_t bytes = 0;
    for (const std::string& entry : m_current->entries) {
        if (m_play.vanishAfter > 0 && m_sent == m_play.vanishAfter) {
            std::fprintf(stderr, "newton-sim: vanished after %zu entries\n", m_sent);
            std::fflush(stderr);
            std::_Exit(0);
        }
        if (m_play.cancelAfter > 0 && m_sent == m_play.cancelAfter) {
            std::fprintf(stderr, "newton-sim: cancelled after %zu entries\n", m_sent);
            return c.link.Send(dock::Encode(dock::kOperationCancelled, ""), c.timeoutMs);
        }
        const std::string message = dock::Encode(dock::kEntry, entry);
        if (!c.link.Send(message, c.timeoutMs)) {
            c.error = "an entry did not go";
            return false;
        }
        bytes += message.size();
        ++m_sent;
    }
    if (m_play.endless) return true;
    const bool done = c.link.Send(dock::Encode(dock::kSoupDone, ""), c.timeoutMs);
    std::fprintf(
        stderr, "newton-sim: sent %zu entries of %s, %zu bytes in %.3f ms\n",
        m_current->entries.size(), m_current->name.c_str(), bytes,
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count());
    return done;
}

}  // namespace zd::sim
