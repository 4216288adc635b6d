#include "TempFolder.h"
#include "TestRunner.h"

#include "core/AppState.h"
#include "core/KeyboardZoom.h"
#include "core/SettingsFile.h"

#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

class KeyboardZoomTest : public QObject {
    Q_OBJECT
private slots:
    void loadSettingsReadsTheZoom_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<double>("zoom");
        QTest::newRow("factor") << "[Keyboard]\r\nZoom=1.25\r\n"_ba << 1.25;
        QTest::newRow("missing") << "[SoundFlag]\r\nSoundFlag=-1\r\n"_ba << 0.0;
        QTest::newRow("not a number") << "[Keyboard]\r\nZoom=big\r\n"_ba << 0.0;
        QTest::newRow("too large") << "[Keyboard]\r\nZoom=40\r\n"_ba << 0.0;
    }
    void loadSettingsReadsTheZoom() {
        QFETCH(QByteArray, ini);
        QFETCH(double, zoom);
        TempFolder folder;
        folder.write(u"PIKORO.ini"_s, ini);
        AppState state;
        state.applicationFolder = folder.path();
        state.keyboardZoom = 3.0;
        QVERIFY(loadSettings(state));
        QCOMPARE(state.keyboardZoom, zoom);
    }

    // The zoom sits in a section of its own and leaves the original entries alone.
    void saveKeepsOtherLines() {
        TempFolder folder;
        folder.write(u"PIKORO.ini"_s, "[SoundFlag]\r\nSoundFlag=-1\r\n");
        AppState state;
        state.applicationFolder = folder.path();
        state.keyboardZoom = 1.5;
        QVERIFY(KeyboardZoom::save(state));
        QCOMPARE(folder.read(u"PIKORO.ini"_s),
                 "[SoundFlag]\r\nSoundFlag=-1\r\n[Keyboard]\r\nZoom=1.5\r\n"_ba);
        state.keyboardZoom = 0;
        QVERIFY(KeyboardZoom::save(state));
        state.keyboardZoom = 2;
        QVERIFY(loadSettings(state));
        QCOMPARE(state.keyboardZoom, 0.0);
        QVERIFY(state.flags.playSounds);
    }
};
PIKORO_TEST_CLASS(KeyboardZoomTest)

#include "tst_keyboardzoom.moc"
