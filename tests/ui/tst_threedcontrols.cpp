#include "TestRunner.h"

#include "ui/ThreeDControls.h"
#include "ui/Transparency.h"

#include <QKeyEvent>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {
// A window that notes the keys and mouse presses its children pass on.
class KeyWindow : public QWidget {
public:
    QList<int> keys;
    int mousePresses = 0;
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }
    void mousePressEvent(QMouseEvent *) override { ++mousePresses; }
};

} // namespace

class ThreeDControlsTest : public QObject {
    Q_OBJECT
private slots:
    // Only a whole left click clicks a button or a panel, and carries the control's index; keys
    // go to the window, and no press on a control counts as one on the window's background.
    void clicksAndKeys() {
        KeyWindow window;
        ThreeDButton button(&window, 7);
        button.setGeometryTwips(0, 0, 330, 330);
        ThreeDPanel panel(&window, 1);
        panel.setGeometryTwips(900, 0, 1500, 450);
        QList<int> clicks;
        for (ThreeDControl *control : std::initializer_list<ThreeDControl *>{&button, &panel})
            connect(control, &ThreeDControl::clicked, [&clicks](int index) { clicks << index; });
        window.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&panel, Qt::LeftButton);
        QCOMPARE(clicks, (QList<int>{7, 1}));
        // Right button, or pressed here and let go elsewhere, or keys, or disabled: no click.
        QTest::mouseClick(&button, Qt::RightButton);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(&button, QPoint(60, 60));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 60));
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(&button, key);
        QCOMPARE(window.keys, (QList<int>{Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}));
        QCOMPARE(window.mousePresses, 0);
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.size(), 2);
    }

    // See-through needs a compositing desktop; it switches while the full-screen window is
    // shown and keeps the window and its controls on screen.
    void seeThroughWhileOnScreen() {
        QWidget window;
        window.setWindowFlag(Qt::FramelessWindowHint);
        ThreeDButton button(&window);
        button.setGeometryTwips(0, 0, 330, 330);
        window.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        bool compositing = true;
        WindowTransparency transparency(&window, [&compositing] { return compositing; });

        transparency.setSeeThrough(true);
        QVERIFY(transparency.isSeeThrough() && window.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(button.isVisible() && (window.windowState() & Qt::WindowFullScreen));
        QCOMPARE(window.windowHandle()->requestedFormat().alphaBufferSize(), 8);
        transparency.setSeeThrough(false); // the window paints its background again
        QVERIFY(!window.testAttribute(Qt::WA_NoSystemBackground) && window.isVisible());
        QCOMPARE(window.windowHandle()->requestedFormat().alphaBufferSize(), -1);

        compositing = false;
        transparency.setSeeThrough(true);
        QVERIFY(transparency.seeThroughRequested() && !transparency.isSeeThrough());
    }
};
PIKORO_TEST_CLASS(ThreeDControlsTest)

#include "tst_threedcontrols.moc"
