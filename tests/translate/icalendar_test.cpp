// Dates and To Do as iCalendar, on frames as the Newton keeps them, read back
// with libical's own parser: a meeting with all it can hold, every type of
// repeat (yearly months read either way against the start), deleted and
// changed instances named by their day, the stop day, titles of several
// lines, events of a day, and a day of tasks whose UIDs stay as tasks go.
#include "translate/icalendar.h"

#include <gtest/gtest.h>
#include <libical/ical.h>

namespace zd {
namespace {

using nsof::Value;

// Minutes since 1904 of 14 December 2026, 10:00.
constexpr int32_t kStart = 64667520 + 10 * 60;
// When the calendar was made: 11 December 2026, 16:18:17 UTC.
constexpr std::time_t kMade = 1797005897;

Value Str(const char* text) {
    return Value{nsof::String{text}};
}
Value Int(int64_t value) {
    return Value{static_cast<int32_t>(value)};
}
Value Frame(std::vector<nsof::Slot> slots) {
    return Value{nsof::Frame{std::move(slots)}};
}
Value List(std::vector<Value> elements) {
    return Value{nsof::Array{"", std::move(elements)}};
}
Value Meeting(std::vector<nsof::Slot> more) {
    std::vector<nsof::Slot> slots{{"mtgStartDate", Int(kStart)},
                                  {"mtgDuration", Int(90)},
                                  {"mtgText", Str("Möte")},
                                  {"_uniqueID", Int(5)}};
    slots.insert(slots.end(), more.begin(), more.end());
    return Frame(std::move(slots));
}

// The calendar the translation's components make, parsed by libical.
struct Parsed {
    explicit Parsed(const std::string& components)
        : calendar(icalparser_parse_string(
              (CalendarBegin("Dates") + components + CalendarEnd()).c_str())) {}
    ~Parsed() { icalcomponent_free(calendar); }
    icalcomponent* First(icalcomponent_kind kind) {
        return icalcomponent_get_first_component(calendar, kind);
    }
    icalcomponent* calendar;
};

std::string Events(const Value& entry, std::vector<std::string>* oddities = nullptr) {
    std::string why;
    const auto events = MeetingAsEvents(entry, 0x1234, kMade, &why);
    if (oddities && events) *oddities = events->oddities;
    return events ? events->text : "(" + why + ")";
}

TEST(ICalendar, AMeetingWithEverythingItHolds) {
    Parsed parsed(Events(Meeting({
        {"mtgAlarm", Int(kStart - 15)},
        {"mtgLocation", Frame({{"company", Str("Rum Ö")}})},
        {"mtgInvitees", List({Frame({{"name", Frame({{"first", Str("Åsa")}, {"last", Str("Ö")}})},
                                     {"email", Str("asa@example.se")}}),
                              Frame({{"name", Frame({{"first", Str("Jürgen")}})}})})},
        {"notesData", List({Frame({{"viewStationery", Value{nsof::Symbol{"para"}}},
                                   {"viewBounds", Value{nsof::SmallRect{}}},
                                   {"text", Str("Ta med; rapporten")}})})},
    })));
    icalcomponent* event = parsed.First(ICAL_VEVENT_COMPONENT);
    ASSERT_TRUE(event);
    EXPECT_STREQ(icalcomponent_get_uid(event), "newton-00001234-5");
    EXPECT_STREQ(icalcomponent_get_summary(event), "Möte");
    EXPECT_STREQ(icalcomponent_get_description(event),
                 "Ta med; rapporten\n\nInvited: Åsa Ö <asa@example.se>, Jürgen");
    EXPECT_EQ(std::string(icaltime_as_ical_string(icalcomponent_get_dtstamp(event))),
              "20261211T161817Z");
    EXPECT_STREQ(icalcomponent_get_location(event), "Rum Ö");
    const icaltimetype start = icalcomponent_get_dtstart(event);
    EXPECT_EQ(std::string(icaltime_as_ical_string(start)), "20261214T100000") << "floating";
    EXPECT_EQ(icaldurationtype_as_int(icalcomponent_get_duration(event)), 90 * 60);
    EXPECT_FALSE(icalcomponent_get_first_property(event, ICAL_ATTENDEE_PROPERTY))
        << "no calendar offers to invite anyone";
    icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
    ASSERT_TRUE(alarm);
    const icaltriggertype trigger =
        icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY));
    EXPECT_EQ(icaldurationtype_as_int(trigger.duration), -15 * 60);
}

