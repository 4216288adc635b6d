#include "CoreFixtures.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/DataFile.h"

#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using namespace pikoro::test;

namespace {
const QString version3Header = u"## ピコロVersion 3データファイル"_s;

QByteArray linesToFile(const QStringList &lines) {
    return (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}

QStringList emptyFileLines(const QString &header = DataFile::header()) {
    QStringList lines = *DataFile::lines(AssignmentTables{}, QDate(2026, 12, 6));
    lines[0] = header;
    return lines;
}
} // namespace

class DataFileTest : public QObject {
    Q_OBJECT
private slots:
    void roundTripEveryTable() {
        TempFolder folder;
        AssignmentTables saved = distinctTables();
        // Entries that only survive because the writer quotes them, or leaves them alone.
        saved.keyPictures[0] = u"C:\\a,b.bmp"_s;
        saved.keyPictures[1] = u"C:\\絵\\a\"b.bmp"_s;
        saved.keySounds[3] = u"  leading blanks.wav"_s;
        saved.midiPieces[21] = u"trailing blank.mid "_s;
        QVERIFY(DataFile::write(folder.file(u"x.pik"_s), saved, QDate(2026, 12, 6)));
        AssignmentTables loaded;
        QVERIFY(DataFile::read(folder.file(u"x.pik"_s), DataFile::HeaderCheck::Version4, loaded));
        QCOMPARE(loaded, saved);

        // The lines where the program has always put them, each ending in CR LF.
        const QByteArray bytes = folder.read(u"x.pik"_s);
        QCOMPARE(bytes.count("\r\n"), 113);
        QCOMPARE(bytes.count('\n'), 113);
        const QStringList lines = QString::fromUtf8(bytes).split(u"\r\n"_s);
        QCOMPARE(lines[1], u"2026/12/06"_s);
        QCOMPARE(lines[45], u"/t/key32.bmp"_s); // line 46: the opening picture
        QCOMPARE(lines[90], u"/t/piece0.mid"_s);
        QCOMPARE(lines[112], u"PIKORO_DATA_FILE"_s);
    }

    // Refused at once, tables untouched: a data file that is not whole or of another version,
    // no file, or one that is no data file at all (and must not be read to its end).
    void refusedFilesLeaveTablesAlone_data() {
        QTest::addColumn<QString>("kind"); // what x.pik is
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QString notOurs = u"ピコロのファイルではありません"_s;
        const QStringList lines = emptyFileLines();
        QTest::newRow("other version") << u"file"_s << linesToFile(emptyFileLines(version3Header))
                                       << u"バージョンが違います"_s;
        QTest::newRow("112 lines") << u"file"_s << linesToFile(lines.mid(0, 112)) << notOurs;
        QStringList comma = lines;
        comma[13] = u"C:\\a,b.bmp"_s; // unquoted: two items, every later one shifts
        QTest::newRow("unquoted comma") << u"file"_s << linesToFile(comma) << notOurs;
        QTest::newRow("missing") << u"missing"_s << QByteArray() << notOurs;
        for (const char *kind : unreadableKinds)
            QTest::newRow(kind) << QString::fromLatin1(kind) << QByteArray() << notOurs;
    }
    void refusedFilesLeaveTablesAlone() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TempFolder folder;
        const QString path = folder.file(u"x.pik"_s);
        QVERIFY(kind == u"file"_s ? !folder.write(u"x.pik"_s, file).isEmpty()
                                  : kind == u"missing"_s || makeUnreadable(kind, path));
        AssignmentTables tables = distinctTables();
        const Outcome outcome = DataFile::read(path, DataFile::HeaderCheck::Version4, tables);
        QVERIFY(!outcome);
        // A file that cannot be read is named, with the reason.
        const QString named = message + u'\n' + QDir::toNativeSeparators(path) + u'\n';
        QVERIFY2(outcome.message.startsWith(kind == u"file"_s ? message : named),
                 qPrintable(outcome.message));
        QCOMPARE(tables, distinctTables());
    }

    // A file written by the first program.
    void shiftJisFile() {
        QFile fixture(QStringLiteral(PIKORO_FIXTURES "/sjis.pik"));
        AssignmentTables tables;
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        QVERIFY(DataFile::read(&fixture, DataFile::HeaderCheck::Version4, tables));
        QCOMPARE(tables.keyPictures[0], u"C:\\絵\\あひる.bmp"_s);
        QCOMPARE(tables.keyPictures[OpeningPictureSlot], u".\\bmp\\おーぷにんぐ.bmp"_s);
        QCOMPARE(tables.midiPieces[21], u"C:\\曲\\F12.mid"_s);
    }

    // An entry that would not read back the same, or a write cut short as by a full disk, is
    // refused and keeps the old file.
    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<QString>("entry"); // empty: a file size limit cuts the write short
        QTest::newRow("leading quote") << u"\"quoted\".mid"_s;
        QTest::newRow("line break") << u"a\nb.mid"_s;
        QTest::newRow("file size limit") << QString();
    }
    void failedWriteKeepsOldFile() {
        QFETCH(QString, entry);
        TempFolder folder;
        const QString path = folder.file(u"keep.pik"_s);
        QVERIFY(DataFile::write(path, AssignmentTables{}));
        const QByteArray before = folder.read(u"keep.pik"_s);
        AssignmentTables next = distinctTables();
        next.midiPieces[5] = entry.isEmpty() ? next.midiPieces[5] : entry;
        const auto write = [&] { return DataFile::write(path, next); };
        const Outcome outcome = entry.isEmpty() ? underFileSizeLimit(512, write) : write();
        QVERIFY(!outcome);
        QVERIFY(outcome.message.contains(u"keep.pik"_s));
        QCOMPARE(folder.read(u"keep.pik"_s), before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"keep.pik"_s});
    }
};

PIKORO_TEST_CLASS(DataFileTest)
#include "tst_datafile.moc"
