#pragma once

#include "core/AppState.h"
#include "core/DataFile.h"
#include "core/WorkingLists.h"

#include <QString>
#include <array>
#include <optional>
#include <utility>

namespace pikoro {

class Dialogs;

// Everything the settings window does that needs no display: its working lists with one
// selected row per grid, the three file boxes, the "保存" item's state, the option check boxes,
// the keyboard size, and the operations Load, reloadLists, Clear, the mode menus, OK and the
// data-file menu items. The window shows what this object holds after each operation.
class SettingsSession {
public:
    SettingsSession(AppState &state, Dialogs &dialogs);

    // The window's load: lists and boxes from the shared tables, the "保存" item disabled until
    // a box changes, the option boxes and keyboard size from the shared state (PIKORO.ini is
    // read once, at start-up).
    void load();

    // Reloads the three lists from the shared tables, selects the first row of each and puts
    // the first entries into the boxes; the WAVE label shows the first sound.
    void reloadLists();

    const WorkingLists &lists() const { return m_lists; }
    int currentRow(ListKind kind) const { return m_lists.currentRow(kind); }

    // The text of the list's file box (picture, WAVE or MIDI).
    QString boxText(ListKind kind) const { return m_boxes[std::size_t(kind)]; }
    // A change of the box's text: stores it at the row its own grid has selected and enables
    // "保存". Setting the text the box already holds is no change.
    void changeBoxText(ListKind kind, const QString &text);

    // Puts `path` at sound entry `row` (a voice recorded for that key), and into the WAVE box
    // when that row is the one its grid has selected, so OK keeps it.
    void assignSound(int row, const QString &path);

    // A click on grid row `row` (0-based entry): selects it and puts its entry into the box.
    // A picture row also puts the same key's WAVE file into the WAVE label.
    void selectRow(ListKind kind, int row);

    // Puts paths into entries of a list at once (a photo folder), as if each had been typed into
    // the box with its row selected; the rows selected stay.
    void assignEntries(ListKind kind, const QList<std::pair<int, QString>> &entries);

    // The WAVE file shown on the picture tab.
    QString waveLabel() const { return m_waveLabel; }
    bool isSaveEnabled() const { return m_saveEnabled; }

    // The option check boxes as they are ticked now (not yet the shared flags).
    const OptionFlags &checks() const { return m_checks; }
    // Ticks or clears one box. Without WAVE play there is no continuous play: clearing
    // Switching playSounds off also clears loopSounds.
    void setCheck(bool OptionFlags::*flag, bool on);
    // The continuous-play box (m_loopSoundsCheck) is shown only while WAVE play is ticked.
    bool isContinuousPlayShown() const { return m_checks.playSounds; }

    // The keyboard size chosen: 0 automatic, else the factor.
    double keyboardZoom() const { return m_keyboardZoom; }
    void setKeyboardZoom(double zoom) { m_keyboardZoom = zoom; }

    // The data file opened at every start, as OK will store it; empty for none.
    QString startupDataFile() const { return m_startupDataFile; }
    void setStartupDataFile(const QString &path) { m_startupDataFile = path; }
    // Asks for a data file (*.pik) to open at start-up. Returns true when one was chosen.
    bool chooseStartupDataFile();

    // Whether the settings window will ask for the user name before it opens, as OK stores it.
    bool askNameForSettings() const { return m_askNameForSettings; }
    void setAskNameForSettings(bool on) { m_askNameForSettings = on; }

    // Clear(index): asks "…を全てクリアしますか？" and, on Yes, empties the list and its box.
    // Returns true when the list was emptied. The shared tables are not touched.
    bool clear(ListKind kind);

    // The sound-mode (picture-mode) menu: makes `mode` the current one and reloads the shared
    // sound (picture) tables from its set in PIKORO.ini and the list from them, also when it
    // already was the current mode (mode 0 is current from the start, before any set loaded).
    void chooseSoundMode(int mode);
    void choosePictureMode(int mode);
    // The mode whose set was loaded last in this run, none before one was: the ticked item.
    std::optional<int> loadedSoundMode() const { return m_loadedSoundMode; }
    std::optional<int> loadedPictureMode() const { return m_loadedPictureMode; }

    // OK: stores the picture and WAVE boxes once more at their own rows, copies the lists into
    // the shared tables and the boxes into the flags, writes PIKORO.ini and applies the kana or
    // letter captions. A settings file that cannot be written is reported; the rest still
    // applies. With KeepSetupInUserFile ticked the tables are also kept in a data file that the
    // next start opens (keepSetup).
    void ok();

    // "保存": asks for a file name and writes the lists to it as a data file; a successful save
    // also copies the lists into the shared tables. A failed save is reported and changes
    // nothing. Returns true when the file was written.
    bool saveDataFile();

    // "開く" (Version4) and "旧バージョンファイルを開く" (None): asks for a data file and reads
    // it into the shared tables, then runs reloadLists. A file that cannot be read is reported
    // and leaves tables and lists as they were. Returns true when the file was read.
    bool openDataFile(DataFile::HeaderCheck check);
    bool openDataFile() { return openDataFile(DataFile::HeaderCheck::Version4); }
    bool openOldDataFile() { return openDataFile(DataFile::HeaderCheck::None); }

private:
    void readOptions();
    void showError(const QString &message);

    AppState &m_state;
    Dialogs &m_dialogs;
    WorkingLists m_lists;
    std::array<QString, 3> m_boxes;
    QString m_waveLabel;
    bool m_saveEnabled = false;
    OptionFlags m_checks;
    double m_keyboardZoom = 0.0;
    QString m_startupDataFile;
    QString m_startupDataFileAtLoad; // the parent chose another one when they differ
    bool m_askNameForSettings = false;
    // Not reset by load(): the ticks last for the whole run, like the mode numbers.
    std::optional<int> m_loadedSoundMode;
    std::optional<int> m_loadedPictureMode;
};

// The question Clear asks for a list, and its title "確認".
QString clearQuestion(ListKind kind);
QString clearQuestionTitle();

} // namespace pikoro
