#include "TestRunner.h"

#include "core/PictureFit.h"

#include <QTest>

using namespace pikoro;

class PictureFitTest : public QObject {
    Q_OBJECT
private slots:
    void fit_data() {
        QTest::addColumn<QSize>("panel");   // twips
        QTest::addColumn<QSize>("picture"); // pixels
        QTest::addColumn<QRect>("area");    // twips inside the panel
        const auto row = [](const char *name, QSize panel, QSize picture, QRect area) {
            QTest::newRow(name) << panel << picture << area;
        };
        row("wide picture in tall box", {4400, 8400}, {200, 100}, {200, 3200, 4000, 2000});
        row("tall picture in wide box", {8400, 6400}, {100, 200}, {2700, 200, 3000, 6000});
        row("tall picture in less tall box", {6400, 8400}, {100, 300}, {1866, 200, 2667, 8000});
        row("picture without size keeps the box", {8400, 6400}, {0, 0}, {200, 200, 8000, 6000});
    }
    void fit() {
        QFETCH(QSize, panel);
        QFETCH(QSize, picture);
        QFETCH(QRect, area);
        QCOMPARE(fitKeyPicture(panel, picture).area, area);
    }
};

PIKORO_TEST_CLASS(PictureFitTest)
#include "tst_picturefit.moc"
