#include "dock/restoring.h"

#include "base/counted.h"
#include "base/printable.h"
#include "base/unicode.h"
#include "dock/soup_reading.h"
#include "nsof/nsof.h"

namespace zd::dock {
namespace {

std::string Utf16Name(const std::string& name) {
    return Utf8ToUtf16Be(name) + std::string(2, '\0');
}

std::string Error(int32_t code) {
    return "error " + std::to_string(code);
}

std::optional<int32_t> ModTimeOf(std::string_view entry) {
    const nsof::Decoded decoded = nsof::Decode(entry);
    const nsof::Value* time = decoded.value ? decoded.value->Find("_modTime") : nullptr;
    return time && time->As<int32_t>() ? std::optional<int32_t>(*time->As<int32_t>())
                                       : std::nullopt;
}

}  // namespace

Restoring::Restoring(RestoreWork work, bool asked, int64_t now, Sender send, Noter note)
    : m_work(std::move(work)), m_send(std::move(send)), m_note(std::move(note)) {
    if (asked) {
        SendVersion(now);
        return;
    }
    m_send(kDesktopInControl, "");
    m_send(kRequestToRestore, "");
    Expect(Step::kRequest, now);
}

bool Restoring::OnMessage(const Message& message, int64_t now) {
    if (m_outcome != Outcome::kRunning) return false;
    const std::string_view command = message.command;
    if (command == kOperationCancelled) {
        m_send(kCancelAcknowledged, "");
        m_note("The Newton's user stopped the restore at " + Where() + ".");
        m_outcome = Outcome::kStopped;
        m_step = Step::kEnded;
        return true;
    }
    if (m_step == Step::kReadBack && (command == kEntry || command == kResult)) {
        OnReadBack(message, now);
        return true;
    }
    if (m_step == Step::kEntry && command == kAddedId && m_entry && !m_entry->change) {
        if (!m_answerTold) {
            m_answerTold = true;
            m_note("The Newton answers \"auni\" with the entry's id (\"adid\").");
        }
        const auto id = message.data.size() >= 4
                            ? static_cast<int32_t>(ReadBigEndian32(message.data))
                            : m_entry->id;
        if (id != m_entry->id) {
            m_note("The Newton gave the entry of id " + std::to_string(m_entry->id) + " in " +
                   Where() + " the id " + std::to_string(id) + ".");
        }
        Written(now);
        return true;
    }
    if (command != kResult) return false;
    const int32_t result = ResultCode(message);
    switch (m_step) {
        case Step::kRequest:
            if (result != 0)
                Stop("The Newton would not begin a restore (" + Error(result) +
                     "); nothing was written.");
            else
                SendVersion(now);
            break;
        case Step::kVersion:
            if (result != 0)
                m_note("The Newton did not take the version of the data (" + Error(result) +
                       "); it reads them as its own.");
            NextStore(now);
            break;
        case Step::kStore:
            if (result != 0)
                Stop("The store " + m_work.stores[m_store - 1].name + " could not be set (" +
                     Error(result) + "); the restore has stopped.");
            else
                NextSoup(now);
            break;
        case Step::kSoup: {
            const SoupWork& soup = m_work.stores[m_store - 1].soups[m_soup - 1];
            if (result == 0) {
                NextEntry(now);
            } else if (result != kSoupNotFound) {
                Stop("The soup " + Where() + " could not be set (" + Error(result) +
                     "); the restore has stopped.");
            } else if (soup.indexes.empty()) {
                CreateFromDefinition(now);
            } else {
                CreateSoup(m_layout.value_or(Layout::kLengthFirst), Step::kCreate, now);
            }
            break;
        }
        case Step::kCreate:
        case Step::kCreateOther:
        case Step::kCreateDefault:
            OnCreated(result == 0, Error(result), now);
            break;
        case Step::kSoupAgain:
            if (result != 0)
                Stop("The soup " + Where() + " was made but could not be set (" + Error(result) +
                     "); the restore has stopped.");
            else
                SetInfo(now);
            break;
        case Step::kInfo:
            if (result != 0)
                m_note("The information of " + Where() + " could not be set (" + Error(result) +
                       ").");
            SetSignature(now);
            break;
        case Step::kSignature:
            if (result != 0)
                m_note("The signature of " + Where() + " could not be set (" + Error(result) +
                       ").");
            NextEntry(now);
            break;
        case Step::kEntry:
            if (result != 0) {
                Stop("The Newton refused the entry of id " + std::to_string(m_entry->id) + " in " +
                     Where() + " (" + Error(result) + "); the restore has stopped there.");
                break;
            }
            if (!m_entry->change && !m_answerTold) {
                m_answerTold = true;
                m_note("The Newton answers \"auni\" with a result (\"dres\").");
            }
            Written(now);
            break;
        case Step::kPackage: {
            const std::string& name = m_work.stores[m_store - 1].packages[m_package - 1].name;
            if (result != 0) {
                m_note("The Newton did not take the package " + name + " (" + Error(result) + ").");
                m_unwritten.push_back("the package " + name);
            } else {
                ++m_packagesLoaded;
                m_note("Installed the package " + name + ".");
            }
            NextPackage(now);
            break;
        }
        case Step::kReadBack:
        case Step::kEnded:
            return false;
    }
    return true;
}

bool Restoring::NotUnderstood(std::string_view command, int64_t now) {
    if (m_outcome != Outcome::kRunning) return false;
    if (command == kSourceVersion && m_step == Step::kVersion) {
        m_note("The Newton does not know \"sver\"; it reads the data as its own.");
        NextStore(now);
    } else if (command == kReturnEntry && m_step == Step::kReadBack) {
        m_addedTimeLearned = m_changedTimeLearned = true;
        m_note(
            "The Newton does not know \"rete\"; whether it keeps the entries' own times is "
            "not known.");
        NextEntry(now);
    } else if ((command == kCreateSoup || command == kCreateDefaultSoup) &&
               (m_step == Step::kCreate || m_step == Step::kCreateOther ||
                m_step == Step::kCreateDefault)) {
        OnCreated(false, "it does not know " + QuotedCommand(command), now);
    } else if (m_step != Step::kEnded) {
        Stop("The Newton does not know " + QuotedCommand(command) + ", which a restore needs; " +
             "the restore has stopped.");
    } else {
        return false;
    }
    return true;
}

void Restoring::Tick(int64_t now) {
    if (m_outcome != Outcome::kRunning || now < m_deadline) return;
    Stop("The Newton did not answer within " + std::to_string(kTimeoutSeconds) + " s at " +
         Where() + "; the restore has stopped.");
}

void Restoring::Cancel(const std::string& why) {
    if (m_outcome == Outcome::kRunning && !m_cancel) m_cancel = why;
}

void Restoring::Lost(const std::string& why) {
    if (m_outcome != Outcome::kRunning) return;
    if (!why.empty()) m_note(why);
    m_outcome = Outcome::kStopped;
    m_step = Step::kEnded;
}

std::string Restoring::Progress() const {
    if (m_soup == 0) return Counted(m_added + m_changed, "entry", "entries");
    return Where() + ": " + Counted(m_soupEntries, "entry", "entries");
}

void Restoring::Expect(Step step, int64_t now) {
    m_step = step;
    m_deadline = now + kAnswerMs;
}

void Restoring::SendVersion(int64_t now) {
    if (!m_work.version) return NextStore(now);
    const SourceVersion& version = *m_work.version;
    m_send(kSourceVersion, BigEndian32(version.data) + BigEndian32(version.manufacturer) +
                               BigEndian32(version.machineType));
    Expect(Step::kVersion, now);
}

bool Restoring::Cancelled() {
    if (!m_cancel) return false;
    End(Outcome::kStopped, *m_cancel);
    return true;
}

void Restoring::NextStore(int64_t now) {
    if (Cancelled()) return;
    if (m_store == m_work.stores.size()) return End(Outcome::kDone, "");
    const StoreWork& store = m_work.stores[m_store++];
    m_soup = 0;
    m_package = 0;
    m_send(kSetStore, store.frame);
    Expect(Step::kStore, now);
}

void Restoring::NextSoup(int64_t now) {
    if (Cancelled()) return;
    const StoreWork& store = m_work.stores[m_store - 1];
    if (m_soup == store.soups.size()) return NextPackage(now);
    const SoupWork& soup = store.soups[m_soup++];
    m_soupEntries = 0;
    m_note("Restoring " + Where() + "\u2026");
    m_send(kSetSoup, Utf16Name(soup.name));
    Expect(Step::kSoup, now);
}

void Restoring::CreateSoup(Layout layout, Step step, int64_t now) {
    const SoupWork& soup = m_work.stores[m_store - 1].soups[m_soup - 1];
    const std::string name = Utf16Name(soup.name);
    // The layout a released restore sends: the name's length in bytes, the
    // name padded to four bytes; or the name and the indexes at once.
    m_trying = layout;
    const std::string data =
        layout == Layout::kLengthFirst
            ? BigEndian32(static_cast<uint32_t>(name.size())) + name +
                  std::string(PaddingAfter(static_cast<uint32_t>(name.size())), '\0') + soup.indexes
            : name + soup.indexes;
    m_send(kCreateSoup, data);
    Expect(step, now);
}

void Restoring::CreateFromDefinition(int64_t now) {
    m_send(kCreateDefaultSoup, Utf16Name(m_work.stores[m_store - 1].soups[m_soup - 1].name));
    Expect(Step::kCreateDefault, now);
}

void Restoring::OnCreated(bool made, const std::string& why, int64_t now) {
    if (!made) {
        if (m_step == Step::kCreate && !m_layout) {
            // The description is read two ways: the other one, once.
            return CreateSoup(
                m_trying == Layout::kLengthFirst ? Layout::kNameThenIndexes : Layout::kLengthFirst,
                Step::kCreateOther, now);
        }
        if (m_step != Step::kCreateDefault) return CreateFromDefinition(now);
        return Stop("The soup " + Where() + " could not be made (" + why +
                    "); the restore has stopped.");
    }
    if (m_step == Step::kCreateDefault) {
        m_note("Made the soup " + Where() + " as the Newton defines it.");
    } else {
        if (!m_layout) {
            m_layout = m_trying;
            m_note(std::string("The Newton takes \"csop\" with ") +
                   (m_trying == Layout::kLengthFirst ? "the soup's name after its length"
                                                     : "the soup's name at once") +
                   ".");
        }
        m_note("Made the soup " + Where() + ".");
    }
    m_send(kSetSoup, Utf16Name(m_work.stores[m_store - 1].soups[m_soup - 1].name));
    Expect(Step::kSoupAgain, now);
}

void Restoring::SetInfo(int64_t now) {
    const SoupWork& soup = m_work.stores[m_store - 1].soups[m_soup - 1];
    if (soup.info.empty()) return SetSignature(now);
    m_send(kSetSoupInfo, soup.info);
    Expect(Step::kInfo, now);
}

void Restoring::SetSignature(int64_t now) {
    const SoupWork& soup = m_work.stores[m_store - 1].soups[m_soup - 1];
    if (!soup.signature) return NextEntry(now);
    m_send(kSetSoupSignature, BigEndian32(static_cast<uint32_t>(*soup.signature)));
    Expect(Step::kSignature, now);
}

void Restoring::NextEntry(int64_t now) {
    if (Cancelled()) return;
    m_entry = m_work.stores[m_store - 1].soups[m_soup - 1].next();
    if (!m_entry) {
        ++m_soupsDone;
        return NextSoup(now);
    }
    m_send(m_entry->change ? kChangeEntry : kAddEntryWithId, m_entry->data);
    Expect(Step::kEntry, now);
}

void Restoring::Written(int64_t now) {
    ++(m_entry->change ? m_changed : m_added);
    ++m_soupEntries;
    bool& learned = m_entry->change ? m_changedTimeLearned : m_addedTimeLearned;
    if (learned || !m_entry->modTime || m_cancel) return NextEntry(now);
    learned = true;
    m_send(kReturnEntry, BigEndian32(static_cast<uint32_t>(m_entry->id)));
    Expect(Step::kReadBack, now);
}

void Restoring::OnReadBack(const Message& message, int64_t now) {
    const char* what = m_entry->change ? "a changed entry" : "an added entry";
    const auto time = message.command == kEntry ? ModTimeOf(message.data) : std::nullopt;
    if (!time) {
        m_note(std::string("The Newton did not read back ") + what + " of " + Where() +
               "; whether it keeps the entries' own times is not known.");
    } else if (*time == *m_entry->modTime) {
        m_note(std::string("The Newton keeps the time (\"_modTime\") of ") + what + ".");
    } else {
        m_note(std::string("The Newton stamps ") + what + " with its own clock (\"_modTime\").");
    }
    NextEntry(now);
}

void Restoring::NextPackage(int64_t now) {
    if (Cancelled()) return;
    const StoreWork& store = m_work.stores[m_store - 1];
    while (m_package < store.packages.size()) {
        const PackageWork& package = store.packages[m_package++];
        std::optional<std::string> bytes = package.bytes();
        if (!bytes) {
            m_unwritten.push_back("the package " + package.name);
            continue;
        }
        m_note("Installing the package " + package.name + "\u2026");
        m_send(kLoadPackage, *bytes);
        Expect(Step::kPackage, now);
        return;
    }
    NextStore(now);
}

void Restoring::End(Outcome outcome, const std::string& note) {
    if (m_outcome != Outcome::kRunning) return;
    if (!note.empty()) m_note(note);
    m_send(kOperationDone, "");
    m_outcome = outcome;
    m_step = Step::kEnded;
}

std::string Restoring::Where() const {
    if (m_store == 0) return "the start";
    const StoreWork& store = m_work.stores[m_store - 1];
    if (m_soup == 0) return store.name;
    return Printable(store.soups[m_soup - 1].name) + " on " + store.name;
}

}  // namespace zd::dock
