#include "TempFolder.h"
#include "TestRunner.h"

#include "ScriptedDialogs.h"
#include "core/DataFile.h"
#include "core/KeySlots.h"
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

    void clearAsksFirst_data() {
        QTest::addColumn<ListKind>("kind");
        QTest::addColumn<QString>("question");
        QTest::newRow("pictures") << ListKind::Picture << u"絵ファイルを全てクリアしますか？"_s;
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
        QCOMPARE(f.dialogs.calls().last().message.text, question);
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
        QCOMPARE(iniValue(f.folder, u"Keyboard"_s, u"Zoom"_s), u"2"_s);
        QCOMPARE(iniValue(f.folder, u"MIDIFile"_s, u"MIDIOp 0"_s),
                 cdFlag ? u"/t/piece0.mid"_s : QString());
        QCOMPARE(iniValue(f.folder, u"BMPFile"_s, u"BMPOp 32"_s),
                 cdFlag ? u"/t/key32.bmp"_s : QString());
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

    void badDataFilesAreReported_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("message");
        const QStringList lines = *DataFile::lines(distinctTables(u"f"_s), QDate(2026, 1, 1));
        QTest::newRow("end mark missing")
            << lines.mid(0, lines.size() - 1) << u"ピコロのファイルではありません"_s;
        QStringList otherVersion = lines;
        otherVersion[0].replace(u"Version 4"_s, u"Version 3"_s);
        QTest::newRow("other version") << otherVersion << u"バージョンが違います"_s;
    }
    void badDataFilesAreReported() {
        QFETCH(QStringList, lines);
        QFETCH(QString, message);
        Fixture f;
        f.session.load();
        f.dialogs.answerText(f.folder.write(u"bad.pik"_s, lines.join(u"\r\n"_s).toUtf8()));
        f.dialogs.answerButton(DialogButton::Ok);
        QVERIFY(!f.session.openDataFile());
        const MessageBoxRequest shown = f.dialogs.calls().last().message;
        QCOMPARE(shown.text, message);
        QCOMPARE(shown.title, QString()); // the application's title
        QCOMPARE(shown.buttons, MessageButtons::Ok);
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 0), u"/t/digit0.bmp"_s);
        QCOMPARE(f.dialogs.mousePointer(), MousePointer::Normal);
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

    // The settings grid and the key-slot lists name the same rows their own way.
    void gridNames_data() {
        QTest::addColumn<ListKind>("kind");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("gridName");
        QTest::addColumn<QString>("listName");
        QTest::newRow("WAVE first digit is half-width") << ListKind::Wave << 0 << u"0"_s << u"0"_s;
        QTest::newRow("picture first digit") << ListKind::Picture << 0 << u"０"_s << u"０"_s;
        QTest::newRow("opening") << ListKind::Picture << 42 << u"オープニング"_s << u"ｵｰﾌﾟﾆﾝｸﾞ"_s;
        QTest::newRow("MIDI F12") << ListKind::Midi << 21 << u"F12"_s << u"F12"_s;
    }
    void gridNames() {
        QFETCH(ListKind, kind);
        QFETCH(int, row);
        QFETCH(QString, gridName);
        QFETCH(QString, listName);
        QCOMPARE(gridKeyName(kind, row), gridName);
        QCOMPARE(kind == ListKind::Picture ? pictureListName(row)
                 : kind == ListKind::Wave  ? soundListName(row)
                                           : midiListName(row),
                 listName);
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
PIKORO_TEST_CLASS(SettingsSessionTest)

#include "tst_settingssession.moc"
