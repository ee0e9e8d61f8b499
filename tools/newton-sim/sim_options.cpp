#include "sim_options.h"

#include <algorithm>
#include <cstdlib>

namespace zd::sim {
namespace {

Step MakeStep(Step::Kind kind, std::string text = {}, std::string file = {}, size_t count = 0) {
    return Step{kind, std::move(text), std::move(file), count};
}

bool ParseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

// The full connection is among the steps, once, where an option needs it.
void PlayTheFullConnection(SimOptions& options) {
    const bool playing =
        std::any_of(options.steps.begin(), options.steps.end(),
                    [](const Step& step) { return step.kind == Step::kFullConnection; });
    if (!playing) options.steps.push_back(MakeStep(Step::kFullConnection));
}

}  // namespace

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'n') {
            out += '\n';
        } else if (c == 'r') {
            out += '\r';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto next = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 < args.size()) return args[++i];
            error = arg + " needs " + what;
            return std::nullopt;
        };
        auto number = [&](const char* what, double& value) {
            const auto text = next(what);
            if (!text) return false;
            if (ParseNumber(*text, value)) return true;
            error = arg + ": not a number: " + *text;
            return false;
        };
        double value = 0;
        if (arg == "--device") {
            const auto path = next("a path");
            if (!path) return std::nullopt;
            options.line = LineKind::kDevice;
            options.device = *path;
        } else if (arg == "--pty") {
            options.line = LineKind::kPty;
        } else if (arg == "--pty-link") {
            const auto path = next("a path");
            if (!path) return std::nullopt;
            options.ptyLink = *path;
        } else if (arg == "--tcp" || arg == "--emulator-tcp") {
            const auto where = next("[HOST:]PORT");
            if (!where) return std::nullopt;
            options.line = arg == "--tcp" ? LineKind::kTcp : LineKind::kEmulator;
            const size_t colon = where->rfind(':');
            if (colon != std::string::npos) options.host = where->substr(0, colon);
            options.port =
                std::atoi(where->substr(colon == std::string::npos ? 0 : colon + 1).c_str());
        } else if (arg == "--plain") {
            options.link.mnp = false;
        } else if (arg == "--trace") {
            options.link.trace = true;
        } else if (arg == "--baud") {
            if (!number("a rate", value)) return std::nullopt;
            options.baud = static_cast<int>(value);
        } else if (arg == "--corrupt") {
            if (!number("a rate", options.damage.corrupt)) return std::nullopt;
        } else if (arg == "--drop") {
            if (!number("a rate", options.damage.drop)) return std::nullopt;
        } else if (arg == "--seed") {
            if (!number("a number", value)) return std::nullopt;
            options.damage.seed = static_cast<uint64_t>(value);
        } else if (arg == "--retransmit-ms") {
            if (!number("milliseconds", value)) return std::nullopt;
            options.link.retransmitMs = static_cast<int64_t>(value);
        } else if (arg == "--timeout") {
            if (!number("seconds", value)) return std::nullopt;
            options.timeoutMs = static_cast<int>(value * 1000);
        } else if (arg == "--send") {
            const auto text = next("a text");
            if (!text) return std::nullopt;
            options.steps.push_back(MakeStep(Step::kSend, Unescape(*text)));
        } else if (arg == "--send-file") {
            const auto file = next("a file");
            if (!file) return std::nullopt;
            options.steps.push_back(MakeStep(Step::kSendFile, *file));
        } else if (arg == "--expect") {
            if (!number("a byte count", value)) return std::nullopt;
            const auto file = next("a file");
            if (!file) return std::nullopt;
            options.steps.push_back(MakeStep(Step::kExpect, {}, *file, static_cast<size_t>(value)));
        } else if (arg == "--greet" || arg == "--greet-id" || arg == "--greet-wrong") {
            const Greeting greeting = arg == "--greet"      ? Greeting::kYoohoo
                                      : arg == "--greet-id" ? Greeting::kIdAnswer
                                                            : Greeting::kWrong;
            options.steps.push_back(MakeStep(Step::kGreet, {}, {}, static_cast<size_t>(greeting)));
        } else if (arg == "--push" || arg == "--push-open" || arg == "--push-cut") {
            const auto name = next("an item name and a file");
            if (!name) return std::nullopt;
            const auto file = next("a file");
            if (!file) return std::nullopt;
            const ItemEnd end = arg == "--push"        ? ItemEnd::kEot
                                : arg == "--push-open" ? ItemEnd::kNone
                                                       : ItemEnd::kDropLink;
            options.steps.push_back(
                MakeStep(Step::kPush, Unescape(*name), *file, static_cast<size_t>(end)));
        } else if (arg == "--catch") {
            const auto file = next("a file");
            if (!file) return std::nullopt;
            options.steps.push_back(MakeStep(Step::kCatch, {}, *file));
        } else if (arg == "--reply") {
            const auto text = next("four bytes");
            if (!text) return std::nullopt;
            options.goReply = Unescape(*text);
        } else if (arg == "--command") {
            const auto text = next("a command");
            if (!text) return std::nullopt;
            options.steps.push_back(MakeStep(Step::kCommand, Unescape(*text)));
        } else if (arg == "--bye") {
            options.steps.push_back(MakeStep(Step::kBye, "#BYE;Newton"));
        } else if (arg == "--bye-short") {
            options.steps.push_back(MakeStep(Step::kBye, "#BYE"));
        } else if (arg == "--await-bye") {
            options.steps.push_back(MakeStep(Step::kAwaitBye));
        } else if (arg == "--window") {
            if (!number("a window of 1 to 8", value)) return std::nullopt;
            if (value < 1 || value > mnp::kMaxWindow) {
                error = "--window: 1 to 8 frames, not " + std::to_string(static_cast<int>(value));
                return std::nullopt;
            }
            options.link.window = static_cast<uint8_t>(value);
        } else if (arg == "--byte-at-a-time") {
            options.link.byteAtATime = true;
        } else if (arg == "--dock") {
            const auto folder = next("a folder");
            if (!folder) return std::nullopt;
            options.dock.folder = *folder;
            options.steps.push_back(MakeStep(Step::kDock));
        } else if (arg == "--refuse") {
            if (!number("a package number and an error code", value)) return std::nullopt;
            options.dock.refuse = static_cast<size_t>(value);
            if (!number("an error code", value)) return std::nullopt;
            options.dock.refuseCode = static_cast<int32_t>(value);
        } else if (arg == "--result-delay") {
            if (!number("milliseconds", value)) return std::nullopt;
            options.dock.resultDelayMs = static_cast<int>(value);
        } else if (arg == "--connection") {
            const auto file = next("a file");
            if (!file) return std::nullopt;
            options.full.typedFile = *file;
            options.steps.push_back(MakeStep(Step::kFullConnection));
        } else if (arg == "--password") {
            const auto password = next("a password");
            if (!password) return std::nullopt;
            options.full.password = *password;
        } else if (arg == "--open-keyboard") {
            options.full.openKeyboard = true;
        } else if (arg == "--keyboard-silent") {
            options.full.keyboardSilent = true;
        } else if (arg == "--cancel-after") {
            if (!number("a character count", value)) return std::nullopt;
            options.full.cancelAfter = static_cast<size_t>(value);
        } else if (arg == "--vanish-after") {
            if (!number("a character count", value)) return std::nullopt;
            options.full.vanishAfter = static_cast<size_t>(value);
        } else if (arg == "--answer-delay") {
            if (!number("milliseconds", value)) return std::nullopt;
            options.full.answerDelayMs = static_cast<int>(value);
        } else if (arg == "--notes") {
            const auto folder = next("a folder");
            if (!folder) return std::nullopt;
            options.full.notes.folder = *folder;
            PlayTheFullConnection(options);
        } else if (arg == "--data" || arg == "--data-many") {
            options.full.notes.data = true;
            if (arg == "--data-many") {
                if (!number("a count", value)) return std::nullopt;
                options.full.notes.dataMany = static_cast<size_t>(value);
            }
            PlayTheFullConnection(options);
        } else if (arg == "--first-task-deleted") {
            options.full.notes.firstTaskDeleted = true;
        } else if (arg == "--more-soups") {
            options.full.notes.more = true;
            PlayTheFullConnection(options);
        } else if (arg == "--package") {
            const auto file = next("a package file");
            if (!file) return std::nullopt;
            options.full.notes.more = true;
            options.full.notes.packages.push_back(*file);
            PlayTheFullConnection(options);
        } else if (arg == "--sent-to") {
            const auto folder = next("a folder");
            if (!folder) return std::nullopt;
            options.full.notes.sentTo = *folder;
        } else if (arg == "--no-store-list") {
            options.full.notes.noStoreList = true;
        } else if (arg == "--card-gone") {
            options.full.notes.cardGone = true;
        } else if (arg == "--huge-entry-after") {
            if (!number("an entry count", value)) return std::nullopt;
            options.full.notes.hugeAfter = static_cast<size_t>(value);
        } else if (arg == "--notes-checklist") {
            options.full.notes.checklist = true;
        } else if (arg == "--notes-ink") {
            options.full.notes.ink = true;
        } else if (arg == "--notes-drawing") {
            options.full.notes.drawing = true;
        } else if (arg == "--notes-filed") {
            options.full.notes.filed = true;
        } else if (arg == "--notes-card") {
            options.full.notes.card = true;
        } else if (arg == "--notes-malformed") {
            options.full.notes.malformed = true;
        } else if (arg == "--sync") {
            options.full.notes.sync = true;
        } else if (arg == "--tap-backup") {
            options.full.notes.backup = true;
        } else if (arg == "--tap-install") {
            const auto steps = next("the way to a package");
            const auto folder = steps ? next("a folder") : std::nullopt;
            if (!folder) return std::nullopt;
            options.full.install = {*steps, *folder};
            PlayTheFullConnection(options);
        } else if (arg == "--notes-endless") {
            options.full.notes.endless = true;
        } else if (arg == "--cancel-after-notes") {
            if (!number("an entry count", value)) return std::nullopt;
            options.full.notes.cancelAfter = static_cast<size_t>(value);
        } else if (arg == "--vanish-after-notes") {
            if (!number("an entry count", value)) return std::nullopt;
            options.full.notes.vanishAfter = static_cast<size_t>(value);
        } else if (arg == "--ask") {
            const auto command = next("four letters");
            if (!command) return std::nullopt;
            options.full.ask = *command;
        } else if (arg == "--flood") {
            options.full.flood = true;
        } else if (arg == "--csop-plain") {
            options.full.write.plainSoupNames = true;
        } else if (arg == "--auni-adid") {
            options.full.write.auniAnswersAdid = true;
        } else if (arg == "--restamp-changes") {
            options.full.write.restamps = true;
        } else if (arg == "--refuse-write") {
            if (!number("a count", value)) return std::nullopt;
            options.full.write.refuseWrite = static_cast<size_t>(value);
            if (!number("an error code", value)) return std::nullopt;
            options.full.write.refuseCode = static_cast<int32_t>(value);
        } else if (arg == "--vanish-after-writes") {
            if (!number("a count", value)) return std::nullopt;
            options.full.write.vanishAfterWrites = static_cast<size_t>(value);
        } else if (arg == "--internal-signature") {
            if (!number("a number", value)) return std::nullopt;
            options.full.notes.internalSignature = static_cast<int32_t>(value);
        } else if (arg == "--owner") {
            const auto owner = next("a name");
            if (!owner) return std::nullopt;
            options.full.owner = Unescape(*owner);
        } else if (arg == "--stop-reading-after") {
            if (!number("a character count", value)) return std::nullopt;
            options.full.stopReadingAfter = static_cast<size_t>(value);
        } else if (arg == "--notes-bomb") {
            options.full.notes.bomb = true;
        } else if (arg == "--notes-hostile") {
            options.full.notes.hostile = true;
        } else if (arg == "--notes-many" || arg == "--notes-same-title") {
            if (!number("a note count", value)) return std::nullopt;
            options.full.notes.many = static_cast<size_t>(value);
            options.full.notes.sameTitle = arg == "--notes-same-title";
        } else if (arg == "--notes-garbled") {
            options.full.notes.garbled = true;
        } else if (arg == "--card-name") {
            const auto name = next("a name");
            if (!name) return std::nullopt;
            options.full.notes.card = true;
            options.full.notes.cardName = Unescape(*name);
        } else if (arg == "--ask-during-notes") {
            const auto command = next("four letters");
            if (!command) return std::nullopt;
            options.full.notes.askDuringSoup = *command;
        } else if (arg == "--reconnect") {
            options.steps.push_back(MakeStep(Step::kReconnect));
        } else if (arg == "--wait-close") {
            options.steps.push_back(MakeStep(Step::kWaitClose));
        } else if (arg == "--close") {
            options.steps.push_back(MakeStep(Step::kClose));
        } else if (arg == "--sleep") {
            if (!number("milliseconds", value)) return std::nullopt;
            options.steps.push_back(MakeStep(Step::kSleep, {}, {}, static_cast<size_t>(value)));
        } else {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
    }
    if (options.line == LineKind::kNone) {
        error =
            "say which line: --device PATH, --pty, --tcp [HOST:]PORT or --emulator-tcp [HOST:]PORT";
        return std::nullopt;
    }
    if (!options.link.mnp && options.line != LineKind::kTcp) {
        error = "--plain goes with --tcp: a serial line always carries MNP";
        return std::nullopt;
    }
    return options;
}

