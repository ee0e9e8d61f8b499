#include "dock/soup_reading.h"

#include <algorithm>

#include "base/counted.h"
#include "base/printable.h"
#include "base/unicode.h"

namespace zd::dock {
namespace {

const std::string* StringSlot(const nsof::Value& frame, std::string_view name) {
    const nsof::Value* slot = frame.Find(name);
    const nsof::String* string = slot ? slot->As<nsof::String>() : nullptr;
    return string ? &string->text : nullptr;
}

// What "ssgn" names a store by: its name, kind and signature, as "sopt" gave them.
nsof::Value StoreFrame(const nsof::Value& store) {
    nsof::Frame frame;
    for (const char* slot : {"name", "kind", "signature"}) {
        if (const nsof::Value* value = store.Find(slot)) frame.slots.push_back({slot, *value});
    }
    return nsof::Value{std::move(frame)};
}

}  // namespace

SoupReading::SoupReading(std::vector<std::string> soups, Start start, int64_t now, Sender send,
                         Noter note)
    : m_wanted(std::move(soups)), m_send(std::move(send)), m_note(std::move(note)) {
    if (start == Start::kNewtonBackup) {
        AskForTheClock(now);
        return;
    }
    if (start == Start::kDesktop) m_send(kDesktopInControl, "");
    m_send(kRequestToSync, "");
    Expect(Step::kSyncResult, now);
}

void SoupReading::AskForTheClock(int64_t now) {
    if (!everySoup()) return AskForOptions(now);
    m_send(kSetVboCompression, BigEndian32(kUncompressedBinaries));
    m_send(kLastSyncTime, BigEndian32(0));
    Expect(Step::kClock, now);
}

void SoupReading::AskForApplications(int64_t now) {
    m_send(kGetAppNames, BigEndian32(kAppsAndSoupsEverywhere));
    Expect(Step::kApplications, now);
}

void SoupReading::AskForOptions(int64_t now) {
    m_send(kGetSyncOptions, "");
    Expect(Step::kOptions, now);
}

bool SoupReading::OnBackupExtra(const Message& message, int64_t now) {
    const std::string_view command = message.command;
    const int32_t result = ResultCode(message);
    switch (m_step) {
        case Step::kClock:
            if (command == kCurrentTime) {
                Keep(Entry::Kind::kClock, message.data);
                AskForApplications(now);
                return true;
            }
            if (command != kResult) return false;
            // "cvbo" has no answer of its own; a Newton that gives one gives it first.
            if (!m_vboAnswered) {
                m_vboAnswered = true;
                if (result != 0)
                    m_note("The Newton did not take \"cvbo\" (error " + std::to_string(result) +
                           "); its packages come as it keeps them.");
                return true;
            }
            m_note("The Newton did not tell its clock (error " + std::to_string(result) + ").");
            AskForApplications(now);
            return true;
        case Step::kApplications:
            if (command == kAppNames) {
                Keep(Entry::Kind::kApplications, message.data);
            } else if (command == kResult) {
                m_note("The Newton did not name its applications (error " + std::to_string(result) +
                       ").");
            } else {
                return false;
            }
            AskForOptions(now);
            return true;
        case Step::kIndexes:
            if (command == kIndexes) {
                Keep(Entry::Kind::kSoupIndexes, message.data);
            } else if (command == kResult) {
                NoteOnce(kGetIndexes,
                         "The Newton did not give the indexes of " + Printable(m_soup) +
                             " (error " + std::to_string(result) +
                             "); a restore makes such a soup as the Newton defines it.");
            } else {
                return false;
            }
            AskForSoupInfo(now);
            return true;
        case Step::kInfo:
            if (command == kSoupInfo) {
                Keep(Entry::Kind::kSoupInfo, message.data);
            } else if (command != kResult) {
                return false;
            }
            SendSoup(now);
            return true;
        default:
            return false;
    }
}

bool SoupReading::OnMessage(const Message& message, int64_t now) {
    if (m_outcome != Outcome::kRunning) return false;
    const std::string_view command = message.command;
    const int32_t result = ResultCode(message);
    if (command == kOperationCancelled) {
        m_send(kCancelAcknowledged, "");
        Cut("The Newton cancelled the reading of its " + Reading() + ".");
        return true;
    }
    if (everySoup() && OnBackupExtra(message, now)) return true;
    // A store or a soup the Newton cannot set is left out; the others still come.
    if (command == kResult && result != 0 &&
        (m_step == Step::kStoreSet || m_step == Step::kSoupSet)) {
        if (m_step == Step::kStoreSet) {
            m_missing.push_back("the store " + m_store);
            m_note("The store " + m_store + " could not be opened (error " +
                   std::to_string(result) + "); it is left out.");
            NextStore(now);
        } else {
            m_missing.push_back("the soup " + Printable(m_soup) + " on " + m_store);
            m_note("The soup " + Printable(m_soup) + " on " + m_store +
                   " could not be opened (error " + std::to_string(result) + "); it is left out.");
            NextSoup(now);
        }
        return true;
    }
    if (command == kResult && result != 0) {
        Cut("The Newton could not hand out its " + Reading() + " (error " + std::to_string(result) +
            ").");
        return true;
    }
    switch (m_step) {
        case Step::kSyncResult:
            if (command != kResult) return false;
            AskForTheClock(now);
            return true;
        case Step::kOptions:
            if (command != kSyncOptions) return false;
            OnOptions(message, now);
            return true;
        case Step::kStoreList:
            if (command != kStoreNames) return false;
            OnStoreList(message, now);
            return true;
        case Step::kStoreSet:
            if (command != kResult) return false;
            m_send(kGetSoupNames, "");
            Expect(Step::kNames, now);
            return true;
        case Step::kSoupSet:
            // "ssou" answers with a result; "ssgi" (a backup of a Newton that
            // does not list its stores) with the soup's information.
            if (command != kResult && command != kSoupInfo) return false;
            ReadSoup(now);
            return true;
        case Step::kNames:
            if (command != kSoupNames) return false;
            OnNames(message, now);
            return true;
        case Step::kInfo:
            // The soup's information, or a plain result: either way, on.
            if (command != kSoupInfo && command != kResult) return false;
            ReadSoup(now);
            return true;
        case Step::kEntries:
            if (command == kEntry) {
                m_entries.push_back({Entry::Kind::kEntry, m_store, m_storeSignature, m_soup,
                                     m_soupSignature, ++m_number, message.data});
                Expect(Step::kEntries, now);
                return true;
            }
            if (command != kSoupDone) return false;
            if (everySoup()) Keep(Entry::Kind::kSoupDone, "");
            NextSoup(now);
            return true;
        case Step::kClock:
        case Step::kApplications:
        case Step::kIndexes:
            return false;
    }
    return false;
}

void SoupReading::Tick(int64_t now) {
    if (m_outcome != Outcome::kRunning || now < m_deadline) return;
    Cancel("The Newton sent nothing for " + std::to_string(kTimeoutSeconds) + " s in the middle " +
           "of its " + Reading() + "; the reading has ended.");
}

void SoupReading::Cancel(const std::string& why) {
    if (m_outcome != Outcome::kRunning) return;
    m_send(kOperationCancelled, "");
    Cut(why);
}

void SoupReading::Stop(const std::string& why) {
    if (m_outcome != Outcome::kRunning) return;
    m_send(kOperationDone, "");
    Cut(why);
}

std::vector<SoupReading::Entry> SoupReading::TakeEntries() {
    std::vector<Entry> entries;
    entries.swap(m_entries);
    return entries;
}

void SoupReading::Expect(Step step, int64_t now) {
    m_step = step;
    m_deadline = now + kAnswerMs;
}

void SoupReading::ReadSoup(int64_t now) {
    if (!everySoup()) return SendSoup(now);
    m_send(kGetIndexes, "");
    Expect(Step::kIndexes, now);
}

void SoupReading::AskForSoupInfo(int64_t now) {
    m_send(kGetSoupInfo, "");
    Expect(Step::kInfo, now);
}

void SoupReading::SendSoup(int64_t now) {
    m_send(kSendSoup, "");
    m_number = 0;
    Expect(Step::kEntries, now);
}

void SoupReading::NoteOnce(std::string_view command, const std::string& note) {
    if (std::find(m_notedOnce.begin(), m_notedOnce.end(), command) != m_notedOnce.end()) return;
    m_notedOnce.emplace_back(command);
    m_note(note);
}

void SoupReading::Keep(Entry::Kind kind, std::string data) {
    m_entries.push_back(
        {kind, m_store, m_storeSignature, m_soup, m_soupSignature, 0, std::move(data)});
}

void SoupReading::NextStore(int64_t now) {
    if (m_stores.empty()) {
        m_send(kOperationDone, "");
        m_outcome = Outcome::kDone;
        return;
    }
    const nsof::Value store = std::move(m_stores.back());
    m_stores.pop_back();
    const std::string* name = StringSlot(store, "name");
    m_store = name ? Printable(*name) : "a store";
    const nsof::Value* signature = store.Find("signature");
    m_storeSignature = signature && signature->As<int32_t>() ? *signature->As<int32_t>() : 0;
    m_soup.clear();
    m_soupSignature = 0;
    ++m_storesRead;
    if (SetsStores()) {
        m_send(kSetStore, nsof::Encode(StoreFrame(store)));
        Expect(Step::kStoreSet, now);
        return;
    }
    m_send(kSetStoreGetNames, nsof::Encode(StoreFrame(store)));
    Expect(Step::kNames, now);
}

void SoupReading::OnOptions(const Message& message, int64_t now) {
    if (SetsStores()) {
        // A backup asks for the stores themselves; the options name them too,
        // for a Newton that does not know how.
        m_options = message.data;
        m_send(kGetStoreNames, "");
        Expect(Step::kStoreList, now);
        return;
    }
    const nsof::Decoded options = nsof::Decode(message.data);
    const nsof::Value* stores = options.value ? options.value->Find("stores") : nullptr;
    const nsof::Array* array = stores ? stores->As<nsof::Array>() : nullptr;
    if (!array) {
        Cancel("The Newton's synchronisation options name no stores" +
               (options.error.empty() ? std::string() : " (" + options.error + ")") + ".");
        return;
    }
    // A backup keeps what named the stores.
    if (m_wanted.empty()) Keep(Entry::Kind::kStores, message.data);
    TakeStores(*array);
    NextStore(now);
}

bool SoupReading::NotUnderstood(std::string_view command, int64_t now) {
    if (m_outcome != Outcome::kRunning) return false;
    // What a backup asks beyond the entries, an older Newton may not know:
    // the backup goes on without it.
    const auto without = [&](const char* what) {
        NoteOnce(command, "The Newton does not know " + QuotedCommand(command) +
                              ": the backup holds no " + what + ".");
    };
    if (command == kSetVboCompression) {
        without("word on how its packages came");
    } else if (command == kLastSyncTime && m_step == Step::kClock) {
        without("clock of the Newton");
        AskForApplications(now);
    } else if (command == kGetAppNames && m_step == Step::kApplications) {
        without("list of its applications");
        AskForOptions(now);
    } else if (command == kGetIndexes && m_step == Step::kIndexes) {
        without("indexes of its soups");
        AskForSoupInfo(now);
    } else if (command == kGetSoupInfo && m_step == Step::kInfo) {
        without("information frames of its soups");
        SendSoup(now);
    } else if (command == kGetStoreNames && m_step == Step::kStoreList) {
        m_storeList = false;
        m_note(
            "The Newton does not list its stores; those of its synchronisation options are read.");
        OnOptions({std::string(kSyncOptions), m_options}, now);
    } else {
        return false;
    }
    return true;
}

void SoupReading::OnStoreList(const Message& message, int64_t now) {
    const nsof::Decoded stores = nsof::Decode(message.data);
    const nsof::Array* array = stores.value ? stores.value->As<nsof::Array>() : nullptr;
    if (!array) {
        Cancel("The Newton's list of stores could not be read" +
               (stores.error.empty() ? std::string() : " (" + stores.error + ")") + ".");
        return;
    }
    Keep(Entry::Kind::kStores, message.data);
    TakeStores(*array);
    NextStore(now);
}

void SoupReading::TakeStores(const nsof::Array& array) {
    for (const nsof::Value& store : array.elements) {
        if (store.As<nsof::Frame>()) {
            m_stores.push_back(store);
        } else {
            m_missing.push_back("a store that is no store");
            m_note("The Newton named a store that is no store; it is left out.");
        }
    }
    std::reverse(m_stores.begin(), m_stores.end());
}

void SoupReading::OnNames(const Message& message, int64_t now) {
    // The soups' names, then their signatures: two streams one after the other.
    const nsof::Decoded names = nsof::Decode(message.data);
    const nsof::Array* array = names.value ? names.value->As<nsof::Array>() : nullptr;
    if (!array) {
        m_missing.push_back("the soups of " + m_store);
        m_note("The soups of " + m_store + " could not be read (" +
               (names.error.empty() ? "they are no list" : names.error) + "); it is left out.");
        NextStore(now);
        return;
    }
    const nsof::Decoded signatures =
        nsof::Decode(std::string_view(message.data).substr(names.used));
    const nsof::Array* signatureArray =
        signatures.value ? signatures.value->As<nsof::Array>() : nullptr;
    const auto signatureOf = [signatureArray](size_t i) {
        const nsof::Value* value = signatureArray && i < signatureArray->elements.size()
                                       ? &signatureArray->elements[i]
                                       : nullptr;
        return value && value->As<int32_t>() ? *value->As<int32_t>() : 0;
    };
    m_soups.clear();
    if (m_wanted.empty()) {
        Keep(Entry::Kind::kStoreSoups, message.data);
        // A Newton holds a few hundred soups at most; a list far longer is
        // no Newton's, and would make a backup's bookkeeping grow with it.
        const size_t taken = std::min(array->elements.size(), kMaxSoups);
        if (taken < array->elements.size()) {
            m_missing.push_back(WithThousands(array->elements.size() - taken) + " soups of " +
                                m_store + " past its first " + WithThousands(kMaxSoups));
            m_note("The Newton lists " + WithThousands(array->elements.size()) + " soups on " +
                   m_store + "; the first " + WithThousands(kMaxSoups) + " are read.");
        }
        for (size_t i = taken; i-- > 0;) {
            if (const nsof::String* name = array->elements[i].As<nsof::String>())
                m_soups.push_back({name->text, signatureOf(i)});
        }
    }
    for (auto wanted = m_wanted.rbegin(); wanted != m_wanted.rend(); ++wanted) {
        for (size_t i = 0; i < array->elements.size(); ++i) {
            const nsof::String* name = array->elements[i].As<nsof::String>();
            if (name && name->text == *wanted) {
                m_soups.push_back({*wanted, signatureOf(i)});
                break;
            }
        }
    }
    NextSoup(now);
}

void SoupReading::NextSoup(int64_t now) {
    if (m_soups.empty()) return NextStore(now);
    m_soup = std::move(m_soups.back().name);
    m_soupSignature = m_soups.back().signature;
    m_soups.pop_back();
    const std::string name = Utf8ToUtf16Be(m_soup) + std::string(2, '\0');
    if (SetsStores()) {
        m_note("Reading " + Printable(m_soup) + " on " + m_store + "\u2026");
        m_send(kSetSoup, name);
        Expect(Step::kSoupSet, now);
        return;
    }
    m_send(kSetSoupGetInfo, name);
    Expect(everySoup() ? Step::kSoupSet : Step::kInfo, now);
}

std::string SoupReading::Reading() const {
    if (!m_soup.empty()) return m_soup;
    std::string soups;
    for (const std::string& soup : m_wanted) soups += (soups.empty() ? "" : ", ") + soup;
    return soups;
}

void SoupReading::Cut(const std::string& note) {
    m_note(note);
    m_outcome = Outcome::kCut;
}

}  // namespace zd::dock
