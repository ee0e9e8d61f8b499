// Which of the Newton's data an export saves.
#pragma once

#include <string>

namespace zd {

struct ExportChoice {
    bool notes = true, names = true, dates = true, todo = true;

    static ExportChoice NotesAlone() { return {true, false, false, false}; }
    bool any() const { return notes || names || dates || todo; }
    bool notesAlone() const { return notes && !names && !dates && !todo; }
};

// An export asked for: where, and what.
struct ExportRequest {
    std::string folder;
    ExportChoice choice;
};

}  // namespace zd
