// A note from the Newton's Notes soup as a text: the texts of its paragraphs
// in the order they stand on the page, or a checklist's or an outline's
// topics as lines indented by their level; an ink word as "[ink]"; a note
// with no text at all says that it holds a drawing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nsof/nsof.h"

namespace zd {

// The most text one entry may give: a few objects can repeat a long text
// many times over (precedents), and no note a Newton holds comes near it.
inline constexpr size_t kMaxTextBytes = 16u << 20;

struct NoteText {
    std::string text;                   // UTF-8, LF line ends, a line end at the end
    std::string title;                  // its first line, for a file name
    std::string folder;                 // the Newton's folder it is filed in, "" for none
    std::optional<int64_t> modified;    // seconds since 1970, from "_modTime" as local time
    std::vector<std::string> oddities;  // what was odd in it, in words
};

// The note an entry of the Notes soup holds; nullopt, with the reason in
// `*why`, when the entry is no frame or its text too long.
std::optional<NoteText> NoteAsText(const nsof::Value& entry, std::string* why);

}  // namespace zd
