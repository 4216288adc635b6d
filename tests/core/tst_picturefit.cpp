#include "TestRunner.h"

#include "core/PictureFit.h"

#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

class PictureFitTest : public QObject {
    Q_OBJECT
private slots:
    void fit_data() {
        QTest::addColumn<QSize>("panel");   // twips
        QTest::addColumn<QSize>("picture"); // pixels
        QTest::addColumn<QRect>("area");    // twips inside the panel
        QTest::newRow("square picture in tall box")
            << QSize(4400, 8400) << QSize(32, 32) << QRect(200, 2200, 4000, 4000);
        QTest::newRow("wide picture in square box fills it")
            << QSize(6400, 6400) << QSize(300, 100) << QRect(200, 200, 6000, 6000);
        QTest::newRow("wide picture in tall box")
            << QSize(4400, 8400) << QSize(200, 100) << QRect(200, 3200, 4000, 2000);
        QTest::newRow("wide picture in wider box")
            << QSize(8400, 2400) << QSize(200, 100) << QRect(2200, 200, 4000, 2000);
        QTest::newRow("wide picture as wide as the box")
            << QSize(6400, 3400) << QSize(400, 200) << QRect(200, 200, 6000, 3000);
        QTest::newRow("tall picture in wide box")
            << QSize(8400, 6400) << QSize(100, 200) << QRect(2700, 200, 3000, 6000);
        QTest::newRow("tall picture in less tall box")
            << QSize(6400, 8400) << QSize(100, 300) << QRect(1866, 200, 2667, 8000);
        QTest::newRow("tall picture in taller box")
            << QSize(2400, 8400) << QSize(100, 200) << QRect(200, 2200, 2000, 4000);
        QTest::newRow("tall picture as tall as the box")
            << QSize(3400, 6400) << QSize(200, 400) << QRect(200, 200, 3000, 6000);
        // 8000 / 3 = 2666.67 rounds up; (6400 - 2667) / 2 = 1866.5 rounds to even.
        QTest::newRow("thirds round to whole twips")
            << QSize(8400, 6400) << QSize(300, 100) << QRect(200, 1866, 8000, 2667);
        QTest::newRow("picture without size keeps the box")
            << QSize(8400, 6400) << QSize(0, 0) << QRect(200, 200, 8000, 6000);
    }
    void fit() {
        QFETCH(QSize, panel);
        QFETCH(QSize, picture);
        QFETCH(QRect, area);
        QCOMPARE(fitKeyPicture(panel, picture).area, area);
    }

    void destinationIsWholePixels() {
        // 8000 x 4000 twips is 533.3 x 266.7 pixels.
        QCOMPARE(fitKeyPicture(QSize(8400, 6400), QSize(200, 100)).destinationPixels,
                 QSize(533, 267));
        QCOMPARE(fitKeyPicture(QSize(8400, 6400), QSize(7, 7)).destinationPixels, QSize(400, 400));
    }

    void extensionDecision_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("unfitted");
        QTest::newRow("bitmap") << u"C:\\pic\\a.bmp"_s << u"wmf"_s << u"bmp"_s << false;
        QTest::newRow("metafile lower case") << u"/pic/a.wmf"_s << u"bmp"_s << u"wmf"_s << true;
        QTest::newRow("metafile upper case") << u"/pic/A.WMF"_s << u"wmf"_s << u"WMF"_s << false;
        QTest::newRow("no dot keeps previous") << u"/pic/noext"_s << u"wmf"_s << u"wmf"_s << true;
        QTest::newRow("dot in folder") << u"/my.pics/a.wmf"_s << u""_s << u"pics/a.wmf"_s << false;
        QTest::newRow("two dots") << u"a.b.wmf"_s << u""_s << u"b.wmf"_s << false;
    }
    void extensionDecision() {
        QFETCH(QString, path);
        QFETCH(QString, previous);
        QFETCH(QString, extension);
        QFETCH(bool, unfitted);
        const QString actual = nextPictureExtension(path, previous);
        QCOMPARE(actual, extension);
        QCOMPARE(showsPictureUnfitted(actual), unfitted);
    }
};

PIKORO_TEST_CLASS(PictureFitTest)

#include "tst_picturefit.moc"
