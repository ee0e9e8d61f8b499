// Writing a backup back onto the Newton through its Connection application:
// "dsnc" and "rrst", the data's version ("sver"), then for each store "ssto"
// and for each soup "ssou"; a soup the Newton lacks is made ("csop", else
// from the Newton's own definition, "cdsp") and given its information and
// signature ("sinf", "ssos"); then each entry is added under its own id
// ("auni") or changed ("cent"), and the store's packages loaded ("lpkg");
// "opdn" ends it.  What is written is decided before it is handed over: the
// machine deletes nothing and empties nothing.  Where the descriptions of the
// protocol leave a point open, either reading works: the layout of "csop",
// the answer to "auni" ("dres" or "adid"), and whether the Newton keeps an
// entry's "_modTime" (read back once with "rete"), and the log says which
// the Newton took.  Each entry counts once the Newton confirmed it; an error
// stops the restore there.  Like the soup reading it takes messages and the
// time, says what to send, and never waits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dock/dock_message.h"

namespace zd::dock {

inline constexpr std::string_view kRequestToRestore = "rrst";
inline constexpr std::string_view kSourceVersion = "sver";
inline constexpr std::string_view kCreateSoup = "csop";
inline constexpr std::string_view kCreateDefaultSoup = "cdsp";
inline constexpr std::string_view kSetSoupInfo = "sinf";
inline constexpr std::string_view kSetSoupSignature = "ssos";
inline constexpr std::string_view kAddEntryWithId = "auni";
inline constexpr std::string_view kAddedId = "adid";
inline constexpr std::string_view kChangeEntry = "cent";
inline constexpr std::string_view kReturnEntry = "rete";

// The soup named does not exist on the store set.
inline constexpr int32_t kSoupNotFound = -28015;

// "sver": which Newton OS the data come from, and the Newton they came from.
struct SourceVersion {
    uint32_t data = 2;  // 1: Newton OS 1.x, which a 2.x Newton converts
    uint32_t manufacturer = 0;
    uint32_t machineType = 0;
};

// One entry to write as it was backed up.
struct EntryWrite {
    std::string data;
    int32_t id = 0;  // its "_uniqueID"
    std::optional<int32_t> modTime;
    bool change = false;  // the Newton holds the id: "cent", else "auni"
};

struct SoupWork {
    std::string name;
    std::string indexes;  // for "csop"; "" where the backup has none
    std::string info;     // for "sinf"; "" where the backup has none
    std::optional<int32_t> signature;
    // The next entry to write, once the one before it was confirmed;
    // nullopt once there are no more.
    std::function<std::optional<EntryWrite>()> next;
};

struct PackageWork {
    std::string name;  // for the log
    // Its bytes, read when it is its turn; nullopt when they cannot be read.
    std::function<std::optional<std::string>()> bytes;
};

struct StoreWork {
    std::string name;   // for the log
    std::string frame;  // "ssto": the store as the Newton names it now
    std::vector<SoupWork> soups;
    std::vector<PackageWork> packages;
};

struct RestoreWork {
    std::optional<SourceVersion> version;
    std::vector<StoreWork> stores;
};

class Restoring {
public:
    enum class Outcome { kRunning, kDone, kStopped };
    using Sender = std::function<void(std::string_view command, std::string_view data)>;
    using Noter = std::function<void(std::string note)>;

    // Starts writing `work`; `asked` says that the Newton's user began it
    // (its Restore icon), so no restore is asked for.
    Restoring(RestoreWork work, bool asked, int64_t now, Sender send, Noter note);

    // Takes `message` when it belongs to the restore; false otherwise.
    bool OnMessage(const Message& message, int64_t now);
    // The Newton did not understand `command`: true when the restore takes it.
    bool NotUnderstood(std::string_view command, int64_t now);
    void Tick(int64_t now);
    // Stops once the Newton has answered what it was sent last, with `why`.
    void Cancel(const std::string& why);
    // Stops at once: the Newton is gone.
    void Lost(const std::string& why);
    // Stops where the two sides no longer understand each other, saying
    // `note`: the operation is over for both.
    void Stop(const std::string& note) { End(Outcome::kStopped, note); }

    Outcome outcome() const { return m_outcome; }
    // Entries the Newton confirmed, added and changed; soups and packages done.
    size_t added() const { return m_added; }
    size_t changed() const { return m_changed; }
    size_t soupsDone() const { return m_soupsDone; }
    size_t packagesLoaded() const { return m_packagesLoaded; }
    // What was not written that was meant to be, in words; empty when all was.
    const std::vector<std::string>& unwritten() const { return m_unwritten; }
    // Where the restore is, for the transit field: "Notes on Internal: 27 entries".
    std::string Progress() const;

private:
    enum class Step {
        kRequest,
        kVersion,
        kStore,
        kSoup,
        kCreate,
        kCreateOther,
        kCreateDefault,
        kSoupAgain,
        kInfo,
        kSignature,
        kEntry,
        kReadBack,
        kPackage,
        kEnded
    };
    // The two layouts of "csop" peers send.
    enum class Layout { kLengthFirst, kNameThenIndexes };

    void Expect(Step step, int64_t now);
    void SendVersion(int64_t now);
    void NextStore(int64_t now);
    void NextSoup(int64_t now);
    void CreateSoup(Layout layout, Step step, int64_t now);
    void CreateFromDefinition(int64_t now);
    void SetInfo(int64_t now);
    void SetSignature(int64_t now);
    void NextEntry(int64_t now);
    void NextPackage(int64_t now);
    // The entry just written was confirmed: counted, and read back where
    // the Newton's way with its time is still to learn.
    void Written(int64_t now);
    void OnReadBack(const Message& message, int64_t now);
    // The soup being made was made, or not, for `why`.
    void OnCreated(bool made, const std::string& why, int64_t now);
    // Ends with "opdn", `note` said, as `outcome`.
    void End(Outcome outcome, const std::string& note);
    // The store and soup being written, for the log.
    std::string Where() const;
    // True when a cancel waits for this point to end the restore.
    bool Cancelled();

    RestoreWork m_work;
    Sender m_send;
    Noter m_note;
    Step m_step = Step::kRequest;
    Outcome m_outcome = Outcome::kRunning;
    int64_t m_deadline = 0;
    size_t m_store = 0;  // into m_work.stores, from 1 once one is set
    size_t m_soup = 0;   // into the store's soups, from 1 once one is set
    size_t m_package = 0;
    std::optional<EntryWrite> m_entry;  // written, not yet confirmed
    Layout m_trying = Layout::kLengthFirst;
    std::optional<Layout> m_layout;     // the one the Newton took
    bool m_answerTold = false;          // how the Newton answers "auni"
    bool m_addedTimeLearned = false;    // whether "auni" keeps "_modTime"
    bool m_changedTimeLearned = false;  // whether "cent" keeps it
    std::optional<std::string> m_cancel;
    size_t m_added = 0;
    size_t m_changed = 0;
    size_t m_soupEntries = 0;
    size_t m_soupsDone = 0;
    size_t m_packagesLoaded = 0;
    std::vector<std::string> m_unwritten;
};

}  // namespace zd::dock
