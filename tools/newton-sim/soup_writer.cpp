#include "soup_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "base/unicode.h"
#include "dock_talk.h"
#include "newton_words.h"
#include "nsof/nsof.h"
#include "sim_objects.h"

namespace zd::sim {
namespace {

std::string Result(int32_t code) {
    return dock::BigEndian32(static_cast<uint32_t>(code));
}

// A soup's name and its index description, as "csop" carries them.
struct SoupToMake {
    std::string name;     // UTF-16 with its zero, as "ssou" names soups
    std::string indexes;  // a stream of the Newton's objects
};

// The name up to its zero character, at the start of `data`; nullopt
// without one.
std::optional<std::string> NameAtStart(std::string_view data) {
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        if (data[i] == 0 && data[i + 1] == 0) return std::string(data.substr(0, i + 2));
    return std::nullopt;
}

// The two layouts peers send: the name's length in bytes, the name padded
// to four bytes, then the indexes; or the name, then the indexes at once.
std::optional<SoupToMake> ReadSoupToMake(std::string_view data, bool plain) {
    const auto indexesAt = [&](size_t at) -> std::optional<std::string> {
        if (at >= data.size() || data[at] != 2) return std::nullopt;  // a stream's version
        return std::string(data.substr(at));
    };
    if (plain) {
        const auto name = NameAtStart(data);
        const auto indexes = name ? indexesAt(name->size()) : std::nullopt;
        if (!indexes) return std::nullopt;
        return SoupToMake{*name, *indexes};
    }
    if (data.size() < 4) return std::nullopt;
    const uint32_t length = dock::ReadBigEndian32(data);
    if (length < 2 || length % 2 != 0 || length > data.size() - 4) return std::nullopt;
    const std::string name(data.substr(4, length));
    if (name[length - 2] != 0 || name[length - 1] != 0) return std::nullopt;
    const auto indexes = indexesAt(4 + length + dock::PaddingAfter(length));
    if (!indexes) return std::nullopt;
    return SoupToMake{name, *indexes};
}

std::optional<int32_t> IdOf(const nsof::Value& entry) {
    const nsof::Value* id = entry.Find("_uniqueID");
    return id && id->As<int32_t>() ? std::optional<int32_t>(*id->As<int32_t>()) : std::nullopt;
}

// The entry of `soup` with id `id`, or null.
std::string* EntryWithId(SimSoup& soup, int32_t id) {
    for (std::string& entry : soup.entries) {
        const nsof::Decoded decoded = nsof::Decode(entry);
        if (decoded.value && IdOf(*decoded.value) == id) return &entry;
    }
    return nullptr;
}

// Minutes since 1904 on the Newton's clock.
int32_t Clock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return static_cast<int32_t>((now + local.tm_gmtoff) / 60 + kNewtonEpochMinutes);
}

}  // namespace

bool SoupWriter::Handles(std::string_view command) {
    for (std::string_view c :
         {words::kRequestToRestore, words::kSourceVersion, words::kCreateSoup,
          words::kCreateDefaultSoup, words::kSetSoupInfo, words::kSetSoupSignature,
          words::kSetStoreSignature, words::kAddEntryWithUniqueId, words::kAddEntry,
          words::kChangedEntry, words::kReturnEntry, words::kDeleteEntries, words::kEmptySoup,
          words::kDeleteSoup, words::kRemovePackage, words::kLoadPackage})
        if (command == c) return true;
    return false;
}

