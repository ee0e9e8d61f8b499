// The Newton's Notes soup as its Connection application hands it out to a
// desktop that synchronises: built from the text files of a folder (one plain
// note each), with a checklist, an ink word, a drawing-only note, a card store
// and a malformed entry where asked, every entry encoded as the Newton's
// streamed objects.  It can cancel or vanish in the middle, or never end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "companion.h"
#include "dock/dock_message.h"

namespace zd::sim {

struct NotesPlay {
    std::string folder;      // the notes, a text file each; empty: no Notes soup
    bool checklist = false;  // a checklist with a checked topic and an indented one
    bool ink = false;        // a note with an ink word and an ink paragraph
    bool drawing = false;    // a note that is a drawing only
    bool card = false;       // a second store, a card, with a note of its own
    bool malformed = false;  // an entry whose objects end early
    bool sync = false;       // its user taps Synchronise once connected
    bool endless = false;    // the soup never says it is done
    size_t cancelAfter = 0;  // its user cancels after this many entries
    size_t vanishAfter = 0;  // it vanishes without a word after this many entries
};

class NotesSoup {
public:
    explicit NotesSoup(const NotesPlay& play);

    // True for the synchronisation's messages, which Answer takes.
    static bool Handles(std::string_view command);
    bool Answer(Conversation& c, const dock::Message& message);

private:
    struct Store {
        std::string name;
        int32_t signature;
        std::vector<std::string> entries;  // each a stream of objects
    };

    bool SendEntries(Conversation& c);

    const NotesPlay& m_play;
    std::vector<Store> m_stores;
    const Store* m_current = nullptr;
    size_t m_sent = 0;
};

}  // namespace zd::sim
