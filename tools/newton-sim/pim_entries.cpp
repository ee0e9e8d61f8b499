#include "pim_entries.h"

#include "sim_objects.h"

namespace zd::sim {
namespace {

using nsof::Value;

// Minutes since 1904 of a day and time, the Newton's local time.
int64_t At(int year, int month, int day, int hour = 0, int minute = 0) {
    // Days from 1 March of year 0, then the days to 1 January 1904.
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = int64_t{era} * 146097 + dayOfEra - 695361;
    return (days * 24 + hour) * 60 + minute;
}

Value Nil() {
    return Value{nsof::Nil{}};
}

Value Phone(const char* kind, const char* number) {
    // A string of another class than string travels as a binary object of
    // that class: UTF-16 with its zero character.
    return Bin(kind, Utf16Z(number));
}

Value Para(const char* text) {
    return Frame({{"viewStationery", Sym("para")},
                  {"viewBounds", Rect(0, 0, 20, 200)},
                  {"text", Str(text)}});
}

Value Name(const char* first, const char* last, std::vector<nsof::Slot> more = {}) {
    std::vector<nsof::Slot> slots{{"first", Str(first)}, {"last", Str(last)}};
    for (nsof::Slot& slot : more) slots.push_back(std::move(slot));
    return Frame(std::move(slots));
}

std::vector<std::string> Cards() {
    std::vector<std::string> cards;
    cards.push_back(nsof::Encode(Frame({
        {"class", Sym("person")},
        {"name", Name("Åsa", "Ørnskjöld", {{"honorific", Str("Fru")}, {"title", Str("Redaktör")}})},
        {"company", Str("Tidningen AB")},
        {"address", Str("Storgatan 1")},
        {"address2", Str("Lgh 1102")},
        {"city", Str("Malmö")},
        {"region", Str("Skåne")},
        {"postal_code", Str("211 34")},
        {"country", Str("Sverige")},
        {"addresses", List({Frame({{"address", Str("Rue de l'École 5")},
                                   {"city", Str("Genève")},
                                   {"country", Str("Suisse")}})})},
        {"phones", List({Phone("homePhone", "040-12 34 56"), Phone("workPhone", "040-98 76 54"),
                         Phone("mobilePhone", "070-123 45 67"), Phone("faxPhone", "040-11 11 11"),
                         Phone("carPhone", "070-222 22 22"), Phone("beeperPhone", "0740-33 33")})},
        {"pagers", List({Frame({{"pagerNum", Str("0740-99 99")}})})},
        {"email", Str("asa@example.se")},
        {"emailAddrs", List({Frame({{"email", Str("asa.o@example.org")}})})},
        {"URLs", List({Str("http://example.se/åsa")})},
        {"bday", Int(At(1970, 5, 17))},
        {"anniversary", Int(At(1995, 6, 10))},
        {"notes", List({Para("Gillar kaffe; te, också.\rRing efter 18.")})},
        {"labels", Sym("Friends")},
        {"cardType", Int(0)},
        {"_uniqueID", Int(1)},
    })));
    cards.push_back(nsof::Encode(Frame({{"class", Sym("company")},
                                        {"company", Str("Ångström & Söner")},
                                        {"phones", List({Phone("workPhone", "08-55 55 55")})},
                                        {"_uniqueID", Int(2)}})));
    cards.push_back(nsof::Encode(
        Frame({{"class", Sym("group")}, {"name", Name("Bokklubben", "")}, {"_uniqueID", Int(3)}})));
    return cards;
}

Value Meeting(const char* text, int64_t start, int duration, std::vector<nsof::Slot> more) {
    Value meeting = Frame({{"class", Sym("meeting")},
                           {"viewStationery", Sym("meeting")},
                           {"mtgStartDate", Int(start)},
                           {"mtgDuration", Int(duration)},
                           {"mtgText", Str(text)}});
    for (nsof::Slot& slot : more) Set(meeting, slot.name, std::move(slot.value));
    return meeting;
}

Value Repeat(const char* text, int64_t start, int type, int info, int id) {
    return Meeting(text, start, 60,
                   {{"viewStationery", Sym("repeatingMeeting")},
                    {"repeatType", Int(type)},
                    {"mtgInfo", Int(info)},
                    {"mtgStopDate", Int(0x1FFFFFFF)},
                    {"_uniqueID", Int(id)}});
}

}  // namespace

void AddPersonalData(std::vector<SimStore>& stores, const std::string& cardName, size_t many,
                     bool firstTaskDeleted) {
    const int64_t meeting = At(2026, 12, 14, 10, 0);
    const int64_t weekly = At(2026, 1, 6, 9, 0);  // a Tuesday
    SimSoup names{"Names", 21, Cards()};
    SimSoup calendar{
        "Calendar",
        22,
        {nsof::Encode(Meeting("Möte med Åsa", meeting, 90,
                              {{"mtgAlarm", Int(meeting - 15)},
                               {"mtgLocation", Frame({{"company", Str("Konferensrum Ö")}})},
                               {"mtgInvitees", List({Frame({{"name", Name("Åsa", "Ørnskjöld")},
                                                            {"email", Str("asa@example.se")}}),
                                                     Frame({{"name", Name("Jürgen", "Groß")}})})},
                               {"notesData", List({Para("Ta med rapporten.")})},
                               {"_uniqueID", Int(10)}}))}};
    SimSoup events{
        "Calendar Notes",
        23,
        {nsof::Encode(Meeting("Midsommarafton", At(2026, 6, 19), 0,
                              {{"viewStationery", Sym("cribNote")}, {"_uniqueID", Int(11)}}))}};
    // Every type of repeat; months count from 0 in the yearly ones.
    Value weeklyMeeting = Repeat("Veckomöte", weekly, 0, 0x200 | 0x80 | 0x1F, 12);
    Set(weeklyMeeting, "mtgAlarm", Int(10));
    Set(weeklyMeeting, "mtgStopDate", Int(At(2026, 12, 31)));
    Set(weeklyMeeting, "exceptions",
        // A deleted instance named by its day alone, as a Newton may keep it.
        List({List({Int(At(2026, 1, 13)), Nil()}),
              List({Int(At(2026, 1, 20, 9, 0)),
                    Meeting("Flyttat möte", At(2026, 1, 20, 11, 0), 30, {})})}));
    SimSoup repeats{
        "Repeat Meetings",
        24,
        {
            nsof::Encode(weeklyMeeting),
            nsof::Encode(Repeat("Andra tisdagen", At(2026, 1, 13, 14, 0), 1, 0x200 | 0x08, 13)),
            nsof::Encode(Repeat("Den femtonde", At(2026, 1, 15, 12, 0), 2, 15, 14)),
            nsof::Encode(Repeat("Syrénfest", At(2026, 5, 17, 18, 0), 3, 4 << 8 | 17, 15)),
            nsof::Encode(Repeat("Sista söndagen i oktober", At(2026, 10, 25, 10, 0), 7,
                                9 << 12 | 0x800 | 0x01, 16)),
            nsof::Encode(Repeat("Var tredje dag", At(2026, 2, 1, 7, 0), 4, 1 << 8 | 3, 17)),
        }};
    Value festival = Repeat("Ölfestival", At(2026, 9, 19), 3, 8 << 8 | 19, 18);
    Set(festival, "viewStationery", Sym("cribNote"));
    SimSoup repeatNotes{"Repeat Notes", 25, {nsof::Encode(festival)}};
    SimSoup todo{
        "To Do List",
        26,
        {
            nsof::Encode(
                Frame({{"class", Sym("todo")},
                       {"date", Int(At(2026, 12, 10))},
                       {"topics", firstTaskDeleted ? List({Frame({{"text", Str("Ringa Åsa")}})})
                                                   : List({Frame({{"text", Str("Köpa mjölk")},
                                                                  {"mtgDone", Value{true}}}),
                                                           Frame({{"text", Str("Ringa Åsa")}})})},
                       {"_uniqueID", Int(19)}})),
            nsof::Encode(Frame({{"class", Sym("todo")},
                                {"date", Int(0)},
                                {"topics", List({Frame({{"text", Str("Vattna blommorna")}})})},
                                {"_uniqueID", Int(20)}})),
        }};
    for (size_t i = 0; i < many; ++i) {
        const std::string n = std::to_string(i);
        names.entries.push_back(
            nsof::Encode(Frame({{"class", Sym("person")},
                                {"name", Name(("Förnamn " + n).c_str(), "Efternamn")},
                                {"phones", List({Phone("homePhone", "040-00 00 00")})},
                                {"email", Str("person" + n + "@example.se")},
                                {"_uniqueID", Int(100 + i)}})));
        calendar.entries.push_back(
            nsof::Encode(Meeting(("Möte " + n).c_str(), meeting + 60 * static_cast<int64_t>(i), 45,
                                 {{"notesData", List({Para("Anteckningar till mötet, en rad.")})},
                                  {"_uniqueID", Int(100 + i)}})));
    }
    SimStore& internal = stores.front();
    for (SimSoup* soup : {&names, &calendar, &events, &repeats, &repeatNotes, &todo})
        internal.soups.push_back(std::move(*soup));
    if (stores.size() < 2) stores.push_back({cardName, "Flash storage card", 0x0B6F7274, {}});
    stores[1].soups.push_back(
        {"Names",
         31,
         {nsof::Encode(Frame({{"class", Sym("person")},
                              {"name", Name("François", "Müller")},
                              {"phones", List({Phone("otherPhone", "+33 1 23 45 67 89"),
                                               Phone("homeFaxPhone", "+33 1 98 76 54 32")})},
                              {"_uniqueID", Int(1)}}))}});
    stores[1].soups.push_back({"Calendar",
                               32,
                               {nsof::Encode(Meeting("Kortets möte", At(2026, 12, 15, 13, 30), 30,
                                                     {{"_uniqueID", Int(1)}}))}});
}

void AddPackagesAndMore(std::vector<SimStore>& stores, const std::vector<SimPackage>& packages) {
    SimSoup soup{"Packages", 41, {}};
    for (const SimPackage& package : packages) {
        nsof::LargeBinary reference;
        reference.className = "package";
        reference.bytes = package.bytes;
        soup.entries.push_back(nsof::Encode(
            Frame({{"packageName", Str(package.name)},
                   {"pkgRef", Value{std::move(reference)}},
                   {"timeStamp", Int(At(2026, 11, 1))},
                   {"_uniqueID", Int(static_cast<int32_t>(soup.entries.size() + 1))}})));
    }
    SimStore& internal = stores.front();
    internal.soups.push_back(std::move(soup));
    internal.soups.push_back(
        {"Bücherwurm:ZANDO",
         42,
         {nsof::Encode(Frame(
              {{"title", Str("Der Zauberberg")}, {"pages", Int(1008)}, {"_uniqueID", Int(0)}})),
          nsof::Encode(Frame(
              {{"title", Str("Röda rummet")}, {"pages", Int(412)}, {"_uniqueID", Int(1)}}))}});
}

}  // namespace zd::sim
