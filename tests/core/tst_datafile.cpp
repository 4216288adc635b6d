#include "TempFolder.h"
#include "TestRunner.h"

#include "core/DataFile.h"
#include "core/TextEncoding.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

namespace {
// Every entry different, so a shifted or swapped entry cannot go unnoticed.
AssignmentTables distinctTables() {
    AssignmentTables t;
    for (int i = 0; i < DigitCount; ++i) {
        t.digitPictures[i] = u"/pics/数字%1.bmp"_s.arg(i);
        t.digitSounds[i] = u"/wav/digit%1.wav"_s.arg(i);
    }
    for (int i = 0; i < KeyPictureCount; ++i)
        t.keyPictures[i] = u"C:\\絵\\key%1.ico"_s.arg(i);
    for (int i = 0; i < KeySoundCount; ++i)
        t.keySounds[i] = u"./wav/key%1.wav"_s.arg(i);
    for (int i = 0; i < MidiSlotCount; ++i)
        t.midiPieces[i] = u"/mid/piece %1.mid"_s.arg(i);
    return t;
}

QByteArray linesToFile(const QStringList &lines) {
    return (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}

QStringList emptyFileLines(const QString &header = DataFile::header()) {
    QStringList lines{header, u"2026/12/06"_s, u"ピクチャーデータ"_s};
    for (int i = 0; i < 43; ++i)
        lines << QString();
    lines << u"サウンドデータ"_s;
    for (int i = 0; i < 42; ++i)
        lines << QString();
    lines << u"MIDIデータ"_s;
    for (int i = 0; i < 22; ++i)
        lines << QString();
    lines << DataFile::endMark();
    return lines;
}

Outcome readBytes(const QByteArray &bytes, DataFile::HeaderCheck check, AssignmentTables &tables) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return DataFile::read(&buffer, check, tables);
}

} // namespace

class DataFileTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripEveryTable_data() {
        QTest::addColumn<int>("check");
        QTest::newRow("open") << int(DataFile::HeaderCheck::Version4);
        QTest::newRow("open old version") << int(DataFile::HeaderCheck::None);
    }
    void roundTripEveryTable() {
        QFETCH(int, check);
        TempFolder folder;
        AssignmentTables saved = distinctTables();
        // Entries that only survive because the writer quotes them.
        saved.keyPictures[0] = u"C:\\a,b.bmp"_s;
        saved.keySounds[3] = u"  leading blanks.wav"_s;
        saved.midiPieces[21] = u"trailing blank.mid "_s;
        const QString path = folder.file(u"all.pik"_s);
        QVERIFY(DataFile::write(path, saved));
        AssignmentTables loaded;
        QVERIFY(DataFile::read(path, DataFile::HeaderCheck(check), loaded));
        QCOMPARE(loaded, saved);
    }

    void writtenFileLayout() {
        TempFolder folder;
        AssignmentTables tables;
        tables.keyPictures[OpeningPictureSlot] = u"/op.bmp"_s;
        tables.midiPieces[0] = u"/op.mid"_s;
        // Saving also removes what an earlier, killed save of the same file left behind.
        folder.write(u"x.pik.pikoro-save-Zz9Yy8"_s, "stale");
        folder.write(u"x.pik.old"_s, "keep");
        QVERIFY(DataFile::write(folder.file(u"x.pik"_s), tables, QDate(2026, 12, 6)));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList({u"x.pik"_s, u"x.pik.old"_s}));
        const QByteArray bytes = folder.read(u"x.pik"_s);
        QVERIFY(bytes.endsWith("PIKORO_DATA_FILE\r\n"));
        QCOMPARE(bytes.count("\r\n"), 113);
        QCOMPARE(bytes.count('\n'), 113);
        const QStringList lines = QString::fromUtf8(bytes).split(u"\r\n"_s);
        QCOMPARE(lines[0], u"## ピコロVersion 4データファイル"_s);
        QCOMPARE(lines[1], u"2026/12/06"_s);
        QCOMPARE(lines[2], u"ピクチャーデータ"_s);
        QCOMPARE(lines[45], u"/op.bmp"_s); // line 46: the opening picture
        QCOMPARE(lines[46], u"サウンドデータ"_s);
        QCOMPARE(lines[89], u"MIDIデータ"_s);
        QCOMPARE(lines[90], u"/op.mid"_s);
    }

    void refusedFilesLeaveTablesAlone_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("message");
        const int v4 = int(DataFile::HeaderCheck::Version4);
        const int none = int(DataFile::HeaderCheck::None);
        QStringList lines = emptyFileLines();

        QStringList otherVersion = emptyFileLines(u"## ピコロVersion 3データファイル"_s);
        QTest::newRow("other version")
            << linesToFile(otherVersion) << v4 << u"バージョンが違います"_s;
        QStringList missingEnd = lines;
        missingEnd.removeLast();
        QTest::newRow("112 lines")
            << linesToFile(missingEnd) << v4 << u"ピコロのファイルではありません"_s;
        QStringList wrongEnd = lines;
        wrongEnd.last() = u"END"_s;
        QTest::newRow("other end mark")
            << linesToFile(wrongEnd) << v4 << u"ピコロのファイルではありません"_s;
        QStringList comma = lines;
        comma[13] = u"C:\\a,b.bmp"_s; // unquoted: two items, every later one shifts
        QTest::newRow("unquoted comma")
            << linesToFile(comma) << v4 << u"ピコロのファイルではありません"_s;
        QTest::newRow("binary garbage") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) << none
                                        << u"ピコロのファイルではありません"_s;
    }
    void refusedFilesLeaveTablesAlone() {
        QFETCH(QByteArray, file);
        QFETCH(int, check);
        QFETCH(QString, message);
        AssignmentTables tables = distinctTables();
        const Outcome outcome = readBytes(file, DataFile::HeaderCheck(check), tables);
        QVERIFY(!outcome);
        QCOMPARE(outcome.message, message);
        QCOMPARE(tables, distinctTables());
    }

    void otherHeaderOpensAsOldVersion() {
        QStringList lines = emptyFileLines(u"## ピコロVersion 3データファイル"_s);
        lines[1] = u"not a date at all"_s;
        lines[4] = u"/one.bmp"_s;
        AssignmentTables tables;
        QVERIFY(readBytes(linesToFile(lines), DataFile::HeaderCheck::None, tables));
        QCOMPARE(tables.digitPictures[1], u"/one.bmp"_s);
    }

    void itemRules_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("item");
        QTest::newRow("leading blanks skipped") << u"   /a b.bmp"_s << u"/a b.bmp"_s;
        QTest::newRow("quoted keeps comma") << u"\"C:\\a,b.bmp\""_s << u"C:\\a,b.bmp"_s;
        QTest::newRow("text after closing quote dropped") << u"\"x.bmp\" junk"_s << u"x.bmp"_s;
        QTest::newRow("quoted keeps blanks") << u"\" a \""_s << u" a "_s;
    }
    void itemRules() {
        QFETCH(QString, line);
        QFETCH(QString, item);
        QStringList lines = emptyFileLines();
        lines[3] = line; // digit 0's picture
        AssignmentTables tables;
        QVERIFY(readBytes(linesToFile(lines), DataFile::HeaderCheck::Version4, tables));
        QCOMPARE(tables.digitPictures[0], item);
        QVERIFY(tables.digitPictures[1].isEmpty());
    }

    void shiftJisFile() {
        QFile fixture(QStringLiteral(PIKORO_FIXTURES "/sjis.pik"));
        AssignmentTables tables;
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        QVERIFY(DataFile::read(&fixture, DataFile::HeaderCheck::Version4, tables));
        QCOMPARE(tables.keyPictures[0], u"C:\\絵\\あひる.bmp"_s);
        QCOMPARE(tables.keyPictures[OpeningPictureSlot], u".\\bmp\\おーぷにんぐ.bmp"_s);
        QCOMPARE(tables.digitSounds[1], u"C:\\音\\いち.wav"_s);
        QCOMPARE(tables.midiPieces[21], u"C:\\曲\\F12.mid"_s);
    }

    // Refused at once, tables untouched: no file, or one that is no data file at all.
    void unreadableFileIsNotAPikoroFile_data() {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"missing", "folder", "pipe", "link to /dev/zero", "50 MB file"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void unreadableFileIsNotAPikoroFile() {
        QFETCH(QString, kind);
        TempFolder folder;
        const QString path = folder.file(u"x.pik"_s);
        if (kind == u"folder"_s)
            QVERIFY(QDir().mkdir(path));
        else if (kind == u"pipe"_s)
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind.startsWith(u"link"_s))
            QVERIFY(QFile::link(u"/dev/zero"_s, path));
        else if (kind != u"missing"_s)
            QCOMPARE(truncate(folder.write(u"x.pik"_s, {}).toLocal8Bit(), 50 << 20), 0);
        AssignmentTables tables = distinctTables();
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = DataFile::read(path, DataFile::HeaderCheck::None, tables);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(outcome.message, u"ピコロのファイルではありません"_s);
        QCOMPARE(tables, distinctTables());
    }

    void encodeEntry_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("writable");
        QTest::newRow("plain") << u"/a/b.bmp"_s << u"/a/b.bmp"_s << true;
        QTest::newRow("comma") << u"a,b"_s << u"\"a,b\""_s << true;
        QTest::newRow("leading blank") << u" a"_s << u"\" a\""_s << true;
        QTest::newRow("inner quote is harmless") << u"a\"b"_s << u"a\"b"_s << true;
        QTest::newRow("leading quote") << u"\"a"_s << QString() << false;
        QTest::newRow("line break") << u"a\nb"_s << QString() << false;
    }
    void encodeEntry() {
        QFETCH(QString, entry);
        QFETCH(QString, line);
        QFETCH(bool, writable);
        const auto encoded = DataFile::encodeEntry(entry);
        QCOMPARE(encoded.has_value(), writable);
        if (writable)
            QCOMPARE(*encoded, line);
    }

    void refusedEntryKeepsOldFile() {
        TempFolder folder;
        const QString path = folder.file(u"keep.pik"_s);
        QVERIFY(DataFile::write(path, distinctTables()));
        const QByteArray before = folder.read(u"keep.pik"_s);
        AssignmentTables bad = distinctTables();
        bad.midiPieces[5] = u"\"quoted\".mid"_s;
        const Outcome outcome = DataFile::write(path, bad);
        QVERIFY(!outcome);
        QVERIFY(outcome.message.contains(u"keep.pik"_s));
        QCOMPARE(folder.read(u"keep.pik"_s), before);
    }

    void failedWriteKeepsOldFile() {
        TempFolder folder;
        const QString path = folder.file(u"keep.pik"_s);
        QVERIFY(DataFile::write(path, AssignmentTables{}));
        const QByteArray before = folder.read(u"keep.pik"_s);

        // A file-size limit makes the write fail part-way, as a full disk would.
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 512;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const Outcome outcome = DataFile::write(path, distinctTables());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!outcome);
        QVERIFY(outcome.message.contains(u"keep.pik"_s));
        QCOMPARE(folder.read(u"keep.pik"_s), before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"keep.pik"_s});
    }
};

PIKORO_TEST_CLASS(DataFileTest)
#include "tst_datafile.moc"
