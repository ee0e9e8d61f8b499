#include "conversation/connection_driver.h"

#include <ctime>
#include <deque>
#include <filesystem>

#include "base/counted.h"
#include "base/desktop.h"
#include "base/password_file.h"
#include "dock/full_connection.h"
#include "dock/keyboard_text.h"
#include "link/display_ops.h"
#include "link/link_manager.h"
#include "link/poll_tick.h"
#include "session/session.h"
#include "transfer/backup_file.h"
#include "transfer/data_export.h"
#include "transfer/item_file.h"
#include "transfer/package_shelf.h"

namespace zd {

namespace dock {

// A full connection, where the soups it reads go, and the files the Newton
// may browse.
struct Running {
    Running(int64_t now, const PrefsStore& prefs) : connection(now), shelf(prefs) {
        connection.OfferFiles(&shelf);
    }
    FullConnection connection;
    DiskShelf shelf;
    std::unique_ptr<ReadingSink> saving;  // while a reading runs
    size_t entriesSaved = 0;
    // While a text is typed as a transfer, where on the pipe its characters
    // went: the bytes written up to the end of a piece, and the characters
    // typed with it.
    std::deque<std::pair<int64_t, size_t>> typedAt;
    // The password step: the questions the desktop was asked, where the
    // password tried came from, one to remember once the Newton takes it.
    size_t questionsAsked = 0;
    bool asking = false;  // the desktop's question is open
    bool lookedUp = false;
    std::optional<PasswordSource> given;
    bool fromFile = false;
    Secret toRemember;
};

}  // namespace dock

void DockState::Deleter::operator()(dock::Running* running) const {
    delete running;
}

namespace {

using dock::Characters;
using dock::FullConnection;
using dock::SoupReading;

// Every so many entries the log says how far the reading has come.
constexpr size_t kProgressEvery = 100;

// How long after a text the Newton has to say that it was not all typed.
constexpr int64_t kSettleMs = 500;

int64_t Now(const Session& s) {
    return s.svc.clock.NowMs();
}

void LogNotes(Session& s, FullConnection& connection) {
    for (const std::string& note : connection.TakeNotes()) LogLine(s, note);
    for (const Happening& happening : connection.TakeHappenings()) s.svc.desktop->Tell(happening);
}

// The reading's end, in the log and in the outcome.
void FinishReading(Session& s, dock::Running& running, bool whole) {
    if (s.dock.readsBetweenTicks) {
        ShowIdle(s);
        s.link.busy = false;
    }
    const SoupReading* reading = running.connection.reading();
    const ReadingSink::Ending ending =
        running.saving->Finish(s, whole, reading ? reading->missing() : std::vector<std::string>{});
    LogLine(s, ending.line);
    s.svc.desktop->Tell({ending.title, ending.detail, ""});
    s.dock.exported = ending.outcome;
    running.saving.reset();
    running.connection.ForgetReading();
    s.progress.entriesSoFar.clear();
}

void StartSaving(Session& s, dock::Running& running, std::unique_ptr<ReadingSink> sink) {
    if (s.dock.readsBetweenTicks) {
        s.link.busy = true;
        ShowState(s, "Working");
    }
    running.saving = std::move(sink);
    running.entriesSaved = 0;
    s.dock.exported = ExportOutcome::kNone;
    s.progress.entriesSoFar = running.saving->Count(0);
    LogLine(s, running.saving->Beginning());
}

// Where a backup goes: into `wanted` (a file, a folder, or "" for the
// receive folder), a folder's under the backup's default name.
std::unique_ptr<ReadingSink> BackupSink(Session& s, const std::string& wanted) {
    const std::time_t now = std::time(nullptr);
    const FullConnection& connection = s.dock.running->connection;
    const std::string& owner = connection.owner();
    const std::string path =
        wanted.empty() || std::filesystem::is_directory(wanted)
            ? BackupFile::DefaultPath(wanted.empty() ? ReceiveFolderOf(s.svc.prefs) : wanted, owner,
                                      now)
            : wanted;
    return std::make_unique<BackupFile>(path, owner, connection.newtonInfo(), now);
}

// Each entry that came is saved, and dropped; a reading the Newton began
// goes into the receive folder: its notes, or its backup.
void SaveEntries(Session& s, dock::Running& running) {
    const SoupReading* reading = running.connection.reading();
    if (!reading) return;
    if (!running.saving) {
        StartSaving(s, running,
                    reading->everySoup() ? BackupSink(s, "")
                                         : std::make_unique<DataExport>(
                                               ReceiveFolderOf(s.svc.prefs),
                                               ExportChoice::NotesAlone(), std::time(nullptr)));
    }
    ReadingSink& saving = *running.saving;
    for (const SoupReading::Entry& entry : running.connection.TakeEntries()) {
        saving.Save(s, entry);
        if (entry.kind != SoupReading::Entry::Kind::kEntry) continue;
        const size_t done = ++running.entriesSaved;
        s.progress.entriesSoFar = saving.Count(done);
        if (done % kProgressEvery == 0) LogLine(s, saving.Count(done) + " so far\u2026");
    }
    ShowTransitText(s, s.progress.entriesSoFar);
    if (const auto trouble = saving.Trouble()) running.connection.CancelReading(*trouble);
    if (reading->outcome() != SoupReading::Outcome::kRunning)
        FinishReading(s, running, reading->outcome() == SoupReading::Outcome::kDone);
}

// The link went; where it cut a transfer short, the user hears of it.
void LoseConnection(Session& s, FullConnection& connection) {
    if (connection.phase() == FullConnection::Phase::kEnded) return;
    if (s.link.busy || connection.waiting() > 0) {
        s.svc.desktop->Tell(
            {"The connection to the Newton was lost", "In the middle of a transfer.", ""});
    }
    connection.Lost();
}

// The password step, as the connection goes: the password file's or the
// keyring's password given before the Newton asks, the desktop asked when it
// does (a refused remembered password forgotten first), and one the user
// wants remembered kept once the Newton took it.
void PasswordTurn(Session& s, dock::Running& running) {
    FullConnection& connection = running.connection;
    Desktop& desktop = *s.svc.desktop;
    const std::string& owner = connection.owner();
    if (!running.lookedUp && !owner.empty() &&
        connection.phase() != FullConnection::Phase::kEnded) {
        running.lookedUp = true;
        if (!s.dock.passwordFile.empty()) {
            std::string why;
            if (auto password = ReadPasswordFile(s.dock.passwordFile, &why)) {
                connection.GivePassword(std::move(*password), Now(s));
                running.fromFile = true;
            } else {
                LogLine(s, why);
            }
        } else {
            (void)desktop.LookUpPassword(owner);
        }
    }
    if (connection.passwordQuestions() != running.questionsAsked) {
        running.questionsAsked = connection.passwordQuestions();
        if (running.given == PasswordSource::kKeyring) {
            desktop.ForgetPassword(owner);
            LogLine(s, "The Newton refused the remembered password; it is forgotten.");
        }
        running.given.reset();
        running.toRemember.Clear();
        if (running.fromFile) {
            connection.WithholdPassword("The Newton refused the password.");
        } else if (desktop.AskPassword(
                       owner, connection.passwordsRefused() == 0
                                  ? ""
                                  : dock::PasswordQuestion(connection.passwordsRefused()))) {
            running.asking = true;
        } else {
            connection.WithholdPassword(
                "The Newton asks for its Connection password: give it with --password-file "
                "FILE.");
        }
    }
    // A question the Newton no longer waits for (answered from the keyring,
    // or the Newton gave up) goes away.
    if (running.asking && !connection.passwordWanted()) {
        running.asking = false;
        desktop.StopAskingPassword();
    }
    if (connection.TakePasswordAccepted() && !running.toRemember.empty()) {
        desktop.RememberPassword(owner, running.toRemember);
        running.toRemember.Clear();
    }
}

// Hands the connection what came, lets the time pass, and writes what it
// says, message by message, reading between them: a cancel in the middle of
// a long text stops what follows it.
void Pump(Session& s) {
    dock::Running& running = *s.dock.running;
    FullConnection& connection = running.connection;
    Dil& dil = s.svc.dil;
    const CD_Handle pipe = s.link.pipe;
    for (;;) {
        if (s.dock.exportWanted && connection.phase() == FullConnection::Phase::kConnected) {
            auto sink = std::make_unique<DataExport>(
                s.dock.exportWanted->folder, s.dock.exportWanted->choice, std::time(nullptr));
            if (connection.ReadSoups(sink->soups(), Now(s))) {
                StartSaving(s, running, std::move(sink));
            } else {
                s.dock.exported = ExportOutcome::kCutShort;  // the connection said why
            }
            s.dock.exportWanted.reset();
        }
        if (s.dock.backupWanted && connection.phase() == FullConnection::Phase::kConnected) {
            if (connection.ReadSoups({}, Now(s))) {
                StartSaving(s, running, BackupSink(s, *s.dock.backupWanted));
            } else {
                s.dock.exported = ExportOutcome::kCutShort;
            }
            s.dock.backupWanted.reset();
        }
        int32_t waiting = 0;
        if (dil.CD_BytesAvailable(pipe, &waiting) == kDilOk && waiting > 0) {
            std::string bytes(static_cast<size_t>(waiting), '\0');
            if (dil.CD_Read(pipe, bytes.data(), waiting) == kDilOk)
                connection.Receive(bytes, Now(s));
        }
        connection.Tick(Now(s));
        PasswordTurn(s, running);
        LogNotes(s, connection);
        SaveEntries(s, running);
        const size_t typedBefore = connection.typed();
        const auto message = connection.NextMessage(Now(s));
        if (!message) break;
        const int32_t written =
            dil.CD_Write(pipe, message->data(), static_cast<int32_t>(message->size()));
        // A wait the user ended belongs to the end that follows.
        if (written == kDilErrCancelled) break;
        if (written == kDilErrTimeout) {
            connection.StoppedReading();
            break;
        }
        if (written != kDilOk) {
            LoseConnection(s, connection);
            break;
        }
        connection.Wrote(Now(s));
        if (!running.typedAt.empty() && connection.typed() != typedBefore)
            running.typedAt.emplace_back(dil.CD_BytesWritten(pipe), connection.typed());
    }
    if (dil.CD_GetState(pipe) != kStateConnected) LoseConnection(s, connection);
    LogNotes(s, connection);
    // A connection that ended in the middle of a reading ends the reading too.
    if (running.saving && connection.phase() == FullConnection::Phase::kEnded)
        FinishReading(s, running, false);
}

// A reading of the notes runs as a transfer: the link is served without a
// pause, so that the Newton's frames are acknowledged as they come, and the
// window waits as it does for any transfer; a wait the user ends (Disconnect,
// quitting) ends the reading, with the notes that came kept.
void RunReading(Session& s) {
    dock::Running& running = *s.dock.running;
    Dil& dil = s.svc.dil;
    s.link.busy = true;
    ShowState(s, "Working");
    while (running.saving && running.connection.phase() != FullConnection::Phase::kEnded) {
        if (dil.cancelled()) {
            running.connection.CancelReading("The reading of the Newton was cut short.");
            Pump(s);
            break;
        }
        (void)dil.CD_Wait(s.link.pipe, kWaitSliceMs);
        Pump(s);
    }
    ShowIdle(s);
    s.link.busy = false;
}

// How many characters typed the Newton's end of the link has confirmed.
size_t TypedAndConfirmed(Session& s) {
    dock::Running& running = *s.dock.running;
    const int64_t confirmed = s.svc.dil.CD_BytesConfirmed(s.link.pipe);
    size_t characters = 0;
    for (const auto& [bytes, typed] : running.typedAt) {
        if (bytes > confirmed) break;
        characters = typed;
    }
    return characters;
}

// The full connection, where one runs on the current pipe and no reading
// holds it.
FullConnection* LiveConnection(Session& s) {
    return FullConnectionRuns(s) && !ReadingUnderWay(s) ? &s.dock.running->connection : nullptr;
}

}  // namespace

bool FullConnectionRuns(const Session& s) {
    return s.dock.running && s.link.pipe != 0 && s.dock.pipe == s.link.pipe;
}

bool FullConnectionReady(const Session& s) {
    return FullConnectionRuns(s) &&
           s.dock.running->connection.phase() == FullConnection::Phase::kConnected;
}

void StartFullConnection(Session& s) {
    s.dock.running.reset(new dock::Running(Now(s), s.svc.prefs));
    s.dock.pipe = s.link.pipe;
    s.link.goodbye = dock::Encode(dock::kDisconnect, "");
    Pump(s);
}

void ServeFullConnection(Session& s) {
    if (!FullConnectionRuns(s)) {
        // Its pipe went another way (a new listen, an installation, a disconnect).
        if (s.dock.running && s.dock.running->saving) FinishReading(s, *s.dock.running, false);
        s.dock.running.reset();
        return;
    }
    if (s.dock.running->saving && s.svc.dil.cancelled())
        s.dock.running->connection.CancelReading("The reading of the Newton was cut short.");
    Pump(s);
    if (s.dock.running->saving && !s.dock.readsBetweenTicks) RunReading(s);
    if (s.dock.running->connection.phase() != FullConnection::Phase::kEnded) return;
    // Whatever goodbye there was to say has been said.
    s.dock.running.reset();
    s.link.goodbye = "";
    ClosePipe(s);
}

bool ReadingUnderWay(const Session& s) {
    return FullConnectionRuns(s) && s.dock.running->saving != nullptr;
}

bool ReadingBlocks(Session& s, const std::string& what) {
    if (!ReadingUnderWay(s)) return false;
    LogLine(s, "The Newton is being read; " + what + " once that is done (or Disconnect).");
    return true;
}

// True when a reading may start; else the log says why not.
bool NoReadingRuns(Session& s) {
    if (!FullConnectionRuns(s) || !s.dock.running->connection.reading()) return true;
    LogLine(s, "The Newton is being read already.");
    return false;
}

void BackUpInto(Session& s, const std::string& path) {
    if (!NoReadingRuns(s)) return;
    // Read once the connection is ready.
    s.dock.backupWanted = path;
    if (FullConnectionRuns(s)) ServeFullConnection(s);
}

void ReadSoupsInto(Session& s, const ExportRequest& request) {
    if (!NoReadingRuns(s)) return;
    // Read once the connection is ready.
    s.dock.exportWanted = request;
    if (FullConnectionRuns(s)) ServeFullConnection(s);
}

bool TypeTransfer(Session& s, const std::string& text, const std::string& what) {
    if (ReadingBlocks(s, "type " + what)) return false;
    FullConnection& connection = s.dock.running->connection;
    Dil& dil = s.svc.dil;
    s.link.busy = true;
    ShowState(s, "Working");
    const bool keyboardWasOpen = connection.keyboard() != FullConnection::Keyboard::kClosed;
    s.dock.running->typedAt.assign(1, {dil.CD_BytesWritten(s.link.pipe), connection.typed()});
    const size_t before = connection.typed();
    const size_t losses = connection.keyboardLosses();
    const auto interrupted = [&] {
        return connection.phase() == FullConnection::Phase::kEnded ||
               connection.keyboardLosses() != losses;
    };
    const size_t total = connection.Type(text, Now(s));
    LogLine(s, "Typing " + what + " on the Newton (" + Characters(total) + ")\u2026");
    while (connection.waiting() > 0 && !interrupted() && !dil.cancelled()) {
        Pump(s);
        // Until the Newton opens its keyboard, or its link has room again.
        if (connection.waiting() > 0) (void)dil.CD_Wait(s.link.pipe, kWaitSliceMs);
    }
    if (!keyboardWasOpen) connection.CloseKeyboard(Now(s));
    Pump(s);
    // Written is not yet typed: the link confirms it, and the Newton has a
    // moment to say that its user closed the keyboard in the middle.
    const int32_t flushed =
        interrupted() || dil.cancelled() ? kDilOk : dil.CD_Flush(s.link.pipe, -1);
    if (flushed == kDilErrTimeout) connection.StoppedReading();
    Pump(s);  // a link that dropped meanwhile is told of before the count
    bool whole = !interrupted() && !dil.cancelled() && flushed == kDilOk;
    for (const int64_t settled = Now(s) + kSettleMs; whole && Now(s) < settled;) {
        (void)dil.CD_Wait(s.link.pipe, static_cast<int32_t>(settled - Now(s)));
        Pump(s);
        whole = !interrupted() && !dil.cancelled();
    }
    if (whole) {
        LogLine(s, "Typed " + Characters(total) + " on the Newton.");
    } else {
        LogLine(s, "Not all of " + what +
                       " was typed: " + std::to_string(TypedAndConfirmed(s) - before) + " of " +
                       Characters(total) + " had reached the Newton.");
    }
    s.dock.running->typedAt.clear();
    ShowIdle(s);
    s.link.busy = false;
    return whole;
}

void AnswerPasswordQuestion(Session& s, std::optional<Secret> password, PasswordSource source) {
    if (!FullConnectionRuns(s)) return;
    FullConnection* connection = &s.dock.running->connection;
    dock::Running& running = *s.dock.running;
    if (!password) {
        // The keyring holds none: the user is asked where the Newton asks.
        if (source != PasswordSource::kKeyring)
            connection->WithholdPassword("The Newton refused the password.");
    } else {
        running.given = source;
        if (source == PasswordSource::kUserToRemember)
            running.toRemember = Secret(password->text());
        connection->GivePassword(std::move(*password), Now(s));
    }
    // What the connection says now goes at the next tick: an answer may come
    // in the middle of a wait of another operation's.
}

void OpenLiveKeyboard(Session& s) {
    if (ReadingBlocks(s, "type on it")) return;
    if (FullConnection* connection = LiveConnection(s)) {
        connection->OpenKeyboard(Now(s));
        Pump(s);
    }
}

void TypeLive(Session& s, const std::string& text) {
    if (FullConnection* connection = LiveConnection(s)) {
        connection->Type(text, Now(s));
        Pump(s);
    }
}

void PressLiveKey(Session& s, char16_t key) {
    if (FullConnection* connection = LiveConnection(s)) {
        connection->PressKey(key, Now(s));
        Pump(s);
    }
}

void CloseLiveKeyboard(Session& s) {
    if (FullConnection* connection = LiveConnection(s)) {
        connection->CloseKeyboard(Now(s));
        Pump(s);
    }
}

}  // namespace zd
