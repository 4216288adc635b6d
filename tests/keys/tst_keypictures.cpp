#include "KeyRig.h"
#include "TestRunner.h"

#include "keys/BuiltinPictures.h"

#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace pikoro::test;
using namespace Qt::StringLiterals;

namespace {

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
}

} // namespace

class KeyPictureTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void fitsIntoTheFrame_data()
    {
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
    void fitsIntoTheFrame()
    {
        QFETCH(QSize, frame);
        QFETCH(QSize, picture);
        QFETCH(QRect, area);
        QFETCH(QSize, pixels);
        KeyRig rig;
        rig.view.frame = frame;
        rig.state.tables.KeyPictureTable[0] = rig.bitmap(u"a.bmp"_s, picture);
        rig.keys.Comnd_Click(0);
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.view.shown.first().area, area);
        QCOMPARE(rig.view.shown.first().image.size(), pixels);
        QCOMPARE(rig.keys.lastPicturePath(), rig.state.tables.KeyPictureTable[0]);
        QVERIFY(rig.keys.isTimer1Active());
    }

    void sameKeyTwiceShowsThePictureOnce()
    {
        KeyRig rig;
        rig.state.tables.KeyPictureTable[4] = rig.bitmap(u"e.bmp"_s, QSize(40, 30));
        rig.state.tables.KeySoundTable[4] = u"/snd/e.wav"_s;
        rig.state.flags.SoundFlag = true;
        rig.keys.Form_KeyPress('e');
        rig.keys.Timer1_Timer();
        rig.keys.Form_KeyPress('E');
        QCOMPARE(rig.view.shown.size(), 1);
        QCOMPARE(rig.decodes, 1);
        QVERIFY(rig.keys.isTimer1Active());
        rig.keys.Timer1_Timer();
        QCOMPARE(rig.wave.log.count(u"played /snd/e.wav once"_s), 2);
    }

    void emptySlotKeepsThePictureAndPlaysTheSound()
    {
        KeyRig rig;
        const QString a = rig.bitmap(u"a.bmp"_s, QSize(40, 30));
        rig.state.tables.KeyPictureTable[0] = a;
        rig.state.tables.KeySoundTable[1] = u"/snd/b.wav"_s;
        rig.state.flags.SoundFlag = true;
        rig.keys.Form_KeyPress('a');
        rig.keys.Timer1_Timer();
        rig.keys.Form_KeyPress('b');
        QCOMPARE(rig.view.shown.size(), 1);
        // The holder names the picture still on screen, so pressing "a" again is "the same key".
        QCOMPARE(rig.state.picturePath, a);
        rig.keys.Timer1_Timer();
        QCOMPARE(rig.wave.log.last(), u"played /snd/b.wav once"_s);
        QCOMPARE(rig.view.soundName(), u"b.wav"_s);
    }

    void aPictureSeenOnceIsNotDecodedAgain()
    {
        KeyRig rig;
        rig.state.tables.KeyPictureTable[0] = rig.bitmap(u"a.bmp"_s, QSize(300, 200));
        rig.state.tables.KeyPictureTable[1] = rig.bitmap(u"b.bmp"_s, QSize(30, 20));
        for (const char key : {'a', 'b', 'a', 'b', 'a'}) {
            rig.keys.Form_KeyPress(key);
            rig.keys.Timer1_Timer();
        }
        QCOMPARE(rig.view.shown.size(), 5);
        QCOMPARE(rig.decodes, 2);
        QCOMPARE(rig.view.shown[0].image, rig.view.shown[4].image);
        QVERIFY(rig.view.shown[0].image != rig.view.shown[1].image);
    }

    void metafileTypeDecidesTheFitting_data()
    {
        QTest::addColumn<QStringList>("names"); // pictures of keys a, b, c pressed in turn
        QTest::addColumn<bool>("fitted");       // how the last one is shown
        QTest::addColumn<QString>("extension");
        QTest::newRow("lower-case wmf is shown at the area's size")
            << QStringList{u"pic.wmf"_s} << false << u"wmf"_s;
        QTest::newRow("upper-case WMF is fitted") << QStringList{u"PIC.WMF"_s} << true
                                                  << u"WMF"_s;
        QTest::newRow("no dot keeps the previous decision")
            << QStringList{u"a.bmp"_s, u"pic.wmf"_s, u"plain"_s} << false << u"wmf"_s;
        QTest::newRow("a dot in a folder name takes the rest of the path")
            << QStringList{u"pic.wmf"_s, u"set.2/pic.wmf"_s} << true << u"2/pic.wmf"_s;
    }
    void metafileTypeDecidesTheFitting()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, fitted);
        QFETCH(QString, extension);
        KeyRig rig;
        if (rig.folder.path().contains(u'.'))
            QSKIP("the temporary folder's own name holds a dot");
        for (int i = 0; i < names.size(); ++i) {
            // The content is a bitmap twice as wide as high; only the name matters here.
            rig.state.tables.KeyPictureTable[i] = rig.bitmap(names[i], QSize(200, 100));
            rig.keys.Comnd_Click(i);
            rig.keys.Timer1_Timer();
        }
        QCOMPARE(rig.keys.pictureExtension(), extension);
        const QRect before = names.size() > 1 ? rig.view.shown[names.size() - 2].area
                                              : QRect(150, 150, 8100, 6100);
        const FakeMainScreen::Shown &last = rig.view.shown.last();
        if (fitted) {
            QCOMPARE(last.area, QRect(200, 1200, 8000, 4000));
        } else {
            QCOMPARE(last.area, before);
            QCOMPARE(last.image.size(), QSize(qRound(before.width() / 15.0),
                                              qRound(before.height() / 15.0)));
        }
    }

    void unreadablePictureIsReportedAndTheSoundFollows_data()
    {
        QTest::addColumn<bool>("opening");
        QTest::addColumn<QString>("message");
        QTest::newRow("key") << false << u"BMP名又はパス名が違います"_s;
        QTest::newRow("opening") << true << u"オープニングBMP名又はパス名が違います"_s;
    }
    void unreadablePictureIsReportedAndTheSoundFollows()
    {
        QFETCH(bool, opening);
        QFETCH(QString, message);
        KeyRig rig;
        rig.state.flags.SoundFlag = true;
        rig.state.tables.KeySoundTable[2] = u"/snd/c.wav"_s;
        rig.state.tables.KeyPictureTable[2] = rig.folder.write(u"broken.bmp"_s, "BM garbage");
        rig.state.tables.KeyPictureTable[OpeningPictureSlot] = rig.folder.file(u"none.bmp"_s);
        rig.dialogs.answerButton(DialogButton::Ok);
        if (opening)
            rig.keys.midi_open_Click();
        else
            rig.keys.Comnd_Click(2);

        QCOMPARE(rig.dialogs.calls().size(), 1);
        const MessageBoxRequest &box = rig.dialogs.calls().first().message;
        QCOMPARE(box.text, message);
        QVERIFY(box.title.isEmpty()); // the application's title
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.icon, MessageIcon::None);
        QVERIFY(rig.view.shown.isEmpty());
        QVERIFY(rig.keys.lastPicturePath().isEmpty());
        QVERIFY(rig.keys.isTimer1Active());
        if (!opening) {
            rig.keys.Timer1_Timer();
            QCOMPARE(rig.wave.log.last(), u"played /snd/c.wav once"_s);
        }
    }

    void backslashFoldersAreFound()
    {
        KeyRig rig;
        rig.bitmap(u"pics/a.bmp"_s, QSize(20, 20));
        rig.state.tables.KeyPictureTable[0] = rig.folder.path() + u"\\pics\\a.bmp"_s;
        rig.keys.Comnd_Click(0);
        QCOMPARE(rig.view.shown.size(), 1);
    }

    void keyActionEndsMemoryPlaybackAndMarksTheStroke()
    {
        KeyRig rig;
        rig.keys.Comnd_Click(5);
        QCOMPARE(rig.view.memoryEnds, 1);
        QCOMPARE(rig.state.KeyStrokeMark, 1);
    }

    void builtinPictures()
    {
        QCOMPARE(openingPicture().size(), BuiltinPictureSize);
        QCOMPARE(dancePicture().size(), BuiltinPictureSize);
        QVERIFY(distinctColours(openingPicture()) > 8);
        QVERIFY(distinctColours(dancePicture()) > 8);
        for (const QImage &sprite : {Image1(), Image2(), Image5(), Image6()}) {
            QCOMPARE(sprite.size(), SpritePixels);
            QVERIFY(distinctColours(sprite) > 3);
        }
        QVERIFY(Image1() != Image2());
        QVERIFY(Image1() != Image6());
        QCOMPARE(Image3().size(), CompanionPixels);
        QCOMPARE(Image4().size(), CompanionPixels);
    }
};

PIKORO_TEST_CLASS(KeyPictureTest)
#include "tst_keypictures.moc"
