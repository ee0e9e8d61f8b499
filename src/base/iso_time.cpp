#include "base/iso_time.h"

#include <cstdio>
#include <cstdlib>

namespace zd {

std::string IsoLocalTime(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    const long offset = local.tm_gmtoff / 60;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', std::labs(offset) / 60,
                  std::labs(offset) % 60);
    return text;
}

std::optional<std::time_t> ParseIsoTime(const std::string& text) {
    std::tm civil{};
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &civil.tm_year, &civil.tm_mon,
                    &civil.tm_mday, &civil.tm_hour, &civil.tm_min, &civil.tm_sec, &used) != 6)
        return std::nullopt;
    civil.tm_year -= 1900;
    civil.tm_mon -= 1;
    const std::string rest = text.substr(static_cast<size_t>(used));
    if (rest.empty()) {
        civil.tm_isdst = -1;
        return std::mktime(&civil);
    }
    char sign = 0;
    int hours = 0, minutes = 0;
    if (rest == "Z") {
        sign = '+';
    } else if (std::sscanf(rest.c_str(), "%c%2d:%2d", &sign, &hours, &minutes) != 3 ||
               (sign != '+' && sign != '-')) {
        return std::nullopt;
    }
    const long offset = (hours * 60L + minutes) * 60 * (sign == '-' ? -1 : 1);
    return ::timegm(&civil) - offset;
}

}  // namespace zd
