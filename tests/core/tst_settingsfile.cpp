#include "CoreFixtures.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/ApplicationPlace.h"
#include "core/KeyboardZoom.h"
#include "core/SafeWrite.h"
#include "core/SettingsFile.h"

#include <QTest>
#include <tuple>

using namespace pikoro;
using namespace Qt::StringLiterals;
using namespace pikoro::test;

namespace {
AppState stateIn(const TempFolder &folder) {
    AppState state;
    state.applicationFolder = folder.path();
    return state;
}
} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    // Flags, our own options and the keyboard zoom as read. Whatever the file does not say is
    // off, so files from before keep their behaviour; a zoom out of range is automatic (0).
    void optionsAsRead_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("on");
        QTest::newRow("all on") << "[AIUEOFlag]\r\nAIUEOFlag=1\r\n[Keyboard]\r\nZoom=1.25\r\n"
                                   "[Pikoro]\r\nAskNameForSettings=-1\r\nSoundMessages=1\r\n"_ba
                                << true;
        QTest::newRow("none said, zoom too large") << "[Keyboard]\r\nZoom=40\r\n"_ba << false;
    }
    void optionsAsRead() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, on);
        TempFolder folder;
        folder.write(u"PIKORO.ini"_s, ini);
        AppState state = stateIn(folder);
        state.keyboardZoom = 3.0;
        state.askNameForSettings = true;
        QVERIFY(loadSettings(state));
        QCOMPARE(state.flags, OptionFlags{.kanaKeys = on});
        QCOMPARE(state.askNameForSettings, on);
        QCOMPARE(state.reportSoundFailures, on);
        QCOMPARE(state.keyboardZoom, on ? 1.25 : 0.0);
    }

    // The flags and the kept opening are written as they always were; the keyboard size goes in
    // a section of its own, which a file that never chose one does not get.
    void saveWritesFlagsOpeningAndZoom() {
        TempFolder folder;
        AppState state = stateIn(folder);
        state.flags = {.playSounds = true, .storeOpening = true, .kanaKeys = true};
        state.tables.midiPieces[0] = u"op.mid"_s;
        state.tables.midiPieces[1] = u"esc.mid"_s;
        state.tables.keyPictures[OpeningPictureSlot] = u"op.bmp"_s;
        QVERIFY(saveSettings(state));
        const QByteArray written =
            "[SoundFlag]\r\nSoundFlag=-1\r\n[RENFlag]\r\nRENFlag= 0\r\n"
            "[OPENFlag]\r\nOPENFlag= 0\r\n[CDFlag]\r\nCDFlag=-1\r\n"
            "[MIDIFile]\r\nMIDIOp 0=op.mid\r\n[BMPFile]\r\nBMPOp 32=op.bmp\r\n"
            "[TomeiFlag]\r\nTomeiFlag= 0\r\n[AIUEOFlag]\r\nAIUEOFlag=-1\r\n";
        QCOMPARE(folder.read(u"PIKORO.ini"_s), written);
        state.keyboardZoom = 1.5;
        QVERIFY(saveSettings(state));
        QCOMPARE(folder.read(u"PIKORO.ini"_s), written + "[Keyboard]\r\nZoom=1.5\r\n");
    }

    // Something named PIKORO.ini that is no settings file is refused at once, said with the
    // file and why, and never saved over.
    void unreadableFileChangesNothing_data() {
        QTest::addColumn<QString>("kind");
        for (const char *kind : unreadableKinds) {
            // A save gone wrong must not reach a device through a link: tests may run as root.
            if (!QByteArray(kind).startsWith("link"))
                QTest::newRow(kind) << QString::fromLatin1(kind);
        }
    }
    void unreadableFileChangesNothing() {
        QFETCH(QString, kind);
        TempFolder folder;
        AppState state = stateIn(folder);
        const QByteArray path = QFile::encodeName(state.settingsPath());
        QVERIFY(makeUnreadable(kind, state.settingsPath()));
        struct stat before = {}, after = {};
        QCOMPARE(lstat(path.constData(), &before), 0);
        state.tables.midiPieces[0] = u"before.mid"_s;
        state.flags.loopSounds = true;
        const Outcome loaded = loadSettings(state);
        QVERIFY(!loaded);
        // The message of old first, then the file and why.
        QCOMPARE(loaded.message.section(u'\n', 0, 1),
                 u"Load中にエラーが発生しました\n"_s +
                     QDir::toNativeSeparators(state.settingsPath()));
        QCOMPARE(state.tables.midiPieces[0], u"before.mid"_s);
        QVERIFY(state.flags.loopSounds);

        const Outcome saved = saveSettings(state);
        QVERIFY(!saved);
        QVERIFY(saved.message.contains(u"PIKORO.ini"_s));
        QCOMPARE(lstat(path.constData(), &after), 0);
        QCOMPARE(std::tie(after.st_ino, after.st_size), std::tie(before.st_ino, before.st_size));
    }

    // A save killed half-way leaves its temporary file; the next start removes it, and only it.
    void killedSaveIsCleanedUpAtStart() {
        TempFolder folder;
        AppState state = stateIn(folder);
        QStringList others{u"PIKORO.ini.bak"_s, u"PIKORO.ini.pikoro-save-Ab12Cd7"_s,
                           u"PIKORO.ini.pikoro-save-Ab-2Cd"_s, u"x.pik.pikoro-save-Ab12Cd"_s};
        for (const QString &name : others + QStringList{u"PIKORO.ini.pikoro-save-Ab12Cd"_s})
            folder.write(name, "keep");
        QVERIFY(loadSettings(state));
        others.sort();
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files, QDir::Name), others);
    }

    // A broken data file named by [Pikoro] StartupData leaves the tables empty and says why.
    void brokenStartupDataFile() {
        TempFolder folder;
        folder.write(u"PIKORO.ini"_s, "[Pikoro]\r\nStartupData=./d.pik\r\n");
        folder.write(u"d.pik"_s, "## ピコロVersion 4データファイル\r\n2024/01/02\r\n");
        AppState state = stateIn(folder);
        QVERIFY(loadSettings(state));
        QCOMPARE(openStartupDataFile(state),
                 u"起動時のデータファイルを読めません：d.pik（ピコロのファイルではありません）"_s);
        QCOMPARE(state.tables, AssignmentTables{});
    }

    // Installed (bin/ beside share/pikoro holding pikoro.hlp), the shipped PIKORO.ini is read
    // until the user's own exists, and from then on the user's wins. Elsewhere the executable's
    // folder holds everything.
    void installedProgramKeepsUserSettingsApart() {
        TempFolder root;
        const QString bin = root.path() + u"/bin"_s;
        QVERIFY(QDir().mkpath(bin));
        const QString user = root.path() + u"/config/pikoro"_s;
        QCOMPARE(locateApplication(bin, user, u"../share/pikoro"_s).applicationFolder, bin);
        root.write(u"share/pikoro/pikoro.hlp"_s, "help");
        root.write(u"share/pikoro/PIKORO.ini"_s,
                   "[SoundFlag]\r\nSoundFlag=-1\r\n[SoundFile 0]\r\nSoundOp 0=./wav/a.wav\r\n");
        const ApplicationPlace place = locateApplication(bin, user, u"../share/pikoro"_s);
        QCOMPARE(place.applicationFolder, root.path() + u"/share/pikoro"_s);

        AppState state;
        state.applicationFolder = place.applicationFolder;
        state.userSettingsFile = place.userSettingsFile;
        QVERIFY(loadSettings(state) && state.flags.playSounds);
        state.flags.kanaKeys = true;
        QVERIFY(saveSettings(state));
        root.write(u"share/pikoro/PIKORO.ini"_s, "[RENFlag]\r\nRENFlag=-1\r\n");
        AppState again = state;
        QVERIFY(loadSettings(again) && loadSoundSet(again, 0));
        QCOMPARE(again.flags, (OptionFlags{.playSounds = true, .kanaKeys = true}));
        QCOMPARE(again.tables.keySounds[0], place.applicationFolder + u"/./wav/a.wav"_s);
    }
};

PIKORO_TEST_CLASS(SettingsFileTest)
#include "tst_settingsfile.moc"
