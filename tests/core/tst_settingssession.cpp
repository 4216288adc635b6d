#include "TempFolder.h"
#include "TestRunner.h"

#include "ScriptedDialogs.h"
#include "core/DataFile.h"
#include "core/ProfileFile.h"
#include "core/SettingsSession.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

Q_DECLARE_METATYPE(pikoro::ListKind)

namespace {

// Every entry different, so an entry in the wrong row cannot go unnoticed.
AssignmentTables distinctTables(const QString &tag = u"t"_s) {
    AssignmentTables t;
    for (int i = 0; i < DigitCount; ++i) {
        t.digitPictures[i] = u"/%1/digit%2.bmp"_s.arg(tag).arg(i);
        t.digitSounds[i] = u"/%1/digit%2.wav"_s.arg(tag).arg(i);
    }
    for (int i = 0; i < KeyPictureCount; ++i)
        t.keyPictures[i] = u"/%1/key%2.bmp"_s.arg(tag).arg(i);
    for (int i = 0; i < KeySoundCount; ++i)
        t.keySounds[i] = u"/%1/key%2.wav"_s.arg(tag).arg(i);
    for (int i = 0; i < MidiSlotCount; ++i)
        t.midiPieces[i] = u"/%1/piece%2.mid"_s.arg(tag).arg(i);
    return t;
}

QString iniValue(const TempFolder &folder, const QString &section, const QString &key) {
    ProfileFile profile;
    profile.load(folder.file(u"PIKORO.ini"_s));
    return profile.readString(section, key, u"<absent>"_s);
}

// One settings window's logic over a temporary application folder.
struct Fixture {
    TempFolder folder;
    AppState state;
    ScriptedDialogs dialogs;
    SettingsSession session{state, dialogs};

    explicit Fixture(const QByteArray &ini = {}) {
        state.applicationFolder = folder.path();
        if (!ini.isEmpty())
            folder.write(u"PIKORO.ini"_s, ini);
        state.tables = distinctTables();
    }
};

} // namespace

class SettingsSessionTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void loadTakesTablesFlagsAndZoom() {
        Fixture f("[SoundFlag]\r\nSoundFlag=-1\r\n[RENFlag]\r\nRENFlag=1\r\n"
                  "[AIUEOFlag]\r\nAIUEOFlag=-1\r\n[Keyboard]\r\nZoom=1.5\r\n");
        f.session.load();
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 42), u"/t/key32.bmp"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Wave, 10), u"/t/key0.wav"_s);
        QCOMPARE(f.session.boxText(ListKind::Midi), u"/t/piece0.mid"_s);
        QCOMPARE(f.session.waveLabel(), u"/t/digit0.wav"_s);
        const OptionFlags expected{.playSounds = true, .loopSounds = true, .kanaKeys = true};
        QCOMPARE(f.session.checks(), expected);
        QCOMPARE(f.state.flags, expected);
        QCOMPARE(f.session.keyboardZoom(), 1.5);
        QVERIFY(f.session.isSaveEnabled()); // the boxes changed from empty
        QCOMPARE(f.dialogs.pointerChanges(),
                 (QList<MousePointer>{MousePointer::ArrowHourglass, MousePointer::Normal}));
    }

    void saveStaysDisabledWhileBoxesDoNotChange() {
        Fixture f;
        f.state.tables.digitPictures[0].clear();
        f.state.tables.digitSounds[0].clear();
        f.state.tables.midiPieces[0].clear();
        f.session.load();
        QVERIFY(!f.session.isSaveEnabled());
        f.session.selectRow(ListKind::Midi, 0); // same empty text: no change
        QVERIFY(!f.session.isSaveEnabled());
        f.session.changeBoxText(ListKind::Midi, u"/x.mid"_s);
        QVERIFY(f.session.isSaveEnabled());
    }

    void continuousPlayNeedsWavePlay() {
        // A settings file with continuous play but no WAVE play loads with neither.
        Fixture f("[SoundFlag]\r\nSoundFlag=0\r\n[RENFlag]\r\nRENFlag=-1\r\n");
        f.session.load();
        QVERIFY(!f.session.checks().loopSounds);
        QVERIFY(!f.session.isContinuousPlayShown());

        f.session.setCheck(&OptionFlags::playSounds, true);
        QVERIFY(f.session.isContinuousPlayShown());
        QVERIFY(!f.session.checks().loopSounds); // shown again, still unticked
        f.session.setCheck(&OptionFlags::loopSounds, true);
        f.session.setCheck(&OptionFlags::playSounds, false);
        QVERIFY(!f.session.checks().loopSounds);
        QVERIFY(!f.session.isContinuousPlayShown());
    }

    void gridSelectionFillsTheBox() {
        Fixture f;
        f.session.load();
        f.session.selectRow(ListKind::Wave, 10); // "A"
        QCOMPARE(f.session.boxText(ListKind::Wave), u"/t/key0.wav"_s);
        f.session.selectRow(ListKind::Picture, 5);
        QCOMPARE(f.session.boxText(ListKind::Picture), u"/t/digit5.bmp"_s);
        QCOMPARE(f.session.waveLabel(), u"/t/digit5.wav"_s);
        f.session.selectRow(ListKind::Picture, 42); // the opening picture has no sound
        QCOMPARE(f.session.boxText(ListKind::Picture), u"/t/key32.bmp"_s);
        QCOMPARE(f.session.waveLabel(), QString());
    }

    // Each box writes only the row its own grid has selected, whatever was chosen elsewhere.
    void boxEditsLandInTheirOwnRow() {
        Fixture f;
        f.session.load();
        f.session.selectRow(ListKind::Picture, 10); // picture "A"
        f.session.selectRow(ListKind::Wave, 20);    // WAVE "K"
        f.session.selectRow(ListKind::Midi, 21);    // F12
        f.session.changeBoxText(ListKind::Picture, u"/new/a.bmp"_s);
        f.session.changeBoxText(ListKind::Midi, u"/new/f12.mid"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 10), u"/new/a.bmp"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 21), u"/t/key11.bmp"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 20), u"/t/key10.bmp"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Wave, 10), u"/t/key0.wav"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Midi, 21), u"/new/f12.mid"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Midi, 10), u"/t/piece10.mid"_s);

        // OK stores the picture and WAVE boxes once more: again at their own rows.
        f.session.ok();
        QCOMPARE(f.state.tables.keyPictures[0], u"/new/a.bmp"_s);
        QCOMPARE(f.state.tables.keyPictures[10], u"/t/key10.bmp"_s);
        QCOMPARE(f.state.tables.keySounds[10], u"/t/key10.wav"_s);
        QCOMPARE(f.state.tables.midiPieces[21], u"/new/f12.mid"_s);
    }

    void clearAsksFirst_data() {
        QTest::addColumn<ListKind>("kind");
        QTest::addColumn<QString>("question");
        QTest::newRow("pictures") << ListKind::Picture << u"絵ファイルを全てクリアしますか？"_s;
        QTest::newRow("WAVE") << ListKind::Wave << u"WAVEファイルを全てクリアしますか？"_s;
        QTest::newRow("MIDI") << ListKind::Midi << u"MIDIファイルを全てクリアしますか？"_s;
    }
    void clearAsksFirst() {
        QFETCH(ListKind, kind);
        QFETCH(QString, question);
        Fixture f;
        f.session.load();
        const AssignmentTables before = f.state.tables;
        const QStringList entries = f.session.lists().entries(kind);

        f.dialogs.answerButton(DialogButton::No);
        QVERIFY(!f.session.clear(kind));
        QCOMPARE(f.session.lists().entries(kind), entries);
        QVERIFY(!f.session.boxText(kind).isEmpty());

        f.dialogs.answerButton(DialogButton::Yes);
        QVERIFY(f.session.clear(kind));
        QCOMPARE(f.session.lists().entries(kind), QStringList(listRowCount(kind)));
        QCOMPARE(f.session.boxText(kind), QString());
        QCOMPARE(f.state.tables, before); // only OK or a save touch the tables

        const MessageBoxRequest asked = f.dialogs.calls().last().message;
        QCOMPARE(asked.text, question);
        QCOMPARE(asked.title, u"確認"_s);
        QCOMPARE(asked.buttons, MessageButtons::YesNo);
        QCOMPARE(asked.icon, MessageIcon::Question);
    }

    void okAppliesAndWritesTheSettingsFile_data() {
        QTest::addColumn<bool>("cdFlag");
        QTest::newRow("opening kept") << true;
        QTest::newRow("opening not kept") << false;
    }
    void okAppliesAndWritesTheSettingsFile() {
        QFETCH(bool, cdFlag);
        Fixture f("[MIDIFile]\r\nMIDIOp 0=/old.mid\r\n");
        f.session.load();
        f.session.setCheck(&OptionFlags::playSounds, true);
        f.session.setCheck(&OptionFlags::storeOpening, cdFlag);
        f.session.setCheck(&OptionFlags::kanaKeys, true);
        f.session.setKeyboardZoom(2.0);
        f.dialogs.answerButton(DialogButton::Yes);
        f.session.clear(ListKind::Wave);
        f.session.ok();

        QVERIFY(f.state.tables.keySounds[0].isEmpty());
        QCOMPARE(f.state.flags,
                 (OptionFlags{.playSounds = true, .storeOpening = cdFlag, .kanaKeys = true}));
        QCOMPARE(f.state.keyCaptions[0], u"ち"_s);
        QCOMPARE(f.state.keyboardZoom, 2.0);
        QCOMPARE(iniValue(f.folder, u"SoundFlag"_s, u"SoundFlag"_s), u"-1"_s);
        QCOMPARE(iniValue(f.folder, u"RENFlag"_s, u"RENFlag"_s), u"0"_s);
        QCOMPARE(iniValue(f.folder, u"AIUEOFlag"_s, u"AIUEOFlag"_s), u"-1"_s);
        QCOMPARE(iniValue(f.folder, u"Keyboard"_s, u"Zoom"_s), u"2"_s);
        QCOMPARE(iniValue(f.folder, u"MIDIFile"_s, u"MIDIOp 0"_s),
                 cdFlag ? u"/t/piece0.mid"_s : QString());
        QCOMPARE(iniValue(f.folder, u"BMPFile"_s, u"BMPOp 32"_s),
                 cdFlag ? u"/t/key32.bmp"_s : QString());
        QVERIFY(f.folder.read(u"PIKORO.ini"_s).contains("SoundFlag=-1\r\n"));
    }

    void unwritableSettingsFileIsReported() {
        Fixture f;
        f.session.load();
        QVERIFY(QDir(f.folder.path()).mkdir(u"PIKORO.ini"_s)); // a folder where the file goes
        f.dialogs.answerButton(DialogButton::Ok);
        f.session.ok();
        QVERIFY(f.dialogs.messageTexts().last().contains(u"PIKORO.ini"_s));
        QCOMPARE(f.state.tables, distinctTables()); // the lists still apply
    }

    void soundModeReloadsFromTheSettingsFile() {
        Fixture f("[SoundFile 2]\r\nSound 0=/mode2/zero.wav\r\nSoundOp 0=/mode2/a.wav\r\n");
        f.session.load();
        f.session.selectRow(ListKind::Wave, 15);
        f.session.chooseSoundMode(2);
        QCOMPARE(f.state.soundMode, 2);
        QCOMPARE(f.state.tables.keySounds[0], u"/mode2/a.wav"_s);
        QVERIFY(f.state.tables.keySounds[1].isEmpty());
        QCOMPARE(f.state.tables.keyPictures[0], u"/t/key0.bmp"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Wave, 10), u"/mode2/a.wav"_s);
        QCOMPARE(f.session.currentRow(ListKind::Wave), 0);
        QCOMPARE(f.session.boxText(ListKind::Wave), u"/mode2/zero.wav"_s);
        QCOMPARE(f.session.waveLabel(), u"/mode2/zero.wav"_s);
    }

    void pictureModeReloadsTheOpeningToo() {
        Fixture f("[BMPFile 4]\r\nBMP 0=/h/zero.bmp\r\nBMPOp 32=/h/open.bmp\r\n");
        f.session.load();
        f.session.choosePictureMode(4);
        QCOMPARE(f.state.pictureMode, 4);
        QCOMPARE(f.state.tables.keyPictures[32], u"/h/open.bmp"_s);
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 42), u"/h/open.bmp"_s);
        QCOMPARE(f.session.boxText(ListKind::Picture), u"/h/zero.bmp"_s);
        QCOMPARE(f.session.waveLabel(), u"/t/digit0.wav"_s); // the WAVE label stays
    }

    void saveThenOpenRoundTrip() {
        Fixture f;
        f.session.load();
        f.session.selectRow(ListKind::Picture, 12);
        f.session.changeBoxText(ListKind::Picture, u"/edited/c.bmp"_s);
        const QString path = f.folder.file(u"set.pik"_s);
        f.dialogs.answerText(path);
        QVERIFY(f.session.saveDataFile());
        QCOMPARE(f.state.tables.keyPictures[2], u"/edited/c.bmp"_s); // applied at once
        const AssignmentTables saved = f.state.tables;

        const FileDialogRequest &asked = f.dialogs.calls().last().file;
        QCOMPARE(f.dialogs.calls().last().kind, ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(asked.title, u"保存"_s);
        QCOMPARE(asked.fileTypes, (QList<FileType>{{u"data"_s, {u"*.pik"_s}}}));
        QCOMPARE(asked.defaultExtension, u"pik"_s);
        QCOMPARE(asked.initialFolder, f.folder.path());
        QCOMPARE(f.dialogs.mousePointer(), MousePointer::Normal);

        for (auto check : {&SettingsSession::openDataFile, &SettingsSession::openOldDataFile}) {
            f.state.tables = distinctTables(u"other"_s);
            f.session.reloadLists();
            f.dialogs.answerText(path);
            QVERIFY((f.session.*check)());
            QCOMPARE(f.state.tables, saved);
            QCOMPARE(f.session.lists().entry(ListKind::Picture, 12), u"/edited/c.bmp"_s);
            QCOMPARE(f.session.boxText(ListKind::Picture), u"/t/digit0.bmp"_s);
            const FileDialogRequest &open = f.dialogs.calls().last().file;
            QCOMPARE(open.title, u"ファイルオープン"_s);
            QCOMPARE(open.fileTypes, (QList<FileType>{{u"オープン"_s, {u"*.pik"_s}}}));
            QCOMPARE(open.defaultExtension, u"pik"_s);
            QCOMPARE(f.dialogs.pointerChanges().at(f.dialogs.pointerChanges().size() - 2),
                     MousePointer::Hourglass);
            QCOMPARE(f.dialogs.mousePointer(), MousePointer::Normal);
        }
    }

    void cancelledDialogsChangeNothing() {
        Fixture f;
        f.session.load();
        f.session.changeBoxText(ListKind::Picture, u"/edited.bmp"_s);
        const AssignmentTables before = f.state.tables;
        f.dialogs.answerCancel();
        QVERIFY(!f.session.saveDataFile());
        f.dialogs.answerCancel();
        QVERIFY(!f.session.openDataFile());
        QCOMPARE(f.state.tables, before);
        QCOMPARE(f.session.boxText(ListKind::Picture), u"/edited.bmp"_s);
        QCOMPARE(f.dialogs.mousePointer(), MousePointer::Normal);
        QVERIFY(f.dialogs.messageTexts().isEmpty());
    }

    void badDataFilesAreReported_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("old");
        QTest::addColumn<QString>("message");
        QByteArray lines = "## ピコロVersion 4データファイル\r\n2026/01/01\r\nピクチャーデータ\r\n";
        for (int i = 0; i < 43; ++i)
            lines += "/p.bmp\r\n";
        lines += "サウンドデータ\r\n";
        for (int i = 0; i < 42; ++i)
            lines += "/s.wav\r\n";
        lines += "MIDIデータ\r\n";
        for (int i = 0; i < 22; ++i)
            lines += "/m.mid\r\n";
        QByteArray otherVersion = lines;
        otherVersion.replace("Version 4", "Version 3");
        QTest::newRow("end mark missing") << lines << false << u"ピコロのファイルではありません"_s;
        QTest::newRow("end mark missing, old")
            << lines << true << u"ピコロのファイルではありません"_s;
        QTest::newRow("other version") << otherVersion + "PIKORO_DATA_FILE\r\n"
                                       << false << u"バージョンが違います"_s;
    }
    void badDataFilesAreReported() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, old);
        QFETCH(QString, message);
        Fixture f;
        f.session.load();
        f.dialogs.answerText(f.folder.write(u"bad.pik"_s, contents));
        f.dialogs.answerButton(DialogButton::Ok);
        QVERIFY(!(old ? f.session.openOldDataFile() : f.session.openDataFile()));
        const MessageBoxRequest shown = f.dialogs.calls().last().message;
        QCOMPARE(shown.text, message);
        QCOMPARE(shown.title, QString()); // the application's title
        QCOMPARE(shown.buttons, MessageButtons::Ok);
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 0), u"/t/digit0.bmp"_s);
        QCOMPARE(f.dialogs.mousePointer(), MousePointer::Normal);
    }

    void otherVersionOpensAsOldFile() {
        Fixture f;
        AssignmentTables other = distinctTables(u"v3"_s);
        const QString path = f.folder.file(u"v3.pik"_s);
        QVERIFY(DataFile::write(path, other));
        QByteArray bytes = f.folder.read(u"v3.pik"_s);
        bytes.replace("Version 4", "Version 3");
        f.folder.write(u"v3.pik"_s, bytes);
        f.session.load();
        f.dialogs.answerText(path);
        QVERIFY(f.session.openOldDataFile());
        QCOMPARE(f.state.tables, other);
    }

    void failedSaveIsReportedAndKeepsTheOldFile() {
        Fixture f;
        f.session.load();
        const QString path = f.folder.file(u"missing-folder/set.pik"_s);
        f.dialogs.answerText(path);
        f.dialogs.answerButton(DialogButton::Ok);
        f.session.changeBoxText(ListKind::Picture, u"/edited.bmp"_s);
        QVERIFY(!f.session.saveDataFile());
        QVERIFY(f.dialogs.messageTexts().last().contains(u"set.pik"_s));
        QCOMPARE(f.state.tables, distinctTables()); // nothing applied
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f.dialogs.mousePointer(), MousePointer::Normal);
    }
};
PIKORO_TEST_CLASS(SettingsSessionTest)

