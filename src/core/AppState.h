#pragma once

#include "core/KeySlots.h"

#include <QString>
#include <array>

namespace pikoro {

// The five assignment tables. Every entry is a file path; empty means nothing is assigned.
struct AssignmentTables {
    std::array<QString, KeyPictureCount> KeyPictureTable;     // slots 0-32, 32 = opening picture
    std::array<QString, KeySoundCount> KeySoundTable;         // slots 0-31
    std::array<QString, DigitCount> DigitPictureTable;        // digits 0-9
    std::array<QString, DigitCount> DigitSoundTable;          // digits 0-9
    std::array<QString, MidiSlotCount> MidiTable;             // 0 = opening piece, 1-9, F1-F12

    void clear() { *this = AssignmentTables{}; }
    bool operator==(const AssignmentTables &) const = default;
};

// The six option flags. The settings window's check boxes show and edit exactly these values.
struct OptionFlags {
    bool SoundFlag = false;  // play the WAVE of a key action
    bool RENFlag = false;    // play WAVE files looped
    bool OPENFlag = false;   // play the opening MIDI piece
    bool CDFlag = false;     // keep the opening picture and piece in PIKORO.ini
    bool TomeiFlag = false;  // see-through main window
    bool AIUEOFlag = false;  // kana captions on the letter keys

    bool operator==(const OptionFlags &) const = default;
};

// Truth values as the settings file stores them: -1 for true, 0 for false.
constexpr int truthValue(bool on) { return on ? -1 : 0; }

// Everything the program shares between its windows for the whole run: the tables, the flags,
// the mode numbers and the main window's working state. One object, created at start-up and
// handed to every window; nothing of it lives in globals.
struct AppState {
    QString applicationFolder; // the executable's folder; PIKORO.ini and pikoro.hlp live here

    AssignmentTables tables;
    OptionFlags flags;
    int SoundMode = 0;   // 0-4, never saved
    int PictureMode = 0; // 0-4, never saved
    double keyboardZoom = 0.0; // keyboard size on the main screen: 0 automatic, else the factor

    // Captions the letter keys Comnd(0)-Comnd(25) show now (see ApplyKeyCaptions).
    std::array<QString, LetterSlotCount> keyCaptions = LetterCaptions();

    // Main-window working state.
    bool KeyBusy = false;          // a key action is under way
    QString picturePath;           // the picture-path holder (Label4's caption)
    QString CurrentFileName;       // sound or MIDI file of the action under way
    int KeyStrokeMark = 0;         // 1 after every key action
    bool OpeningActive = false;    // the opening is under way
    int InstructionsShown = 0;     // 1 once the instructions window was shown in this run

    bool &KanaMode() { return flags.AIUEOFlag; }
    bool KanaMode() const { return flags.AIUEOFlag; }
    bool SavedContinuousPlay() const { return flags.RENFlag; }

    QString settingsPath() const { return applicationFolder + QStringLiteral("/PIKORO.ini"); }
    QString helpFilePath() const { return applicationFolder + QStringLiteral("/pikoro.hlp"); }
};

// Sets the letter-key captions from KanaCaptions (kana) or LetterCaptions.
void ApplyKeyCaptions(AppState &state, bool kana);
inline void key_chenge(AppState &state) { ApplyKeyCaptions(state, true); }
inline void key_back(AppState &state) { ApplyKeyCaptions(state, false); }

} // namespace pikoro
