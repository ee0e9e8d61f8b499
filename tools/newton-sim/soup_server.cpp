#include "soup_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

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

}  // namespace

SoupServer::SoupServer(std::vector<SimStore> stores, const NotesPlay& play)
    : m_stores(std::move(stores)), m_play(play) {}

bool SoupServer::Handles(std::string_view command) {
    for (std::string_view c : {words::kRequestToSync, words::kGetSyncOptions,
                               words::kSetStoreGetNames, words::kSetSoupGetInfo, words::kSendSoup})
        if (command == c) return true;
    return false;
}

bool SoupServer::Answer(Conversation& c, const dock::Message& message) {
    const std::string& command = message.command;
    if (command == words::kRequestToSync) return SendMessage(c, words::kResult, Result(0));
    if (command == words::kGetSyncOptions) {
        std::vector<nsof::Value> stores;
        for (const SimStore& store : m_stores) {
            stores.push_back(Frame({{"name", Str(store.name)},
                                    {"kind", Str(store.kind)},
                                    {"signature", Int(store.signature)}}));
        }
        if (m_play.garbled) stores.push_back(Int(7));
        return SendMessage(c, words::kSyncOptions,
                           nsof::Encode(Frame({{"Packages", nsof::Value{nsof::Nil{}}},
                                               {"syncAll", nsof::Value{true}},
                                               {"stores", List(std::move(stores))}})));
    }
    if (command == words::kSetStoreGetNames) {
        const nsof::Decoded named = nsof::Decode(message.data);
        const nsof::Value* name = named.value ? named.value->Find("name") : nullptr;
        m_store = nullptr;
        for (const SimStore& store : m_stores)
            if (name && name->As<nsof::String>() && name->As<nsof::String>()->text == store.name)
                m_store = &store;
        if (!m_store) {
            c.error = "\"ssgn\" names no store of this Newton";
            return false;
        }
        if (m_store->garbled)
            return SendMessage(c, words::kSoupNames, std::string("\x02\x05\x7F\x09", 4));
        std::vector<nsof::Value> names, signatures;
        for (const SimSoup& soup : m_store->soups) {
            names.push_back(Str(soup.name));
            signatures.push_back(Int(soup.signature));
        }
        return SendMessage(c, words::kSoupNames,
                           nsof::Encode(List(std::move(names))) +
                               nsof::Encode(List(std::move(signatures))));
    }
    if (command == words::kSetSoupGetInfo) {
        const std::string wanted = Utf16BeToUtf8(message.data);
        m_soup = nullptr;
        if (m_store) {
            for (const SimSoup& soup : m_store->soups)
                if (soup.name == wanted) m_soup = &soup;
        }
        if (!m_soup) return SendMessage(c, words::kResult, Result(words::kNoSuchSoup));
        return SendMessage(c, words::kSoupInfo, nsof::Encode(Frame({{"name", Str(wanted)}})));
    }
    return SendEntries(c);
}

bool SoupServer::SendEntries(Conversation& c) {
    if (!m_soup) {
        c.error = "\"snds\" before a soup was named";
        return false;
    }
    // Timed for the benchmark: the entries and their messages, to the end of the soup.
    const auto started = std::chrono::steady_clock::now();
    size_t bytes = 0;
    for (const std::string& entry : m_soup->entries) {
        if (m_play.vanishAfter > 0 && m_sent == m_play.vanishAfter) {
            std::fprintf(stderr, "newton-sim: vanished after %zu entries\n", m_sent);
            std::fflush(stderr);
            std::_Exit(0);
        }
        if (m_play.cancelAfter > 0 && m_sent == m_play.cancelAfter) {
            std::fprintf(stderr, "newton-sim: cancelled after %zu entries\n", m_sent);
            return SendMessage(c, words::kOperationCancelled, "");
        }
        const std::string message = dock::Encode(words::kEntry, entry);
        if (!c.link.Send(message, c.timeoutMs)) {
            c.error = "an entry did not go";
            return false;
        }
        bytes += message.size();
        ++m_sent;
        if (m_sent == 1 && !m_play.askDuringSoup.empty() &&
            !SendMessage(c, m_play.askDuringSoup, "")) {
            return false;
        }
    }
    if (m_play.endless) return true;
    const bool done = SendMessage(c, words::kSoupDone, "");
    std::fprintf(
        stderr, "newton-sim: sent %zu entries of %s, %zu bytes in %.3f ms\n",
        m_soup->entries.size(), m_store->name.c_str(), bytes,
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count());
    return done;
}

}  // namespace zd::sim
