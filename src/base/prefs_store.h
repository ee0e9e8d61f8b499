// The preference file: one section of "name=value" lines, read at the moment a
// value is needed and written at once when it changes.  No caching: two reads of
// the same name always see the file as it is.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace zd {

class PrefsStore {
public:
    // Uses the preference file at `path`; it need not exist yet.
    explicit PrefsStore(std::string path) : m_path(std::move(path)) {}

    // Reads integer `name` into `value` and returns it; absent or unreadable
    // values read as 0, text as its leading (signed) digits.
    int32_t GetPrefInt(int32_t& value, std::string_view name) const;

    // Writes `value` as decimal text under `name`.  Returns false when the file
    // could not be written; the old file then stays as it was.
    bool SetPrefInt(int32_t value, std::string_view name);

    // Reads string `name`; absent reads as "".
    std::string GetPrefString(std::string_view name) const;

    // Writes string `value` under `name`.  A value with a line break would break
    // the file's format and is refused (returns false).
    bool SetPrefString(std::string_view value, std::string_view name);

    // From now on `name` reads as `value` and writes to it change only that
    // value: a setting for this run that leaves the file alone.
    void Override(std::string_view name, std::string_view value);

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::map<std::string, std::string, std::less<>> m_overrides;
};

// The integer `name`, for callers that only want its value.
int32_t ReadPrefInt(const PrefsStore& prefs, std::string_view name);

// The switch `name`: off where it says 0, `absent` where it is not set.
bool ReadSwitch(const PrefsStore& prefs, std::string_view name, bool absent);

// The default preference file for a program started as `programPath`: its base
// name plus ".INI" in $XDG_CONFIG_HOME, or in ~/.config when that is unset.
std::string DefaultPrefsPath(std::string_view programPath);

}  // namespace zd
