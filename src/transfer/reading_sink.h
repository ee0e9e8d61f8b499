// Where what a reading of the Newton's soups brings goes as it arrives: an
// export into desktop files, or a whole backup.  The full connection's
// driver hands each entry over and ends it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "dock/soup_reading.h"
#include "session/session.h"

namespace zd {

class ReadingSink {
public:
    virtual ~ReadingSink() = default;

    // The soups to read by their names on the Newton; none: every soup of
    // every store, as a backup reads them.
    virtual const std::vector<std::string>& soups() const = 0;
    // What the log says as the reading starts ("Saving the Newton's notes in F…").
    virtual std::string Beginning() const = 0;
    // What the transit field and the log count: "27 notes", "27 entries".
    virtual std::string Count(size_t entries) const = 0;

    // Takes one thing the reading brought.
    virtual void Save(Session& s, const dock::SoupReading::Entry& entry) = 0;
    // Why nothing more can be saved (a full disk), which ends the reading;
    // nullopt while all is well.
    virtual std::optional<std::string> Trouble() const { return std::nullopt; }

    struct Ending {
        std::string line;   // the log's last word on it
        std::string title;  // the notification's
        std::string detail;
        ExportOutcome outcome = ExportOutcome::kAllSaved;
    };
    // Ends it, whole or cut short, with the stores and soups the reading
    // could not read (`missing`, in words).
    virtual Ending Finish(Session& s, bool whole, const std::vector<std::string>& missing) = 0;
};

}  // namespace zd
