#pragma once

#include <QString>
#include <array>

// The keys of the play keyboard and the numbers by which every part of the program addresses
// them. Letter keys A-Z are slots 0-25, then space 26, return 27, down 28, up 29, right 30,
// left 31; picture slot 32 is the opening picture. Digits 0-9 and the 22 MIDI slots have
// tables of their own.
namespace pikoro {

inline constexpr int LetterSlotCount = 26;
inline constexpr int SpaceSlot = 26;
inline constexpr int ReturnSlot = 27;
inline constexpr int DownSlot = 28;
inline constexpr int UpSlot = 29;
inline constexpr int RightSlot = 30;
inline constexpr int LeftSlot = 31;
inline constexpr int OpeningPictureSlot = 32;

inline constexpr int KeyPictureCount = 33;
inline constexpr int KeySoundCount = 32;
inline constexpr int DigitCount = 10;
inline constexpr int MidiSlotCount = 22;

inline constexpr int OpeningMidiSlot = 0;
inline constexpr int FirstSpecialKeyMidiSlot = 1; // special keys 0-8 are slots 1-9
inline constexpr int FirstFunctionMidiSlot = 10;  // F1-F12 are slots 10-21

inline constexpr int PictureListRows = DigitCount + KeyPictureCount; // 43
inline constexpr int SoundListRows = DigitCount + KeySoundCount;     // 42

constexpr int midiSlotOfSpecialKeyButton(int buttonIndex) {
    return buttonIndex + FirstSpecialKeyMidiSlot;
}
constexpr int midiSlotOfFunctionButton(int buttonIndex) {
    return buttonIndex + FirstFunctionMidiSlot;
}

// Captions of the 26 letter keys A-Z.
const std::array<QString, LetterSlotCount> &letterCaptions();
// The kana printed on the same key of a Japanese kana keyboard (A "ち" ... Z "つ").
const std::array<QString, LetterSlotCount> &kanaCaptions();

// Row names of the settings window's lists: digits first, then the key slots in slot order.
QString pictureListName(int row); // 43 rows: "０".."９", "A".."Z", "ｽﾍﾟｰｽ", ..., "ｵｰﾌﾟﾆﾝｸﾞ"
QString soundListName(int row); // 42 rows: "0".."9", "A".."Z", "ｽﾍﾟｰｽ", ..., "←"
QString midiListName(int slot); // 22 rows: "オープニングMIDI", "ESC", ..., "F12"

} // namespace pikoro