TEST(ICalendar, EveryRepeatBecomesItsRule) {
    const struct {
        int32_t type, info;
        const char* rule;
    } repeats[] = {
        {0, 0x200 | 0x80 | 0x1F, "FREQ=WEEKLY;BYDAY=TU,TH"},
        {0, 0x400 | 0x10, "FREQ=MONTHLY;BYDAY=1MO"},
        {1, 0x200 | 0x08 | 0x01, "FREQ=MONTHLY;BYDAY=2TU,-1TU"},
        {2, 15, "FREQ=MONTHLY;BYMONTHDAY=15"},
        {3, 12 << 8 | 14, "FREQ=YEARLY;BYMONTHDAY=14;BYMONTH=12"},  // months from 1
        {3, 11 << 8 | 14, "FREQ=YEARLY;BYMONTHDAY=14;BYMONTH=12"},  // months from 0
        {7, 11 << 12 | 0x800 | 0x04, "FREQ=YEARLY;BYDAY=3SU;BYMONTH=12"},
        {4, 1 << 8 | 3, "FREQ=DAILY;INTERVAL=3"},
        {5, 0, ""},
    };
    for (const auto& [type, info, rule] : repeats) {
        Parsed parsed(Events(Meeting({{"repeatType", Int(type)},
                                      {"mtgInfo", Int(info)},
                                      {"mtgStopDate", Int(0x1FFFFFFF)}})));
        icalproperty* property = icalcomponent_get_first_property(
            parsed.First(ICAL_VEVENT_COMPONENT), ICAL_RRULE_PROPERTY);
        icalrecurrencetype recurrence =
            property ? icalproperty_get_rrule(property) : icalrecurrencetype{};
        const std::string found = property ? icalrecurrencetype_as_string(&recurrence) : "";
        EXPECT_EQ(found, rule) << type << " " << info;
    }
    std::vector<std::string> oddities;
    const std::string unknown =
        Events(Meeting({{"repeatType", Int(3)}, {"mtgInfo", Int(3 << 8 | 1)}}), &oddities);
    EXPECT_EQ(unknown.find("RRULE"), std::string::npos) << "left out rather than guessed";
    EXPECT_EQ(oddities, std::vector<std::string>{
                            "a yearly repeat in month 3, which does not agree with its start"});
}

TEST(ICalendar, NoTextOfTheNewtonsStartsALineOfItsOwn) {
    const char* forged = "x@example.se\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:newton-00001234-6";
    Parsed parsed(Events(Meeting({
        {"mtgText", Str("Möte\r\nEND:VEVENT")},
        {"mtgInvitees", List({Frame({{"email", Str(forged)}})})},
        {"mtgLocation", Str("Rum\nDTSTART:19700101")},
    })));
    ASSERT_TRUE(parsed.First(ICAL_VEVENT_COMPONENT));
    EXPECT_EQ(icalcomponent_count_components(parsed.calendar, ICAL_VEVENT_COMPONENT), 1);
    const std::string description =
        icalcomponent_get_description(parsed.First(ICAL_VEVENT_COMPONENT));
    EXPECT_NE(description.find("UID:newton-00001234-6"), std::string::npos)
        << "the address kept as words of the description: " << description;
}

TEST(ICalendar, ValuesNoCalendarCanHoldAreLeftOutAndSaid) {
    const struct {
        Value entry;
        const char* oddity;
    } cases[] = {
        {Meeting({{"repeatType", Int(0)}, {"mtgInfo", Int(0x1F)}}),
         "a repeat that cannot be written"},
        {Meeting({{"repeatType", Int(2)}, {"mtgInfo", Int(0)}}), "a repeat that cannot be written"},
        {Frame({{"mtgStartDate", Int(kStart)}, {"mtgDuration", Int(400000000)}}),
         "a duration of 400000000 minutes, left out"},
        {Meeting({{"mtgAlarm", Int(-500000000)}}), "an alarm -500000000 minutes away, left out"},
    };
    for (const auto& [entry, oddity] : cases) {
        std::vector<std::string> oddities;
        const std::string events = Events(entry, &oddities);
        EXPECT_EQ(events.find("ERROR"), std::string::npos) << oddity << "\n" << events;
        ASSERT_EQ(oddities.size(), 1u) << oddity;
        EXPECT_EQ(oddities[0].rfind(oddity, 0), 0u) << oddities[0];
        Parsed parsed(events);
        EXPECT_TRUE(parsed.First(ICAL_VEVENT_COMPONENT)) << "the meeting itself is kept";
    }
}

