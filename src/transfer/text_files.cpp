#include "transfer/text_files.h"

#include <cctype>

#include "base/codepage.h"
#include "base/prefs_keys.h"
#include "base/prefs_store.h"
#include "link/display_ops.h"
#include "session/session.h"
#include "transfer/charset.h"

namespace zd {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

FileCharset ReadFileCharset(const PrefsStore& prefs) {
    std::string value = prefs.GetPrefString(prefs::kFileCharset);
    for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value == "cp1252" ? FileCharset::kCp1252 : FileCharset::kUtf8;
}

std::string ToFileBytes(std::string_view text, FileCharset charset, size_t* replaced) {
    if (charset == FileCharset::kUtf8) return std::string(text);
    return Utf8ToCp1252(text, replaced);
}

std::string FromFileBytes(std::string_view bytes, FileCharset charset, size_t* replaced) {
    if (charset == FileCharset::kUtf8 && IsUtf8(bytes)) {
        if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            bytes.remove_prefix(kByteOrderMark.size());
        return std::string(bytes);
    }
    return Cp1252ToUtf8(bytes, replaced);
}

void LogReplaced(Session& s, size_t count, std::string_view why) {
    if (count == 0) return;
    LogLine(s, std::to_string(count) + " characters went as \"?\": " + std::string(why) + ".");
}

}  // namespace zd
