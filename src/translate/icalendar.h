// The Newton's Dates and To Do as iCalendar (RFC 5545), written with
// libical: a meeting or an event as a VEVENT in floating local time (as the
// Newton keeps it), with its alarm, location, notes and invitees (as words of
// its description) and repeats (RRULE up to the end of the stop day, EXDATE
// for deleted instances, a RECURRENCE-ID event for each changed one); each
// task of a To Do day as a VTODO, known by its day and text.  Each
// gives the components' text; the calendar around them is its own.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "nsof/nsof.h"
#include "translate/newton_text.h"

namespace zd {

// The first and the last lines of a calendar that holds components of the
// Newton's `application` ("Dates", "To Do").
std::string CalendarBegin(const std::string& application);
std::string CalendarEnd();

// The events of an entry of the soups "Calendar", "Calendar Notes", "Repeat
// Meetings" and "Repeat Notes" from the store of signature `store`, in a
// calendar made at `stamp`; nullopt, with the reason in `*why`, when it is no
// frame or has no start.
std::optional<Translated> MeetingAsEvents(const nsof::Value& entry, int32_t store,
                                          std::time_t stamp, std::string* why);

// The tasks of an entry of the "To Do List", a VTODO each.
std::optional<Translated> TasksAsTodos(const nsof::Value& entry, int32_t store, std::time_t stamp,
                                       std::string* why);

}  // namespace zd
