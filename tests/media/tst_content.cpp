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

template <std::size_t N> QStringList listOf(const std::array<QString, N> &table) {
    return QStringList(table.begin(), table.end());
}

// Every file named in the tables is read by the reader the program plays it with; adds the
// pictures' and sounds' digests.
void checkFiles(const AssignmentTables &tables, bool pieces, QSet<QByteArray> &digests) {
    const auto add = [&digests](const QString &path) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        digests << QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
    };
    for (const QString &path : listOf(tables.digitPictures) + listOf(tables.keyPictures)) {
        PictureLoader loader;
        QVERIFY2(!loader.read(path).isNull(), qPrintable(path + u": "_s + loader.errorString()));
        add(path);
    }
    for (const QString &path : listOf(tables.digitSounds) + listOf(tables.keySounds)) {
        QString error; // at least a tenth of a second
        QVERIFY2(decodeSoundFile(path, 44100, &error).frames() >= 4410,
                 qPrintable(path + u": "_s + error));
        add(path);
    }
    for (const QString &path : pieces ? listOf(tables.midiPieces) : QStringList()) {
        QByteArray smf;
        QVERIFY2(readMidiFile(path, &smf) == MidiError::None && smf.size() >= 100,
                 qPrintable(path));
    }
}

} // namespace

// The generated content through the program's own readers: PIKORO.ini's five picture and sound
// sets and its pieces, and default.pik.
class PreparedContentTest : public QObject {
    Q_OBJECT
private slots:
    void everySlotDecodesAndSetsDiffer() {
        AppState state;
        state.applicationFolder = QStringLiteral(PIKORO_CONTENT_DIR);
        QVERIFY2(loadSettings(state), "PIKORO.ini of the prepared content");
        QCOMPARE(state.startupDataFile, u"./default.pik"_s);
        QList<QSet<QByteArray>> sets(5);
        for (int mode = 0; mode < 5; ++mode) {
            QVERIFY(loadSoundSet(state, mode) && loadPictureSet(state, mode));
            checkFiles(state.tables, mode == 0, sets[mode]);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(sets[mode].size(), 43 + 42); // no file twice within a set
            for (int other = 0; other < mode; ++other)
                QVERIFY2(!sets[mode].intersects(sets[other]), qPrintable(QString::number(mode)));
        }
        QVERIFY(openStartupDataFile(state).isEmpty());
        QSet<QByteArray> data;
        checkFiles(state.tables, true, data);
        QCOMPARE(data, sets[0]);
        const auto &pieces = state.tables.midiPieces;
        QCOMPARE(QSet<QString>(pieces.begin(), pieces.end()).size(), 22);
    }
};

PIKORO_TEST_CLASS(PreparedContentTest)
#include "tst_content.moc"
