// The Newton's Notes soup as Newton OS 2 keeps it: a note for each text file
// of a folder, its paragraphs stored out of their order on the page, and
// where asked a checklist and an outline, ink words, a drawing, notes filed
// in a folder, a card store and a malformed entry.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "newton_stores.h"

namespace zd::sim {

struct NotesPlay {
    std::string folder;             // the notes, a text file each; empty: none
    bool checklist = false;         // a checklist with a checked topic, and an outline
    bool ink = false;               // a note with ink words, in a text and in a rich string
    bool drawing = false;           // a note that is a drawing only
    bool filed = false;             // notes filed in the folder "Arbete"
    bool card = false;              // a second store, a card, with a note of its own
                                    // (named `cardName`)
    bool malformed = false;         // an entry whose objects end early
    bool bomb = false;              // an entry of a binary and 131,070 precedents to it
    bool hostile = false;           // notes whose first lines hold a zero, controls and escapes
    size_t many = 0;                // this many more notes, "Samma" or numbered first lines
    bool sameTitle = false;         // all of them "Samma"
    bool garbled = false;           // a store that is no frame, and one whose soups are garbage
    std::string cardName = "Kort";  // the card store's name
    std::string askDuringSoup;      // asks for this after the first entry, which no desktop knows
    bool data = false;              // Names, Dates and To Do too
    size_t dataMany = 0;            // this many more cards and meetings
    bool firstTaskDeleted = false;  // of the day of two tasks, the first is gone
    bool more = false;              // a Packages soup with a package, and a soup of a third party's
    std::vector<std::string> packages;  // the packages' files; none: a small one of its own
    bool noStoreList = false;           // knows no "gsto"
    bool cardGone = false;              // the card cannot be opened ("ssto")
    size_t hugeAfter = 0;               // after so many entries, one that says it is 2 GiB long
    std::string sentTo;      // a folder that gets what each soup sent, "STORE SOUP.entries"
    bool sync = false;       // its user taps Synchronise once connected
    bool backup = false;     // its user taps Backup once connected
    bool endless = false;    // the soup never says it is done
    size_t cancelAfter = 0;  // its user cancels after this many entries
    size_t vanishAfter = 0;  // it vanishes without a word after this many entries
    int32_t internalSignature = 0x13630001;  // another Newton's internal store has another
};

// The stores holding the Notes `play` asks for.
std::vector<SimStore> NotesStores(const NotesPlay& play);

}  // namespace zd::sim
