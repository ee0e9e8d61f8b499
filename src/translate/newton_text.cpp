#include "translate/newton_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>

#include "base/unicode.h"

namespace zd {
namespace {

// An ink word inside a rich string, and inside a paragraph's text.
constexpr char32_t kRichInkWord = 0xF700;
constexpr char32_t kInkWord = 0xF701;

// UTF-8 `text` as ours: returns as line ends, ink words named, and what is
// the Newton's own private use shown as not readable.
std::string AsOurs(std::string_view text) {
    std::string ours;
    for (size_t at = 0; at < text.size();) {
        const int64_t c = NextCharacter(text, &at);
        if (c == '\r') {
            ours += '\n';
        } else if (c == kInkWord || c == kRichInkWord) {
            ours += kInkWordText;
        } else if (c < 0 || IsPrivateUse(c)) {
            AppendUtf8(ours, kReplacementCharacter);
        } else {
            AppendUtf8(ours, static_cast<char32_t>(c));
        }
    }
    return ours;
}

// Where a thing stands on the page: the top and left of its "viewBounds", a
// small rectangle or a frame.
std::optional<std::pair<int32_t, int32_t>> PlaceOf(const nsof::Value& thing) {
    const nsof::Value* bounds = thing.Find("viewBounds");
    if (!bounds) return std::nullopt;
    if (const nsof::SmallRect* rect = bounds->As<nsof::SmallRect>())
        return std::pair<int32_t, int32_t>{rect->top, rect->left};
    const auto top = IntegerOf(bounds->Find("top"));
    const auto left = IntegerOf(bounds->Find("left"));
    if (!top || !left) return std::nullopt;
    return std::pair{*top, *left};
}

}  // namespace

std::optional<std::string> TextOf(const nsof::Value* value) {
    if (!value) return std::nullopt;
    if (const nsof::String* string = value->As<nsof::String>()) return AsOurs(string->text);
    if (const nsof::Binary* binary = value->As<nsof::Binary>())
        return AsOurs(Utf16BeToUtf8(binary->bytes));
    return std::nullopt;
}

std::string TextSlot(const nsof::Value& frame, std::string_view name) {
    return TextOf(frame.Find(name)).value_or("");
}

std::optional<int32_t> IntegerOf(const nsof::Value* value) {
    const int32_t* integer = value ? value->As<int32_t>() : nullptr;
    return integer ? std::optional<int32_t>(*integer) : std::nullopt;
}

bool IsTrue(const nsof::Value* value) {
    return value && !value->As<nsof::Nil>();
}

std::vector<const nsof::Value*> FramesIn(const nsof::Value& entry, std::string_view name) {
    std::vector<const nsof::Value*> frames;
    const nsof::Value* slot = entry.Find(name);
    const nsof::Array* array = slot ? slot->As<nsof::Array>() : nullptr;
    if (!array) return frames;
    for (const nsof::Value& element : array->elements)
        if (element.As<nsof::Frame>()) frames.push_back(&element);
    return frames;
}

std::vector<const nsof::Value*> ParagraphsOnThePage(const nsof::Value& entry, std::string_view name,
                                                    std::vector<std::string>& oddities) {
    struct Placed {
        std::pair<int32_t, int32_t> place;
        bool placed;
        size_t order;
        const nsof::Value* paragraph;
    };
    std::vector<Placed> paragraphs;
    for (const nsof::Value* thing : FramesIn(entry, name)) {
        const nsof::Value* stationery = thing->Find("viewStationery");
        if (stationery ? !stationery->IsSymbol("para") : !thing->Find("text")) continue;
        const auto place = PlaceOf(*thing);
        if (!place) oddities.push_back("a paragraph without its place on the page");
        paragraphs.push_back(
            {place.value_or(std::pair{0, 0}), place.has_value(), paragraphs.size(), thing});
    }
    std::sort(paragraphs.begin(), paragraphs.end(), [](const Placed& a, const Placed& b) {
        return std::tuple(!a.placed, a.place, a.order) < std::tuple(!b.placed, b.place, b.order);
    });
    std::vector<const nsof::Value*> ordered;
    for (const Placed& placed : paragraphs) ordered.push_back(placed.paragraph);
    return ordered;
}

std::string ParagraphsText(const nsof::Value& entry, std::string_view name,
                           std::vector<std::string>& oddities) {
    std::string text;
    for (const nsof::Value* paragraph : ParagraphsOnThePage(entry, name, oddities))
        text += TextSlot(*paragraph, "text") + "\n";
    return text;
}

std::string NewtonUid(int32_t store, const std::string& id) {
    char signature[16];
    std::snprintf(signature, sizeof signature, "%08x", static_cast<uint32_t>(store));
    return std::string("newton-") + signature + "-" + id;
}

std::string TextDigest(std::string_view text) {
    uint64_t hash = 0xCBF29CE484222325;
    for (const char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001B3;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

CivilTime FromNewtonMinutes(int64_t minutes) {
    // Days from 1 January 1904 to 1 March 0000, in the proleptic Gregorian
    // calendar, so that leap days fall at the end of a year of the count.
    constexpr int64_t kDaysTo1904 = 695361;
    const int64_t minuteOfDay = ((minutes % 1440) + 1440) % 1440;
    const int64_t days = (minutes - minuteOfDay) / 1440 + kDaysTo1904;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    CivilTime time;
    time.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    time.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(minuteOfDay / 60);
    time.minute = static_cast<int>(minuteOfDay % 60);
    return time;
}

int64_t LocalSeconds(int64_t newtonMinutes) {
    const CivilTime civil = FromNewtonMinutes(newtonMinutes);
    std::tm local{};
    local.tm_year = civil.year - 1900;
    local.tm_mon = civil.month - 1;
    local.tm_mday = civil.day;
    local.tm_hour = civil.hour;
    local.tm_min = civil.minute;
    local.tm_isdst = -1;  // whichever the day had
    return std::mktime(&local);
}

}  // namespace zd
