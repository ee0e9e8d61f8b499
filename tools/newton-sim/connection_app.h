// The Newton's Connection application: in a package-loading session it asks
// to dock, names its owner, and takes each package the desktop loads, storing
// it in a folder; it can refuse one, or answer slowly.  In the full connection
// it checks the desktop's password answer, then serves keyboard passthrough,
// collecting what is typed, until the desktop says goodbye.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "companion.h"
#include "install_tap.h"
#include "newton_stores.h"
#include "notes_entries.h"
#include "soup_writer.h"

namespace zd::sim {

// Whose Newton it is, unless told otherwise.
inline constexpr const char* kOwner = "Åsa Ørnskjöld";

struct DockPlay {
    std::string folder;      // where package N lands, as package-N.pkg (from 1)
    size_t refuse = 0;       // the package refused, 0 for none
    int32_t refuseCode = 0;  // the error its "dres" carries
    int resultDelayMs = 0;   // before each "dres" after a package
};

// The whole session, up to the desktop's "disc"; the link stays for the
// caller to end.
bool PlayConnection(Conversation& c, const DockPlay& play);

struct FullPlay {
    std::string typedFile;        // where the typed text goes, as UTF-8 with LF line ends
    std::string password;         // the Connection password set on it; "" for none
    bool openKeyboard = false;    // its user taps Keyboard once connected
    bool keyboardSilent = false;  // never answers the desktop's "kybd"
    size_t cancelAfter = 0;       // its user closes the keyboard after this many characters
    size_t vanishAfter = 0;       // it vanishes without a word after this many characters
    int answerDelayMs = 0;        // before each answer
    std::string ask;              // once connected, asks for this, which no desktop knows
    bool flood = false;           // once connected, asks for what no desktop knows, unendingly
    size_t stopReadingAfter = 0;  // reads nothing more after this many characters typed
    std::string owner = kOwner;   // its owner's name
    NotesPlay notes;              // its Notes soup
    InstallPlay install;          // its user taps Install once connected, where steps are given
    WritePlay write;              // how it takes what a desktop restores
};

// The full connection, up to the desktop's "disc".  `newton` holds its
// stores from one connection to the next; made from `play` at the first
// connection that has soups to serve.
bool PlayFullConnection(Conversation& c, const FullPlay& play, std::optional<SimNewton>& newton);

}  // namespace zd::sim
