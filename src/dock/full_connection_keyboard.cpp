// Typing on the Newton through its Connection keyboard.
#include "dock/full_connection.h"

#include "dock/keyboard_text.h"

namespace zd::dock {

size_t FullConnection::Type(std::string_view text, int64_t now) {
    if (m_phase == Phase::kEnded) return 0;
    const KeyboardText keyboard = ToKeyboardText(text);
    size_t queued = 0;
    for (size_t i = 0; i < keyboard.pieces.size(); ++i) {
        m_typing.push_back({Encode(kKeyboardString, keyboard.pieces[i]), keyboard.characters[i]});
        queued += keyboard.characters[i];
    }
    m_waiting += queued;
    if (keyboard.replaced > 0) {
        Note(Characters(keyboard.replaced) + " went as \"?\": the Newton cannot show them.");
    }
    if (keyboard.zeros > 0)
        Note(std::to_string(keyboard.zeros) + " zero characters were left out.");
    if (queued > 0) OpenKeyboard(now);
    return queued;
}

void FullConnection::PressKey(char16_t key, int64_t now) {
    if (m_phase == Phase::kEnded) return;
    m_typing.push_back({Encode(kKeyboardCharacter, KeyData(key)), 1});
    ++m_waiting;
    OpenKeyboard(now);
}

void FullConnection::OpenKeyboard(int64_t now) {
    m_closeWhenTyped = false;
    if (m_keyboard != Keyboard::kClosed || m_phase == Phase::kEnded) return;
    if (m_phase == Phase::kGreeting) {
        m_keyboardWanted = true;
        return;
    }
    Send(kDesktopInControl);
    Send(kKeyboard);
    m_keyboard = Keyboard::kOpening;
    m_unknownAnswered = false;
    m_deadline = now + kAnswerMs;
}

void FullConnection::CloseKeyboard(int64_t) {
    m_keyboardWanted = false;
    if (m_keyboard == Keyboard::kClosed) return;
    m_closeWhenTyped = true;
}

void FullConnection::KeyboardOpened(bool byNewton) {
    m_keyboard = Keyboard::kOpen;
    if (byNewton) m_unknownAnswered = false;
    if (byNewton) Note("The Newton's keyboard is open: what you send is typed on it.");
}

void FullConnection::KeyboardLost(const std::string& why) {
    ++m_keyboardLosses;
    m_keyboard = Keyboard::kClosed;
    m_closeWhenTyped = false;
    Note(CountingWhatWasNotTyped(why));
    m_typing.clear();
    m_waiting = 0;
}

std::string FullConnection::CountingWhatWasNotTyped(const std::string& note) const {
    if (m_waiting == 0) return note + ".";
    return note + "; " + Characters(m_waiting) + " were not typed.";
}

}  // namespace zd::dock
