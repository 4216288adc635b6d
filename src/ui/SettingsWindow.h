#pragma once

#include "core/SettingsSession.h"

#include <QDialog>
#include <QFont>
#include <array>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace pikoro {

class Dialogs;
class HelpViewer;
class ThreeDButton;
class ThreeDCheck;
class UserStore;
class VoiceRecorderPanel;
struct MediaServices;

// The settings window "設定": four tabs with the picture, WAVE and MIDI grids and the
// options, OK and Cancel, and the file, help and information menus. exec() shows it, loading
// it from the shared state afresh when an earlier showing had ended.
//
// Like the main screen it multiplies its fonts by a zoom, by default the automatic zoom of its
// screen; its layouts size it to its texts. It is centred on the screen whenever it is shown.
class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    SettingsWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &userStore,
                   HelpViewer &help, QWidget *parent = nullptr,
                   std::optional<double> zoom = std::nullopt);
    ~SettingsWindow() override;

    // Shows the window modally and returns once OK, Cancel or the close box ended it.
    int exec() override;
    // True from a load until OK, Cancel or the close box.
    bool isLoaded() const { return m_loaded; }
    // The factor applied to the fonts and the designed sizes.
    double zoom() const { return m_zoom; }

    SettingsSession &session() { return m_session; }

    // The window's load: lists, grids, boxes, check boxes and the "保存" item from the shared
    // tables and PIKORO.ini.
    void loadFromSettings();
    // Reloads lists, boxes and grids from the shared tables (after a data file was opened).
    void reloadLists();

    // Handlers, named after the controls they serve.
    void gridClicked(ListKind kind, int row);
    void browse(ListKind kind);
    void waveTest();
    void midiTest();
    void onMidiTestElapsed();
    void clearClicked(ListKind kind);
    void soundModeChosen(int mode);
    void pictureModeChosen(int mode);
    void okClicked();
    void cancelClicked();
    void saveDataFile();
    void openDataFile();
    void openOldDataFile();
    void showHelpContents();
    void onPhotoFolderClicked();
    // A file dropped on row `row` of a grid, as if browsed with that row selected.
    void onFileDropped(ListKind kind, int row, const QString &path);

    // The caption of the box that makes the settings ask for the user name first.
    static QString askNameForSettingsCaption();

    // The hint text of a control, empty for a control without a hint.
    QString hintFor(const QWidget *control) const;

    QTabWidget *m_tabs = nullptr;
    std::array<QTableWidget *, 3> m_grids{};        // picture, WAVE, MIDI
    std::array<QLineEdit *, 3> m_fileBoxes{};       // picture, WAVE, MIDI
    std::array<QPushButton *, 3> m_browseButtons{}; // picture, WAVE, MIDI
    std::array<ThreeDButton *, 3> m_clearButtons{};
    std::array<QListWidget *, 3> m_keyNameLists{}; // picture, WAVE, MIDI key names
    QLabel *m_picturePreview = nullptr;
    QLabel *m_wavePagePicturePreview = nullptr;
    QLabel *m_waveNameLabel = nullptr;
    ThreeDButton *m_pictureTabWaveTestButton = nullptr;
    ThreeDButton *m_waveTestButton = nullptr;
    ThreeDButton *m_midiTestButton = nullptr;
    VoiceRecorderPanel *m_voiceRecorder = nullptr; // 録音, 停止, 再生 on the WAVE tab
    std::array<ThreeDCheck *, 5> m_optionChecks{};
    ThreeDCheck *m_loopSoundsCheck = nullptr;
    ThreeDCheck *m_answerEveryKeyCheck = nullptr; // an option of our own, below the data file
    QComboBox *m_keyboardZoomBox = nullptr;
    QLineEdit *m_startupDataBox = nullptr; // the data file opened at start-up (read-only)
    QPushButton *m_startupDataBrowseButton = nullptr;
    QPushButton *m_startupDataClearButton = nullptr;
    ThreeDCheck *m_askNameForSettingsCheck = nullptr;
    ThreeDCheck *m_keepSetupCheck = nullptr; // an option of our own: OK keeps the tables
    QLabel *m_dataFileInUseLabel = nullptr;
    QPushButton *m_photoFolderButton = nullptr; // "写真フォルダから"
    ThreeDButton *m_okButton = nullptr;
    ThreeDButton *m_cancelButton = nullptr;
    QLabel *m_hintBox = nullptr;
    QLabel *m_bottomHintBox = nullptr;
    QTimer *m_midiTestTimer = nullptr;

    QAction *m_saveAction = nullptr;
    QAction *m_openAction = nullptr;
    std::array<QAction *, 5> m_soundModeActions{};
    std::array<QAction *, 5> m_pictureModeActions{};
    QAction *m_helpContentsAction = nullptr;

signals:
    // The shared tables, flags or keyboard zoom changed (OK, or a data file was opened): the
    // main screen redoes its captions, transparency and keyboard size.
    void settingsApplied();
    // A picture mode put its picture set into the shared tables.
    void pictureSetChosen();
    // OK, Cancel or the close box ended the window: the main screen's mascot timer runs again
    // and its picture areas are repainted.
    void closed();

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createTabs();
    QWidget *createListTab(ListKind kind);
    QTableWidget *createGrid(ListKind kind, QWidget *page);
    QWidget *createOptionsTab();
    // The three key-name lists and the decoration below them.
    QLayout *createKeyNameLists(QWidget *page);
    void createMenus();
    void createHints();
    void showUserNameWindow();
    void showQuitHelp();
    void showAbout();
    void showHint(QWidget *control);
    // The key column: a quarter of the grid's width, or what the longest key name needs.
    void fitKeyColumn(ListKind kind);
    void showDataFileInUse();
    QRect screenRect() const;
    void centreOnScreen();

    // Shows what the session holds: cells, boxes, the WAVE label, check boxes, menus.
    void refresh();
    void refreshGrid(ListKind kind);
    void fileBoxEdited(ListKind kind, const QString &text);
    void checkClicked(bool OptionFlags::*flag, bool on);
    // Both previews from the lists as they are now, e.g. after a data file was opened.
    void loadPreviews();
    // Shows the picture a key with this picture path shows; an empty path shows none, a file
    // that is no picture leaves the label as it was.
    static void loadPreview(QLabel *image, const QString &path);

    AppState &m_state;
    Dialogs &m_dialogs;
    MediaServices &m_media;
    UserStore &m_userStore;
    HelpViewer &m_help;
    SettingsSession m_session;
    QFont m_designFont;        // the font at zoom 1; 3-D controls scale it themselves
    QWidget *m_body = nullptr; // all below the menu bar, in a scroll area
    std::array<int, 3> m_keyColumnWidths{};
    double m_zoom = 1.0;
    bool m_loaded = false;
    bool m_refreshing = false;
};

} // namespace pikoro
