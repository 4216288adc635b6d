#include "TestRunner.h"

#include "core/KeyboardZoom.h"
#include "core/MainLayout.h"

#include <QTest>
#include <vector>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
// First problem with the screen's arrangement, or empty. Everything must stay apart and on
// screen, but neighbouring keys may share a border (the widest shared strip of the design is
// 45 twips, 3 pixels), and the mascot lies beneath F12 by design.
QString arrangementProblem(const MainScreenGeometry &g) {
    std::vector<std::pair<QString, QRect>> all;
    const auto add = [&](const char *name, const auto &rects) {
        for (std::size_t i = 0; i < rects.size(); ++i)
            all.emplace_back(u"%1 %2"_s.arg(QLatin1String(name)).arg(i), rects[i]);
    };
    add("letter", g.letterButtons);
    add("digit", g.digitButtons);
    add("special key", g.specialKeyButtons);
    add("function key", g.functionKeyButtons);
    add("unassigned key", g.unassignedKeyButtons);
    const std::size_t keyCount = all.size();
    // The mascot first, as "control 0".
    add("control", std::array{g.mascot, g.pictureFrame, g.statusLine, g.pictureEditButton,
                              g.openingButton, g.stopPieceButton, g.memoryCountPanel,
                              g.clearMemoryButton, g.memoryPlaybackButton, g.memorySwitch});
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!all[i].second.isValid() || !g.window.contains(all[i].second))
            return all[i].first + " is off screen";
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            const QRect both = all[i].second & all[j].second;
            const bool sharedBorder = j < keyCount && std::min(both.width(), both.height()) <= 45;
            const bool mascotUnderF12 = all[i].first == "function key 11" && j == keyCount;
            if (!both.isEmpty() && !sharedBorder && !mascotUnderF12)
                return all[i].first + " overlaps " + all[j].first;
        }
    }
    if (!QRect(QPoint(), g.pictureFrame.size()).contains(g.pictureArea))
        return "the picture area leaves its frame";
    return {};
}
} // namespace

class MainLayoutTest : public QObject {
    Q_OBJECT
private slots:
    // The large arrangement (frame beside the side column) needs more than 9630 x 7230. Halves
    // go to the even neighbour.
    void halvesToEven_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("originX");
        QTest::addColumn<int>("frameLeft");
        QTest::addColumn<int>("frameWidth");
        QTest::newRow("5145.5, 2220.5") << QSize(12001, 9000) << 5146 << 2220 << 7560;
        QTest::newRow("9630 wide: small") << QSize(9630, 9000) << 3960 << 1710 << 6255;
        QTest::newRow("7230 high: small") << QSize(12000, 7230) << 5145 << 1710 << 6255;
        // No room for 7560: the frame is cut to 10000 - 3375, its left edge 1687.5.
        QTest::newRow("cut frame") << QSize(10000, 9000) << 4145 << 1688 << 6625;
    }
    void halvesToEven() {
        QFETCH(QSize, screen);
        QFETCH(int, originX);
        QFETCH(int, frameLeft);
        QFETCH(int, frameWidth);
        const MainScreenGeometry g = MainLayout(screen).layoutMainScreen();
        QCOMPARE(g.keyOriginX, originX);
        QCOMPARE(g.pictureFrame.left(), frameLeft);
        QCOMPARE(g.pictureFrame.width(), frameWidth);
    }

    void resizeTakesOriginFromWindow() {
        const MainScreenGeometry g =
            MainLayout(QSize(12000, 9000)).forWindowSize(QSize(9600, 7200));
        QCOMPARE(QPoint(g.keyOriginX, g.keyOriginY), QPoint(3945, 5400));
        // The window is stretched over the screen again.
        QCOMPARE(g.window, QRect(0, 0, 12000, 9000));
    }

    // The automatic zoom fills the screen by its tighter side and never shrinks. Whatever
    // keyboard size is chosen (5:4 cuts the frame, 3840 at zoom 1 is beyond 16 bits), everything
    // stays apart and on screen; only sizes used as chosen are offered.
    void chosenSizesFit_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("automatic");
        QTest::addColumn<double>("largest");
        QTest::newRow("800 x 600") << QSize(800, 600) << 1.0 << 1.25;
        QTest::newRow("640 x 480 never shrinks") << QSize(640, 480) << 1.0 << 1.0;
        QTest::newRow("1280 x 1024, width decides") << QSize(1280, 1024) << 1.6 << 2.0;
        QTest::newRow("1920 x 1080, height decides") << QSize(1920, 1080) << 1.8 << 2.0;
        QTest::newRow("3840 x 2160") << QSize(3840, 2160) << 3.6 << 3.0;
    }
    void chosenSizesFit() {
        QFETCH(QSize, screen);
        QFETCH(double, automatic);
        QFETCH(double, largest);
        QCOMPARE(automaticZoom(screen), automatic);
        const QList<double> offered = KeyboardZoom::choices(screen);
        for (double zoom : {0.0, 1.0, 1.25, 1.5, 2.0, 2.5, 3.0}) {
            const double used = effectiveKeyboardZoom(screen, zoom);
            QCOMPARE(used == zoom, offered.contains(zoom));
            const MainScreenGeometry g =
                MainLayout(designScreenTwips(screen, used)).layoutMainScreen();
            const QString problem = arrangementProblem(g);
            QVERIFY2(problem.isEmpty(), qPrintable(u"%1x: %2"_s.arg(zoom).arg(problem)));
        }
        QCOMPARE(offered.value(offered.size() - 1), largest);
    }

    void splash() {
        // 1365 pixels wide: (20475 - 5460) / 2 = 7507.5 goes to the even 7508.
        QCOMPARE(splashGeometry(QSize(20475, 11520)).left(), 7508);
        // A dialog larger than the screen hangs over both edges alike.
        QCOMPARE(centredOnScreen(QSize(100, 100), QSize(201, 100)), QPoint(-50, 0));
    }
};

PIKORO_TEST_CLASS(MainLayoutTest)
#include "tst_layout.moc"
