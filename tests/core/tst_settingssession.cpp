#include "CoreFixtures.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "ScriptedDialogs.h"
#include "core/PhotoFolder.h"
#include "core/SettingsSession.h"

#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using namespace pikoro::test;

namespace {
// One settings window's logic over a temporary application folder.
struct Fixture {
    TempFolder folder;
    AppState state;
    ScriptedDialogs dialogs;
    SettingsSession session{state, dialogs};

    Fixture() {
        state.applicationFolder = folder.path();
        state.tables = distinctTables();
    }
};

} // namespace

class SettingsSessionTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    // OK applies the lists, flags, captions and zoom, also when PIKORO.ini cannot be written
    // (said once: the file is written once); the opening is written only while it is kept.
    // Before OK nothing reaches the tables; Clear asks first and No keeps the list.
    void okAppliesAndWritesTheSettingsFile_data() {
        QTest::addColumn<bool>("cdFlag");
        QTest::addColumn<bool>("unwritable");
        QTest::newRow("opening kept") << true << false;
        QTest::newRow("opening not kept") << false << false;
        QTest::newRow("settings file unwritable") << true << true;
    }
    void okAppliesAndWritesTheSettingsFile() {
        QFETCH(bool, cdFlag);
        QFETCH(bool, unwritable);
        Fixture f;
        f.folder.write(u"PIKORO.ini"_s, "[MIDIFile]\r\nMIDIOp 0=/old.mid\r\n");
        f.session.load();
        f.session.setCheck(&OptionFlags::playSounds, true);
        f.session.setCheck(&OptionFlags::storeOpening, cdFlag);
        f.session.setCheck(&OptionFlags::kanaKeys, true);
        f.session.setKeyboardZoom(2.0);
        f.dialogs.answerButton(DialogButton::No);
        QVERIFY(!f.session.clear(ListKind::Midi));
        f.dialogs.answerButton(DialogButton::Yes);
        QVERIFY(f.session.clear(ListKind::Wave));
        QCOMPARE(f.session.boxText(ListKind::Wave), QString());
        f.session.selectRow(ListKind::Picture, PictureListRows - 1); // the opening picture
        QCOMPARE(f.session.boxText(ListKind::Picture), u"/t/key32.bmp"_s);
        f.session.changeBoxText(ListKind::Picture, u"/new-opening.bmp"_s);
        QCOMPARE(f.state.tables, distinctTables());
        if (unwritable) { // saved where no folder can be made
            f.state.userSettingsFile = f.folder.write(u"plain"_s, "") + u"/PIKORO.ini"_s;
            f.dialogs.answerButton(DialogButton::Ok);
        }
        f.session.ok();

        AssignmentTables applied = distinctTables();
        applied.digitSounds.fill({});
        applied.keySounds.fill({});
        applied.keyPictures[OpeningPictureSlot] = u"/new-opening.bmp"_s;
        QCOMPARE(f.state.tables, applied);
        QCOMPARE(f.state.flags,
                 (OptionFlags{.playSounds = true, .storeOpening = cdFlag, .kanaKeys = true}));
        QCOMPARE(f.state.keyCaptions[0], u"ち"_s);
        QCOMPARE(f.state.keyboardZoom, 2.0);
        if (unwritable) {
            QCOMPARE(f.dialogs.messageTexts().size(), 3); // two questions, one error
            QVERIFY(f.dialogs.messageTexts().last().contains(u"PIKORO.ini"_s));
            return;
        }
        const QByteArray ini = f.folder.read(u"PIKORO.ini"_s);
        QVERIFY(ini.contains(cdFlag ? "MIDIOp 0=/t/piece0.mid\r\n" : "MIDIOp 0=\r\n"));
        QVERIFY(ini.contains(cdFlag ? "BMPOp 32=/new-opening.bmp\r\n" : "BMPOp 32=\r\n"));
    }

    // A data file refused on opening (another version) or on saving (no such folder) is
    // reported and leaves the lists and tables alone.
    void refusedDataFileIsReported_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("message");
        QTest::newRow("open other version") << false << u"バージョンが違います"_s;
        QTest::newRow("save into missing folder") << true << u"set.pik"_s;
    }
    void refusedDataFileIsReported() {
        QFETCH(bool, save);
        QFETCH(QString, message);
        Fixture f;
        f.session.load();
        const QString path =
            save ? f.folder.file(u"missing-folder/set.pik"_s)
                 : f.folder.write(u"bad.pik"_s, "## ピコロVersion 3データファイル\r\n");
        f.dialogs.answerText(path);
        f.dialogs.answerButton(DialogButton::Ok);
        f.session.changeBoxText(ListKind::Picture, u"/edited.bmp"_s);
        QVERIFY(!(save ? f.session.saveDataFile() : f.session.openDataFile()));
        const MessageBoxRequest shown = f.dialogs.calls().last().message;
        QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
        QCOMPARE(f.session.lists().entry(ListKind::Picture, 0), u"/edited.bmp"_s);
        QCOMPARE(f.state.tables, distinctTables());
    }

    void photoFolderPlan() {
        const auto placed = [](const QString &expected, bool kana) {
            QStringList names, shown;
            for (const QString &entry : expected.split(u' '))
                names << entry.section(u':', 1);
            for (const PhotoPlacement &p : planPhotoFolder(names, kana).placements)
                shown << pictureListName(p.row) + u':' + p.fileName;
            return shown.join(u' ');
        };
        const QString letters =
            u"A:alex.png B:Ｂｏｂ.jpg C:Anna.jpg D:IMG_10.jpg E:ばあば.jpg I:IMG_2.jpg"_s;
        QCOMPARE(placed(letters, false), letters);
        const QString kana = QString(letters).replace(u"E:ば"_s, u"F:ば"_s); // ば is HA voiced
        QCOMPARE(placed(kana, true), kana);
        QCOMPARE(placed(u"F:ﾊﾞｰﾊﾞ.jpg G:キリン.jpg"_s, true), u"F:ﾊﾞｰﾊﾞ.jpg G:キリン.jpg"_s);
    }
};
PIKORO_TEST_CLASS(SettingsSessionTest)

#include "tst_settingssession.moc"
