#include "core/SettingsSession.h"

#include "core/Dialogs.h"
#include "core/KeptSetup.h"
#include "core/KeyboardZoom.h"
#include "core/Logging.h"
#include "core/ProfileFile.h"
#include "core/SettingsFile.h"

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

FileDialogRequest dataFileRequest(const AppState &state, bool save) {
    FileDialogRequest request;
    request.title = save ? u"保存"_s : u"ファイルオープン"_s;
    request.fileTypes = {{save ? u"data"_s : u"オープン"_s, {u"*.pik"_s}}};
    request.defaultExtension = u"pik"_s;
    // A new file goes among the user's documents; the prepared ones are in the application folder.
    request.initialFolder =
        save && !state.documentsFolder.isEmpty() ? state.documentsFolder : state.applicationFolder;
    request.confirmOverwrite = true;
    return request;
}

} // namespace

QString clearQuestion(ListKind kind) {
    switch (kind) {
    case ListKind::Picture:
        return u"絵ファイルを全てクリアしますか？"_s;
    case ListKind::Wave:
        return u"WAVEファイルを全てクリアしますか？"_s;
    case ListKind::Midi:
        return u"MIDIファイルを全てクリアしますか？"_s;
    }
    return {};
}

QString clearQuestionTitle() {
    return u"確認"_s;
}

SettingsSession::SettingsSession(AppState &state, Dialogs &dialogs)
    : m_state(state), m_dialogs(dialogs) {}

void SettingsSession::load() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    m_saveEnabled = false;
    // A freshly loaded window starts with empty boxes, so any first entry is a change.
    m_boxes = {};
    m_waveLabel.clear();
    reloadLists();
    readOptions();
    m_dialogs.setMousePointer(MousePointer::Normal);
}

void SettingsSession::reloadLists() {
    m_lists.loadFrom(m_state.tables);
    for (ListKind kind : AllListKinds)
        changeBoxText(kind, m_lists.entry(kind, 0));
    m_waveLabel = m_lists.entry(ListKind::Wave, 0);
}

void SettingsSession::readOptions() {
    // The settings file was read once, at start-up; the live state holds what OK stored since.
    m_checks = {};
    for (const OptionFlagEntry &option : optionFlagEntries)
        setCheck(option.member, m_state.flags.*option.member);
    for (const OptionFlagEntry &option : ownOptionEntries)
        setCheck(option.member, m_state.flags.*option.member);
    m_keyboardZoom = m_state.keyboardZoom;
    m_startupDataFile = m_state.startupDataFile;
    m_startupDataFileAtLoad = m_startupDataFile;
    m_askNameForSettings = m_state.askNameForSettings;
}

void SettingsSession::changeBoxText(ListKind kind, const QString &text) {
    QString &box = m_boxes[std::size_t(kind)];
    if (box == text)
        return;
    box = text;
    m_lists.setEntry(kind, m_lists.currentRow(kind), text);
    m_saveEnabled = true;
}

void SettingsSession::assignSound(int row, const QString &path) {
    if (row < 0 || row >= listRowCount(ListKind::Wave))
        return;
    m_lists.setEntry(ListKind::Wave, row, path);
    if (row == m_lists.currentRow(ListKind::Wave))
        m_boxes[std::size_t(ListKind::Wave)] = path;
    m_saveEnabled = true;
}

void SettingsSession::selectRow(ListKind kind, int row) {
    if (row < 0 || row >= listRowCount(kind))
        return;
    m_lists.setCurrentRow(kind, row);
    changeBoxText(kind, m_lists.entry(kind, row));
    if (kind == ListKind::Picture) {
        // The opening picture has no sound of its own.
        m_waveLabel = row < SoundListRows ? m_lists.entry(ListKind::Wave, row) : QString();
    }
}

void SettingsSession::assignEntries(ListKind kind, const QList<std::pair<int, QString>> &entries) {
    for (const auto &[row, path] : entries) {
        if (row < 0 || row >= listRowCount(kind))
            continue;
        m_lists.setEntry(kind, row, path);
        if (row == m_lists.currentRow(kind))
            m_boxes[std::size_t(kind)] = path;
        if (kind == ListKind::Wave && row == m_lists.currentRow(ListKind::Picture))
            m_waveLabel = path;
        m_saveEnabled = true;
    }
}

