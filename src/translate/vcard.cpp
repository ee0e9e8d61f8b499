#include "translate/vcard.h"

#include <cstdio>

#include "base/unicode.h"
#include "translate/newton_text.h"

namespace zd {
namespace {

constexpr size_t kFoldOctets = 75;

// A vCard text value: backslash, comma, semicolon and line ends escaped.
std::string Escaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == ',' || c == ';') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c != '\r') {
            escaped += c;
        }
    }
    return escaped;
}

// A card's content lines, each folded at 75 octets (never inside a
// character) and ended with CRLF.
class Lines {
public:
    void Add(std::string_view line) {
        size_t octets = 0;
        for (size_t at = 0; at < line.size();) {
            size_t next = at;
            (void)NextCharacter(line, &next);
            if (octets + (next - at) > kFoldOctets) {
                m_text += "\r\n ";
                octets = 1;
            }
            m_text.append(line.substr(at, next - at));
            octets += next - at;
            at = next;
        }
        m_text += "\r\n";
    }
    // `name` with the escaped value `text`, where there is one.
    void AddText(const std::string& name, const std::string& text) {
        if (!text.empty()) Add(name + ":" + Escaped(text));
    }
    std::string Take() { return std::move(m_text); }

private:
    std::string m_text;
};

// A web address as a vCard 3.0 URI value, which takes no text escapes: the
// characters a reader would take for a separator or an escape
// percent-encoded; nullopt for one holding a control character, which no
// address holds.
std::optional<std::string> Uri(std::string_view address) {
    std::string uri;
    for (const char c : address) {
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) return std::nullopt;
        if (c == ',' || c == ';' || c == '\\' || c == ' ' || c == '"') {
            char encoded[4];
            std::snprintf(encoded, sizeof encoded, "%%%02X", static_cast<uint8_t>(c));
            uri += encoded;
        } else {
            uri += c;
        }
    }
    return uri;
}

// A folder symbol's name, which the format keeps to printable ASCII;
// nullopt for one that is not.
std::optional<std::string> FolderName(const nsof::Symbol& folder) {
    for (const char c : folder.name)
        if (static_cast<uint8_t>(c) < 0x20 || static_cast<uint8_t>(c) >= 0x7F) return std::nullopt;
    return folder.name;
}

std::string Date(int32_t minutes) {
    const CivilTime time = FromNewtonMinutes(minutes);
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", time.year, time.month, time.day);
    return date;
}

// The TYPE of a phone of class `kind`.
std::string PhoneType(const std::string& kind) {
    const std::pair<const char*, const char*> types[] = {
        {"homePhone", "HOME,VOICE"},  {"workPhone", "WORK,VOICE"}, {"faxPhone", "FAX"},
        {"homeFaxPhone", "HOME,FAX"}, {"carPhone", "CELL"},        {"mobilePhone", "CELL"},
        {"beeperPhone", "PAGER"},     {"otherPhone", "VOICE"},
    };
    for (const auto& [name, type] : types)
        if (nsof::SameName(kind, name)) return type;
    return "VOICE";
}

std::string Joined(std::initializer_list<std::string> parts, const char* between) {
    std::string joined;
    for (const std::string& part : parts) {
        if (part.empty()) continue;
        if (!joined.empty()) joined += between;
        joined += part;
    }
    return joined;
}

// An address frame's ADR: the street lines, city, region, postal code, country.
void AddAddress(Lines& lines, const nsof::Value& place, const char* type) {
    const std::string street =
        Joined({TextSlot(place, "address"), TextSlot(place, "address2")}, "\n");
    const std::string parts[] = {street, TextSlot(place, "city"), TextSlot(place, "region"),
                                 TextSlot(place, "postal_code"), TextSlot(place, "country")};
    std::string value = ";";  // no post-office box, no extended address
    bool any = false;
    for (const std::string& part : parts) {
        value += ";" + Escaped(part);
        any = any || !part.empty();
    }
    if (any) lines.Add(std::string("ADR;TYPE=") + type + ":" + value);
}

}  // namespace

