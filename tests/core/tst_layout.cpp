#include "TestRunner.h"

#include "core/KeyboardZoom.h"
#include "core/MainLayout.h"

#include <QTest>
#include <vector>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
// First problem with the screen's arrangement, or empty. Neighbouring keys may share a border
// (at most 45 twips wide), and the mascot lies beneath F12 by design.
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
    // Whatever keyboard size is chosen (5:4 cuts the frame, 3840 at zoom 1 is beyond 16 bits),
    // everything stays apart and on screen; only sizes used as chosen are offered.
    void chosenSizesFit_data() {
        QTest::addColumn<QSize>("screen");
        for (const QSize screen : {QSize(640, 480), QSize(800, 600), QSize(1280, 1024),
                                   QSize(1920, 1080), QSize(3840, 2160)})
            QTest::addRow("%dx%d", screen.width(), screen.height()) << screen;
    }
    void chosenSizesFit() {
        QFETCH(QSize, screen);
        const QList<double> offered = KeyboardZoom::choices(screen);
        for (double zoom : {0.0, 1.0, 1.25, 1.5, 2.0, 2.5, 3.0}) {
            const double used = effectiveKeyboardZoom(screen, zoom);
            QCOMPARE(used == zoom, offered.contains(zoom));
            const MainScreenGeometry g =
                MainLayout(designScreenTwips(screen, used)).layoutMainScreen();
            const QString problem = arrangementProblem(g);
            QVERIFY2(problem.isEmpty(), qPrintable(u"%1x: %2"_s.arg(zoom).arg(problem)));
        }
    }
};

PIKORO_TEST_CLASS(MainLayoutTest)
#include "tst_layout.moc"
