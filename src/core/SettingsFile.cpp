#include "core/SettingsFile.h"

#include "core/AppState.h"
#include "core/ProfileFile.h"
#include "core/KeyboardZoom.h"
#include "core/SafeWrite.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// Names with a number carry it after one blank: "SoundFile 2", "BMPOp 32".
QString numbered(const QString &word, int n) {
    return word + u' ' + QString::number(n);
}

struct FlagEntry {
    const char *name;
    bool OptionFlags::*member;
};

// The six flags in the order the file has always been read and written.
constexpr FlagEntry flagEntries[] = {
    {"SoundFlag", &OptionFlags::SoundFlag}, {"RENFlag", &OptionFlags::RENFlag},
    {"OPENFlag", &OptionFlags::OPENFlag},   {"CDFlag", &OptionFlags::CDFlag},
    {"TomeiFlag", &OptionFlags::TomeiFlag}, {"AIUEOFlag", &OptionFlags::AIUEOFlag},
};

// Flags are written "-1" for on and " 0" for off.
QString flagText(bool on) {
    return on ? u"-1"_s : u" 0"_s;
}

template <std::size_t N>
void readPaths(const ProfileFile &profile, const QString &folder, const QString &section,
               const QString &keyWord, std::array<QString, N> &table) {
    for (std::size_t i = 0; i < N; ++i)
        table[i] =
            ResolveStoredPath(folder, profile.readString(section, numbered(keyWord, int(i))));
}

Outcome loadProfile(const AppState &state, ProfileFile &profile) {
    if (profile.load(state.settingsPath()))
        return Outcome::success();
    return Outcome::failure(loadSettingsErrorMessage());
}

} // namespace

QString loadSettingsErrorMessage() {
    return u"Load中にエラーが発生しました"_s;
}

Outcome LoadSettings(AppState &state) {
    // Only one copy of the program runs by now, so no save of ours is under way.
    removeStaleSaveFiles(state.settingsPath());
    ProfileFile profile;
    if (Outcome outcome = loadProfile(state, profile); !outcome)
        return outcome;
    const QString &folder = state.applicationFolder;
    state.tables.KeyPictureTable[OpeningPictureSlot] =
        ResolveStoredPath(folder, profile.readString(u"BMPFile"_s, numbered(u"BMPOp"_s, 32)));
    readPaths(profile, folder, u"MIDIFile"_s, u"MIDIOp"_s, state.tables.MidiTable);
    for (const FlagEntry &flag : flagEntries) {
        const QString name = QLatin1String(flag.name);
        state.flags.*flag.member = profile.readInt(name, name, 0) != 0;
    }
    state.keyboardZoom = KeyboardZoom::read(profile);
    ApplyKeyCaptions(state, state.flags.AIUEOFlag);
    return Outcome::success();
}

Outcome LoadSoundSet(AppState &state, int mode) {
    ProfileFile profile;
    if (Outcome outcome = loadProfile(state, profile); !outcome)
        return outcome;
    const QString section = numbered(u"SoundFile"_s, mode);
    readPaths(profile, state.applicationFolder, section, u"Sound"_s, state.tables.DigitSoundTable);
    readPaths(profile, state.applicationFolder, section, u"SoundOp"_s, state.tables.KeySoundTable);
    return Outcome::success();
}

Outcome LoadPictureSet(AppState &state, int mode) {
    ProfileFile profile;
    if (Outcome outcome = loadProfile(state, profile); !outcome)
        return outcome;
    const QString section = numbered(u"BMPFile"_s, mode);
    readPaths(profile, state.applicationFolder, section, u"BMP"_s, state.tables.DigitPictureTable);
    readPaths(profile, state.applicationFolder, section, u"BMPOp"_s, state.tables.KeyPictureTable);
    return Outcome::success();
}

Outcome SaveSettings(const AppState &state) {
    const QString path = state.settingsPath();
    ProfileFile profile;
    if (!profile.load(path)) {
        // Rewriting a file we could not read would throw away every line we did not see.
        return Outcome::failure(u"設定ファイルを読めないため保存できませんでした。\n%1\n%2"_s.arg(
            QDir::toNativeSeparators(path), profile.errorString()));
    }
    const OptionFlags &flags = state.flags;
    auto writeFlag = [&](const FlagEntry &flag) {
        const QString name = QLatin1String(flag.name);
        profile.writeString(name, name, flagText(flags.*flag.member));
    };
    for (int i = 0; i < 4; ++i) // SoundFlag, RENFlag, OPENFlag, CDFlag
        writeFlag(flagEntries[i]);
    profile.writeString(u"MIDIFile"_s, numbered(u"MIDIOp"_s, 0),
                        flags.CDFlag ? state.tables.MidiTable[OpeningMidiSlot] : QString());
    profile.writeString(u"BMPFile"_s, numbered(u"BMPOp"_s, 32),
                        flags.CDFlag ? state.tables.KeyPictureTable[OpeningPictureSlot]
                                     : QString());
    writeFlag(flagEntries[4]); // TomeiFlag
    writeFlag(flagEntries[5]); // AIUEOFlag
    if (!profile.save(path)) {
        return Outcome::failure(u"設定ファイルを保存できませんでした。\n%1\n%2"_s.arg(
            QDir::toNativeSeparators(path), profile.errorString()));
    }
    return Outcome::success();
}

QString ResolveStoredPath(const QString &applicationFolder, const QString &text) {
    if (!text.startsWith(u'.'))
        return text;
    QString relative = text;
    relative.replace(u'\\', u'/');
    return applicationFolder + u'/' + relative;
}

std::pair<QString, QString> SplitAtFirstDot(const QString &name, const QString &extension) {
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0)
        return {name, extension};
    return {name.left(dot), name.mid(dot + 1)};
}

} // namespace pikoro
