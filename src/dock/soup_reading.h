// Reading every entry of some soups (the Notes, the Names …) from every store
// of the Newton, the way its synchronisation hands them out: "dsnc" and
// "ssyn" from the desktop ("ssyn" alone where the Newton's user tapped
// Synchronise, which sends "sync"; nothing where its user tapped Backup,
// which sends "ssyn" itself), then "gsyn", and for each store "ssgn", then for each soup
// wanted that the store holds "ssgi" and "snds", after which the entries come
// one "entr" at a time up to "bsdn".  A whole backup also reads what a
// restore needs: the Newton's clock ("stme" 0), its applications and their
// soups ("gapp"), and each soup's indexes ("gind") and whole information
// frame ("gsin"), having asked for packages uncompressed ("cvbo"); it lists
// the stores with "gsto" and sets each store and soup with "ssto", "gets"
// and "ssou".
// A part of the full connection's machine: it takes the messages that belong
// to it and the time, and says what to send; it never waits, and gives up on
// a Newton silent for the stim timeout.
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
inline constexpr std::string_view kSynchronise = "sync";
inline constexpr std::string_view kGetSyncOptions = "gsyn";
inline constexpr std::string_view kSyncOptions = "sopt";
inline constexpr std::string_view kSetStoreGetNames = "ssgn";
inline constexpr std::string_view kSoupNames = "soup";
inline constexpr std::string_view kSetSoupGetInfo = "ssgi";
inline constexpr std::string_view kSoupInfo = "sinf";
inline constexpr std::string_view kSendSoup = "snds";
inline constexpr std::string_view kEntry = "entr";
inline constexpr std::string_view kSoupDone = "bsdn";
// A whole backup's: every store and every soup, each set before it is read.
inline constexpr std::string_view kGetStoreNames = "gsto";
inline constexpr std::string_view kStoreNames = "stor";
inline constexpr std::string_view kSetStore = "ssto";
inline constexpr std::string_view kGetSoupNames = "gets";
inline constexpr std::string_view kSetSoup = "ssou";
inline constexpr std::string_view kSetVboCompression = "cvbo";
inline constexpr std::string_view kLastSyncTime = "stme";
inline constexpr std::string_view kCurrentTime = "time";
inline constexpr std::string_view kGetAppNames = "gapp";
inline constexpr std::string_view kAppNames = "appn";
inline constexpr std::string_view kGetIndexes = "gind";
inline constexpr std::string_view kIndexes = "indx";
inline constexpr std::string_view kGetSoupInfo = "gsin";
// "cvbo": large binaries (packages among them) come uncompressed.
inline constexpr uint32_t kUncompressedBinaries = 0;
// "gapp": the applications with their soups, of every store.
inline constexpr uint32_t kAppsAndSoupsEverywhere = 0;

// The soups of one store read at most.
inline constexpr size_t kMaxSoups = 4096;

class SoupReading {
public:
    enum class Outcome { kRunning, kDone, kCut };

    struct Entry {
        // An entry of a soup.  A backup also gets, each as the Newton sent
        // it: the Newton's clock, its applications and the list of the
        // stores, before everything; each store's soups with their
        // signatures ("soup"); and each soup's indexes and information
        // frame before its entries, and its end once all came.
        enum class Kind {
            kEntry,
            kClock,
            kApplications,
            kStores,
            kStoreSoups,
            kSoupIndexes,
            kSoupInfo,
            kSoupDone
        } kind = Kind::kEntry;
        std::string store;           // the store's name ("Internal"), printable
        int32_t storeSignature = 0;  // which tells stores of one name apart
        std::string soup;            // the soup's name ("Notes")
        int32_t soupSignature = 0;
        size_t number = 0;  // in the store's soup, from 1
        std::string data;   // as it came: a stream of the Newton's objects, the clock's 4 bytes
    };

    using Sender = std::function<void(std::string_view command, std::string_view data)>;
    using Noter = std::function<void(std::string note)>;

    // Who began the reading: the desktop, or the Newton's user with its
    // Synchronise or its Backup icon.
    enum class Start { kDesktop, kNewtonSynchronise, kNewtonBackup };

