#include "TestRunner.h"
#include "WindowServices.h"

#include "core/SettingsFile.h"
#include "media/VoiceRecording.h"
#include "ui/InfoWindows.h"
#include "ui/SettingsWindow.h"
#include "ui/ThreeDControls.h"
#include "ui/UserNameWindow.h"
#include "ui/VoiceRecorderPanel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
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
    explicit WindowFixture(const QByteArray &ini = {}, std::optional<double> zoom = std::nullopt,
                           const QString &dataFileInUse = {}) {
        state.dataFileInUse = dataFileInUse;
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
    // Drags a file from the desktop onto a row of a grid and lets it go there.
    void dropFile(ListKind kind, int row, const QString &path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        grid(kind)->scrollToItem(grid(kind)->item(row, 1));
        const QPoint at = grid(kind)->visualItemRect(grid(kind)->item(row, 1)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid(kind)->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid(kind)->viewport(), &drop);
    }
};

// The texts of a window that do not show whole in the room they are given.
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
        } else if (!w->isVisibleTo(window)) {
            continue; // on a tab not shown, or switched off
        } else if (auto *control = qobject_cast<ThreeDControl *>(w)) {
            check(control->font(), control->caption(), control->captionRect().width());
        } else if (auto *label = qobject_cast<QLabel *>(w); label && label->wordWrap()) {
            const QRect room = label->contentsRect();
            if (QFontMetrics(label->font())
                    .boundingRect(room, Qt::TextWordWrap, label->text())
                    .height() > room.height())
                cut << window->windowTitle() + u": "_s + label->text();
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            check(label->font(), label->text(), label->contentsRect().width());
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            QStyleOptionButton inside;
            inside.initFrom(button);
            check(button->font(), button->text(),
                  button->style()
                      ->subElementRect(QStyle::SE_PushButtonContents, &inside, button)
                      .width());
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                check(tabs->font(), tabs->tabText(i), tabs->tabRect(i).width());
        }
    }
    return cut;
}

