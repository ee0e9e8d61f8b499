// The Newton's texts as ours: what every translation of an entry reads its
// strings, numbers and times with.  A text may be a string or a rich string,
// or a binary object of a class of its own (a phone number, an e-mail
// address) holding UTF-16; an ink word becomes "[ink]", and no character of
// the Newton's private use reaches a desktop file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nsof/nsof.h"

namespace zd {

// Minutes from 1 January 1904, the Newton's clock, to 1 January 1970.
inline constexpr int64_t kNewtonEpochMinutes = 34714080;

// What stands for an ink word in a text.
inline constexpr std::string_view kInkWordText = "[ink]";

// An entry in a desktop format.
struct Translated {
    std::string text;                   // UTF-8
    std::vector<std::string> oddities;  // what could not be read, in words
    size_t count = 1;                   // of cards, events or tasks in it
};

// The text `value` holds, its returns as line ends; nullopt when it holds no
// text.
std::optional<std::string> TextOf(const nsof::Value* value);

// The text of slot `name` of `frame`, or "".
std::string TextSlot(const nsof::Value& frame, std::string_view name);

// The integer `value` holds, if any.
std::optional<int32_t> IntegerOf(const nsof::Value* value);

// The Newton's truth: anything but nil or a missing slot.
bool IsTrue(const nsof::Value* value);

// The frames of the array in slot `name` of `entry`, in their order.
std::vector<const nsof::Value*> FramesIn(const nsof::Value& entry, std::string_view name);

// The paragraphs of the things in slot `name` (a note's "data", a card's
// "notes", a meeting's "notesData") in the order they stand on the page: top,
// then left; those without a place follow in the order they came, each
// noted in `oddities`.  Drawings, ink and pictures hold no text.
std::vector<const nsof::Value*> ParagraphsOnThePage(const nsof::Value& entry, std::string_view name,
                                                    std::vector<std::string>& oddities);

// Those paragraphs' texts, a line each.
std::string ParagraphsText(const nsof::Value& entry, std::string_view name,
                           std::vector<std::string>& oddities);

// A stable identifier of an entry for the desktop: the store's signature
// and the entry's own id on that store.
std::string NewtonUid(int32_t store, const std::string& id);

// A short digest of `text` (FNV-1a, 64 bits, in hexadecimal), the same on
// every machine: for identifiers of what has no id of its own.
std::string TextDigest(std::string_view text);

// A moment of the Newton's clock (minutes since 1 January 1904, the
// Newton's local time) as a date and a time of day.
struct CivilTime {
    int year = 1904, month = 1, day = 1, hour = 0, minute = 0;
};
CivilTime FromNewtonMinutes(int64_t minutes);

// That moment as seconds since 1970, read in this machine's time zone as the
// Newton keeps its clock in its owner's.
int64_t LocalSeconds(int64_t newtonMinutes);

}  // namespace zd
