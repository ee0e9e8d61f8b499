#include "translate/newton_text.h"

#include "base/unicode.h"

namespace zd {
namespace {

// An ink word inside a rich string, and inside a paragraph's text.
constexpr char32_t kRichInkWord = 0xF700;
constexpr char32_t kInkWord = 0xF701;

bool PrivateUse(int64_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

// UTF-8 `text` as ours: returns as line ends, ink words named, and what is
// the Newton's own private use shown as not readable.
std::string AsOurs(std::string_view text) {
    std::string ours;
    for (size_t at = 0; at < text.size();) {
        const int64_t c = NextCharacter(text, &at);
        if (c == '\r') {
            ours += '\n';
        } else if (c == kInkWord || c == kRichInkWord) {
            ours += kInkWordText;
        } else if (c < 0 || PrivateUse(c)) {
            AppendUtf8(ours, kReplacementCharacter);
        } else {
            AppendUtf8(ours, static_cast<char32_t>(c));
        }
    }
    return ours;
}

}  // namespace

std::optional<std::string> TextOf(const nsof::Value* value) {
    if (!value) return std::nullopt;
    if (const nsof::String* string = value->As<nsof::String>()) return AsOurs(string->text);
    if (const nsof::Binary* binary = value->As<nsof::Binary>())
        return AsOurs(Utf16BeToUtf8(binary->bytes));
    return std::nullopt;
}

std::string TextSlot(const nsof::Value& frame, std::string_view name) {
    return TextOf(frame.Find(name)).value_or("");
}

std::optional<int32_t> IntegerOf(const nsof::Value* value) {
    const int32_t* integer = value ? value->As<int32_t>() : nullptr;
    return integer ? std::optional<int32_t>(*integer) : std::nullopt;
}

bool IsTrue(const nsof::Value* value) {
    return value && !value->As<nsof::Nil>();
}

}  // namespace zd