// What the settings window shows on its current tab that is cut, covered or scrolled away: key
// names and paths in the grid, names in the key-name lists, controls on top of each other.
QStringList settingsTabFaults(SettingsWindow &w) {
    QStringList faults = cutTexts(&w);
    QWidget *page = w.m_tabs->currentWidget();
    for (QTableWidget *grid : page->findChildren<QTableWidget *>()) {
        for (int row : {grid->rowCount() - 1, 0}) {
            grid->setCurrentCell(row, 1);
            if (grid->horizontalScrollBar()->value() != 0)
                faults << u"scrolled sideways at row %1"_s.arg(row);
        }
        for (int row = -1; row < grid->rowCount(); ++row) {
            const QString name =
                (row < 0 ? grid->horizontalHeaderItem(0) : grid->item(row, 0))->text();
            if (grid->fontMetrics().horizontalAdvance(name) >= grid->columnWidth(0))
                faults << u"key name cut: "_s + name;
        }
    }
    for (QListWidget *list : page->findChildren<QListWidget *>())
        for (int row = 0; row < list->count(); ++row)
            if (list->fontMetrics().horizontalAdvance(list->item(row)->text()) >
                list->viewport()->width())
                faults << u"list entry cut: "_s + list->item(row)->text();
    const QList<QWidget *> controls = page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *a : controls)
        for (QWidget *b : controls)
            if (a < b && a->isVisible() && b->isVisible() &&
                a->geometry().intersects(b->geometry()))
                faults << u"%1 over %2"_s.arg(a->metaObject()->className(),
                                              b->metaObject()->className());
    return faults;
}

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // At zoom 1 and the largest keyboard size every caption, label, button, tab, menu item and
    // painted line shows whole in every window; the settings window, on every tab, also keeps
    // key names in view whatever row is picked, its controls apart, and itself on the screen.
    void everyWindowShowsItsTextsWhole() {
        for (double zoom : {1.0, 3.0}) {
            WindowFixture f({}, zoom, u"/home/someone/"_s + QString(200, u'x') + u"/keys.pik"_s);
            SettingsWindow &w = *f.window;
            QStringList cut;
            QRect shownAt;
            QTimer::singleShot(0, &w, [&] {
                shownAt = w.geometry();
                for (int tab = 0; tab < w.m_tabs->count(); ++tab) {
                    w.m_tabs->setCurrentIndex(tab);
                    QApplication::processEvents(); // the tab laid out
                    cut << settingsTabFaults(w);
                }
                w.m_cancelButton->click();
            });
            w.exec();
            QVERIFY(w.screen()->availableGeometry().contains(shownAt));

            f.state.keyboardZoom = zoom;
            MainWindow main(f.state, f.dialogs, f.media, f.users, f.help);
            main.layoutMainScreen(QSize(int(800 * zoom), int(600 * zoom)));
            UserNameWindow userName(f.users, f.dialogs);
            AboutWindow about(u"/nowhere"_s, f.wave, f.dialogs);
            QuitHelpWindow quitHelp(f.dialogs);
            for (QWidget *window :
                 std::initializer_list<QWidget *>{&main, &userName, &about, &quitHelp})
                cut << cutTexts(window);
            // The how-to-quit lines are painted: none may run into the right margin (100 twips).
            const QImage page = quitHelp.grab().toImage();
            for (int x = page.width() - 100 / 15; x < page.width(); ++x)
                for (int y = 0; y < page.height(); ++y)
                    if (page.pixel(x, y) != page.pixel(page.width() - 1, 0))
                        cut << u"how-to-quit line at %1, %2"_s.arg(x).arg(y);
            QVERIFY2(cut.isEmpty(), qPrintable(cut.mid(0, 10).join(u'\n')));
        }
    }

    // What PIKORO.ini holds shows: the continuous-play box only with WAVE play, whose switching
    // off unticks it; a mode item loads its set and is ticked. An opened data file refreshes
    // the grids and tells the main screen.
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
        w.m_soundModeActions[0]->trigger();
        w.m_pictureModeActions[0]->trigger();
        QCOMPARE(f.cell(ListKind::Wave, 10), u"/s0/a.wav"_s);
        QCOMPARE(w.m_fileBoxes[0]->text(), u"/p0/0.bmp"_s);
        QVERIFY(w.m_soundModeActions[0]->isChecked() && w.m_pictureModeActions[0]->isChecked());
        AssignmentTables tables;
        tables.midiPieces[21] = u"/f12.mid"_s;
        QVERIFY(DataFile::write(f.folder.file(u"d.pik"_s), tables));
        QSignalSpy applied(&w, &SettingsWindow::settingsApplied);
        f.dialogs.answerText(f.folder.file(u"d.pik"_s));
        w.m_openAction->trigger();
        QVERIFY(f.cell(ListKind::Midi, 21) == u"/f12.mid"_s && applied.size() == 1);
    }

    // The previews show what the keys show ("\" paths too; none for a key without a picture,
    // and at once none for a pipe, shown when the window loads, so at every start); the tests
    // play what the keys would, or say which file cannot be played and why.
    void previewsAndSoundTests() {
        WindowFixture f;
        SettingsWindow &w = *f.window;
        const auto colourOf = [](QLabel *box) { return box->pixmap().toImage().pixelColor(2, 2); };
        const QString pipe = f.folder.file(u"0.bmp"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        f.state.tables.digitPictures[0] = pipe;
        f.state.tables.keyPictures[0] = f.picture(u"red.bmp"_s, Qt::red);
        f.picture(u"pics/red.png"_s, Qt::red);
        f.state.tables.keyPictures[1] = f.folder.path() + u"\\pics\\red.png"_s;
        f.state.tables.keySounds[0] = u"/a.wav"_s;
        QElapsedTimer clock;
        clock.start();
        w.loadFromSettings();
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(w.m_picturePreview->pixmap().isNull());
        f.clickRow(ListKind::Wave, 12);
        QVERIFY(w.m_wavePagePicturePreview->pixmap().isNull());
        f.clickRow(ListKind::Wave, 11);
        QCOMPARE(colourOf(w.m_wavePagePicturePreview), QColor(Qt::red));
        f.clickRow(ListKind::Picture, 12);
        QVERIFY(w.m_picturePreview->pixmap().isNull());
        f.clickRow(ListKind::Picture, 10);
        QCOMPARE(w.m_waveNameLabel->text(), u"/a.wav"_s);
        QCOMPARE(colourOf(w.m_picturePreview), QColor(Qt::red));
        f.dialogs.answerText(f.picture(u"b.png"_s, Qt::blue));
        w.m_browseButtons[0]->click();
        QCOMPARE(colourOf(w.m_picturePreview), QColor(Qt::blue));
        f.dialogs.answerText(u"\\t\\a.wav"_s); // folders written on Windows
        w.m_browseButtons[1]->click();
        f.dialogs.answerCancel();
        w.m_browseButtons[1]->click();
        QCOMPARE(f.cell(ListKind::Wave, 11), u"\\t\\a.wav"_s);
        w.m_pictureTabWaveTestButton->click();
        QCOMPARE(f.wave.log, (QStringList{u"stopped"_s, u"played /t/a.wav once"_s}));
        // No MIDI file: a message, nothing opened; a file plays until the timer stops it.
        f.dialogs.answerButton(DialogButton::Ok);
        f.dialogs.answerButton(DialogButton::Ok);
        w.m_midiTestButton->click();
        QVERIFY(f.dialogs.messageTexts().size() == 1 && f.midi.commands.isEmpty());
        w.m_fileBoxes[2]->setText(u"/t/f1.mid"_s);
        w.m_midiTestButton->click();
        QVERIFY(f.midi.openPath == u"/t/f1.mid"_s && f.midi.playing);
        QVERIFY(w.m_midiTestTimer->isActive() && w.m_midiTestTimer->interval() == 8000);
        w.onMidiTestElapsed();
        QVERIFY(!f.midi.playing && f.midi.openPath.isEmpty());
        f.wave.failure = u"WAVE ファイルではありません"_s;
        w.m_fileBoxes[1]->setText(u"/s/flac.wav"_s);
        w.m_waveTestButton->click();
        QCOMPARE(f.dialogs.messageTexts().last(),
                 u"WAVEファイルを再生できません\n/s/flac.wav\nWAVE ファイルではありません"_s);
    }

    // Cancel applies nothing. A typed path lands in the row its own grid shows selected, also
    // after another tab's grid moved; OK applies the lists and the options clicked, tells the
    // main screen, and the next showing loads afresh.
    void okAndCancel() {
        WindowFixture f;
        SettingsWindow &w = *f.window;
        QSignalSpy applied(&w, &SettingsWindow::settingsApplied);
        QSignalSpy closed(&w, &SettingsWindow::closed);
        f.state.tables.keyPictures[32] = u"/open.bmp"_s;
        w.loadFromSettings();
        f.dialogs.answerButton(DialogButton::Yes);
        w.m_clearButtons[0]->click();
        w.m_optionChecks[3]->click();
        w.m_cancelButton->click();
        QCOMPARE(f.state.tables.keyPictures[32], u"/open.bmp"_s);
        QVERIFY(!f.state.flags.seeThroughWindow && applied.isEmpty());

        w.loadFromSettings();
        f.clickRow(ListKind::Picture, 10);
        f.clickRow(ListKind::Wave, 12);
        w.m_fileBoxes[0]->setText(u"/k/a.bmp"_s);
        w.m_fileBoxes[1]->setText(u"/k/c.wav"_s);
        f.clickRow(ListKind::Picture, 11);
        QCOMPARE(w.m_fileBoxes[0]->text(), QString());
        QCOMPARE(f.grid(ListKind::Wave)->currentRow(), 12);
        w.m_optionChecks[0]->click();
        w.m_optionChecks[4]->click();
        w.m_tabs->setCurrentIndex(3);
        w.show(); // the Options tab's buttons take real clicks
        f.dialogs.answerText(u"/docs/mine.pik"_s);
        QTest::mouseClick(w.m_startupDataBrowseButton, Qt::LeftButton);
        QTest::mouseClick(w.m_answerEveryKeyCheck, Qt::LeftButton);
        QTest::mouseClick(w.m_askNameForSettingsCheck, Qt::LeftButton);
        closed.clear();
        w.m_okButton->click();
        const AssignmentTables &t = f.state.tables;
        QCOMPARE(QStringList({t.keyPictures[0], t.keySounds[2], t.keySounds[0]}),
                 QStringList({u"/k/a.bmp"_s, u"/k/c.wav"_s, {}}));
        QCOMPARE(f.state.flags,
                 (OptionFlags{.playSounds = true, .kanaKeys = true, .answerEveryKey = true}));
        QVERIFY(f.state.askNameForSettings && !QFile::exists(userDataFilePath()));
        QVERIFY(applied.size() == 1 && closed.size() == 1 && !w.isLoaded());
        f.state.tables.keyPictures[1] = u"/k/b.bmp"_s; // the tables changed meanwhile
        QTimer::singleShot(0, &w, [&w] { w.m_cancelButton->click(); });
        w.exec();
        QCOMPARE(QStringList({f.cell(ListKind::Picture, 10), f.cell(ListKind::Picture, 11)}),
                 QStringList({u"/k/a.bmp"_s, u"/k/b.bmp"_s}));
        QCOMPARE(w.m_startupDataBox->text(), u"/docs/mine.pik"_s);
        QVERIFY(w.m_optionChecks[4]->isChecked() && w.m_answerEveryKeyCheck->isChecked() &&
                w.m_askNameForSettingsCheck->isChecked() && closed.size() == 2);
    }

    // With KeepSetupInUserFile what the parent sets up (here by dropping files on rows; one of
    // the wrong kind is refused) is kept by OK in the user's own data file, never in the
    // prepared one, and the next start opens it.
    void keepsWhatTheParentSetsUp() {
        WindowFixture f("[Pikoro]\r\nKeepSetupInUserFile=-1\r\nStartupData=./default.pik\r\n");
        QVERIFY(DataFile::write(f.folder.file(u"default.pik"_s), AssignmentTables{}));
        QVERIFY(openStartupDataFile(f.state).isEmpty());
        f.window->loadFromSettings();
        const QString photo = f.picture(u"photo.jpg"_s, Qt::red);
        const QString voice =
            f.folder.write(u"voice.wav"_s, QByteArray("RIFF\0\0\0\0WAVEfmt ", 16));
        f.dialogs.answerButton(DialogButton::Ok);
        f.dropFile(ListKind::Wave, 10, photo);
        QVERIFY(f.dialogs.messageTexts().value(0).startsWith(u"WAVE のファイルではない"_s));
        f.dropFile(ListKind::Picture, 10, photo);
        f.dropFile(ListKind::Wave, 10, voice);
        f.window->m_okButton->click();
        AppState next;
        next.applicationFolder = f.folder.path();
        QVERIFY(loadSettings(next) && openStartupDataFile(next).isEmpty());
        QCOMPARE(next.dataFileInUse, userDataFilePath());
        QCOMPARE(QStringList({next.tables.keyPictures[0], next.tables.keySounds[0]}),
                 QStringList({photo, voice}));
    }

    // A parent's voice for A, SDL's disk driver standing for the microphone: 録音 takes five
    // seconds, 再生 plays what is kept of them; Cancel leaves nothing, OK keeps it in the voices
    // folder for A. Without a microphone 録音 says so.
    void recordsAVoiceForAKey() {
        WindowFixture f;
        SettingsWindow &w = *f.window;
        VoiceRecorderPanel *panel = w.m_voiceRecorder;
        QCOMPARE(panel->findChild<QTimer *>()->interval(), 50); // the level shown as it records
        const AudioClip voice = decodeSoundFile(
            QDir::cleanPath(PIKORO_FIXTURES "/../../media/fixtures/voice.wav"), 48000, nullptr);
        QByteArray microphone; // one channel of floats
        for (std::size_t i = 0; i < voice.samples.size(); i += 2)
            microphone.append(reinterpret_cast<const char *>(&voice.samples[i]), sizeof(float));
        const QByteArray driver = qgetenv("SDL_AUDIODRIVER");
        const auto restoreDriver = qScopeGuard([&driver] { qputenv("SDL_AUDIODRIVER", driver); });
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        qputenv("SDL_DISKAUDIOFILEIN", f.folder.write(u"in.raw"_s, microphone).toUtf8());
        qputenv("SDL_DISKAUDIODELAY", "1"); // ms a buffer: faster than spoken
        f.clickRow(ListKind::Wave, 10);
        w.m_tabs->setCurrentIndex(1);
        w.show();
        f.dialogs.answerButton(DialogButton::Ok);
        QTest::mouseClick(panel->m_recordButton, Qt::LeftButton);
        QCOMPARE(
            f.dialogs.messageTexts(),
            QStringList{
                u"マイクが見つかりません。マイクをつないでから、もう一度「録音」を押してください。"_s});
        qputenv("SDL_AUDIODRIVER", "disk");
        const QString kept = VoiceRecording::folder() + u"/key-A.wav"_s;
        for (ThreeDButton *closing : {w.m_cancelButton, w.m_okButton}) {
            w.show();
            QTest::mouseClick(panel->m_recordButton, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!panel->isRecording(), 30000);
            QTest::mouseClick(panel->m_playButton, Qt::LeftButton);
            const QString played = f.wave.log.value(f.wave.log.size() - 1).section(u' ', 1, 1);
            QVERIFY2(decodeSoundFile(played, 48000, nullptr).frames() > 24000, qPrintable(played));
            QFile playedFile(played);
            QVERIFY(playedFile.open(QIODevice::ReadOnly));
            const QByteArray bytes = playedFile.readAll();
            QTest::mouseClick(closing, Qt::LeftButton);
            const bool ok = closing == w.m_okButton;
            QFile keptFile(kept);
            QVERIFY(!QFile::exists(played) && f.state.tables.keySounds[0] == (ok ? kept : u""_s));
            QCOMPARE(keptFile.open(QIODevice::ReadOnly) ? keptFile.readAll() : QByteArray(),
                     ok ? bytes : QByteArray());
        }
    }
};

PIKORO_TEST_CLASS(SettingsWindowTest)

#include "tst_settingswindow.moc"
