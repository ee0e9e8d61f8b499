#include "soup_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "base/unicode.h"
#include "dock_talk.h"
#include "newton_words.h"
#include "nsof/nsof.h"
#include "sim_objects.h"

namespace zd::sim {
namespace {

// A Newton streams a soup's entries without waiting for the desktop between
// them; so many bytes of them go in one write, whose frames the link keeps in
// flight together.
constexpr size_t kBatchBytes = 16 * 1024;

std::string Result(int32_t code) {
    return dock::BigEndian32(static_cast<uint32_t>(code));
}

}  // namespace

uint32_t SoupServer::Clock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return static_cast<uint32_t>((now + local.tm_gmtoff) / 60 + kNewtonEpochMinutes);
}

std::string SoupServer::Applications() const {
    std::vector<std::string> names;
    for (const SimStore& store : m_newton.stores)
        for (const SimSoup& soup : store.soups)
            if (std::find(names.begin(), names.end(), soup.name) == names.end())
                names.push_back(soup.name);
    std::vector<nsof::Value> applications;
    for (const std::string& name : names)
        applications.push_back(Frame({{"name", Str(name)}, {"soups", List({Str(name)})}}));
    return nsof::Encode(List(std::move(applications)));
}

bool SoupServer::Handles(std::string_view command) {
    for (std::string_view c :
         {words::kRequestToSync, words::kGetSyncOptions, words::kSetStoreGetNames,
          words::kSetSoupGetInfo, words::kSendSoup, words::kGetStoreNames, words::kSetStore,
          words::kGetSoupNames, words::kSetSoup, words::kSetVboCompression, words::kLastSyncTime,
          words::kGetAppNames, words::kGetIndexDescription, words::kGetSoupInfo})
        if (command == c) return true;
    return false;
}

nsof::Value SoupServer::StoreList() const {
    std::vector<nsof::Value> stores;
    for (const SimStore& store : m_newton.stores) {
        stores.push_back(Frame({{"name", Str(store.name)},
                                {"kind", Str(store.kind)},
                                {"signature", Int(store.signature)}}));
    }
    return List(std::move(stores));
}

bool SoupServer::SendSoupNames(Conversation& c) {
    if (m_newton.store->garbled)
        return SendMessage(c, words::kSoupNames, std::string("\x02\x05\x7F\x09", 4));
    std::vector<nsof::Value> names, signatures;
    for (const SimSoup& soup : m_newton.store->soups) {
        names.push_back(Str(soup.name));
        signatures.push_back(Int(soup.signature));
    }
    return SendMessage(
        c, words::kSoupNames,
        nsof::Encode(List(std::move(names))) + nsof::Encode(List(std::move(signatures))));
}

bool SoupServer::Answer(Conversation& c, const dock::Message& message) {
    const std::string& command = message.command;
    if (command == words::kRequestToSync) return SendMessage(c, words::kResult, Result(0));
    if (command == words::kGetSyncOptions) {
        nsof::Value stores = StoreList();
        if (m_play.garbled) std::get<nsof::Array>(stores.content).elements.push_back(Int(7));
        return SendMessage(c, words::kSyncOptions,
                           nsof::Encode(Frame({{"Packages", nsof::Value{nsof::Nil{}}},
                                               {"syncAll", nsof::Value{true}},
                                               {"stores", std::move(stores)}})));
    }
    if (command == words::kGetStoreNames) {
        if (m_play.noStoreList) return SendMessage(c, words::kUnknownCommand, command);
        return SendMessage(c, words::kStoreNames, nsof::Encode(StoreList()));
    }
    if (command == words::kSetStoreGetNames || command == words::kSetStore) {
        m_newton.store = m_newton.StoreNamed(message.data);
        m_newton.soup = nullptr;
        if (!m_newton.store) {
            c.error = "\"" + command + "\" names no store of this Newton";
            return false;
        }
        if (command == words::kSetStoreGetNames) return SendSoupNames(c);
        const bool gone = m_play.cardGone && m_newton.store != &m_newton.stores.front();
        return SendMessage(c, words::kResult, Result(gone ? words::kNoSuchStore : 0));
    }
    if (command == words::kGetSoupNames) {
        if (!m_newton.store) {
            c.error = "\"gets\" before a store was set";
            return false;
        }
        return SendSoupNames(c);
    }
    if (command == words::kSetSoup) {
        m_newton.soup = m_newton.SoupNamed(message.data);
        return SendMessage(c, words::kResult, Result(m_newton.soup ? 0 : words::kNoSuchSoup));
    }
    if (command == words::kSetSoupGetInfo) {
        m_newton.soup = m_newton.SoupNamed(message.data);
        if (!m_newton.soup) return SendMessage(c, words::kResult, Result(words::kNoSuchSoup));
        return SendMessage(c, words::kSoupInfo,
                           nsof::Encode(Frame({{"name", Str(m_newton.soup->name)},
                                               {"signature", Int(m_newton.soup->signature)}})));
    }
    if (command == words::kSetVboCompression) {
        // No answer, as the Newton gives none; its packages are never compressed.
        std::fprintf(stderr, "newton-sim: binaries compressed: %u\n",
                     message.data.size() >= 4 ? dock::ReadBigEndian32(message.data) : 99u);
        return true;
    }
    if (command == words::kLastSyncTime)
        return SendMessage(c, words::kCurrentTime, dock::BigEndian32(Clock()));
    if (command == words::kGetAppNames) return SendMessage(c, words::kAppNames, Applications());
    if (command == words::kGetIndexDescription || command == words::kGetSoupInfo) {
        if (!m_newton.soup) {
            c.error = "\"" + command + "\" before a soup was set";
            return false;
        }
        return command == words::kGetSoupInfo
                   ? SendMessage(c, words::kSoupInfo, m_newton.soup->info)
                   : SendMessage(c, words::kIndexDescription, m_newton.soup->indexes);
    }
    return SendEntries(c);
}

