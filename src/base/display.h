// The three controls of the main window that the core writes to.  The window,
// the console front end and the tests each implement it; the display operations
// (link/display_ops.h) are the only callers.
#pragma once

#include <string_view>

namespace zd {

class Display {
public:
    virtual ~Display() = default;
    // One replace-selection request on the message log: the text goes in at the
    // log's cursor, which is its end unless the user moved it.
    virtual void ReplaceLogSelection(std::string_view text) = 0;
    // Replaces the text of the state field.
    virtual void SetStateText(std::string_view text) = 0;
    // Replaces the text of the transit field.
    virtual void SetTransitText(std::string_view text) = 0;
};

}  // namespace zd
