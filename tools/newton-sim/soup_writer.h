// The Newton's Connection application taking what a desktop restores: the
// restore asked for ("rrst") and the data's version told ("sver"); soups
// made ("csop" in the layout it takes, or from its own definition, "cdsp"),
// their information and signature set; entries added under their own ids
// ("auni"), under new ones ("adde") or changed ("cent"), read back ("rete")
// or deleted; packages loaded.  Of what its description leaves open it plays
// either reading: one "csop" layout or the other, "auni" answered with a
// result or with the id, a changed entry's time kept or stamped anew.  It can
// refuse an entry, or vanish half-way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "companion.h"
#include "dock/dock_message.h"
#include "newton_stores.h"

namespace zd::sim {

struct WritePlay {
    bool plainSoupNames = false;   // "csop": the name, then the indexes (not its length first)
    bool auniAnswersAdid = false;  // answers "auni" with "adid", as "adde" is answered
    bool restamps = false;         // "cent" stamps the entry's "_modTime" with the clock
    size_t refuseWrite = 0;        // the entry written so many-th is refused; 0 for none
    int32_t refuseCode = 0;        // with this error
    size_t vanishAfterWrites = 0;  // vanishes without a word after so many entries written
};

class SoupWriter {
public:
    SoupWriter(SimNewton& newton, const WritePlay& play) : m_newton(newton), m_play(play) {}

    // True for the restore's messages, which Answer takes.
    static bool Handles(std::string_view command);
    bool Answer(Conversation& c, const dock::Message& message);

private:
    bool CreateSoup(Conversation& c, const dock::Message& message);
    bool WriteEntry(Conversation& c, const dock::Message& message);
    bool ReturnEntry(Conversation& c, const dock::Message& message);
    bool DeleteEntries(Conversation& c, const dock::Message& message);
    bool LoadPackage(Conversation& c, const dock::Message& message);

    SimNewton& m_newton;
    const WritePlay& m_play;
    size_t m_writes = 0;
};

}  // namespace zd::sim
