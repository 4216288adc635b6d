#include "core/SettingsFile.h"

#include "core/AppState.h"
#include "core/DataFile.h"
#include "core/KeyboardZoom.h"
#include "core/ProfileFile.h"
#include "core/SafeWrite.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace pikoro {

const std::array<OptionFlagEntry, 6> optionFlagEntries{{
    {"SoundFlag", &OptionFlags::playSounds},
    {"RENFlag", &OptionFlags::loopSounds},
    {"OPENFlag", &OptionFlags::playOpeningPiece},
    {"CDFlag", &OptionFlags::storeOpening},
    {"TomeiFlag", &OptionFlags::seeThroughWindow},
    {"AIUEOFlag", &OptionFlags::kanaKeys},
}};
const std::array<OptionFlagEntry, 2> ownOptionEntries{{
    {"AnswerEveryKey", &OptionFlags::answerEveryKey},
    {"KeepSetupInUserFile", &OptionFlags::keepSetupInUserFile},
}};

namespace {

// Names with a number carry it after one blank: "SoundFile 2", "BMPOp 32".
QString numbered(const QString &word, int n) {
    return word + u' ' + QString::number(n);
}

// Flags are written "-1" for on and " 0" for off.
QString flagText(bool on) {
    return on ? u"-1"_s : u" 0"_s;
}

template <std::size_t N>
void readPaths(const ProfileFile &profile, const QString &folder, const QString &section,
               const QString &keyWord, std::array<QString, N> &table) {
    for (std::size_t i = 0; i < N; ++i)
        table[i] =
            resolveStoredPath(folder, profile.readString(section, numbered(keyWord, int(i))));
}

Outcome loadProfile(const AppState &state, ProfileFile &profile) {
    if (profile.load(state.settingsPath()))
        return Outcome::success();
    // The message every start-up failure has always shown, then which file and why.
    return Outcome::failure(u"%1\n%2\n%3"_s.arg(loadSettingsErrorMessage(),
                                                QDir::toNativeSeparators(state.settingsPath()),
                                                profile.errorString()));
}

// The start-up data file and our own options live in a section of our own.
QString startupDataSection() {
    return u"Pikoro"_s;
}

QString startupDataKey() {
    return u"StartupData"_s;
}

QString askNameForSettingsKey() {
    return u"AskNameForSettings"_s;
}

} // namespace

void readOptionFlags(const ProfileFile &profile, OptionFlags &flags) {
    for (const OptionFlagEntry &flag : optionFlagEntries) {
        const QString name = QLatin1String(flag.key);
        flags.*flag.member = profile.readInt(name, name, 0) != 0;
    }
    for (const OptionFlagEntry &option : ownOptionEntries)
        flags.*option.member =
            profile.readInt(startupDataSection(), QLatin1String(option.key), 0) != 0;
}

QString loadSettingsErrorMessage() {
    return u"Load中にエラーが発生しました"_s;
}

Outcome loadSettings(AppState &state) {
    // Only one copy of the program runs by now, so no save of ours is under way.
    removeStaleSaveFiles(state.settingsSavePath());
    ProfileFile profile;
    if (Outcome outcome = loadProfile(state, profile); !outcome)
        return outcome;
    const QString &folder = state.applicationFolder;
    state.tables.keyPictures[OpeningPictureSlot] =
        resolveStoredPath(folder, profile.readString(u"BMPFile"_s, numbered(u"BMPOp"_s, 32)));
    readPaths(profile, folder, u"MIDIFile"_s, u"MIDIOp"_s, state.tables.midiPieces);
    readOptionFlags(profile, state.flags);
    state.keyboardZoom = KeyboardZoom::read(profile);
    state.startupDataFile = profile.readString(startupDataSection(), startupDataKey());
    state.askNameForSettings =
        profile.readInt(startupDataSection(), askNameForSettingsKey(), 0) != 0;
    state.reportSoundFailures = profile.readInt(startupDataSection(), u"SoundMessages"_s, 0) != 0;
    applyKeyCaptions(state, state.flags.kanaKeys);
    return Outcome::success();
}

Outcome loadSoundSet(AppState &state, int mode) {
    ProfileFile profile;
    if (Outcome outcome = loadProfile(state, profile); !outcome)
        return outcome;
    const QString section = numbered(u"SoundFile"_s, mode);
    readPaths(profile, state.applicationFolder, section, u"Sound"_s, state.tables.digitSounds);
    readPaths(profile, state.applicationFolder, section, u"SoundOp"_s, state.tables.keySounds);
    return Outcome::success();
}

