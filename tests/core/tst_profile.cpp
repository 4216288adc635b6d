#include "CoreFixtures.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/ProfileFile.h"
#include "core/TextEncoding.h"
#include "core/UserStore.h"

#include <QFile>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using namespace pikoro::test;

namespace {
ProfileFile profileOf(const QByteArray &bytes) {
    TempFolder folder;
    ProfileFile profile;
    if (!profile.load(folder.write(u"p.ini"_s, bytes)))
        qFatal("fixture did not load");
    return profile;
}
} // namespace

class ProfileFileTest : public QObject {
    Q_OBJECT
private slots:
    void readString_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("names ignore case")
            << "[SoundFlag]\r\nSoundFlag=-1\r\n"_ba << u"soundflag"_s << u"SOUNDFLAG"_s << u"-1"_s;
        QTest::newRow("blanks around names and value")
            << "  [ BMPFile ]  \r\n  BMPOp 32  =  a b.bmp  \r\n"_ba << u"BMPFile"_s << u"BMPOp 32"_s
            << u"a b.bmp"_s;
        QTest::newRow("first of two equal keys wins")
            << "[A]\nk=first\nk=second\n"_ba << u"A"_s << u"k"_s << u"first"_s;
        QTest::newRow("empty value is empty, not the default")
            << "[A]\r\nk=\r\n"_ba << u"A"_s << u"k"_s << QString();
        QTest::newRow("long value is cut") << "[A]\r\nk=" + QByteArray(300, 'x') + "\r\n"
                                           << u"A"_s << u"k"_s << QString(254, u'x');
    }
    void readString() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(profileOf(file).readString(section, key, u"fallback"_s), expected);
    }

    void readInt_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("minus one") << "-1"_ba << -1;
        QTest::newRow("leading digits count") << "12abc"_ba << 12;
        QTest::newRow("text reads as zero") << "abc"_ba << 0;
        QTest::newRow("huge saturates") << "99999999999999"_ba << INT_MAX;
    }
    void readInt() {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        const ProfileFile profile = profileOf("[F]\r\nF=" + value + "\r\n");
        QCOMPARE(profile.readInt(u"F"_s, u"F"_s, 7), expected);
        QCOMPARE(profile.readInt(u"F"_s, u"missing"_s, 7), 7);
    }

    // Inserted lines move the later ones; a repeated section never counts.
    void writeKeepsEveryOtherLine() {
        TempFolder folder;
        const QString path = folder.write(u"p.ini"_s, "; keep me\r\n[One]\r\nold = 1\r\nother=2\r\n"
                                                      "\r\n[Two]\r\nx=y\r\n[one]\r\nlate=9\r\n"_ba);
        ProfileFile profile;
        QVERIFY(profile.load(path));
        QCOMPARE(profile.readString(u"One"_s, u"late"_s), QString());
        profile.writeString(u"ONE"_s, u"OLD"_s, u"changed"_s);
        profile.writeString(u"one"_s, u"new"_s, u"added"_s);
        profile.writeString(u"two"_s, u"X"_s, u"again"_s);
        profile.writeString(u"One"_s, u"late"_s, u"first"_s);
        profile.writeString(u"Three"_s, u"z"_s, u"3"_s);
        profile.writeString(u"three"_s, u"z"_s, u"4"_s);
        QCOMPARE(profile.readString(u"TWO"_s, u"x"_s), u"again"_s);
        QCOMPARE(profile.readString(u"one"_s, u"late"_s), u"first"_s);
        QVERIFY(profile.save(path));
        QCOMPARE(folder.read(u"p.ini"_s), "; keep me\r\n[One]\r\nOLD=changed\r\nother=2\r\n"
                                          "new=added\r\nlate=first\r\n\r\n[Two]\r\nX=again\r\n"
                                          "[one]\r\nlate=9\r\n[Three]\r\nz=4\r\n"_ba);
    }

    void shiftJisFileStaysShiftJis() {
        TempFolder folder;
        QFile fixture(QStringLiteral(PIKORO_FIXTURES "/sjis.ini"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QString path = folder.write(u"p.ini"_s, fixture.readAll());
        ProfileFile profile;
        QVERIFY(profile.load(path));
        QCOMPARE(profile.encoding(), TextEncoding::ShiftJis);
        QCOMPARE(profile.readString(u"MIDIFile"_s, u"MIDIOp 0"_s), u".\\mid\\ちゃいむ.mid"_s);
        profile.writeString(u"BMPFile"_s, u"BMPOp 32"_s, u"C:\\絵\\うさぎ.bmp"_s);
        QVERIFY(profile.save(path));
        const QByteArray saved = folder.read(u"p.ini"_s);
        QCOMPARE(decodeText(saved).encoding, TextEncoding::ShiftJis);
        QVERIFY(saved.endsWith(*encodeText(u"[BMPFile]\r\nBMPOp 32=C:\\絵\\うさぎ.bmp\r\n"_s,
                                           TextEncoding::ShiftJis)));

        // A character Shift-JIS cannot hold moves the file to UTF-8 instead of losing it.
        profile.writeString(u"BMPFile"_s, u"BMPOp 32"_s, u"/home/絵/🐱.png"_s);
        QVERIFY(profile.save(path));
        ProfileFile again;
        QVERIFY(again.load(path));
        QCOMPARE(again.encoding(), TextEncoding::Utf8);
        QCOMPARE(again.readString(u"BMPFile"_s, u"BMPOp 32"_s), u"/home/絵/🐱.png"_s);
        QCOMPARE(again.readString(u"MIDIFile"_s, u"MIDIOp 0"_s), u".\\mid\\ちゃいむ.mid"_s);
    }

    // Saving rewrites the lines it writes and nothing else: one byte that fits neither encoding
    // (or only the other one) leaves the file's encoding, its other lines and line ends alone.
    void untouchedLinesKeepTheirBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray utf8Path = u"MIDIOp 0=/曲/ちゃいむ.mid"_s.toUtf8();
        const QByteArray sjisPath =
            *encodeText(u"MIDIOp 0=/曲/ちゃいむ.mid"_s, TextEncoding::ShiftJis);
        const QByteArray flag = "[SoundFlag]\r\nSoundFlag=-1\r\n";
        // "\xE9x" is a Shift-JIS character, but not UTF-8.
        const QByteArray utf8File = "; caf\xE9x\r\n[MIDIFile]\r\n" + utf8Path + "\r\n";
        QTest::newRow("UTF-8, stray byte in a comment") << utf8File << utf8File + flag;
        const QByteArray sjisFile =
            "; \x80 " + *encodeText(u"ピコロ\r\n[MIDIFile]\r\n"_s, TextEncoding::ShiftJis) +
            sjisPath + "\r\n";
        QTest::newRow("Shift-JIS, undecodable byte") << sjisFile << sjisFile + flag;
        QTest::newRow("LF line ends, last line without one")
            << "[SoundFlag]\nSoundFlag=0\n[MIDIFile]\n" + utf8Path
            << "[SoundFlag]\nSoundFlag=-1\n[MIDIFile]\n" + utf8Path;
    }
    void untouchedLinesKeepTheirBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        TempFolder folder;
        const QString path = folder.write(u"p.ini"_s, file);
        ProfileFile profile;
        QVERIFY(profile.load(path));
        QCOMPARE(profile.readString(u"MIDIFile"_s, u"MIDIOp 0"_s), u"/曲/ちゃいむ.mid"_s);
        profile.writeString(u"SoundFlag"_s, u"SoundFlag"_s, u"-1"_s);
        QVERIFY(profile.save(path));
        QCOMPARE(folder.read(u"p.ini"_s), saved);
    }

    void failedSaveIsReported() {
        TempFolder folder;
        ProfileFile profile;
        profile.writeString(u"A"_s, u"k"_s, u"v"_s);
        QVERIFY(!profile.save(folder.file(u"no/such/folder/p.ini"_s)));
        QCOMPARE(profile.errorString(), qt_error_string(ENOENT));

        // A write cut short (here by a file size limit) names its cause and keeps the old file.
        const QString path = folder.write(u"p.ini"_s, "[A]\r\nk=old\r\n");
        profile.writeString(u"A"_s, u"k"_s, QString(4096, u'v'));
        QVERIFY(!underFileSizeLimit(1024, [&] { return profile.save(path); }));
        QCOMPARE(profile.errorString(), qt_error_string(EFBIG));
        QCOMPARE(folder.read(u"p.ini"_s), "[A]\r\nk=old\r\n"_ba);
    }

    // Whatever the user-name window can hold reads back exactly from the file.
    void valuesReadBackAsWritten_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("blanks at both ends") << u" mama "_s;
        QTest::newRow("full-width blanks") << u"\u3000ママ\u3000"_s;
        QTest::newRow("double quotes") << u"\"mama\""_s;
        QTest::newRow("lone quote") << u"\""_s;
        QTest::newRow("ten characters") << u"\U0001F431é漢ｶ=;[x]\t"_s;
        QTest::newRow("empty") << u""_s;
    }
    void valuesReadBackAsWritten() {
        QFETCH(QString, value);
        TempFolder folder;
        QVERIFY(ProfileUserStore().write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, value));
        QCOMPARE(ProfileUserStore().read(u"PIKORO"_s, u"ユーザー登録"_s, u"名前"_s, u"-"_s), value);
        QVERIFY(QFile::exists(folder.configHome() + u"/pikoro/pikoro.ini"_s));
    }

    // Files written before keep reading back; a line break, which no line can hold, is refused.
    void earlierFilesAndLineBreaks() {
        TempFolder folder;
        folder.write(u".config/pikoro/pikoro.ini"_s,
                     "[ユーザー登録]\r\n名前=おかあさん\r\nMSG=1\r\n");
        ProfileUserStore store;
        QCOMPARE(store.read(u"PIKORO"_s, u"ユーザー登録"_s, u"名前"_s, {}), u"おかあさん"_s);
        QCOMPARE(store.read(u"PIKORO"_s, u"ユーザー登録"_s, u"MSG"_s, {}), u"1"_s);
        QVERIFY(!store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"a\nb"_s));
        QCOMPARE(store.read(u"PIKORO"_s, u"ユーザー登録"_s, u"名前"_s, {}), u"おかあさん"_s);
    }
};

PIKORO_TEST_CLASS(ProfileFileTest)
#include "tst_profile.moc"
