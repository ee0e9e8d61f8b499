// Reading every entry of one soup (the Notes) from every store of the Newton,
// the way its synchronisation hands them out: "dsnc" and "ssyn" from the
// desktop (or "ssyn" from the Newton, whose user tapped Synchronise), then
// "gsyn", and for each store "ssgn", "ssgi" and "snds", after which the
// entries come one "entr" at a time up to "bsdn".  A part of the full
// connection's machine: it takes the messages that belong to it and the time,
// and says what to send; it never waits, and gives up on a Newton silent for
// the stim timeout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dock/dock_message.h"
#include "nsof/nsof.h"

namespace zd::dock {

// The synchronisation's commands.
inline constexpr std::string_view kRequestToSync = "ssyn";
inline constexpr std::string_view kGetSyncOptions = "gsyn";
inline constexpr std::string_view kSyncOptions = "sopt";
inline constexpr std::string_view kSetStoreGetNames = "ssgn";
inline constexpr std::string_view kSoupNames = "soup";
inline constexpr std::string_view kSetSoupGetInfo = "ssgi";
inline constexpr std::string_view kSoupInfo = "sinf";
inline constexpr std::string_view kSendSoup = "snds";
inline constexpr std::string_view kEntry = "entr";
inline constexpr std::string_view kSoupDone = "bsdn";

class SoupReading {
public:
    enum class Outcome { kRunning, kDone, kCut };

    struct Entry {
        std::string store;  // the store's name ("Internal")
        size_t number = 0;  // in the store's soup, from 1
        std::string data;   // the entry, a stream of the Newton's objects
    };

    using Sender = std::function<void(std::string_view command, std::string_view data)>;
    using Noter = std::function<void(std::string note)>;

    // Starts reading `soup`: from its first step, or from "gsyn" when the
    // Newton asked for it.
    SoupReading(std::string soup, bool askedByNewton, int64_t now, Sender send, Noter note);

    // Takes `message` when it belongs to the reading; false otherwise.
    bool OnMessage(const Message& message, int64_t now);
    void Tick(int64_t now);
    // Ends the reading from our side, cancelling what the Newton does.
    void Cancel(const std::string& why);
    // Ends the reading where the two sides no longer understand each other:
    // the operation is over for both.
    void Stop(const std::string& why);

    Outcome outcome() const { return m_outcome; }
    // The entries that came since the last call.
    std::vector<Entry> TakeEntries();
    size_t stores() const { return m_storesRead; }
    // Stores whose soups could not be read, which were left out.
    size_t leftOut() const { return m_leftOut; }

private:
    enum class Step { kSyncResult, kOptions, kNames, kInfo, kEntries };

    void Expect(Step step, int64_t now);
    // The next store's names, or the end when every store has been read.
    void NextStore(int64_t now);
    void OnOptions(const Message& message, int64_t now);
    void OnNames(const Message& message, int64_t now);
    void Cut(const std::string& note);

    std::string m_soup;
    Sender m_send;
    Noter m_note;
    Step m_step = Step::kSyncResult;
    Outcome m_outcome = Outcome::kRunning;
    int64_t m_deadline = 0;
    std::vector<nsof::Value> m_stores;  // still to read, last first
    std::string m_store;                // the one being read
    size_t m_storesRead = 0;
    size_t m_leftOut = 0;
    size_t m_number = 0;
    std::vector<Entry> m_entries;
};

}  // namespace zd::dock
