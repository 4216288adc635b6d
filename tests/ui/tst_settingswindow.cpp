#include "TestRunner.h"
#include "WindowServices.h"
#include "core/SettingsFile.h"
#include "ui/InfoWindows.h"
#include "ui/SettingsWindow.h"
#include "ui/ThreeDControls.h"
#include "ui/UserNameWindow.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
// The settings window over a temporary application folder with recording media.
struct WindowFixture : test::WindowServices<> {
    explicit WindowFixture(const QByteArray &ini = {}, std::optional<double> zoom = std::nullopt) {
        if (!ini.isEmpty()) {
            folder.write(u"PIKORO.ini"_s, ini);
            loadSettings(state); // as the start-up reads it, once
        }
        window =
            std::make_unique<SettingsWindow>(state, dialogs, media, users, help, nullptr, zoom);
    }
    std::unique_ptr<SettingsWindow> window;
    QTableWidget *grid(ListKind kind) const { return window->m_grids[std::size_t(kind)]; }
    QString cell(ListKind kind, int row) const { return grid(kind)->item(row, 1)->text(); }
    void clickRow(ListKind kind, int row) { grid(kind)->setCurrentCell(row, 1); }
};

// The texts of a window that are wider than the room they are shown in.
QStringList cutTexts(QWidget *window) {
    QStringList cut;
    const auto check = [&](const QFont &font, const QString &text, int room) {
        if (QFontMetrics(font).horizontalAdvance(text) > room)
            cut << window->windowTitle() + u": "_s + text;
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (auto *menu = qobject_cast<QMenu *>(w)) {
            // A menu makes room for a caption without its access mark; every other "&" shows.
            for (QAction *item : menu->actions()) {
                QString shown = item->text();
                shown.remove(shown.indexOf(u'&'), shown.contains(u'&') ? 1 : 0);
                check(menu->font(), shown.replace(u"&&"_s, u"&"_s),
                      QFontMetrics(menu->font()).size(Qt::TextShowMnemonic, item->text()).width());
            }
        } else if (w->isHidden()) {
            continue;
        } else if (auto *control = qobject_cast<ThreeDControl *>(w)) {
            check(control->font(), control->caption(), control->captionRect().width());
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            check(label->font(), label->text(), label->contentsRect().width());
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin);
            check(button->font(), button->text(), button->width() - 2 * margin);
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                check(tabs->font(), tabs->tabText(i), tabs->tabRect(i).width());
        }
    }
    return cut;
}

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // At zoom 1 and the largest keyboard size every caption, label, button, tab, menu item and
    // painted line shows whole in every window; in the settings window key names stay in view
    // whatever row is picked, lists fit and keep clear of the options, and it grows, centred.
    void everyWindowShowsItsTextsWhole() {
        int designWidth = 0;
        for (double zoom : {1.0, 3.0}) {
            WindowFixture f({}, zoom);
            SettingsWindow &w = *f.window;
            QStringList cut;
            QRect shownAt;
            QTimer::singleShot(0, &w, [&] {
                shownAt = w.geometry();
                for (QTableWidget *grid : w.m_grids) {
                    for (int row : {grid->rowCount() - 1, 0}) {
                        grid->setCurrentCell(row, 1);
                        if (grid->horizontalScrollBar()->value() != 0)
                            cut << u"scrolled sideways at row %1"_s.arg(row);
                    }
                    for (int row = -1; row < grid->rowCount(); ++row) {
                        const QString name =
                            (row < 0 ? grid->horizontalHeaderItem(0) : grid->item(row, 0))->text();
                        if (grid->fontMetrics().horizontalAdvance(name) >= grid->columnWidth(0))
                            cut << u"key name cut: "_s + name;
                    }
                    if (grid->columnViewportPosition(1) + grid->columnWidth(1) >
                        grid->viewport()->width())
                        cut << u"path column wider than the grid"_s;
                }
                w.m_tabs->setCurrentIndex(3);
                QList<QWidget *> options(w.m_optionChecks.begin(), w.m_optionChecks.end());
                options << w.m_loopSoundsCheck << w.m_keyboardZoomBox
                        << w.m_askNameForSettingsCheck;
                const QWidget *page = w.m_askNameForSettingsCheck->parentWidget();
                if (!page->rect().contains(w.m_askNameForSettingsCheck->geometry()) ||
                    w.m_askNameForSettingsCheck->geometry().intersects(
                        w.m_startupDataBrowseButton->geometry()))
                    cut << u"the user-name option is cut or covered"_s;
                for (QListWidget *list : w.m_keyNameLists) {
                    for (int row = 0; row < list->count(); ++row)
                        if (list->fontMetrics().horizontalAdvance(list->item(row)->text()) >
                            list->viewport()->width())
                            cut << u"list entry cut: "_s + list->item(row)->text();
                    for (QWidget *option : options)
                        if (list->geometry().intersects(option->geometry()))
                            cut << u"list over an option"_s;
                    if (list->geometry().right() >= list->parentWidget()->width())
                        cut << u"list beyond the tab"_s;
                }
                w.m_cancelButton->click();
            });
            w.exec();
            // Centred to within the window frame, which is unknown until the window is shown.
            const QPoint offCentre = shownAt.center() - w.screen()->geometry().center();
            QVERIFY(qAbs(offCentre.x()) <= 4 && qAbs(offCentre.y()) <= 4);
            designWidth = zoom == 1.0 ? shownAt.width() : designWidth;
            QVERIFY(shownAt.width() >= designWidth * zoom * 0.95);

            f.state.keyboardZoom = zoom;
            MainWindow main(f.state, f.dialogs, f.media, f.users, f.help);
            main.layoutMainScreen(QSize(int(800 * zoom), int(600 * zoom)));
            UserNameWindow userName(f.users, f.dialogs);
            AboutWindow about(u"/nowhere"_s, f.wave, f.dialogs);
            QuitHelpWindow quitHelp(f.dialogs);
            for (QWidget *window :
                 std::initializer_list<QWidget *>{&main, &w, &userName, &about, &quitHelp})
                cut << cutTexts(window);
            // The how-to-quit lines are painted: none may run into the right margin (100 twips).
            const QImage page = quitHelp.grab().toImage();
            for (int x = page.width() - 100 / 15; x < page.width(); ++x)
                for (int y = 0; y < page.height(); ++y)
                    if (page.pixel(x, y) != page.pixel(page.width() - 1, 0))
                        cut << u"how-to-quit line at %1, %2"_s.arg(x).arg(y);
            HelpWindowViewer help;
            help.runHelpCommand(nullptr, u"/nowhere/pikoro.hlp"_s, HelpCommand::Contents);
            if (QFontMetrics(QApplication::font()).horizontalAdvance(help.window()->windowTitle()) >
                help.window()->width())
                cut << u"help window title"_s;
            QVERIFY2(cut.isEmpty(), qPrintable(cut.mid(0, 10).join(u'\n')));
        }
    }

    // What PIKORO.ini holds shows: the continuous-play box only with WAVE play, whose switching
    // off unticks it; the mode items load the current mode from the file. No set is ticked
    // before one was loaded, then the tick shows the set loaded last; mode 0 loads like any other.
    void settingsFileAndModes() {
        WindowFixture f(
            "[SoundFlag]\r\nSoundFlag=-1\r\n[RENFlag]\r\nRENFlag=-1\r\n"
            "[SoundFile 0]\r\nSoundOp 0=/s0/a.wav\r\n[BMPFile 0]\r\nBMP 0=/p0/0.bmp\r\n");
        SettingsWindow &w = *f.window;
        QVERIFY(w.m_loopSoundsCheck->isChecked() && !w.m_loopSoundsCheck->isHidden());
        for (bool hidden : {true, false}) {
            w.m_optionChecks[0]->click();
            QVERIFY(!w.m_loopSoundsCheck->isChecked() && w.m_loopSoundsCheck->isHidden() == hidden);
        }
        for (std::size_t i = 0; i < 5; ++i)
            QVERIFY(!w.m_soundModeActions[i]->isChecked() &&
                    !w.m_pictureModeActions[i]->isChecked());
        w.m_soundModeActions[0]->trigger();
        QCOMPARE(f.cell(ListKind::Wave, 10), u"/s0/a.wav"_s);
        QCOMPARE(f.state.tables.keySounds[0], u"/s0/a.wav"_s);
        QVERIFY(w.m_soundModeActions[0]->isChecked() && !w.m_pictureModeActions[0]->isChecked());
        w.m_pictureModeActions[0]->trigger();
        QCOMPARE(w.m_fileBoxes[0]->text(), u"/p0/0.bmp"_s);
        w.m_soundModeActions[3]->trigger();
        QVERIFY(w.m_soundModeActions[3]->isChecked() && !w.m_soundModeActions[0]->isChecked());
        QCOMPARE(f.cell(ListKind::Wave, 10), QString());
        // The current set chosen again is read afresh.
        f.folder.write(u"PIKORO.ini"_s, "[SoundFile 3]\r\nSoundOp 0=/s3/new.wav\r\n");
        w.m_soundModeActions[3]->trigger();
        QCOMPARE(f.cell(ListKind::Wave, 10), u"/s3/new.wav"_s);
        QVERIFY(w.m_soundModeActions[3]->isChecked() && w.m_pictureModeActions[0]->isChecked());
        // Opening a data file refreshes the grids and both previews, and tells the main screen.
        AssignmentTables tables;
        tables.midiPieces[21] = u"/f12.mid"_s;
        const QString green = f.picture(u"green.png"_s, Qt::green);
        tables.keyPictures.fill(green);
        tables.digitPictures.fill(green);
        QVERIFY(DataFile::write(f.folder.file(u"d.pik"_s), tables));
        QSignalSpy applied(&w, &SettingsWindow::settingsApplied);
        f.dialogs.answerText(f.folder.file(u"d.pik"_s));
        w.m_openAction->trigger();
        QCOMPARE(f.cell(ListKind::Midi, 21), u"/f12.mid"_s);
        QCOMPARE(applied.size(), 1);
        for (QLabel *preview : {w.m_picturePreview, w.m_wavePagePicturePreview})
            QCOMPARE(preview->pixmap().toImage().pixelColor(2, 2), QColor(Qt::green));
        // PIKORO.ini was read once, at start-up: a later load keeps the live flags (the file no
        // longer has SoundFlag).
        w.loadFromSettings();
        QVERIFY(f.state.flags.playSounds && w.m_optionChecks[0]->isChecked());
    }

    // The previews show what the keys show: a "\" path is found like the keys find it, a key
    // without a picture shows none, and a picture chosen by browsing is previewed.
    void previewsAndSoundTests() {
        WindowFixture f;
        SettingsWindow &w = *f.window;
        const auto colourOf = [](QLabel *box) { return box->pixmap().toImage().pixelColor(2, 2); };
        f.state.tables.keyPictures[0] = f.picture(u"red.bmp"_s, Qt::red);
        f.picture(u"pics/red.png"_s, Qt::red);
        f.state.tables.keyPictures[1] = f.folder.path() + u"\\pics\\red.png"_s;
        f.state.tables.keySounds[0] = u"/a.wav"_s;
        w.loadFromSettings();
        for (int row : {10, 11}) {
            f.clickRow(ListKind::Wave, 12);
            QVERIFY(w.m_wavePagePicturePreview->pixmap().isNull());
            f.clickRow(ListKind::Wave, row);
            QCOMPARE(colourOf(w.m_wavePagePicturePreview), QColor(Qt::red));
        }
        f.clickRow(ListKind::Picture, 12);
        QVERIFY(w.m_picturePreview->pixmap().isNull());
        f.clickRow(ListKind::Picture, 10);
        QCOMPARE(w.m_waveNameLabel->text(), u"/a.wav"_s);
        QCOMPARE(colourOf(w.m_picturePreview), QColor(Qt::red));
        // Something that is no picture leaves the preview as it was.
        w.m_fileBoxes[0]->setText(f.folder.write(u"x.bmp"_s, "not a picture"));
        QCOMPARE(colourOf(w.m_picturePreview), QColor(Qt::red));
        f.dialogs.answerText(f.picture(u"b.png"_s, Qt::blue));
        w.m_browseButtons[0]->click();
        QCOMPARE(colourOf(w.m_picturePreview), QColor(Qt::blue));
        // A browsed WAVE file (Cancel keeps it) plays as the keys do; the MIDI test stops itself.
        f.dialogs.answerText(u"\\t\\a.wav"_s); // folders written on Windows
        w.m_browseButtons[1]->click();
        QCOMPARE(f.cell(ListKind::Wave, 11), u"\\t\\a.wav"_s);
        f.dialogs.answerCancel();
        w.m_browseButtons[1]->click();
        w.m_pictureTabWaveTestButton->click();
        QCOMPARE(f.wave.log, (QStringList{u"stopped"_s, u"played /t/a.wav once"_s}));
        // No MIDI file: a message, nothing opened.
        f.dialogs.answerButton(DialogButton::Ok);
        w.m_midiTestButton->click();
        QVERIFY(f.dialogs.messageTexts().size() == 1 && !w.m_midiTestTimer->isActive() &&
                f.midi.commands.isEmpty());
        w.m_fileBoxes[2]->setText(u"/t/f1.mid"_s);
        w.m_midiTestButton->click();
        QCOMPARE(f.midi.openPath, u"/t/f1.mid"_s);
        QVERIFY(f.midi.playing && w.m_midiTestTimer->isActive());
        w.onMidiTestElapsed();
        QVERIFY(!f.midi.playing && f.midi.openPath.isEmpty());
    }

    // Cancel applies nothing. A typed path lands in the row its own grid shows selected, also
    // after another tab's grid moved; then OK: the shared tables, flags and PIKORO.ini change,
    // the main screen is told, and the next showing loads afresh.
    void okAndCancel() {
        WindowFixture f;
        SettingsWindow &w = *f.window;
        QSignalSpy applied(&w, &SettingsWindow::settingsApplied);
        QSignalSpy closed(&w, &SettingsWindow::closed);
        f.state.tables.keyPictures[32] = u"/open.bmp"_s;
        w.loadFromSettings();
        f.dialogs.answerButton(DialogButton::Yes);
        w.m_clearButtons[0]->click();
        QCOMPARE(f.cell(ListKind::Picture, 42), QString());
        w.m_optionChecks[3]->click();
        w.m_cancelButton->click();
        QCOMPARE(f.state.tables.keyPictures[32], u"/open.bmp"_s);
        QVERIFY(!f.state.flags.seeThroughWindow && applied.isEmpty());
        QVERIFY(!QFile::exists(f.folder.file(u"PIKORO.ini"_s)));

        w.loadFromSettings();
        QVERIFY(!w.m_saveAction->isEnabled());
        f.clickRow(ListKind::Picture, 10);
        f.clickRow(ListKind::Wave, 12);
        w.m_tabs->setCurrentIndex(0);
        w.m_fileBoxes[0]->setText(u"/k/a.bmp"_s);
        w.m_tabs->setCurrentIndex(1);
        w.m_fileBoxes[1]->setText(u"/k/c.wav"_s);
        QVERIFY(w.m_saveAction->isEnabled() && f.grid(ListKind::Wave)->currentRow() == 12);
        f.clickRow(ListKind::Picture, 11);
        QCOMPARE(w.m_fileBoxes[0]->text(), QString());
        f.clickRow(ListKind::Picture, 10);
        QCOMPARE(w.m_fileBoxes[0]->text(), u"/k/a.bmp"_s);
        w.m_optionChecks[0]->click();
        w.m_optionChecks[4]->click();
        w.m_tabs->setCurrentIndex(3);
        w.show(); // the Options tab's buttons take real clicks
        f.dialogs.answerText(u"/docs/mine.pik"_s);
        QTest::mouseClick(w.m_startupDataBrowseButton, Qt::LeftButton);
        // Our own option: off while the file lacks its key, ticked by a click, stored by OK.
        QVERIFY(!w.m_answerEveryKeyCheck->isChecked());
        QTest::mouseClick(w.m_answerEveryKeyCheck, Qt::LeftButton);
        QCOMPARE(f.dialogs.calls().last().file.initialFolder, f.folder.path());
        QVERIFY(!w.m_askNameForSettingsCheck->isChecked()); // off while PIKORO.ini lacks it
        QTest::mouseClick(w.m_askNameForSettingsCheck, Qt::LeftButton);
        closed.clear();
        w.m_okButton->click();
        const AssignmentTables &t = f.state.tables;
        QCOMPARE(QStringList({t.keyPictures[0], t.keyPictures[2], t.keySounds[2], t.keySounds[0]}),
                 QStringList({u"/k/a.bmp"_s, {}, u"/k/c.wav"_s, {}}));
        QCOMPARE(f.state.flags,
                 (OptionFlags{.playSounds = true, .kanaKeys = true, .answerEveryKey = true}));
        QVERIFY(f.folder.read(u"PIKORO.ini"_s)
                    .contains("[Pikoro]\r\nAnswerEveryKey=-1\r\nStartupData=/docs/mine.pik\r\n"
                              "AskNameForSettings=-1\r\n"));
        QVERIFY(f.state.askNameForSettings);
        QVERIFY(applied.size() == 1 && closed.size() == 1 && !w.isLoaded());
        // The next showing loads afresh from the tables and the settings file.
        QTimer::singleShot(0, &w, [&w] { w.m_cancelButton->click(); });
        w.exec();
        QCOMPARE(f.cell(ListKind::Picture, 10), u"/k/a.bmp"_s);
        QVERIFY(w.m_optionChecks[4]->isChecked() && w.m_answerEveryKeyCheck->isChecked());
        QCOMPARE(w.m_startupDataBox->text(), u"/docs/mine.pik"_s);
        QVERIFY(w.m_askNameForSettingsCheck->isChecked());
        QVERIFY(applied.size() == 1 && closed.size() == 2);
    }
};
// Files the settings window opens that are not what their names say.
class SettingsWindowFileTest : public QObject {
    Q_OBJECT
private slots:
    // A pipe named as the first digit's picture (shown when the window loads, so at every
    // start) leaves the preview empty without waiting for a writer; a WAVE test of a file that
    // cannot be played says which file and why.
    void hostileFilesAnswerAtOnce() {
        WindowFixture f;
        const QString pipe = f.folder.file(u"0.bmp"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        f.state.tables.digitPictures[0] = pipe;
        QElapsedTimer clock;
        clock.start();
        f.window->loadFromSettings();
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(f.window->m_picturePreview->pixmap().isNull());

        f.dialogs.answerButton(DialogButton::Ok);
        f.wave.failure = u"WAVE ファイルではありません"_s;
        f.window->m_fileBoxes[1]->setText(u"/s/flac.wav"_s);
        f.window->m_waveTestButton->click();
        QCOMPARE(f.dialogs.messageTexts(),
                 QStringList{
                     u"WAVEファイルを再生できません\n/s/flac.wav\nWAVE ファイルではありません"_s});
    }
};

PIKORO_TEST_CLASS(SettingsWindowTest)
PIKORO_TEST_CLASS(SettingsWindowFileTest)

#include "tst_settingswindow.moc"
