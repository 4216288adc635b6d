#pragma once

#include "core/SettingsSession.h"

#include <QDialog>
#include <QFont>
#include <array>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
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
struct MediaServices;

// The settings window "設定" (SETEI): four tabs with the picture, WAVE and MIDI grids and the
// options, OK and Cancel, and the file, help and information menus. It is created hidden at
// start-up, which loads it and so reads the option flags; showModal() shows it, loading it
// afresh when an earlier showing had ended.
//
// The window is designed for an 800 × 600 screen; like the main screen it multiplies its
// positions, sizes and fonts by a zoom, by default the automatic zoom of its screen, and it is
// centred on the screen whenever it is shown.
class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    SettingsWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &userStore,
                   HelpViewer &help, QWidget *parent = nullptr,
                   std::optional<double> zoom = std::nullopt);
    ~SettingsWindow() override;

    // Shows the window modally and returns once OK, Cancel or the close box ended it.
    int showModal();
    // True from a load until OK, Cancel or the close box.
    bool isLoaded() const { return m_loaded; }
    // The factor applied to the designed layout and fonts.
    double zoom() const { return m_zoom; }

    SettingsSession &session() { return m_session; }

    // The window's load: lists, grids, boxes, check boxes and the "保存" item from the shared
    // tables and PIKORO.ini.
    void Form_Load();
    // Reloads lists, boxes and grids from the shared tables (after a data file was opened).
    void setup_data();

    // Handlers, named after the controls they serve.
    void gridClicked(ListKind kind, int row);
    void browse(ListKind kind);
    void waveTest();
    void midiTest();
    void Timer1_Tick();
    void clearClicked(ListKind kind);
    void soundModeChosen(int mode);
    void pictureModeChosen(int mode);
    void okClicked();
    void cancelClicked();
    void file_save();
    void OpenDataFile();
    void OpenOldDataFile();
    void showHelpContents();

    // The hint text of a control, empty for a control without a hint.
    QString hintFor(const QWidget *control) const;

    QTabWidget *SSTab1 = nullptr;
    std::array<QTableWidget *, 3> grids{};        // SoundList, WAVELIST, MIDILIST
    std::array<QLineEdit *, 3> fileBoxes{};       // txtBMPFile, txtSoundFile, txtMidifile
    std::array<QPushButton *, 3> browseButtons{}; // cmdReference, Command1, Command2
    std::array<ThreeDButton *, 3> Clear{};
    std::array<QListWidget *, 3> kindLists{}; // lstBMPKind, lstSoundKind, ListMIDIKIND
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label4 = nullptr;
    ThreeDButton *Command3D1 = nullptr;
    ThreeDButton *SSCommand1 = nullptr;
    ThreeDButton *SSCommand2 = nullptr;
    std::array<ThreeDCheck *, 5> opCheck{};
    ThreeDCheck *Ch3D = nullptr;
    QComboBox *keyboardZoomBox = nullptr;
    ThreeDButton *OK = nullptr;
    ThreeDButton *Cancel = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Picture2 = nullptr;
    QTimer *Timer1 = nullptr;

    QAction *mnuSave = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuOpenOld = nullptr;
    std::array<QAction *, 5> mnuSoundMode{};
    std::array<QAction *, 5> mnubmpmode{};
    QAction *mnuHelpContents = nullptr;
    QAction *mnuHowToQuit = nullptr;
    QAction *mnuAttention = nullptr;
    QAction *mnuAbout = nullptr;

signals:
    // The shared tables, flags or keyboard zoom changed (OK, or a data file was opened): the
    // main screen redoes its captions, transparency and keyboard size.
    void settingsApplied();
    // OK, Cancel or the close box ended the window: the main screen's mascot timer runs again
    // and its picture areas are repainted.
    void unloaded();

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createTabs();
    QWidget *createListTab(ListKind kind);
    QWidget *createOptionsTab();
    void createMenus();
    void createHints();
    void showUserNameWindow();
    void showQuitHelp();
    void showAbout();
    void showHint(QWidget *control);
    QRect screenRect() const;
    void centreOnScreen();

    // Shows what the session holds: cells, boxes, the WAVE label, check boxes, menus.
    void refresh();
    void refreshGrid(ListKind kind);
    void fileBoxEdited(ListKind kind, const QString &text);
    void checkToggled(bool OptionFlags::*flag, bool on);
    // Shows the picture a key with this picture path shows; an empty path shows none, a file
    // that is no picture leaves the label as it was.
    static void loadPreview(QLabel *image, const QString &path);

    AppState &m_state;
    Dialogs &m_dialogs;
    MediaServices &m_media;
    UserStore &m_userStore;
    HelpViewer &m_help;
    SettingsSession m_session;
    QFont m_designFont; // the font at zoom 1; 3-D controls scale it themselves
    double m_zoom = 1.0;
    bool m_loaded = false;
    bool m_refreshing = false;
};

} // namespace pikoro
