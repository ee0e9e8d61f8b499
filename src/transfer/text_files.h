// Text files on the desktop: UTF-8, the platform's text encoding, or code page
// 1252, the old desktops' byte form, where the preference "FileCharset" asks
// for it.  Text on our side is UTF-8 either way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zd {

class PrefsStore;
struct Session;

enum class FileCharset { kUtf8, kCp1252 };

FileCharset ReadFileCharset(const PrefsStore& prefs);

// `text` as a file in `charset` holds it; characters code page 1252 lacks go
// as "?", counted in `*replaced`.
std::string ToFileBytes(std::string_view text, FileCharset charset, size_t* replaced);

// A file's bytes as text.  In UTF-8 they are taken as UTF-8 when they are
// (a leading byte-order mark dropped), otherwise as code page 1252; in code
// page 1252 always as 1252.  Bytes 1252 leaves undefined go as "?", counted.
std::string FromFileBytes(std::string_view bytes, FileCharset charset, size_t* replaced);

// Logs "N characters went as "?": `why`." when `count` is not 0.
void LogReplaced(Session& s, size_t count, std::string_view why);

}  // namespace zd
