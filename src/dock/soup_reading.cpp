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
        m_send(kGetSyncOptions, "");
        Expect(Step::kOptions, now);
        return;
    }
    if (start == Start::kDesktop) m_send(kDesktopInControl, "");
    m_send(kRequestToSync, "");
    Expect(Step::kSyncResult, now);
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
            m_send(kGetSyncOptions, "");
            Expect(Step::kOptions, now);
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
            if (command != kResult) return false;
            m_send(kSetSoupGetInfo, Utf8ToUtf16Be(m_soup) + std::string(2, '\0'));
            Expect(Step::kInfo, now);
            return true;
        case Step::kNames:
            if (command != kSoupNames) return false;
            OnNames(message, now);
            return true;
        case Step::kInfo:
            // The soup's information, or a plain result: either way, on.
            if (command != kSoupInfo && command != kResult) return false;
            // A backup keeps it.
            if (command == kSoupInfo && m_wanted.empty()) {
                m_entries.push_back(
                    {Entry::Kind::kSoupInfo, m_store, m_storeSignature, m_soup, 0, message.data});
            }
            m_send(kSendSoup, "");
            m_number = 0;
            Expect(Step::kEntries, now);
            return true;
        case Step::kEntries:
            if (command == kEntry) {
                m_entries.push_back({Entry::Kind::kEntry, m_store, m_storeSignature, m_soup,
                                     ++m_number, message.data});
                Expect(Step::kEntries, now);
                return true;
            }
            if (command != kSoupDone) return false;
            NextSoup(now);
            return true;
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
    if (m_wanted.empty()) m_entries.push_back({Entry::Kind::kStores, "", 0, "", 0, message.data});
    TakeStores(*array);
    NextStore(now);
}

bool SoupReading::NotUnderstood(std::string_view command, int64_t now) {
    if (m_outcome != Outcome::kRunning || m_step != Step::kStoreList || command != kGetStoreNames)
        return false;
    m_storeList = false;
    m_note("The Newton does not list its stores; those of its synchronisation options are read.");
    OnOptions({std::string(kSyncOptions), m_options}, now);
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
    m_entries.push_back({Entry::Kind::kStores, "", 0, "", 0, message.data});
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
    m_soups.clear();
    if (m_wanted.empty()) {
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
                m_soups.push_back(name->text);
        }
    }
    for (auto wanted = m_wanted.rbegin(); wanted != m_wanted.rend(); ++wanted) {
        const bool held = std::any_of(array->elements.begin(), array->elements.end(),
                                      [&](const nsof::Value& name) {
                                          const nsof::String* string = name.As<nsof::String>();
                                          return string && string->text == *wanted;
                                      });
        if (held) m_soups.push_back(*wanted);
    }
    NextSoup(now);
}

void SoupReading::NextSoup(int64_t now) {
    if (m_soups.empty()) return NextStore(now);
    m_soup = std::move(m_soups.back());
    m_soups.pop_back();
    const std::string name = Utf8ToUtf16Be(m_soup) + std::string(2, '\0');
    if (SetsStores()) {
        m_note("Reading " + Printable(m_soup) + " on " + m_store + "\u2026");
        m_send(kSetSoup, name);
        Expect(Step::kSoupSet, now);
        return;
    }
    m_send(kSetSoupGetInfo, name);
    Expect(Step::kInfo, now);
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
