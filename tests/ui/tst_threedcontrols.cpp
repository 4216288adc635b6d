#include "TestRunner.h"

#include "ui/ThreeDControls.h"
#include "ui/Transparency.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
// A window that notes the keys and mouse presses its children pass on.
class KeyWindow : public QWidget {
public:
    QList<int> keys;
    int mousePresses = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }
    void mousePressEvent(QMouseEvent *) override { ++mousePresses; }
};

} // namespace

class ThreeDControlsTest : public QObject {
    Q_OBJECT
private slots:
    void geometryFromTwips_data() {
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QRect>("pixels");
        // 31.5 and 64.5 pixels: halves go to the even neighbour, as everywhere in the layout.
        QTest::newRow("half pixels round to even")
            << QRect(315, 315, 330, 330) << 1.5 << QRect(32, 32, 32, 32);
        QTest::newRow("beyond 16 bits")
            << QRect(38000, 20000, 330, 330) << 1.0 << QRect(2533, 1333, 22, 22);
    }
    void geometryFromTwips() {
        QFETCH(QRect, twips);
        QFETCH(double, zoom);
        QFETCH(QRect, pixels);
        QWidget window;
        ThreeDButton button(&window);
        button.setGeometryTwips(twips.x(), twips.y(), twips.width(), twips.height());
        button.setZoom(zoom);
        QCOMPARE(button.geometry(), pixels);
        // The twips stay as given, whatever the zoom made of them.
        QCOMPARE(button.geometryTwips(), twips);
    }

    void touchingControlsStayTouching() {
        QWidget window;
        ThreeDButton left(&window), right(&window);
        for (double zoom : {1.0, 1.3, 1.7, 2.25}) {
            left.setGeometryTwips(100, 0, 333, 330);
            right.setGeometryTwips(433, 0, 333, 330);
            applyZoom(&window, zoom);
            QCOMPARE(left.geometry().right() + 1, right.geometry().left());
        }
    }

    // Only a whole left click clicks, and carries the control's index; keys go to the window.
    void clicksAndKeys() {
        KeyWindow window;
        ThreeDButton button(&window, 7);
        button.setGeometryTwips(0, 0, 330, 330);
        window.show();
        // Without a window manager (bare X server) the window may never become active.
        if (QTest::qWaitForWindowActive(&window)) {
            button.setFocus();
            QVERIFY(button.hasFocus());
        }
        QSignalSpy clicked(&button, &ThreeDControl::clicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.takeFirst().at(0).toInt(), 7);
        // Right button, or pressed here and let go elsewhere, or keys: no click.
        QTest::mouseClick(&button, Qt::RightButton);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(&button, QPoint(60, 60));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 60));
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(&button, key);
        QCOMPARE(window.keys, (QList<int>{Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}));
        // No press on a button counts as a press on the window's background.
        QCOMPARE(window.mousePresses, 0);
        // A disabled control does not click.
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.size(), 0);
    }

    void panelHoldsControlsAndClicks() {
        QWidget window;
        ThreeDPanel panel(&window, 1);
        panel.setGeometryTwips(105, 105, 7470, 2955);
        ThreeDButton inside(&panel);
        inside.setGeometryTwips(150, 150, 1500, 450);
        applyZoom(&window, 2.0); // reaches controls inside the panel
        QCOMPARE(inside.geometry(), QRect(20, 20, 200, 60));

        window.show();
        QSignalSpy clicked(&panel, &ThreeDControl::clicked);
        QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(400, 300));
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), 1);
    }
};
PIKORO_TEST_CLASS(ThreeDControlsTest)

class TransparencyTest : public QObject {
    Q_OBJECT
private slots:
    // See-through needs a compositing desktop; it switches while the full-screen window is
    // shown and keeps the window and its controls on screen.
    void seeThroughWhileOnScreen() {
        QWidget window;
        window.setWindowFlag(Qt::FramelessWindowHint);
        ThreeDButton button(&window);
        button.setGeometryTwips(0, 0, 330, 330);
        window.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowHandle()->requestedFormat().alphaBufferSize(), -1);
        bool compositing = true;
        WindowTransparency transparency(&window, [&compositing] { return compositing; });

        transparency.setSeeThrough(true);
        QVERIFY(transparency.isSeeThrough() && window.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(window.isVisible() && button.isVisible());
        QVERIFY(window.windowState() & Qt::WindowFullScreen);
        QCOMPARE(window.windowHandle()->requestedFormat().alphaBufferSize(), 8);
        transparency.setSeeThrough(false); // the window paints its background again
        QVERIFY(!transparency.isSeeThrough() && !window.testAttribute(Qt::WA_NoSystemBackground));
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowHandle()->requestedFormat().alphaBufferSize(), -1);

        compositing = false;
        transparency.setSeeThrough(true);
        QVERIFY(transparency.seeThroughRequested() && !transparency.isSeeThrough());
    }
};
PIKORO_TEST_CLASS(TransparencyTest)

#include "tst_threedcontrols.moc"
