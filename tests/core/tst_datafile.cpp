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
    QStringList lines = *DataFile::lines(AssignmentTables{}, QDate(2026, 12, 6));
    lines[0] = header;
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
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
        QCOMPARE(bytes.count('\n'), 113);
        const QStringList lines = QString::fromUtf8(bytes).split(u"\r\n"_s);
        QCOMPARE(lines[1], u"2026/12/06"_s);
        QCOMPARE(lines[45], u"/op.bmp"_s); // line 46: the opening picture
        QCOMPARE(lines[90], u"/op.mid"_s);
    }

    // Refused at once, tables untouched: a data file that is not whole or of another version,
    // no file, or one that is no data file at all (and must not be read to its end).
    void refusedFilesLeaveTablesAlone_data() {
        QTest::addColumn<QString>("kind"); // what x.pik is
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("message");
        const int v4 = int(DataFile::HeaderCheck::Version4);
        const QString notOurs = u"ピコロのファイルではありません"_s;
        const QStringList lines = emptyFileLines();
        QTest::newRow("other version")
            << u"file"_s << linesToFile(emptyFileLines(u"## ピコロVersion 3データファイル"_s)) << v4
            << u"バージョンが違います"_s;
        QTest::newRow("112 lines") << u"file"_s << linesToFile(lines.mid(0, 112)) << v4 << notOurs;
        QStringList wrongEnd = lines;
        wrongEnd.last() = u"END"_s;
        QTest::newRow("other end mark") << u"file"_s << linesToFile(wrongEnd) << v4 << notOurs;
        QStringList comma = lines;
        comma[13] = u"C:\\a,b.bmp"_s; // unquoted: two items, every later one shifts
        QTest::newRow("unquoted comma") << u"file"_s << linesToFile(comma) << v4 << notOurs;
        const int none = int(DataFile::HeaderCheck::None);
        QTest::newRow("binary garbage")
            << u"file"_s << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) << none << notOurs;
        for (const char *kind : {"missing", "folder", "pipe", "link to /dev/zero", "50 MB file"})
            QTest::newRow(kind) << QString::fromLatin1(kind) << QByteArray() << none << notOurs;
    }
    void refusedFilesLeaveTablesAlone() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, file);
        QFETCH(int, check);
        QFETCH(QString, message);
        TempFolder folder;
        const QString path = folder.file(u"x.pik"_s);
        if (kind == u"file"_s)
            folder.write(u"x.pik"_s, file);
        else if (kind == u"folder"_s)
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
        const Outcome outcome = DataFile::read(path, DataFile::HeaderCheck(check), tables);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed())));
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
        QCOMPARE(tables.midiPieces[21], u"C:\\曲\\F12.mid"_s);
    }

    // Only what reads back the same is written; the rest is refused.
    void encodeEntry_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("line"); // empty: refused
        QTest::newRow("comma") << u"a,b"_s << u"\"a,b\""_s;
        QTest::newRow("inner quote is harmless") << u"a\"b"_s << u"a\"b"_s;
        QTest::newRow("leading quote") << u"\"a"_s << QString();
        QTest::newRow("line break") << u"a\nb"_s << QString();
    }
    void encodeEntry() {
        QFETCH(QString, entry);
        QFETCH(QString, line);
        QCOMPARE(DataFile::encodeEntry(entry).value_or(QString()), line);
    }

    // A refused entry, or a write cut short as by a full disk, keeps the old file.
    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<bool>("sizeLimit");
        QTest::newRow("refused entry") << false;
        QTest::newRow("file size limit") << true;
    }
    void failedWriteKeepsOldFile() {
        QFETCH(bool, sizeLimit);
        TempFolder folder;
        const QString path = folder.file(u"keep.pik"_s);
        QVERIFY(DataFile::write(path, AssignmentTables{}));
        const QByteArray before = folder.read(u"keep.pik"_s);
        AssignmentTables next = distinctTables();
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 512;
        if (sizeLimit)
            QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        else
            next.midiPieces[5] = u"\"quoted\".mid"_s;
        const Outcome outcome = DataFile::write(path, next);
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
