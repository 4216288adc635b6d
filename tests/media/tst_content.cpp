#include "TestRunner.h"

#include "core/AppState.h"
#include "core/DataFile.h"
#include "core/SettingsFile.h"
#include "media/MciDevice.h"
#include "media/PictureLoader.h"
#include "media/WavePlayer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

QByteArray digest(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1)
               : QByteArray();
}

// Every named file is read by the reader the program plays it with; returns the files' digests.
QSet<QByteArray> checkFiles(const QString &where, const QStringList &pictures,
                            const QStringList &sounds, const QStringList &pieces) {
    QSet<QByteArray> digests;
    for (const QString &path : pictures) {
        PictureLoader loader;
        if (loader.read(path).isNull())
            QTest::qFail(qPrintable(where + u": "_s + path + u": "_s + loader.errorString()),
                         __FILE__, __LINE__);
        digests << digest(path);
    }
    for (const QString &path : sounds) {
        QString error;
        if (decodeSoundFile(path, 44100, &error).frames() < 4410) // at least a tenth of a second
            QTest::qFail(qPrintable(where + u": "_s + path + u": "_s + error), __FILE__, __LINE__);
        digests << digest(path);
    }
    for (const QString &path : pieces) {
        QByteArray smf;
        if (readMidiFile(path, &smf) != MidiError::None || smf.size() < 100)
            QTest::qFail(qPrintable(where + u": "_s + path), __FILE__, __LINE__);
    }
    return digests;
}

template <std::size_t N> QStringList listOf(const std::array<QString, N> &table) {
    return QStringList(table.begin(), table.end());
}

} // namespace

// The generated content as the program meets it: PIKORO.ini's five picture and five sound sets
// and its pieces, and default.pik, read through the program's own readers.
class PreparedContentTest : public QObject {
    Q_OBJECT
private slots:
    void everySlotDecodesAndSetsDiffer() {
        AppState state;
        state.applicationFolder = QStringLiteral(PIKORO_CONTENT_DIR);
        QVERIFY2(loadSettings(state), "PIKORO.ini of the prepared content");
        QCOMPARE(state.startupDataFile, u"./default.pik"_s);
        QList<QSet<QByteArray>> sets;
        for (int mode = 0; mode < 5; ++mode) {
            QVERIFY(loadSoundSet(state, mode) && loadPictureSet(state, mode));
            const QString where = u"set %1"_s.arg(mode);
            sets << checkFiles(
                where, listOf(state.tables.digitPictures) + listOf(state.tables.keyPictures),
                listOf(state.tables.digitSounds) + listOf(state.tables.keySounds),
                mode == 0 ? listOf(state.tables.midiPieces) : QStringList());
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(sets.last().size(), 43 + 42); // no file twice within a set
            for (int other = 0; other < mode; ++other)
                QVERIFY2(!sets.last().intersects(sets[other]), qPrintable(where));
        }

        QVERIFY(openStartupDataFile(state).isEmpty());
        const AssignmentTables data = state.tables;
        QVERIFY(checkFiles(u"default.pik"_s, listOf(data.digitPictures) + listOf(data.keyPictures),
                           listOf(data.digitSounds) + listOf(data.keySounds),
                           listOf(data.midiPieces)) == sets[0]);
        QCOMPARE(QSet<QString>(data.midiPieces.begin(), data.midiPieces.end()).size(), 22);
    }
};

PIKORO_TEST_CLASS(PreparedContentTest)
#include "tst_content.moc"
