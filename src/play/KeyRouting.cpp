#include "play/KeyRouting.h"

#include "core/KeySlots.h"
#include "core/MainScreenDesign.h"

#include <array>
#include <string_view>
#include <utility>

namespace pikoro {

namespace {

// X11 / xkb key symbols of the right-hand modifiers.
constexpr quint32 ShiftRightSym = 0xffe2;
constexpr quint32 ControlRightSym = 0xffe4;
constexpr quint32 AltRightSym = 0xffea;

// The special-key buttons by index (see SpecialKeyButtonDesign).
enum SpecialKey {
    EscKey = 0,
    TabKey = 1,
    LeftCtrlKey = 2,
    RightShiftKey = 3,
    LeftShiftKey = 4,
    LeftAltKey = 5,  // 無変換
    RightAltKey = 6, // 変換
    RightCtrlKey = 7,
    CapsKey = 8
};
constexpr int BackspaceKey = 11; // the unassigned key captioned "BS"

KeyAnswer button(ScreenButton array, int index) {
    return {KeyAnswer::Kind::Button, 0, array, index};
}

KeyAnswer character(int code) {
    return {KeyAnswer::Kind::Character, code, ScreenButton::Letter, 0};
}

// The characters printed on each unassigned key of a JIS keyboard, shifted or not, by button
// index; the characters of a US keyboard's keys at the same places go to the same buttons.
constexpr std::array<std::u16string_view, UnassignedKeyButtonCount> PunctuationKeys{
    u";+", u"_", u"/?", u".>", u",<", u"\\|¥", u"^~=", u"-", u"[{", u"@`", u"]}", u"", u":*"};

std::optional<int> punctuationKey(char16_t c) {
    for (std::size_t i = 0; i < PunctuationKeys.size(); ++i)
        if (c && PunctuationKeys[i].find(c) != std::u16string_view::npos)
            return int(i);
    return std::nullopt;
}

bool typesKeyAction(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           c == u' ';
}

std::optional<KeyAnswer> byKey(const KeyStroke &stroke) {
    const int key = stroke.key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return button(ScreenButton::FunctionKey, key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape:
        return button(ScreenButton::SpecialKey, EscKey);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return button(ScreenButton::SpecialKey, TabKey);
    case Qt::Key_CapsLock:
        return button(ScreenButton::SpecialKey, CapsKey);
    case Qt::Key_Shift:
        return button(ScreenButton::SpecialKey,
                      stroke.keysym == ShiftRightSym ? RightShiftKey : LeftShiftKey);
    case Qt::Key_Control:
        return button(ScreenButton::SpecialKey,
                      stroke.keysym == ControlRightSym ? RightCtrlKey : LeftCtrlKey);
    case Qt::Key_Alt:
        return button(ScreenButton::SpecialKey,
                      stroke.keysym == AltRightSym ? RightAltKey : LeftAltKey);
    case Qt::Key_AltGr:
    case Qt::Key_Henkan:
        return button(ScreenButton::SpecialKey, RightAltKey);
    case Qt::Key_Muhenkan:
        return button(ScreenButton::SpecialKey, LeftAltKey);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return button(ScreenButton::Letter, ReturnSlot);
    case Qt::Key_Down:
        return button(ScreenButton::Letter, DownSlot);
    case Qt::Key_Up:
        return button(ScreenButton::Letter, UpSlot);
    case Qt::Key_Right:
        return button(ScreenButton::Letter, RightSlot);
    case Qt::Key_Left:
        return button(ScreenButton::Letter, LeftSlot);
    case Qt::Key_Backspace:
        return button(ScreenButton::UnassignedKey, BackspaceKey);
    default:
        return std::nullopt;
    }
}

} // namespace

KeyAnswer answerOfKey(const KeyStroke &stroke) {
    if (std::optional<KeyAnswer> answer = byKey(stroke))
        return *answer;
    const char16_t typed = stroke.text.isEmpty() ? 0 : stroke.text.at(0).unicode();
    if (typesKeyAction(typed))
        return character(typed);
    // The keypad's operators have no button; its digits type as the digit keys do.
    if (stroke.modifiers & Qt::KeypadModifier)
        return {};
    // With Ctrl held a letter or digit types a control character: the key still names it.
    const bool control = typed < 0x20 || typed == 0x7f;
    if (control && ((stroke.key >= Qt::Key_A && stroke.key <= Qt::Key_Z) ||
                    (stroke.key >= Qt::Key_0 && stroke.key <= Qt::Key_9)))
        return character(stroke.key);
    if (const std::optional<int> index = punctuationKey(typed))
        return button(ScreenButton::UnassignedKey, *index);
    return {};
}

bool isHeldForGestures(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

bool ModifierTap::pressed(const KeyStroke &stroke) {
    if (!isHeldForGestures(stroke.key)) {
        m_held.reset();
        return false;
    }
    // Two modifiers together make a chord for some other purpose, never a key of their own.
    if (m_held)
        m_held.reset();
    else
        m_held = stroke;
    return true;
}

std::optional<KeyStroke> ModifierTap::released(const KeyStroke &stroke) {
    if (!m_held || m_held->key != stroke.key || m_held->keysym != stroke.keysym)
        return std::nullopt;
    return std::exchange(m_held, std::nullopt);
}

} // namespace pikoro