std::optional<Translated> CardAsVCard(const nsof::Value& entry, int32_t store, std::string* why) {
    if (!entry.As<nsof::Frame>()) {
        *why = "the entry is no frame";
        return std::nullopt;
    }
    Translated card;
    Lines lines;
    lines.Add("BEGIN:VCARD");
    lines.Add("VERSION:3.0");
    const nsof::Value* nameSlot = entry.Find("name");
    const nsof::Value name = nameSlot ? *nameSlot : nsof::Value{nsof::Nil{}};
    // A name may be one plain string, as in Apple's own example.
    const std::string whole = TextOf(&name).value_or("");
    const std::string first = TextSlot(name, "first"), last = TextSlot(name, "last");
    const std::string honorific = TextSlot(name, "honorific");
    std::string company = TextSlot(entry, "company");
    if (company.empty()) company = TextSlot(name, "company");
    const nsof::Value* klass = entry.Find("class");
    const bool organisation = klass && (klass->IsSymbol("company") || klass->IsSymbol("worksite"));
    const std::string shown = organisation    ? company
                              : whole.empty() ? Joined({first, last}, " ")
                                              : whole;
    lines.Add("N:" + Escaped(whole.empty() ? last : whole) + ";" + Escaped(first) + ";;" +
              Escaped(honorific) + ";");
    lines.Add("FN:" + Escaped(shown.empty() ? company : shown));
    if (klass && klass->IsSymbol("group")) lines.Add("X-ADDRESSBOOKSERVER-KIND:group");
    if (organisation) lines.Add("X-ABShowAs:COMPANY");
    lines.AddText("TITLE", TextSlot(name, "title"));
    lines.AddText("ORG", company);

    // The card's own address is its work address; those it adds name no
    // kind, and take the other one an address book has a place for.
    AddAddress(lines, entry, "WORK,POSTAL");
    for (const nsof::Value* more : FramesIn(entry, "addresses"))
        AddAddress(lines, *more, "HOME,POSTAL");

    if (const nsof::Value* phones = entry.Find("phones"); phones && phones->As<nsof::Array>()) {
        for (const nsof::Value& phone : phones->As<nsof::Array>()->elements) {
            const auto number = TextOf(&phone);
            if (!number) {
                card.oddities.push_back("a phone that is no text");
                continue;
            }
            const nsof::Binary* typed = phone.As<nsof::Binary>();
            lines.AddText("TEL;TYPE=" + PhoneType(typed ? typed->className : ""), *number);
        }
    }
    for (const nsof::Value* pager : FramesIn(entry, "pagers"))
        lines.AddText("TEL;TYPE=PAGER", TextSlot(*pager, "pagerNum"));
    lines.AddText("EMAIL;TYPE=INTERNET", TextSlot(entry, "email"));
    for (const nsof::Value* address : FramesIn(entry, "emailAddrs"))
        lines.AddText("EMAIL;TYPE=INTERNET", TextSlot(*address, "email"));
    if (const nsof::Value* urls = entry.Find("URLs"); urls && urls->As<nsof::Array>()) {
        for (const nsof::Value& url : urls->As<nsof::Array>()->elements) {
            const std::string address = TextOf(&url).value_or("");
            if (address.empty()) continue;
            if (const auto uri = Uri(address)) {
                lines.Add("URL:" + *uri);
            } else {
                card.oddities.push_back("a web address with a control character, left out");
            }
        }
    }
    if (const auto bday = IntegerOf(entry.Find("bday")))
        lines.Add("BDAY;VALUE=date:" + Date(*bday));
    // Evolution and GNOME read their own name of it.
    if (const auto anniversary = IntegerOf(entry.Find("anniversary"))) {
        lines.Add("X-ANNIVERSARY;VALUE=date:" + Date(*anniversary));
        lines.Add("X-EVOLUTION-ANNIVERSARY;VALUE=date:" + Date(*anniversary));
    }
    std::string notes = ParagraphsText(entry, "notes", card.oddities);
    while (!notes.empty() && notes.back() == '\n') notes.pop_back();
    lines.AddText("NOTE", notes);
    if (const nsof::Value* labels = entry.Find("labels")) {
        const nsof::Symbol* folder = labels->As<nsof::Symbol>();
        const std::optional<std::string> category =
            folder ? FolderName(*folder) : TextOf(labels).value_or("");
        if (category) {
            lines.AddText("CATEGORIES", *category);
        } else {
            card.oddities.push_back("a folder whose name is no ASCII, left out");
        }
    }
    if (const auto unique = IntegerOf(entry.Find("_uniqueID")))
        lines.Add("UID:" + NewtonUid(store, std::to_string(*unique)));
    lines.Add("END:VCARD");
    card.text = lines.Take();
    return card;
}

}  // namespace zd