    // Starts reading `soups` (none: every soup of every store, as a backup
    // reads them) from the step `start` leaves to the desktop.
    SoupReading(std::vector<std::string> soups, Start start, int64_t now, Sender send, Noter note);

    // Takes `message` when it belongs to the reading; false otherwise.
    bool OnMessage(const Message& message, int64_t now);
    // The Newton did not understand `command`: true when the reading goes on
    // without it (a Newton without "gsto" names its stores in its options).
    bool NotUnderstood(std::string_view command, int64_t now);
    void Tick(int64_t now);
    // Ends the reading from our side, cancelling what the Newton does.
    void Cancel(const std::string& why);
    // Ends the reading where the two sides no longer understand each other:
    // the operation is over for both.
    void Stop(const std::string& why);

    Outcome outcome() const { return m_outcome; }
    // True when every soup is read, as for a backup.
    bool everySoup() const { return m_wanted.empty(); }
    // The entries that came since the last call.
    std::vector<Entry> TakeEntries();
    size_t stores() const { return m_storesRead; }
    // The stores and soups that could not be read, which were left out, in
    // words ("the store Kort").
    const std::vector<std::string>& missing() const { return m_missing; }

private:
    enum class Step {
        kSyncResult,
        kClock,
        kApplications,
        kOptions,
        kStoreList,
        kStoreSet,
        kNames,
        kSoupSet,
        kIndexes,
        kInfo,
        kEntries
    };

    struct Soup {
        std::string name;
        int32_t signature = 0;
    };

    void Expect(Step step, int64_t now);
    // A backup's first questions: packages uncompressed, and the clock.
    void AskForTheClock(int64_t now);
    void AskForApplications(int64_t now);
    void AskForOptions(int64_t now);
    // A backup's answers that the reading goes on without: true when
    // `message` was one.
    bool OnBackupExtra(const Message& message, int64_t now);
    // The soup that was set, read: a backup's asks for its indexes first.
    void ReadSoup(int64_t now);
    void AskForSoupInfo(int64_t now);
    void SendSoup(int64_t now);
    // `note` once a reading for `command`, which a Newton answers the same
    // way for every soup.
    void NoteOnce(std::string_view command, const std::string& note);
    // The next store's names, or the end when every store has been read.
    void NextStore(int64_t now);
    // The store's next soup of those wanted, or the next store.
    void NextSoup(int64_t now);
    // The soup being read, or the soups wanted, for the log.
    std::string Reading() const;
    // A backup sets each store and soup itself, where the Newton knows how.
    bool SetsStores() const { return m_wanted.empty() && m_storeList; }
    // Takes the store frames of `stores`, the others left out.
    void TakeStores(const nsof::Array& stores);
    void OnOptions(const Message& message, int64_t now);
    void OnStoreList(const Message& message, int64_t now);
    void OnNames(const Message& message, int64_t now);
    // `kind` with `data`, of the store and soup being read.
    void Keep(Entry::Kind kind, std::string data);
    void Cut(const std::string& note);

    std::vector<std::string> m_wanted;  // none: every soup
    bool m_storeList = true;            // the Newton knows "gsto"
    std::string m_options;              // "sopt" as it came
    Sender m_send;
    Noter m_note;
    Step m_step = Step::kSyncResult;
    Outcome m_outcome = Outcome::kRunning;
    int64_t m_deadline = 0;
    std::vector<nsof::Value> m_stores;  // still to read, last first
    std::string m_store;                // the one being read
    int32_t m_storeSignature = 0;
    std::vector<Soup> m_soups;  // of those wanted, the store's still to read, last first
    std::string m_soup;         // the one being read
    int32_t m_soupSignature = 0;
    bool m_vboAnswered = false;  // a "dres" that came for "cvbo"
    std::vector<std::string> m_notedOnce;
    size_t m_storesRead = 0;
    std::vector<std::string> m_missing;
    size_t m_number = 0;
    std::vector<Entry> m_entries;
};

}  // namespace zd::dock