void SettingsSession::setCheck(bool OptionFlags::*flag, bool on) {
    m_checks.*flag = on;
    if (!m_checks.playSounds)
        m_checks.loopSounds = false;
}

bool SettingsSession::clear(ListKind kind) {
    if (m_dialogs.messageBox(clearQuestion(kind), clearQuestionTitle(), MessageButtons::YesNo,
                             MessageIcon::Question) != DialogButton::Yes)
        return false;
    m_lists.clear(kind);
    m_boxes[std::size_t(kind)].clear();
    m_saveEnabled = true;
    return true;
}

void SettingsSession::chooseSoundMode(int mode) {
    m_state.soundMode = mode;
    m_loadedSoundMode = mode;
    if (Outcome outcome = loadSoundSet(m_state, mode); !outcome)
        showError(outcome.message);
    m_lists.loadSounds(m_state.tables);
    changeBoxText(ListKind::Wave, m_lists.entry(ListKind::Wave, 0));
    m_waveLabel = m_lists.entry(ListKind::Wave, 0);
}

void SettingsSession::choosePictureMode(int mode) {
    m_state.pictureMode = mode;
    m_loadedPictureMode = mode;
    if (Outcome outcome = loadPictureSet(m_state, mode); !outcome)
        showError(outcome.message);
    m_lists.loadPictures(m_state.tables);
    changeBoxText(ListKind::Picture, m_lists.entry(ListKind::Picture, 0));
}

void SettingsSession::ok() {
    for (ListKind kind : {ListKind::Picture, ListKind::Wave})
        m_lists.setEntry(kind, m_lists.currentRow(kind), boxText(kind));
    m_lists.storeInto(m_state.tables);
    m_state.flags = m_checks;
    m_state.keyboardZoom = m_keyboardZoom;
    m_state.startupDataFile = m_startupDataFile;
    m_state.askNameForSettings = m_askNameForSettings;
    const Outcome kept = m_checks.keepSetupInUserFile
                             ? keepSetup(m_state, m_startupDataFile != m_startupDataFileAtLoad)
                             : Outcome::success();
    const Outcome saved = saveSettings(m_state);
    applyKeyCaptions(m_state, m_state.flags.kanaKeys);
    if (!kept) {
        qCWarning(lcCore) << "keys not kept:" << kept.message;
        showError(kept.message);
    }
    if (!saved) {
        qCWarning(lcCore) << "settings not saved:" << saved.message;
        showError(saved.message);
    } else {
        qCInfo(lcCore) << "settings saved to" << m_state.settingsSavePath();
    }
}

bool SettingsSession::saveDataFile() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    const std::optional<QString> path = m_dialogs.saveFile(dataFileRequest(m_state, true));
    bool written = false;
    if (path && !path->isEmpty()) {
        AssignmentTables tables = m_state.tables;
        m_lists.storeInto(tables);
        if (Outcome outcome = DataFile::write(*path, tables); outcome) {
            m_state.tables = tables;
            m_state.dataFileInUse = *path;
            written = true;
        } else {
            showError(outcome.message);
        }
    }
    m_dialogs.setMousePointer(MousePointer::Normal);
    return written;
}

bool SettingsSession::openDataFile(DataFile::HeaderCheck check) {
    m_dialogs.setMousePointer(MousePointer::Hourglass);
    const std::optional<QString> path = m_dialogs.openFile(dataFileRequest(m_state, false));
    if (!path || path->isEmpty()) {
        m_dialogs.setMousePointer(MousePointer::Normal);
        return false;
    }
    if (Outcome outcome = DataFile::read(*path, check, m_state.tables, m_state.applicationFolder);
        !outcome) {
        m_dialogs.setMousePointer(MousePointer::Normal);
        showError(outcome.message);
        return false;
    }
    m_state.dataFileInUse = *path;
    reloadLists();
    m_dialogs.setMousePointer(MousePointer::Normal);
    return true;
}

bool SettingsSession::chooseStartupDataFile() {
    FileDialogRequest request = dataFileRequest(m_state, false);
    request.title = u"起動時に開くデータファイル"_s;
    const std::optional<QString> path = m_dialogs.openFile(request);
    if (!path || path->isEmpty())
        return false;
    m_startupDataFile = *path;
    return true;
}

void SettingsSession::showError(const QString &message) {
    // OK only, under the application's title.
    m_dialogs.messageBox(message);
}

} // namespace pikoro