Outcome loadPictureSet(AppState &state, int mode) {
    ProfileFile profile;
    if (Outcome outcome = loadProfile(state, profile); !outcome)
        return outcome;
    const QString section = numbered(u"BMPFile"_s, mode);
    readPaths(profile, state.applicationFolder, section, u"BMP"_s, state.tables.digitPictures);
    readPaths(profile, state.applicationFolder, section, u"BMPOp"_s, state.tables.keyPictures);
    return Outcome::success();
}

Outcome saveSettings(const AppState &state) {
    // The installed program starts its own file from the shipped one, so every set stays.
    ProfileFile profile;
    if (const QString shipped = state.settingsPath(); !profile.load(shipped)) {
        // Rewriting a file we could not read would throw away every line we did not see.
        return Outcome::failure(u"設定ファイルを読めないため保存できませんでした。\n%1\n%2"_s.arg(
            QDir::toNativeSeparators(shipped), profile.errorString()));
    }
    const QString path = state.settingsSavePath();
    const OptionFlags &flags = state.flags;
    auto writeFlag = [&](const OptionFlagEntry &flag) {
        const QString name = QLatin1String(flag.key);
        profile.writeString(name, name, flagText(flags.*flag.member));
    };
    for (int i = 0; i < 4; ++i) // SoundFlag, RENFlag, OPENFlag, CDFlag
        writeFlag(optionFlagEntries[i]);
    profile.writeString(u"MIDIFile"_s, numbered(u"MIDIOp"_s, 0),
                        flags.storeOpening ? state.tables.midiPieces[OpeningMidiSlot] : QString());
    profile.writeString(u"BMPFile"_s, numbered(u"BMPOp"_s, 32),
                        flags.storeOpening ? state.tables.keyPictures[OpeningPictureSlot]
                                           : QString());
    writeFlag(optionFlagEntries[4]); // TomeiFlag
    writeFlag(optionFlagEntries[5]); // AIUEOFlag
    for (const OptionFlagEntry &option : ownOptionEntries) {
        const QString key = QLatin1String(option.key);
        if (flags.*option.member || profile.contains(startupDataSection(), key))
            profile.writeString(startupDataSection(), key, flagText(flags.*option.member));
    }
    // A file that never named a start-up data file does not get the section for nothing.
    if (!state.startupDataFile.isEmpty() ||
        profile.contains(startupDataSection(), startupDataKey()))
        profile.writeString(startupDataSection(), startupDataKey(), state.startupDataFile);
    if (state.askNameForSettings || profile.contains(startupDataSection(), askNameForSettingsKey()))
        profile.writeString(startupDataSection(), askNameForSettingsKey(),
                            flagText(state.askNameForSettings));
    // Automatic is the default: a file that never chose a size does not get the key for nothing.
    if (state.keyboardZoom != 0 || profile.contains(KeyboardZoom::section(), KeyboardZoom::key()))
        KeyboardZoom::write(profile, state.keyboardZoom);
    if (!state.userSettingsFile.isEmpty()) // the user's config folder may not be there yet
        QDir().mkpath(QFileInfo(path).absolutePath());
    if (!profile.save(path)) {
        return Outcome::failure(u"設定ファイルを保存できませんでした。\n%1\n%2"_s.arg(
            QDir::toNativeSeparators(path), profile.errorString()));
    }
    return Outcome::success();
}

QString openStartupDataFile(AppState &state) {
    if (state.startupDataFile.isEmpty())
        return {};
    const QString path = resolveStoredPath(state.applicationFolder, state.startupDataFile);
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo::exists(path))
        return u"起動時のデータファイルがありません：%1"_s.arg(name);
    if (const Outcome read = DataFile::read(path, DataFile::HeaderCheck::Version4, state.tables,
                                            state.applicationFolder);
        !read)
        return u"起動時のデータファイルを読めません：%1（%2）"_s.arg(
            name, read.message.section(u'\n', -1));
    state.dataFileInUse = QDir::cleanPath(path);
    return {};
}

QString resolveStoredPath(const QString &applicationFolder, const QString &text) {
    if (!text.startsWith(u'.'))
        return text;
    QString relative = text;
    relative.replace(u'\\', u'/');
    return applicationFolder + u'/' + relative;
}

std::pair<QString, QString> splitNameAtFirstDot(const QString &name, const QString &extension) {
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0)
        return {name, extension};
    return {name.left(dot), name.mid(dot + 1)};
}

} // namespace pikoro