bool SoupServer::SendEntries(Conversation& c) {
    if (!m_newton.soup) {
        c.error = "\"snds\" before a soup was named";
        return false;
    }
    // Timed for the benchmark: the entries and their messages, to the end of the soup.
    const auto started = std::chrono::steady_clock::now();
    size_t bytes = 0;
    std::string batch;
    const auto flush = [&] {
        const bool sent = batch.empty() || c.link.Send(batch, c.timeoutMs);
        if (!sent) c.error = "an entry did not go";
        batch.clear();
        return sent;
    };
    for (const std::string& entry : m_newton.soup->entries) {
        const bool vanish = m_play.vanishAfter > 0 && m_sent == m_play.vanishAfter;
        const bool cancel = m_play.cancelAfter > 0 && m_sent == m_play.cancelAfter;
        // What went before the interruption reaches the desktop first.
        if ((vanish || cancel) && !flush()) return false;
        if (vanish) {
            std::fprintf(stderr, "newton-sim: vanished after %zu entries\n", m_sent);
            std::fflush(stderr);
            std::_Exit(0);
        }
        if (cancel) {
            std::fprintf(stderr, "newton-sim: cancelled after %zu entries\n", m_sent);
            return SendMessage(c, words::kOperationCancelled, "");
        }
        if (m_play.hugeAfter > 0 && m_sent == m_play.hugeAfter) {
            // A length no store could hold, and then nothing more of it.
            batch += std::string(dock::kMagic) + std::string(words::kEntry) +
                     dock::BigEndian32(0x80000000u);
            std::fprintf(stderr, "newton-sim: sent an entry of 2 GiB\n");
            return flush();
        }
        if (!m_play.sentTo.empty()) {
            std::ofstream(
                m_play.sentTo + "/" + m_newton.store->name + " " + m_newton.soup->name + ".entries",
                std::ios::binary | std::ios::app)
                << dock::BigEndian32(static_cast<uint32_t>(entry.size())) << entry;
        }
        const std::string message = dock::Encode(words::kEntry, entry);
        batch += message;
        bytes += message.size();
        ++m_sent;
        if (m_sent == 1 && !m_play.askDuringSoup.empty())
            batch += dock::Encode(m_play.askDuringSoup, "");
        if (batch.size() >= kBatchBytes && !flush()) return false;
    }
    if (!flush()) return false;
    if (m_play.endless) return true;
    const bool done = SendMessage(c, words::kSoupDone, "");
    std::fprintf(
        stderr, "newton-sim: sent %zu entries of %s, %zu bytes in %.3f ms\n",
        m_newton.soup->entries.size(), m_newton.store->name.c_str(), bytes,
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count());
    return done;
}

}  // namespace zd::sim
