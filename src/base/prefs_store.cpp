#include "base/prefs_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/atomic_file.h"
#include "base/ini_text.h"
#include "base/prefs_keys.h"

namespace zd {

int32_t PrefsStore::GetPrefInt(int32_t& value, std::string_view name) const {
    value = ParseProfileInt(GetPrefString(name));
    return value;
}

bool PrefsStore::SetPrefInt(int32_t value, std::string_view name) {
    return SetPrefString(std::to_string(value), name);
}

std::string PrefsStore::GetPrefString(std::string_view name) const {
    if (const auto overridden = m_overrides.find(name); overridden != m_overrides.end())
        return overridden->second;
    const auto text = ReadWholeFile(m_path);
    if (!text) return {};
    return FindIniValue(*text, prefs::kSection, name).value_or(std::string());
}

bool PrefsStore::SetPrefString(std::string_view value, std::string_view name) {
    if (value.find_first_of("\r\n") != std::string_view::npos) return false;
    if (const auto overridden = m_overrides.find(name); overridden != m_overrides.end()) {
        overridden->second = value;
        return true;
    }
    const std::string old = ReadWholeFile(m_path).value_or(std::string());
    // The first value written makes the file's folder ($XDG_CONFIG_HOME may not exist yet).
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    return WriteWholeFile(m_path, SetIniValue(old, prefs::kSection, name, value),
                          IfTaken::kReplace) == 0;
}

void PrefsStore::Override(std::string_view name, std::string_view value) {
    m_overrides.insert_or_assign(std::string(name), std::string(value));
}

int32_t ReadPrefInt(const PrefsStore& prefs, std::string_view name) {
    int32_t value = 0;
    return prefs.GetPrefInt(value, name);
}

bool ReadSwitch(const PrefsStore& prefs, std::string_view name, bool absent) {
    const std::string value = prefs.GetPrefString(name);
    return value.empty() ? absent : ParseProfileInt(value) != 0;
}

std::string DefaultPrefsPath(std::string_view programPath) {
    std::string base = std::filesystem::path(programPath).stem().string();
    if (base.empty()) base = "zandorelle";

    std::filesystem::path folder;
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        folder = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !home[0]) {
            const passwd* user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : "/";
        }
        folder = std::filesystem::path(home) / ".config";
    }
    return (folder / (base + ".INI")).string();
}

}  // namespace zd