class WorkingListsTest : public QObject {
    Q_OBJECT
private slots:
    void gridNames_data() {
        QTest::addColumn<ListKind>("kind");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::newRow("WAVE first digit is half-width") << ListKind::Wave << 0 << u"0"_s;
        QTest::newRow("WAVE other digits") << ListKind::Wave << 1 << u"１"_s;
        QTest::newRow("picture first digit") << ListKind::Picture << 0 << u"０"_s;
        QTest::newRow("A") << ListKind::Wave << 10 << u"A"_s;
        QTest::newRow("space") << ListKind::Picture << 36 << u"スペース"_s;
        QTest::newRow("left") << ListKind::Wave << 41 << u"←"_s;
        QTest::newRow("opening") << ListKind::Picture << 42 << u"オープニング"_s;
        QTest::newRow("MIDI right shift") << ListKind::Midi << 4 << u"SHIFT_右"_s;
        QTest::newRow("MIDI F12") << ListKind::Midi << 21 << u"F12"_s;
    }
    void gridNames() {
        QFETCH(ListKind, kind);
        QFETCH(int, row);
        QFETCH(QString, name);
        QCOMPARE(gridKeyName(kind, row), name);
    }

    void tablesRoundTripThroughTheLists() {
        const AssignmentTables tables = distinctTables();
        WorkingLists lists;
        lists.loadFrom(tables);
        QCOMPARE(lists.entry(ListKind::Picture, 9), u"/t/digit9.bmp"_s);
        QCOMPARE(lists.entry(ListKind::Picture, 10), u"/t/key0.bmp"_s);
        QCOMPARE(lists.entry(ListKind::Wave, 41), u"/t/key31.wav"_s);
        AssignmentTables back;
        lists.storeInto(back);
        QCOMPARE(back, tables);
    }
};
PIKORO_TEST_CLASS(WorkingListsTest)

#include "tst_settingssession.moc"
