#include "TestRunner.h"

#include "core/KeyboardZoom.h"
#include "core/MainLayout.h"

#include <QTest>
#include <vector>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
struct Named {
    QString name;
    QRect rect;
};

std::vector<Named> keyboardButtons(const MainScreenGeometry &g) {
    std::vector<Named> keys;
    auto add = [&](const char *array, const auto &rects) {
        for (std::size_t i = 0; i < rects.size(); ++i)
            keys.push_back({QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i), rects[i]});
    };
    add("Comnd", g.letterButtons);
    add("Command3D1", g.digitButtons);
    add("CMDM", g.specialKeyButtons);
    add("CMDF", g.functionKeyButtons);
    add("HAZURE", g.unassignedKeyButtons);
    return keys;
}

std::vector<Named> otherControls(const MainScreenGeometry &g) {
    return {{"Panel3D1", g.pictureFrame},       {"nezu", g.mascot},
            {"Label2", g.statusLine},           {"BITMEDT", g.pictureEditButton},
            {"midi_open", g.openingButton},     {"MIDISTOP", g.stopPieceButton},
            {"KIOKUSU", g.memoryCountPanel},    {"CLSB", g.clearMemoryButton},
            {"SAISEI", g.memoryPlaybackButton}, {"ChK", g.memorySwitch}};
}

// First problem with the screen's arrangement, or empty. Neighbouring keys may share a border
// (the widest shared strip of the design is 45 twips, 3 pixels); everything else must stay
// apart and on screen. The mascot lies beneath F12 by design.
QString arrangementProblem(const MainScreenGeometry &g) {
    constexpr int border = 45;
    const auto keys = keyboardButtons(g);
    for (std::size_t i = 0; i < keys.size(); ++i)
        for (std::size_t j = i + 1; j < keys.size(); ++j) {
            const QRect both = keys[i].rect & keys[j].rect;
            if (!both.isEmpty() && std::min(both.width(), both.height()) > border)
                return keys[i].name + " covers " + keys[j].name;
        }
    const auto others = otherControls(g);
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (!g.window.contains(others[i].rect))
            return others[i].name + " is off screen";
        for (std::size_t j = i + 1; j < others.size(); ++j)
            if (others[i].rect.intersects(others[j].rect))
                return others[i].name + " overlaps " + others[j].name;
        for (const Named &key : keys)
            if (others[i].rect.intersects(key.rect) &&
                !(others[i].name == "nezu" && key.name == "CMDF(11)"))
                return others[i].name + " overlaps " + key.name;
    }
    for (const Named &key : keys)
        if (!g.window.contains(key.rect))
            return key.name + " is off screen";
    if (!QRect(QPoint(), g.pictureFrame.size()).contains(g.pictureArea))
        return "Picture4 leaves its panel";
    if (!QRect(QPoint(), g.pictureArea.size()).contains(g.firstSprite | g.secondSprite))
        return "a sprite leaves the picture area";
    return {};
}

MainScreenGeometry twipsLayout(int width, int height) {
    return MainLayout(QSize(width, height)).layoutMainScreen();
}

} // namespace

class MainLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void smallArrangement_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("large");
        QTest::newRow("exactly 9630 wide") << QSize(9630, 9000) << false;
        QTest::newRow("exactly 7230 high") << QSize(12000, 7230) << false;
        QTest::newRow("one pixel more each way") << QSize(9645, 7245) << true;
    }
    void smallArrangement() {
        QFETCH(QSize, screen);
        QFETCH(bool, large);
        QCOMPARE(MainLayout(screen).layoutMainScreen().largeArrangement, large);
    }

    void cutPanel() {
        // 10000 - 3375 = 6625 leaves less room than the 7560 the frame's aspect asks for.
        const MainScreenGeometry g = twipsLayout(10000, 9000);
        QCOMPARE(g.pictureFrame, QRect(1688, 300, 6625, 5400)); // 1687.5 to the even neighbour
        QCOMPARE(g.pictureArea.size(), QSize(6325, 5100));
    }

    void wideScreenBeyond16Bits() {
        // 2560 x 1440 pixels: the side column and status line lie beyond 32767 twips.
        const MainScreenGeometry g = twipsLayout(38400, 21600);
        QCOMPARE(g.stopPieceButton.topLeft(), QPoint(37125, 18240));
        QCOMPARE(g.statusLine.width(), 38100);
        QCOMPARE(g.picturePathHolder.top(), 26600);
    }

    void halvesToEven_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("originX");
        QTest::addColumn<int>("panelWidth");
        QTest::addColumn<int>("mainLeft");
        QTest::newRow("5145.5 rounds up") << QSize(12001, 9000) << 5146 << 7560 << 4380;
        QTest::newRow("negative -4.5 to -4") << QSize(1701, 900) << -4 << 6255 << 3728;
        // h x 1.4 is rounded, not cut: 5404 x 1.4 = 7565.6; its picture area is 7266 wide.
        QTest::newRow("panel 7565.6") << QSize(12000, 9004) << 5145 << 7566 << 4383;
        // picture area 7261 wide: its middle 3630.5 goes to 3630.
        QTest::newRow("middle 3630.5") << QSize(12000, 9001) << 5145 << 7561 << 4380;
    }
    void halvesToEven() {
        QFETCH(QSize, screen);
        QFETCH(int, originX);
        QFETCH(int, panelWidth);
        QFETCH(int, mainLeft);
        const MainScreenGeometry g = MainLayout(screen).layoutMainScreen();
        QCOMPARE(g.keyOriginX, originX);
        QCOMPARE(g.pictureFrame.width(), panelWidth);
        QCOMPARE(g.firstSprite.left(), mainLeft);
    }

    void resizeTakesOriginFromWindow() {
        const MainScreenGeometry g =
            MainLayout(QSize(12000, 9000)).forWindowSize(QSize(9600, 7200));
        QCOMPARE(QPoint(g.keyOriginX, g.keyOriginY), QPoint(3945, 5400));
        QCOMPARE(g.picturePathHolder.top(), 12200);
        // The window is stretched over the screen again, which decides everything else.
        QCOMPARE(g.window, QRect(0, 0, 12000, 9000));
        QCOMPARE(g.stopPieceButton.topLeft(), QPoint(10725, 5640));
    }

    void nothingOverlaps_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("800 x 600") << QSize(12000, 9000);
        QTest::newRow("640 x 480") << QSize(9600, 7200);
        QTest::newRow("cut panel") << QSize(10000, 9000);
        QTest::newRow("2560 x 1440, beyond 16 bits") << QSize(38400, 21600);
    }
    void nothingOverlaps() {
        QFETCH(QSize, screen);
        QCOMPARE(arrangementProblem(MainLayout(screen).layoutMainScreen()), QString());
    }

    void automaticZoom_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("zoom");
        QTest::newRow("800 x 600") << QSize(800, 600) << 1.0;
        QTest::newRow("640 x 480 never shrinks") << QSize(640, 480) << 1.0;
        QTest::newRow("1920 x 1080, height decides") << QSize(1920, 1080) << 1.8;
        QTest::newRow("1280 x 1024, width decides") << QSize(1280, 1024) << 1.6;
    }
    void automaticZoom() {
        QFETCH(QSize, screen);
        QFETCH(double, zoom);
        QCOMPARE(pikoro::automaticZoom(screen), zoom);
    }

    // Whatever keyboard size is chosen, the screen keeps the picture frame off the keys and
    // every key on screen; only sizes used as chosen are offered.
    void chosenSizesFit_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("largest");
        QTest::newRow("800 x 600") << QSize(800, 600) << 1.25;
        QTest::newRow("1024 x 768") << QSize(1024, 768) << 1.5;
        QTest::newRow("1920 x 1080") << QSize(1920, 1080) << 2.0;
        QTest::newRow("3840 x 2160") << QSize(3840, 2160) << 3.0;
    }
    void chosenSizesFit() {
        QFETCH(QSize, screen);
        QFETCH(double, largest);
        const QList<double> offered = KeyboardZoom::choices(screen);
        for (double zoom : {0.0, 1.0, 1.25, 1.5, 2.0, 2.5, 3.0}) {
            const double used = effectiveKeyboardZoom(screen, zoom);
            QCOMPARE(used == zoom, offered.contains(zoom));
            const MainScreenGeometry g =
                MainLayout(designScreenTwips(screen, used)).layoutMainScreen();
            const QString problem = arrangementProblem(g);
            QVERIFY2(problem.isEmpty(), qPrintable(u"%1x: %2"_s.arg(zoom).arg(problem)));
        }
        QCOMPARE(offered.value(0), 1.0);
        QCOMPARE(offered.value(offered.size() - 1), largest);
    }

    void splash() {
        QCOMPARE(splashGeometry(QSize(12000, 9000)), QRect(3270, 3210, 5460, 2580));
        // 1365 pixels wide: (20475 - 5460) / 2 = 7507.5 goes to the even 7508.
        QCOMPARE(splashGeometry(QSize(20475, 11520)).left(), 7508);
        QCOMPARE(splashGeometryInPixels(QSize(1600, 1200), 2.0), QRect(436, 428, 728, 344));
        // A dialog larger than the screen hangs over both edges alike.
        QCOMPARE(centredOnScreen(QSize(100, 100), QSize(201, 100)), QPoint(-50, 0));
    }
};

PIKORO_TEST_CLASS(MainLayoutTest)
#include "tst_layout.moc"
