#include "KeyRig.h"
#include "TestRunner.h"

#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <thread>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

class KeyPictureTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void fitsIntoTheFrame_data() {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("twice as wide") << QSize(8400, 6400) << QSize(200, 100)
                                       << QRect(200, 1200, 8000, 4000) << QSize(533, 267);
        QTest::newRow("square") << QSize(8400, 6400) << QSize(64, 64)
                                << QRect(1200, 200, 6000, 6000) << QSize(400, 400);
        QTest::newRow("square frame stretches out of proportion")
            << QSize(6400, 6400) << QSize(200, 100) << QRect(200, 200, 6000, 6000)
            << QSize(400, 400);
    }
    void fitsIntoTheFrame() {
        QFETCH(QSize, frame);
        QFETCH(QSize, picture);
        QFETCH(QRect, area);
        QFETCH(QSize, pixels);
        KeyRig rig;
        rig.view.frame = frame;
        rig.state.tables.keyPictures[0] = rig.bitmap(u"a.bmp"_s, picture);
        rig.keys.onLetterClicked(0);
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.view.shown.first().area, area);
        QCOMPARE(rig.view.shown.first().image.size(), pixels);
    }

    // After start-up every picture of the tables is prepared in the background; each is decoded
    // once, also when its key is pressed while it waits in the queue or is being decoded.
    void picturesArePreparedAfterStartup() {
        KeyRig rig;
        for (int i = 0; i < 3; ++i)
            rig.state.tables.keyPictures[i] =
                rig.bitmap(u"%1.bmp"_s.arg(QChar(u'a' + i)), {200, 100});
        rig.state.tables.digitPictures[5] = rig.state.tables.keyPictures[1];
        std::atomic<bool> aStarted = false;
        std::atomic<bool> pressing = false;
        rig.beforeDecode = [&](const QString &path) {
            if (path.endsWith(u"a.bmp"_s)) {
                aStarted = true;
                while (!pressing)
                    std::this_thread::yield();
            }
        };
        rig.keys.onStartupDelayElapsed();
        QVERIFY(QTest::qWaitFor([&] { return aStarted.load(); }));
        pressing = true;
        for (const char key : {'b', 'a'}) {
            rig.keys.onCharacterTyped(key);
            rig.keys.onSoundDelayElapsed();
        }
        QVERIFY(QTest::qWaitFor([&] { return !rig.pictures.isPreloading(); }));
        QCOMPARE(rig.decodes.load(), 3);
        rig.keys.onCharacterTyped('c');
        rig.keys.onSoundDelayElapsed();
        QCOMPARE(rig.decodes.load(), 3);
        QCOMPARE(rig.view.shown.size(), 4); // the built-in opening, b, a, c
        QCOMPARE(rig.view.shown.last().image.size(), QSize(533, 267));
    }

    void sameKeyAndEmptySlotKeepThePicture() {
        KeyRig rig;
        const QString e = rig.bitmap(u"e.bmp"_s, QSize(40, 30));
        rig.state.tables.keyPictures[4] = e;
        rig.state.tables.keySounds[4] = u"/snd/e.wav"_s;
        rig.state.tables.keySounds[1] = u"/snd/b.wav"_s;
        rig.state.flags.playSounds = true;
        for (const char key : {'e', 'E', 'b'}) {
            rig.keys.onCharacterTyped(key);
            rig.keys.onSoundDelayElapsed();
        }
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.decodes.load(), 1);
        // The holder names the picture still on screen, so "e" would again be the same key.
        QCOMPARE(rig.keys.picturePath(), e);
        QCOMPARE(rig.wave.log.filter(u"played"_s),
                 QStringList({u"played /snd/e.wav once"_s, u"played /snd/e.wav once"_s,
                              u"played /snd/b.wav once"_s}));
    }

    void metafileTypeDecidesTheFitting_data() {
        QTest::addColumn<QStringList>("names"); // pictures of keys A, B, C pressed in turn
        QTest::addColumn<bool>("fitted");       // how the last one is shown
        QTest::newRow("lower-case wmf is shown at the area's size")
            << QStringList{u"pic.wmf"_s} << false;
        QTest::newRow("upper-case WMF is fitted") << QStringList{u"PIC.WMF"_s} << true;
        QTest::newRow("no dot keeps the previous decision")
            << QStringList{u"a.bmp"_s, u"pic.wmf"_s, u"plain"_s} << false;
    }
    void metafileTypeDecidesTheFitting() {
        QFETCH(QStringList, names);
        QFETCH(bool, fitted);
        KeyRig rig;
        if (rig.folder.path().contains(u'.'))
            QSKIP("the temporary folder's own name holds a dot");
        for (int i = 0; i < names.size(); ++i) {
            // Bitmaps twice as wide as high: only the name decides how they are shown.
            rig.state.tables.keyPictures[i] = rig.bitmap(names[i], QSize(200, 100));
            rig.keys.onLetterClicked(i);
            rig.keys.onSoundDelayElapsed();
        }
        const QRect before = rig.view.shown.size() > 1
                                 ? rig.view.shown[rig.view.shown.size() - 2].area
                                 : QRect(150, 150, 8100, 6100);
        const FakeMainScreen::Shown &last = rig.view.shown.last();
        QCOMPARE(last.area, fitted ? QRect(200, 1200, 8000, 4000) : before);
        QCOMPARE(last.image.size(),
                 QSize(qRound(last.area.width() / 15.0), qRound(last.area.height() / 15.0)));
    }

    void backslashFoldersAreFound() {
        KeyRig rig;
        rig.bitmap(u"pics/a.bmp"_s, QSize(20, 20));
        rig.state.tables.keyPictures[0] = rig.folder.path() + u"\\pics\\a.bmp"_s;
        rig.keys.onLetterClicked(0);
        QCOMPARE(rig.view.shown.size(), 1);
    }
};

PIKORO_TEST_CLASS(KeyPictureTest)
#include "tst_keypictures.moc"
