#include "TempFolder.h"
#include "TestRunner.h"

#include "core/ProfileFile.h"
#include "core/UserStore.h"

#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using namespace pikoro::test;

class ProfileFileTest : public QObject {
    Q_OBJECT
private slots:
    // Section [A], key k, looked up as "a" and "K".
    void readStringAndInt_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("blanks, digits") << "  [ A ] \r\n k = 12 ab \r\n"_ba << u"12 ab"_s << 12;
        QTest::newRow("first of two keys wins") << "[A]\nk=x\nk=5\n"_ba << u"x"_s << 0;
        QTest::newRow("empty, not the default") << "[A]\r\nk=\r\n"_ba << QString() << 0;
        // Only blanks and tabs are trimmed: a full-width blank ending a stored name stays.
        QTest::newRow("tabs go, full-width blank stays")
            << "[A]\n\tk\t=\tママ\u3000\t\n"_ba << u"ママ\u3000"_s << 0;
    }
    void readStringAndInt() {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(int, number);
        TempFolder folder;
        ProfileFile profile;
        QVERIFY(profile.load(folder.write(u"p.ini"_s, file)));
        QCOMPARE(profile.readString(u"a"_s, u"K"_s, u"fallback"_s), text);
        QCOMPARE(profile.readInt(u"a"_s, u"K"_s, 7), number);
    }

    // Inserted lines move the later ones; a repeated section never counts.
    void writeKeepsEveryOtherLine() {
        TempFolder folder;
        const QString path = folder.write(u"p.ini"_s, "; keep me\r\n[One]\r\nold = 1\r\nother=2\r\n"
                                                      "\r\n[Two]\r\nx=y\r\n[one]\r\nlate=9\r\n"_ba);
        ProfileFile profile;
        QVERIFY(profile.load(path));
        profile.writeString(u"ONE"_s, u"OLD"_s, u"changed"_s);
        profile.writeString(u"one"_s, u"new"_s, u"added"_s);
        profile.writeString(u"two"_s, u"X"_s, u"again"_s);
        profile.writeString(u"One"_s, u"late"_s, u"first"_s);
        profile.writeString(u"Three"_s, u"z"_s, u"3"_s);
        profile.writeString(u"three"_s, u"z"_s, u"4"_s);
        QVERIFY(profile.save(path));
        QCOMPARE(folder.read(u"p.ini"_s), "; keep me\r\n[One]\r\nOLD=changed\r\nother=2\r\n"
                                          "new=added\r\nlate=first\r\n\r\n[Two]\r\nX=again\r\n"
                                          "[one]\r\nlate=9\r\n[Three]\r\nz=4\r\n"_ba);
    }

    // Saving rewrites the lines it writes and nothing else: one byte that fits neither encoding
    // (or only the other one) leaves the file's encoding, its other lines and line ends alone. A
    // value Shift-JIS cannot hold moves the file to UTF-8 instead of losing it.
    void untouchedLinesKeepTheirBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("value"); // of [B] k
        QTest::addColumn<QByteArray>("saved");
        // The Shift-JIS bytes are spelt out so that the encoder under test cannot make them.
        const QString rabbit = u"C:\\絵\\うさぎ.bmp"_s, cat = u"/home/絵/🐱.png"_s;
        const QByteArray midi = "[MIDIFile]\r\nMIDIOp 0=/曲/ちゃいむ.mid\r\n";
        const QByteArray utf8File = "; caf\xE9x\r\n" + midi; // "\xE9x": Shift-JIS only
        QTest::newRow("UTF-8 stray byte")
            << utf8File << rabbit << utf8File + "[B]\r\nk=" + rabbit.toUtf8() + "\r\n";
        const QByteArray sjisMidi =
            "[MIDIFile]\r\nMIDIOp 0=/\x8B\xC8/\x82\xBF\x82\xE1\x82\xA2\x82\xDE.mid\r\n";
        const QByteArray sjisFile = "; \x80 \x83s\x83R\x83\x8D\r\n" + sjisMidi;
        QTest::newRow("Shift-JIS bad byte")
            << sjisFile << rabbit
            << sjisFile + "[B]\r\nk=C:\\\x8AG\\\x82\xA4\x82\xB3\x82\xAC.bmp\r\n";
        QTest::newRow("LF line ends, last line without one")
            << "[B]\nk=0\n[MIDIFile]\nMIDIOp 0=/曲/ちゃいむ.mid"_ba << rabbit
            << "[B]\nk=" + rabbit.toUtf8() + "\n[MIDIFile]\nMIDIOp 0=/曲/ちゃいむ.mid";
        QTest::newRow("Shift-JIS cannot hold the value")
            << sjisMidi << cat << midi + "[B]\r\nk=" + cat.toUtf8() + "\r\n";
    }
    void untouchedLinesKeepTheirBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, value);
        QFETCH(QByteArray, saved);
        TempFolder folder;
        const QString path = folder.write(u"p.ini"_s, file);
        ProfileFile profile;
        QVERIFY(profile.load(path));
        QCOMPARE(profile.readString(u"MIDIFile"_s, u"MIDIOp 0"_s), u"/曲/ちゃいむ.mid"_s);
        profile.writeString(u"B"_s, u"k"_s, value);
        QVERIFY(profile.save(path));
        QCOMPARE(folder.read(u"p.ini"_s), saved);
    }

    // The user's name as written before reads back; whatever the name window can hold reads
    // back exactly; a line break, which no line can hold, is refused.
    void userNameReadsBackAsWritten() {
        TempFolder folder;
        folder.write(u".config/pikoro/pikoro.ini"_s, "[ユーザー登録]\r\n名前=おかあさん\r\n");
        ProfileUserStore store;
        const auto name = [&store] { return UserName::read(store); };
        QCOMPARE(name(), u"おかあさん"_s);
        QVERIFY(!store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"a\nb"_s));
        QCOMPARE(name(), u"おかあさん"_s);
        for (const QString &value : {u" mama "_s, u"\"mama\""_s, u"\U0001F431é漢ｶ=;[x]\t"_s}) {
            QVERIFY(store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, value));
            QCOMPARE(name(), value);
        }
    }
};

PIKORO_TEST_CLASS(ProfileFileTest)
#include "tst_profile.moc"
