#include "CoreFixtures.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/ApplicationPlace.h"
#include "core/DataFile.h"
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
    // off, so files from before keep their behaviour; a zoom that is no number or out of range
    // is the automatic one (0).
    void optionsAsRead_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<OptionFlags>("flags");
        QTest::addColumn<double>("zoom");
        const OptionFlags kana{.kanaKeys = true};
        QTest::newRow("kana 1 counts as on") << "[AIUEOFlag]\r\nAIUEOFlag=1\r\n"_ba << kana << 0.0;
        QTest::newRow("zoom factor") << "[Keyboard]\r\nZoom=1.25\r\n"_ba << OptionFlags{} << 1.25;
        QTest::newRow("not a number") << "[Keyboard]\r\nZoom=big\r\n"_ba << OptionFlags{} << 0.0;
        QTest::newRow("too large") << "[Keyboard]\r\nZoom=40\r\n"_ba << OptionFlags{} << 0.0;
        QTest::newRow("user name before the settings")
            << "[Pikoro]\r\nAskNameForSettings=-1\r\n"_ba << OptionFlags{} << 0.0;
        QTest::newRow("sound messages")
            << "[Pikoro]\r\nSoundMessages=1\r\n"_ba << OptionFlags{} << 0.0;
    }
    void optionsAsRead() {
        QFETCH(QByteArray, ini);
        QFETCH(OptionFlags, flags);
        QFETCH(double, zoom);
        TempFolder folder;
        folder.write(u"PIKORO.ini"_s, ini);
        AppState state = stateIn(folder);
        state.keyboardZoom = 3.0;
        state.askNameForSettings = true;
        QVERIFY(loadSettings(state));
        QCOMPARE(state.flags, flags);
        QCOMPARE(state.askNameForSettings, ini.contains("AskNameForSettings=-1"));
        QCOMPARE(state.reportSoundFailures, ini.contains("SoundMessages=1"));
        QCOMPARE(state.keyboardZoom, zoom);
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
        state.keyboardZoom = 0;
        QVERIFY(saveSettings(state));

        AppState reloaded = stateIn(folder);
        reloaded.keyboardZoom = 2;
        QVERIFY(loadSettings(reloaded));
        QCOMPARE(reloaded.flags, state.flags);
        QCOMPARE(reloaded.keyboardZoom, 0.0);
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
        const QStringList lines = loaded.message.split(u'\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], u"Load中にエラーが発生しました"_s);
        QCOMPARE(lines[1], QDir::toNativeSeparators(state.settingsPath()));
        QVERIFY(!lines[2].isEmpty());
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

    // A link named PIKORO.ini that leads nowhere is a missing file: saving writes through it
    // when its target can be made, else puts a plain file in its place.
    void danglingLinkIsAMissingFile() {
        for (const QString &target : {u"real.ini"_s, u"gone/real.ini"_s}) {
            TempFolder folder;
            AppState state = stateIn(folder);
            QVERIFY(QFile::link(folder.file(target), state.settingsPath()));
            QVERIFY(loadSettings(state));
            state.flags.kanaKeys = true;
            QVERIFY(saveSettings(state));
            QCOMPARE(QFileInfo(state.settingsPath()).isSymLink(), !target.startsWith(u"gone"));
            AppState reloaded = stateIn(folder);
            QVERIFY(loadSettings(reloaded));
            QVERIFY(reloaded.flags.kanaKeys);
        }
    }

    // [Pikoro] StartupData names a data file opened at start; its entries starting with ".", like
    // the setting itself, are completed with the application folder, and no others. A missing or
    // broken file leaves the tables empty and gives a note.
    void startupDataFile_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("note"); // part of the note; empty: opened
        QTest::newRow("relative, opened") << u"./d.pik"_s << u"./bmp/a.bmp"_s << QString();
        QTest::newRow("none named") << QString() << QString() << QString();
        QTest::newRow("missing") << u"./gone.pik"_s << QString() << u"がありません"_s;
        QTest::newRow("broken") << u"./d.pik"_s << u"./a.bmp"_s
                                << u"を読めません：d.pik（ピコロのファイルではありません）"_s;
    }
    void startupDataFile() {
        QFETCH(QString, setting);
        QFETCH(QString, data);
        QFETCH(QString, note);
        TempFolder folder;
        if (!setting.isEmpty())
            folder.write(u"PIKORO.ini"_s,
                         (u"[Pikoro]\r\nStartupData=%1\r\n"_s.arg(setting)).toUtf8());
        AssignmentTables written;
        written.keyPictures[0] = data;
        written.midiPieces[21] = u"D:\\f12.mid"_s;
        QStringList lines = *DataFile::lines(written, QDate(2024, 1, 2));
        if (QTest::currentDataTag() == "broken"_ba)
            lines.removeLast(); // no end mark
        folder.write(u"d.pik"_s, lines.join(u"\r\n"_s).toUtf8());
        AppState state = stateIn(folder);
        QVERIFY(loadSettings(state));
        QCOMPARE(state.startupDataFile, setting);
        const QString shown = openStartupDataFile(state);
        QVERIFY2(note.isEmpty() ? shown.isEmpty() : shown.contains(note), qPrintable(shown));
        if (note.isEmpty() && !setting.isEmpty()) {
            QCOMPARE(state.tables.keyPictures[0], folder.path() + u"/./bmp/a.bmp"_s);
            QCOMPARE(state.tables.midiPieces[21], u"D:\\f12.mid"_s); // no leading dot: kept
        } else {
            QCOMPARE(state.tables, AssignmentTables{});
        }

        // An empty setting is written only over an old one.
        state.startupDataFile.clear();
        QVERIFY(saveSettings(state));
        QCOMPARE(folder.read(u"PIKORO.ini"_s).contains("StartupData=\r\n"), !setting.isEmpty());
    }

    // Installed (bin/ beside share/pikoro holding pikoro.hlp), the shipped PIKORO.ini is read
    // until the user's own exists; OK writes the user's, keeping the shipped sets, and from then
    // on the user's wins. Elsewhere the executable's folder holds everything.
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
        QCOMPARE(place.userSettingsFile, user + u"/PIKORO.ini"_s);

        AppState state;
        state.applicationFolder = place.applicationFolder;
        state.userSettingsFile = place.userSettingsFile;
        QVERIFY(loadSettings(state));
        QVERIFY(state.flags.playSounds);
        state.flags.kanaKeys = true;
        QVERIFY(saveSettings(state));
        const QByteArray shipped = root.read(u"share/pikoro/PIKORO.ini"_s);
        QVERIFY(!shipped.contains("AIUEOFlag"));
        QVERIFY(root.read(u"config/pikoro/PIKORO.ini"_s).contains("SoundOp 0=./wav/a.wav"));

        root.write(u"share/pikoro/PIKORO.ini"_s, shipped + "[RENFlag]\r\nRENFlag=-1\r\n");
        AppState again = state;
        QVERIFY(loadSettings(again) && loadSoundSet(again, 0));
        QCOMPARE(again.flags, (OptionFlags{.playSounds = true, .kanaKeys = true}));
        QCOMPARE(again.tables.keySounds[0], place.applicationFolder + u"/./wav/a.wav"_s);
    }
};

PIKORO_TEST_CLASS(SettingsFileTest)
#include "tst_settingsfile.moc"
