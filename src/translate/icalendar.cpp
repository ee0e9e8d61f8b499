#include "translate/icalendar.h"

#include <libical/ical.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <memory>

namespace zd {
namespace {

// The Newton's "no end" for a repeat: 0x1FFFFFFF, or 1 January 2090.
constexpr int32_t kNoEnd = 0x1FFFFFFF;
constexpr int32_t kNoEnd2090 = 97829280;
// An alarm larger than this is a moment of the Newton's clock, not minutes
// before the start (a repeating meeting's alarm is one or the other by the
// sources we know).
constexpr int32_t kLongestAlarmOffset = 1000000;
// The most minutes a duration may hold: libical counts its seconds in an int.
constexpr int64_t kLongestMinutes = INT32_MAX / 60;

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

icaltimetype Floating(int64_t minutes, bool date) {
    const CivilTime civil = FromNewtonMinutes(minutes);
    icaltimetype time = icaltime_null_time();
    time.year = civil.year;
    time.month = civil.month;
    time.day = civil.day;
    if (date) {
        time.is_date = 1;
    } else {
        time.hour = civil.hour;
        time.minute = civil.minute;
    }
    return time;
}

std::string AsText(icalcomponent* component) {
    char* text = icalcomponent_as_ical_string_r(component);
    std::string copy = text ? text : "";
    std::free(text);
    return copy;
}

// The weekdays of day bits, Sunday 0x800 down to Saturday 0x20.
std::vector<const char*> Days(int32_t bits) {
    const std::pair<int32_t, const char*> days[] = {{0x800, "SU"}, {0x400, "MO"}, {0x200, "TU"},
                                                    {0x100, "WE"}, {0x80, "TH"},  {0x40, "FR"},
                                                    {0x20, "SA"}};
    std::vector<const char*> found;
    for (const auto& [bit, day] : days)
        if (bits & bit) found.push_back(day);
    return found;
}

// The weeks of week bits: first 0x10 to fourth 0x02, last 0x01.
std::vector<const char*> Weeks(int32_t bits) {
    const std::pair<int32_t, const char*> weeks[] = {
        {0x10, "1"}, {0x08, "2"}, {0x04, "3"}, {0x02, "4"}, {0x01, "-1"}};
    std::vector<const char*> found;
    for (const auto& [bit, week] : weeks)
        if (bits & bit) found.push_back(week);
    return found;
}

// BYDAY for days in weeks: every week of them, or "2TU,4TU".
std::string ByDay(int32_t info, bool everyWeek) {
    std::string days;
    for (const char* day : Days(info)) {
        if (everyWeek) {
            days += std::string(days.empty() ? "" : ",") + day;
            continue;
        }
        for (const char* week : Weeks(info))
            days += std::string(days.empty() ? "" : ",") + week + day;
    }
    return days;
}

// The month a repeat names, read so that it agrees with the start: the
// sources disagree on whether months count from 0 or from 1.
std::optional<int> MonthOf(int32_t named, const CivilTime& start) {
    if (named == start.month) return named;
    if (named + 1 == start.month) return named + 1;
    return std::nullopt;
}

// The Newton's minutes of `day`'s midnight and `time`'s time of day: the
// moment of an instance of a repeat, whatever time of day the Newton kept
// with the day it names.
int64_t OnTheDayOf(int64_t day, int64_t time) {
    const auto midnight = [](int64_t minutes) {
        return minutes - ((minutes % 1440) + 1440) % 1440;
    };
    return midnight(day) + (time - midnight(time));
}

bool IsAllDay(const nsof::Value& entry) {
    const nsof::Value* stationery = entry.Find("viewStationery");
    return stationery && stationery->IsSymbol("cribNote");
}

// The RRULE of a repeat, "" for none; what cannot be read goes to `oddities`.
std::string Rule(const nsof::Value& entry, int32_t startMinutes,
                 std::vector<std::string>& oddities) {
    const auto type = IntegerOf(entry.Find("repeatType"));
    if (!type || *type == 5) return "";
    const int32_t info = IntegerOf(entry.Find("mtgInfo")).value_or(0);
    const CivilTime start = FromNewtonMinutes(startMinutes);
    std::string rule;
    switch (*type) {
        case 0:
            rule = (info & 0x1F) == 0x1F ? "FREQ=WEEKLY;BYDAY=" + ByDay(info, true)
                                         : "FREQ=MONTHLY;BYDAY=" + ByDay(info, false);
            break;
        case 1:
            rule = "FREQ=MONTHLY;BYDAY=" + ByDay(info, (info & 0x1F) == 0x1F);
            break;
        case 2:
            rule = "FREQ=MONTHLY;BYMONTHDAY=" + std::to_string(info & 0x3F);
            break;
        case 3:
        case 7: {
            const int32_t named = *type == 3 ? info >> 8 & 0xF : info >> 12 & 0xF;
            const auto month = MonthOf(named, start);
            if (!month) {
                oddities.push_back("a yearly repeat in month " + std::to_string(named) +
                                   ", which does not agree with its start");
                return "";
            }
            rule = "FREQ=YEARLY;BYMONTH=" + std::to_string(*month) +
                   (*type == 3 ? ";BYMONTHDAY=" + std::to_string(info & 0xFF)
                               : ";BYDAY=" + ByDay(info, false));
            break;
        }
        case 4:
            rule = "FREQ=DAILY;INTERVAL=" + std::to_string(std::max(1, info & 0xFF));
            break;
        default:
            oddities.push_back("a repeat of type " + std::to_string(*type));
            return "";
    }
    // The stop date is the last day the repeat shows: a timed repeat goes
    // on to that day's end, an all-day one names the day, as its start does.
    const auto stop = IntegerOf(entry.Find("mtgStopDate"));
    if (stop && *stop != kNoEnd && *stop != kNoEnd2090) {
        const bool allDay = IsAllDay(entry);
        icaltimetype until = Floating(*stop, allDay);
        if (!allDay) {
            until.hour = 23;
            until.minute = 59;
            until.second = 59;
        }
        rule += ";UNTIL=" + std::string(icaltime_as_ical_string(until));
    }
    return rule;
}

// A name reference's words: a person's first and last names, or a company.
std::string NameOf(const nsof::Value& reference) {
    std::string name;
    if (const nsof::Value* parts = reference.Find("name")) {
        if (const auto text = TextOf(parts)) return *text;
        for (const char* part : {"first", "last"}) {
            const std::string word = TextSlot(*parts, part);
            if (!word.empty()) name += (name.empty() ? "" : " ") + word;
        }
    }
    return name.empty() ? TextSlot(reference, "company") : name;
}

// A title's first line, which calendars show in one line; the whole title
// goes into the description where it has more.
std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// The invitees, who stay words of the description: as attendees they would
// have calendars offer to send invitations the Newton's owner never meant.
std::string Invitees(const nsof::Value& entry) {
    std::string invited;
    for (const nsof::Value* invitee : FramesIn(entry, "mtgInvitees")) {
        const std::string name = NameOf(*invitee), email = TextSlot(*invitee, "email");
        const std::string who = email.empty()  ? name
                                : name.empty() ? email
                                               : name + " <" + email + ">";
        if (!who.empty()) invited += (invited.empty() ? "Invited: " : ", ") + who;
    }
    return invited;
}

std::string Paragraphs(std::initializer_list<std::string> parts) {
    std::string text;
    for (const std::string& part : parts)
        if (!part.empty()) text += (text.empty() ? "" : "\n\n") + part;
    return text;
}

// The properties every component has: its UID, when the calendar was made,
// its summary (the first line of `title`) and its description (the whole
// title where it has more lines, then `more`).
void AddIdentity(icalcomponent* component, const std::string& uid, std::time_t stamp,
                 const std::string& title, const std::string& more) {
    icalcomponent_add_property(component, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(component, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(
                                              stamp, 0, icaltimezone_get_utc_timezone())));
    const std::string summary = FirstLine(title);
    if (!summary.empty())
        icalcomponent_add_property(component, icalproperty_new_summary(summary.c_str()));
    const std::string description = Paragraphs({summary == title ? "" : title, more});
    if (!description.empty())
        icalcomponent_add_property(component, icalproperty_new_description(description.c_str()));
}

void AddAlarm(icalcomponent* event, const nsof::Value& entry, int32_t start,
              const std::string& summary, std::vector<std::string>& oddities) {
    const auto alarm = IntegerOf(entry.Find("mtgAlarm"));
    if (!alarm) return;
    const int64_t before = *alarm > kLongestAlarmOffset ? int64_t{start} - *alarm : *alarm;
    if (before > kLongestMinutes || before < -kLongestMinutes) {
        oddities.push_back("an alarm " + std::to_string(before) + " minutes away, left out");
        return;
    }
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(static_cast<int>(-before * 60));
    icalcomponent* valarm = icalcomponent_new_valarm();
    icalcomponent_add_property(valarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(valarm, icalproperty_new_description(summary.c_str()));
    icalcomponent_add_property(valarm, icalproperty_new_trigger(trigger));
    icalcomponent_add_component(event, valarm);
}

// One VEVENT of `entry`: the meeting itself, or an instance of it that was
// changed (`recurrence`, the instance's start, of the repeating `uid`).
Component Event(const nsof::Value& entry, int32_t start, const std::string& uid, std::time_t stamp,
                std::optional<int64_t> recurrence, std::vector<std::string>& oddities) {
    Component event(icalcomponent_new_vevent(), icalcomponent_free);
    icalcomponent* e = event.get();
    const bool allDay = IsAllDay(entry);
    const std::string title = TextSlot(entry, "mtgText");
    std::string notes = ParagraphsText(entry, "notesData", oddities);
    while (!notes.empty() && notes.back() == '\n') notes.pop_back();
    AddIdentity(e, uid, stamp, title, Paragraphs({notes, Invitees(entry)}));
    icalcomponent_add_property(e, icalproperty_new_dtstart(Floating(start, allDay)));
    const int32_t duration = IntegerOf(entry.Find("mtgDuration")).value_or(0);
    if (!allDay && duration > kLongestMinutes) {
        oddities.push_back("a duration of " + std::to_string(duration) + " minutes, left out");
    } else if (!allDay && duration > 0) {
        icalcomponent_add_property(
            e, icalproperty_new_duration(icaldurationtype_from_int(duration * 60)));
    }
    if (recurrence)
        icalcomponent_add_property(e, icalproperty_new_recurrenceid(Floating(*recurrence, allDay)));
    if (const nsof::Value* location = entry.Find("mtgLocation")) {
        const std::string place = TextOf(location).value_or(NameOf(*location));
        if (!place.empty()) icalcomponent_add_property(e, icalproperty_new_location(place.c_str()));
    }
    AddAlarm(e, entry, start, FirstLine(title), oddities);
    return event;
}

std::string UidOf(const nsof::Value& entry, int32_t store) {
    const auto unique = IntegerOf(entry.Find("_uniqueID"));
    // Without its unique id, an entry is known by its start.
    return NewtonUid(
        store, unique ? std::to_string(*unique)
                      : "s" + std::to_string(IntegerOf(entry.Find("mtgStartDate")).value_or(0)));
}

}  // namespace

std::string CalendarBegin(const std::string& application) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zandorelle//The Newton's " + application +
           "//EN\r\n";
}

std::string CalendarEnd() {
    return "END:VCALENDAR\r\n";
}

std::optional<Translated> MeetingAsEvents(const nsof::Value& entry, int32_t store,
                                          std::time_t stamp, std::string* why) {
    const auto start = IntegerOf(entry.Find("mtgStartDate"));
    if (!entry.As<nsof::Frame>() || !start) {
        *why = entry.As<nsof::Frame>() ? "the meeting has no start" : "the entry is no frame";
        return std::nullopt;
    }
    Translated events;
    const std::string uid = UidOf(entry, store);
    Component event = Event(entry, *start, uid, stamp, std::nullopt, events.oddities);
    const std::string rule = Rule(entry, *start, events.oddities);
    std::vector<Component> changed;
    const icalrecurrencetype recurrence =
        rule.empty() ? icalrecurrencetype{} : icalrecurrencetype_from_string(rule.c_str());
    if (!rule.empty() && recurrence.freq == ICAL_NO_RECURRENCE) {
        events.oddities.push_back("a repeat that cannot be written (" + rule + "), left out");
        icalerror_clear_errno();
    } else if (!rule.empty()) {
        icalcomponent_add_property(event.get(), icalproperty_new_rrule(recurrence));
        const nsof::Value* exceptions = entry.Find("exceptions");
        const nsof::Array* list = exceptions ? exceptions->As<nsof::Array>() : nullptr;
        for (const nsof::Value& exception : list ? list->elements : std::vector<nsof::Value>{}) {
            const nsof::Array* pair = exception.As<nsof::Array>();
            const auto date =
                pair && !pair->elements.empty() ? IntegerOf(&pair->elements[0]) : std::nullopt;
            if (!date) {
                events.oddities.push_back("an exception that is no date and entry");
                continue;
            }
            // The exception names its instance by the day; the instance
            // begins at the series' time of day.
            const int64_t instance = OnTheDayOf(*date, *start);
            const nsof::Value* instead = pair->elements.size() > 1 ? &pair->elements[1] : nullptr;
            if (instead && instead->As<nsof::Frame>()) {
                const int32_t moved = IntegerOf(instead->Find("mtgStartDate"))
                                          .value_or(static_cast<int32_t>(instance));
                changed.push_back(Event(*instead, moved, uid, stamp, instance, events.oddities));
            } else {
                icalcomponent_add_property(
                    event.get(), icalproperty_new_exdate(Floating(instance, IsAllDay(entry))));
            }
        }
    }
    events.text = AsText(event.get());
    for (const Component& instance : changed) events.text += AsText(instance.get());
    return events;
}

std::optional<Translated> TasksAsTodos(const nsof::Value& entry, int32_t store, std::time_t stamp,
                                       std::string* why) {
    if (!entry.As<nsof::Frame>()) {
        *why = "the entry is no frame";
        return std::nullopt;
    }
    Translated todos;
    const auto day = IntegerOf(entry.Find("date"));
    std::map<std::string, int> seen;  // tasks of one text on the day
    size_t number = 0;
    for (const nsof::Value* task : FramesIn(entry, "topics")) {
        ++number;
        Component todo(icalcomponent_new_vtodo(), icalcomponent_free);
        const std::string text = TextSlot(*task, "text");
        // Known by its day and its text, a task keeps its UID however the
        // tasks around it come and go.
        const int repeat = ++seen[text];
        const std::string id =
            NewtonUid(store, "todo-" + std::to_string(day.value_or(0)) + "-" + TextDigest(text) +
                                 (repeat > 1 ? "-" + std::to_string(repeat) : ""));
        AddIdentity(todo.get(), id, stamp, text, "");
        // Day 0 holds the tasks that repeat: they have no one day.
        if (day && *day != 0)
            icalcomponent_add_property(todo.get(), icalproperty_new_due(Floating(*day, true)));
        if (IsTrue(task->Find("mtgDone")))
            icalcomponent_add_property(todo.get(), icalproperty_new_status(ICAL_STATUS_COMPLETED));
        todos.text += AsText(todo.get());
    }
    todos.count = number;
    return todos;
}

}  // namespace zd
