#include "base/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace zd {
namespace {

// Converts `text` with iconv from `from` to `to`.  Where the input cannot be
// converted, "?" goes out and the input moves on by one byte, or for UTF-8
// input by one whole character.
std::string Convert(std::string_view text, const char* to, const char* from, size_t* replaced) {
    iconv_t codec = ::iconv_open(to, from);
    if (codec == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no iconv codec");
    std::string out;
    out.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char chunk[1024];
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof chunk;
        const size_t result = ::iconv(codec, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // EILSEQ or EINVAL: a byte the codec cannot take.
        out += '?';
        if (replaced) ++*replaced;
        do {
            ++in;
            --inLeft;
        } while (inLeft > 0 && std::string_view(from) == "UTF-8" &&
                 (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    ::iconv_close(codec);
    return out;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text, size_t* replaced) {
    return Convert(text, "UTF-8", "CP1252", replaced);
}

std::string Utf8ToCp1252(std::string_view text, size_t* replaced) {
    return Convert(text, "CP1252", "UTF-8", replaced);
}

}  // namespace zd