TEST(ICalendar, DeletedAndChangedInstancesAndTheStopDate) {
    const int32_t week = 7 * 1440;
    const int32_t midnight = kStart - 10 * 60;
    const auto repeat = [&](std::vector<nsof::Slot> more) {
        std::vector<nsof::Slot> slots{
            {"repeatType", Int(0)},
            {"mtgInfo", Int(0x400 | 0x1F)},
            {"mtgStopDate", Int(midnight + 10 * week)},
            // The Newton may name an instance by its day alone.
            {"exceptions",
             List({List({Int(midnight + week), Value{nsof::Nil{}}}),
                   List({Int(kStart + 2 * week),
                         Frame({{"mtgStartDate", Int(kStart + 2 * week + 60)},
                                {"mtgText", Str("Flyttat")}})}),
                   List({Int(midnight + 3 * week), Frame({{"mtgText", Str("Samma tid")}})})})}};
        slots.insert(slots.end(), more.begin(), more.end());
        return Events(Meeting(slots));
    };
    const std::string events = repeat({});
    EXPECT_NE(events.find("RRULE:FREQ=WEEKLY;UNTIL=20270222T235959;BYDAY=MO\r\n"),
              std::string::npos)
        << "to the end of the stop day\n"
        << events;
    EXPECT_NE(events.find("EXDATE:20261221T100000\r\n"), std::string::npos) << events;
    EXPECT_NE(events.find("RECURRENCE-ID:20261228T100000\r\n"), std::string::npos);
    EXPECT_NE(events.find("DTSTART:20261228T110000\r\n"), std::string::npos);
    EXPECT_NE(events.find("RECURRENCE-ID:20270104T100000\r\n"), std::string::npos) << events;
    const std::string allDay = repeat({{"viewStationery", Value{nsof::Symbol{"cribNote"}}}});
    EXPECT_NE(allDay.find("UNTIL=20270222;"), std::string::npos) << "a date, as its start\n"
                                                                 << allDay;
    EXPECT_NE(allDay.find("EXDATE;VALUE=DATE:20261221\r\n"), std::string::npos);
}

TEST(ICalendar, ATitleOfSeveralLinesIsSummedUpInItsFirst) {
    const std::string events = Events(
        Frame({{"mtgStartDate", Int(kStart)}, {"mtgText", Str("Planering\rrum 4, plan 2")}}));
    Parsed parsed(events);
    icalcomponent* event = parsed.First(ICAL_VEVENT_COMPONENT);
    EXPECT_STREQ(icalcomponent_get_summary(event), "Planering");
    EXPECT_STREQ(icalcomponent_get_description(event), "Planering\nrum 4, plan 2");
}

TEST(ICalendar, EventsOfADayAndTasks) {
    EXPECT_NE(Events(Meeting({{"viewStationery", Value{nsof::Symbol{"cribNote"}}}}))
                  .find("DTSTART;VALUE=DATE:20261214\r\n"),
              std::string::npos);
    const auto tasks = [](std::vector<Value> topics) {
        std::string why;
        const auto todos = TasksAsTodos(Frame({{"date", Int(kStart - 600)},
                                               {"topics", List(std::move(topics))},
                                               {"_uniqueID", Int(9)}}),
                                        0x1234, kMade, &why);
        EXPECT_TRUE(todos) << why;
        return todos ? todos->text : "";
    };
    const Value milk = Frame({{"text", Str("Mjölk")}, {"mtgDone", Value{true}}});
    const Value bread = Frame({{"text", Str("Bröd")}});
    Parsed parsed(tasks({milk, bread, bread}));
    icalcomponent* first = parsed.First(ICAL_VTODO_COMPONENT);
    EXPECT_STREQ(icalcomponent_get_summary(first), "Mjölk");
    EXPECT_EQ(icalcomponent_get_status(first), ICAL_STATUS_COMPLETED);
    EXPECT_EQ(std::string(icaltime_as_ical_string(icalcomponent_get_due(first))), "20261214");
    icalcomponent* second = icalcomponent_get_next_component(parsed.calendar, ICAL_VTODO_COMPONENT);
    EXPECT_STREQ(icalcomponent_get_summary(second), "Bröd");
    EXPECT_FALSE(icalcomponent_get_first_property(second, ICAL_STATUS_PROPERTY)) << "not done";
    const std::string breadUid = icalcomponent_get_uid(second);
    icalcomponent* third = icalcomponent_get_next_component(parsed.calendar, ICAL_VTODO_COMPONENT);
    EXPECT_EQ(std::string(icalcomponent_get_uid(third)), breadUid + "-2") << "the same task twice";
    Parsed later(tasks({bread}));
    EXPECT_EQ(icalcomponent_get_uid(later.First(ICAL_VTODO_COMPONENT)), breadUid)
        << "the task before it went; its UID stays";
    EXPECT_EQ(Events(Frame({{"mtgText", Str("no start")}})), "(the meeting has no start)");
}

}  // namespace
}  // namespace zd
