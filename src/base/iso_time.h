// Moments as ISO 8601 text with their offset from UTC ("2026-12-11T16:18:17+01:00"),
// which reads back as the same moment in any time zone.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace zd {

// `when` in this machine's local time, with its offset.
std::string IsoLocalTime(std::time_t when);

// The moment `text` names; one without an offset is read as local time.
// nullopt for text that is no such moment.
std::optional<std::time_t> ParseIsoTime(const std::string& text);

}  // namespace zd