bool SoupWriter::Answer(Conversation& c, const dock::Message& message) {
    const std::string& command = message.command;
    const auto ok = [&] { return SendMessage(c, words::kResult, Result(0)); };
    if (command == words::kRequestToRestore || command == words::kRemovePackage) return ok();
    if (command == words::kSourceVersion) {
        std::fprintf(stderr, "newton-sim: data of version %u\n",
                     message.data.size() >= 4 ? dock::ReadBigEndian32(message.data) : 0u);
        return ok();
    }
    if (command == words::kCreateSoup || command == words::kCreateDefaultSoup)
        return CreateSoup(c, message);
    if (command == words::kLoadPackage) return LoadPackage(c, message);
    if (!m_newton.store) {
        c.error = "\"" + command + "\" before a store was set";
        return false;
    }
    if (command == words::kSetStoreSignature) {
        if (message.data.size() >= 4)
            m_newton.store->signature = static_cast<int32_t>(dock::ReadBigEndian32(message.data));
        return ok();
    }
    if (!m_newton.soup) return SendMessage(c, words::kResult, Result(words::kNoSuchSoup));
    SimSoup& soup = *m_newton.soup;
    if (command == words::kSetSoupInfo) {
        soup.info = message.data;
        return ok();
    }
    if (command == words::kSetSoupSignature) {
        if (message.data.size() >= 4)
            soup.signature = static_cast<int32_t>(dock::ReadBigEndian32(message.data));
        return ok();
    }
    if (command == words::kReturnEntry) return ReturnEntry(c, message);
    if (command == words::kDeleteEntries) return DeleteEntries(c, message);
    if (command == words::kEmptySoup) {
        soup.entries.clear();
        return ok();
    }
    if (command == words::kDeleteSoup) {
        auto& soups = m_newton.store->soups;
        soups.erase(std::remove_if(soups.begin(), soups.end(),
                                   [&](const SimSoup& one) { return &one == &soup; }),
                    soups.end());
        m_newton.soup = nullptr;
        return ok();
    }
    return WriteEntry(c, message);
}

bool SoupWriter::CreateSoup(Conversation& c, const dock::Message& message) {
    if (!m_newton.store) {
        c.error = "\"" + message.command + "\" before a store was set";
        return false;
    }
    std::optional<SoupToMake> made;
    if (message.command == words::kCreateDefaultSoup) {
        const auto name = NameAtStart(message.data);
        if (name) made = SoupToMake{*name, ""};
    } else {
        made = ReadSoupToMake(message.data, m_play.plainSoupNames);
    }
    if (!made) {
        std::fprintf(stderr, "newton-sim: could not read \"%s\"\n", message.command.c_str());
        return SendMessage(c, words::kResult, Result(words::kProtocolError));
    }
    const std::string name = Utf16BeToUtf8(made->name);
    if (m_newton.SoupNamed(made->name)) return SendMessage(c, words::kResult, Result(0));
    // Made, not yet set: the soups may have moved.
    m_newton.soup = nullptr;
    SimSoup& soup = m_newton.store->soups.emplace_back(name, 0);
    soup.indexes = made->indexes;
    GiveDefaults(soup);
    std::fprintf(stderr, "newton-sim: made the soup %s from \"%s\"\n", name.c_str(),
                 message.command.c_str());
    return SendMessage(c, words::kResult, Result(0));
}

