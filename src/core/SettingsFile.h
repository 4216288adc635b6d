#pragma once

#include "core/Outcome.h"

#include <QString>
#include <array>
#include <utility>

namespace pikoro {

struct AppState;
struct OptionFlags;
class ProfileFile;

// One option flag and the PIKORO.ini section and key (same name) it is stored under.
struct OptionFlagEntry {
    const char *key;
    bool OptionFlags::*member;
};
// The six flags in the order the file has always been read and written.
extern const std::array<OptionFlagEntry, 6> optionFlagEntries;

// Options of our own beyond the six flags, all under [Pikoro]: off when the key is absent, so
// an older file behaves as it always did; written only when on or already in the file.
extern const std::array<OptionFlagEntry, 2> ownOptionEntries;
// Reads the six flags and our own options from `profile` into `flags`.
void readOptionFlags(const ProfileFile &profile, OptionFlags &flags);

// Message shown (no title, OK only) when the settings file exists but cannot be read at start.
QString loadSettingsErrorMessage();

// The start-up read of PIKORO.ini: the opening picture, the 22 MIDI entries, the option
// flags, the keyboard zoom ([Keyboard] Zoom), the start-up data file ([Pikoro] StartupData) and
// whether the settings window asks for the user name ([Pikoro] AskNameForSettings); the
// letter-key captions follow AIUEOFlag. A missing file or key is no error (empty paths, flags off,
// automatic zoom). On failure nothing has been changed and the outcome carries the message.
// Temporary files that a save killed half-way left beside the file are removed first.
Outcome loadSettings(AppState &state);

// Fills digitSounds and keySounds from section "SoundFile <mode>"; keys missing there
// leave their entries empty.
Outcome loadSoundSet(AppState &state, int mode);

// Fills digitPictures and keyPictures (opening picture included) from section
// "BMPFile <mode>".
Outcome loadPictureSet(AppState &state, int mode);

// Opens the data file that PIKORO.ini names under [Pikoro] StartupData (state.startupDataFile,
// resolved like every stored path) into the tables. Returns a short note for the status line
// when it is missing or cannot be read (the tables are then left as they were); empty when it
// was opened or none is named.
QString openStartupDataFile(AppState &state);

// Writes the six flags and, with CDFlag on, the opening picture and piece (empty entries with it
// off). The other lines of the file are kept. The file is replaced whole, so a failed save keeps
// the old one; the outcome then carries a message naming the file. [Pikoro] StartupData,
// AskNameForSettings and our own options are written when set or already present. The installed
// program writes the user's own file, starting from the shipped one. Applying TomeiFlag to the
// main window is the caller's step.
Outcome saveSettings(const AppState &state);

// A stored path beginning with "." is relative to the application folder: ".\wav\a.wav" in
// folder /p becomes "/p/./wav/a.wav". Any other text, the empty one included, is kept as it is.
QString resolveStoredPath(const QString &applicationFolder, const QString &text);

// (text before the first ".", text after it). Without a dot the stem is the whole name and the
// extension is the one passed in, unchanged.
std::pair<QString, QString> splitNameAtFirstDot(const QString &name, const QString &extension = {});

} // namespace pikoro
