// The Newton's Connection application handing out its soups to a desktop
// that synchronises: the options naming its stores, each store's soups, and
// a soup's entries one "entr" at a time.  It can cancel or vanish in the
// middle, or never end.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "companion.h"
#include "dock/dock_message.h"
#include "newton_stores.h"
#include "notes_entries.h"
#include "nsof/nsof.h"

namespace zd::sim {

class SoupServer {
public:
    SoupServer(SimNewton& newton, const NotesPlay& play) : m_newton(newton), m_play(play) {}

    // True for the synchronisation's messages, which Answer takes.
    static bool Handles(std::string_view command);
    bool Answer(Conversation& c, const dock::Message& message);

private:
    // The Newton's clock: minutes since 1904, local time.
    static uint32_t Clock();
    // "appn": an application for each soup name.
    std::string Applications() const;
    bool SendEntries(Conversation& c);
    nsof::Value StoreList() const;
    bool SendSoupNames(Conversation& c);

    SimNewton& m_newton;
    const NotesPlay& m_play;
    size_t m_sent = 0;
};

}  // namespace zd::sim
