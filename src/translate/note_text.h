// A note from the Newton's Notes soup as a text: the texts of its paragraphs
// one after the other, or a checklist's or an outline's topics as indented
// lines; an ink word as "[ink]"; a note with no text at all says that it
// holds a drawing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "nsof/nsof.h"

namespace zd {

// Minutes from 1 January 1904, the Newton's clock, to 1 January 1970.
inline constexpr int64_t kNewtonEpochMinutes = 34714080;

struct NoteText {
    std::string text;                 // UTF-8, LF line ends, a line end at the end
    std::string title;                // its first line, for a file name
    std::optional<int64_t> modified;  // seconds since 1970, from "_modTime"
};

// The note an entry of the Notes soup holds; nullopt, with the reason in
// `*why`, when the entry is no frame.
std::optional<NoteText> NoteAsText(const nsof::Value& entry, std::string* why);

}  // namespace zd