std::string SimUsage() {
    return "Usage: newton-sim LINE [OPTIONS] STEPS...\n"
           "Plays the Newton's end of the link, for tests, demos and benchmarks.\n"
           "\n"
           "Line (one of):\n"
           "  --device PATH        an existing serial device or pseudo-terminal\n"
           "  --pty                a new pseudo-terminal; prints \"pty: PATH\" on stdout\n"
           "  --pty-link PATH      with --pty, also a symbolic link PATH to it\n"
           "  --tcp [HOST:]PORT    connect to the desktop (host 127.0.0.1 by default)\n"
           "  --emulator-tcp [HOST:]PORT\n"
           "                       an emulator's serial port: connect only to send,\n"
           "                       keep the connection after an LD, and once the\n"
           "                       desktop closed it drop all sent for 3 s, then join\n"
           "                       11 bytes into a frame\n"
           "Options:\n"
           "  --plain              a plain byte stream instead of MNP (TCP only)\n"
           "  --baud RATE          pace the line to RATE bit/s (10 bits a byte)\n"
           "  --corrupt RATE       chance per frame of one flipped bit (0 to 1)\n"
           "  --drop RATE          chance per frame of losing it (0 to 1)\n"
           "  --seed N             seed of the line damage (default 1)\n"
           "  --retransmit-ms MS   the Newton's acknowledgement timer (default 3000)\n"
           "  --window K           the frames it lets travel unacknowledged (1 to 8, default 8)\n"
           "  --timeout SECONDS    how long any one step may take (default 30)\n"
           "  --trace              hex-dump every frame on stderr\n"
           "Steps, in order:\n"
           "  --send TEXT          send TEXT; \\n \\r \\t \\\\ and \\xHH are understood\n"
           "  --send-file FILE     send the bytes of FILE\n"
           "  --expect N FILE      receive N bytes and write them to FILE\n"
           "  --wait-close         wait for the desktop to end the link\n"
           "  --close              end the link from this side\n"
           "  --reconnect          once the desktop ended the link, ask for a new one\n"
           "  --sleep MS           pause\n"
           "Companion package steps:\n"
           "  --greet              answer \"#ID\" with \"#YOOHOO\"; expect our identification\n"
           "  --greet-id           answer \"#ID:\" like an older package\n"
           "  --greet-wrong        answer seven bytes the desktop does not know\n"
           "  --push NAME FILE     push FILE's bytes (Mac OS Roman) as item NAME\n"
           "  --push-open NAME FILE    the same without the closing EOT\n"
           "  --push-cut NAME FILE     the same, dropping the link half-way\n"
           "  --catch FILE         take text after \"#CATCH\" and write it to FILE\n"
           "  --reply TEXT         what later catches answer (default \"#GO\\x04\")\n"
           "  --command TEXT       send TEXT as a command (EOT added)\n"
           "  --bye, --bye-short   send \"#BYE;Newton\" or a bare \"#BYE\"\n"
           "  --await-bye          wait for the desktop's \"#BYE\", then drop the link\n"
           "  --byte-at-a-time     send every byte on its own\n"
           "Connection application steps (installing packages):\n"
           "  --dock FOLDER        take the packages the desktop loads into FOLDER, as\n"
           "                       package-1.pkg, package-2.pkg ...\n"
           "  --refuse N CODE      refuse the N-th package with error CODE\n"
           "  --result-delay MS    wait before answering each package\n"
           "Connection application steps (the full connection):\n"
           "  --connection FILE    the full connection, checking the desktop's password\n"
           "                       answer; what the desktop types goes to FILE as UTF-8,\n"
           "                       until it says \"disc\"\n"
           "  --password TEXT      a Newton whose Connection password is TEXT: it takes\n"
           "                       three answers, refusing two with -28023 and the third\n"
           "                       with -28022, after which the link ends\n"
           "  --open-keyboard      its user taps Keyboard once connected\n"
           "  --keyboard-silent    never answer the desktop's \"kybd\"\n"
           "  --cancel-after N     its user closes the keyboard after N characters\n"
           "  --vanish-after N     vanish without a word after N characters\n"
           "  --answer-delay MS    wait before each answer\n"
           "  --ask CMD            once connected, ask for CMD, which no desktop knows\n"
           "  --flood              once connected, ask for what no desktop knows, unendingly\n"
           "  --owner NAME         the owner's name (\\xHH understood)\n"
           "  --stop-reading-after N\n"
           "                       read nothing more after N characters typed\n"
           "  --notes FOLDER       the full connection with a Notes soup: a note for each\n"
           "                       text file in FOLDER, handed to a desktop that\n"
           "                       synchronises\n"
           "  --data               the full connection with Names, Dates (Calendar, Calendar\n"
           "                       Notes, Repeat Meetings, Repeat Notes) and To Do List\n"
           "                       soups on the internal store and a card\n"
           "  --data-many N        the same, with N more cards and N more meetings\n"
           "  --first-task-deleted its user deleted the first of a day's two tasks\n"
           "  --more-soups         a Packages soup with a package, and a soup of a third\n"
           "                       party's program\n"
           "  --package FILE       the same, the package being FILE; again for more packages,\n"
           "                       each named after its file\n"
           "  --sent-to DIR        keep what each soup sent in DIR as \"STORE SOUP.entries\",\n"
           "                       each entry its length in 4 bytes, then its bytes\n"
           "  --no-store-list      answer \"gsto\" as a Newton that does not know it\n"
           "  --card-gone          the card store cannot be opened (\"ssto\")\n"
           "  --huge-entry-after N after N entries, one that says it is 2 GiB long\n"
           "  --notes-checklist, --notes-ink, --notes-drawing, --notes-filed, --notes-card,\n"
           "  --notes-malformed    add a checklist and an outline, a note with ink words,\n"
           "                       a drawing only, two notes filed in the folder \"Arbete\",\n"
           "                       a card store with a note, an entry that ends early\n"
           "  --notes-bomb         add an entry of a binary and 131,070 precedents to it\n"
           "  --notes-hostile      add notes whose first lines hold a zero character, C1\n"
           "                       and direction controls, and a terminal's escape\n"
           "  --notes-many N       add N notes, each of its own first line\n"
           "  --notes-same-title N add N notes of one first line\n"
           "  --notes-garbled      name a store that is no store, and one whose soups come\n"
           "                       as garbage\n"
           "  --card-name NAME     a card store named NAME (\\xHH understood)\n"
           "  --ask-during-notes CMD\n"
           "                       after the first entry, ask for CMD\n"
           "  --sync               its user taps Synchronise once connected\n"
           "  --tap-backup         its user taps Backup once connected\n"
           "  --tap-install STEPS FOLDER\n"
           "                       its user taps Install, opens the folders of STEPS\n"
           "                       (\"..\" the level above, \"^\" the desktop) and installs\n"
           "                       the package it ends with into FOLDER\n"
           "  --cancel-after-notes N, --vanish-after-notes N\n"
           "                       cancel, or vanish, after N entries\n"
           "  --notes-endless      never say that the soup is done\n"
           "  --internal-signature N\n"
           "                       the internal store's signature (another Newton's)\n"
           "What it does with a restore (both readings its description leaves open):\n"
           "  --csop-plain         take \"csop\" as the soup's name, then its indexes (by\n"
           "                       default: the name's length first, the name padded)\n"
           "  --auni-adid          answer \"auni\" with \"adid\" (by default: \"dres\")\n"
           "  --restamp-changes    stamp an entry \"cent\" changes with the clock\n"
           "  --refuse-write N CODE\n"
           "                       refuse the N-th entry written with error CODE\n"
           "  --vanish-after-writes N\n"
           "                       vanish after N entries written\n"
           "  --help               show this text\n"
           "Exit status: 0 when every step succeeded, 1 when one failed, 2 on a usage error.\n";
}

}  // namespace zd::sim