bool SoupWriter::WriteEntry(Conversation& c, const dock::Message& message) {
    const std::string& command = message.command;
    ++m_writes;
    if (m_play.vanishAfterWrites > 0 && m_writes > m_play.vanishAfterWrites) {
        std::fprintf(stderr, "newton-sim: vanished after %zu entries written\n", m_writes - 1);
        std::fflush(stderr);
        std::_Exit(0);
    }
    if (m_writes == m_play.refuseWrite) {
        std::fprintf(stderr, "newton-sim: refused entry %zu\n", m_writes);
        return SendMessage(c, words::kResult, Result(m_play.refuseCode));
    }
    SimSoup& soup = *m_newton.soup;
    const nsof::Decoded decoded = nsof::Decode(message.data);
    if (!decoded.value) return SendMessage(c, words::kResult, Result(words::kInvalidEntry));
    nsof::Value entry = *decoded.value;
    const auto id = IdOf(entry);
    std::string* existing = id ? EntryWithId(soup, *id) : nullptr;
    if (command == words::kChangedEntry) {
        if (!existing) return SendMessage(c, words::kResult, Result(words::kEntryNotFound));
        if (m_play.restamps) Set(entry, "_modTime", Int(Clock()));
        *existing = m_play.restamps ? nsof::Encode(entry) : message.data;
        return SendMessage(c, words::kResult, Result(0));
    }
    if (command == words::kAddEntryWithUniqueId) {
        // An id the soup holds already is an error.
        if (!id || existing) return SendMessage(c, words::kResult, Result(words::kInvalidEntry));
        soup.entries.push_back(message.data);
        return m_play.auniAnswersAdid
                   ? SendMessage(c, words::kAddedId, dock::BigEndian32(static_cast<uint32_t>(*id)))
                   : SendMessage(c, words::kResult, Result(0));
    }
    // "adde": an id of the soup's own, and the time of the Newton's clock.
    int32_t next = 0;
    for (const std::string& held : soup.entries) {
        const nsof::Decoded one = nsof::Decode(held);
        if (const auto heldId = one.value ? IdOf(*one.value) : std::nullopt)
            next = std::max(next, *heldId + 1);
    }
    Set(entry, "_uniqueID", Int(next));
    Set(entry, "_modTime", Int(Clock()));
    soup.entries.push_back(nsof::Encode(entry));
    return SendMessage(c, words::kAddedId, dock::BigEndian32(static_cast<uint32_t>(next)));
}

bool SoupWriter::ReturnEntry(Conversation& c, const dock::Message& message) {
    const std::string* entry =
        message.data.size() >= 4
            ? EntryWithId(*m_newton.soup, static_cast<int32_t>(dock::ReadBigEndian32(message.data)))
            : nullptr;
    if (!entry) return SendMessage(c, words::kResult, Result(words::kEntryNotFound));
    return SendMessage(c, words::kEntry, *entry);
}

bool SoupWriter::DeleteEntries(Conversation& c, const dock::Message& message) {
    const std::string_view data = message.data;
    const uint32_t count = data.size() >= 4 ? dock::ReadBigEndian32(data) : 0;
    if (data.size() < 4 + 4 * static_cast<size_t>(count))
        return SendMessage(c, words::kResult, Result(words::kProtocolError));
    for (uint32_t i = 0; i < count; ++i) {
        const auto id = static_cast<int32_t>(dock::ReadBigEndian32(data.substr(4 + 4 * i)));
        auto& entries = m_newton.soup->entries;
        if (std::string* entry = EntryWithId(*m_newton.soup, id))
            entries.erase(entries.begin() + (entry - entries.data()));
    }
    return SendMessage(c, words::kResult, Result(0));
}

bool SoupWriter::LoadPackage(Conversation& c, const dock::Message& message) {
    // A package goes into the Packages soup of the store set, as its entry.
    SimStore& store = m_newton.store ? *m_newton.store : m_newton.stores.front();
    auto packages = std::find_if(store.soups.begin(), store.soups.end(),
                                 [](const SimSoup& soup) { return soup.name == "Packages"; });
    if (packages == store.soups.end()) {
        store.soups.emplace_back("Packages", 41);
        packages = store.soups.end() - 1;
    }
    nsof::LargeBinary reference;
    reference.className = "package";
    reference.bytes = message.data;
    packages->entries.push_back(nsof::Encode(
        Frame({{"packageName", Str("package " + std::to_string(packages->entries.size() + 1))},
               {"pkgRef", nsof::Value{std::move(reference)}},
               {"_uniqueID", Int(static_cast<int64_t>(packages->entries.size()))}})));
    std::fprintf(stderr, "newton-sim: loaded a package of %zu bytes on %s\n", message.data.size(),
                 store.name.c_str());
    return SendMessage(c, words::kResult, Result(0));
}

}  // namespace zd::sim
