#pragma once

#include "core/KeySlots.h"

#include <QString>
#include <array>

namespace pikoro {

// The five assignment tables. Every entry is a file path; empty means nothing is assigned.
struct AssignmentTables {
    std::array<QString, KeyPictureCount> keyPictures; // slots 0-32, 32 = opening picture
    std::array<QString, KeySoundCount> keySounds;     // slots 0-31
    std::array<QString, DigitCount> digitPictures;    // digits 0-9
    std::array<QString, DigitCount> digitSounds;      // digits 0-9
    std::array<QString, MidiSlotCount> midiPieces;    // 0 = opening piece, 1-9, F1-F12

    void clear() { *this = AssignmentTables{}; }
    bool operator==(const AssignmentTables &) const = default;
};

// The option flags. The settings window's check boxes show and edit exactly these values.
struct OptionFlags {
    bool playSounds = false;       // play the WAVE of a key action
    bool loopSounds = false;       // play WAVE files looped
    bool playOpeningPiece = false; // play the opening MIDI piece
    bool storeOpening = false;     // keep the opening picture and piece in PIKORO.ini
    bool seeThroughWindow = false; // see-through main window
    bool kanaKeys = false;         // kana captions on the letter keys
    // Beyond the six: a quick key sounds at once and every key answers (see KeyActions).
    bool answerEveryKey = false;
    // Beyond the six: OK keeps the tables in a data file that the next start opens (KeptSetup).
    bool keepSetupInUserFile = false;

    bool operator==(const OptionFlags &) const = default;
};

// Everything the program shares between its windows for the whole run: the tables, the flags,
// the mode numbers and the main window's working state. One object, created at start-up and
// handed to every window; nothing of it lives in globals.
struct AppState {
    QString applicationFolder; // pikoro.hlp, the shipped PIKORO.ini and the prepared content
    // The installed program keeps the user's own PIKORO.ini apart (see ApplicationPlace); empty
    // when the settings file is the one in the application folder.
    QString userSettingsFile;
    QString documentsFolder; // where data files are saved first; empty: the application folder
    // The data file opened at start-up, as PIKORO.ini stores it ("."-relative allowed); empty
    // for none.
    QString startupDataFile;
    // The user's own data file (userDataFilePath()); empty in tests that keep nothing.
    QString userDataFile;
    // The data file the tables came from or went to last (opened at start-up or in the settings
    // window, saved, or kept by OK); empty when none.
    QString dataFileInUse;
    // Ask for the user name before the settings window opens ([Pikoro] AskNameForSettings).
    bool askNameForSettings = false;
    // A key sound that cannot be played is reported (file and reason) instead of staying silent;
    // [Pikoro] SoundMessages, off when absent, so data files of old keep their quiet.
    bool reportSoundFailures = false;

    AssignmentTables tables;
    OptionFlags flags;
    int soundMode = 0;         // 0-4, never saved
    int pictureMode = 0;       // 0-4, never saved
    double keyboardZoom = 0.0; // keyboard size on the main screen: 0 automatic, else the factor

    // Captions the 26 letter buttons show now (see applyKeyCaptions).
    std::array<QString, LetterSlotCount> keyCaptions = letterCaptions();

    int instructionsShown = 0; // 1 once the instructions window was shown in this run

    bool &kanaMode() { return flags.kanaKeys; }
    bool kanaMode() const { return flags.kanaKeys; }

    // The settings file read: the user's own once it exists, else the one in the application
    // folder, which the installed program ships as its defaults.
    QString settingsPath() const;
    // The settings file OK writes: the user's own when there is one, else the application
    // folder's.
    QString settingsSavePath() const;
    QString helpFilePath() const { return applicationFolder + QStringLiteral("/pikoro.hlp"); }
};

// Sets the letter-key captions from kanaCaptions (kana) or letterCaptions.
void applyKeyCaptions(AppState &state, bool kana);

} // namespace pikoro
