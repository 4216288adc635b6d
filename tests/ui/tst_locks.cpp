#include "RecordingKeyboardLock.h"
#include "TestRunner.h"
#include "WindowServices.h"

#include "play/ExitLock.h"
#include "play/ScreenAwake.h"
#include "ui/CalmScreens.h"
#include "ui/KeyboardLockKeeper.h"
#include "ui/QtDialogs.h"
#include "ui/StayAwake.h"
#include "ui/ThreeDControls.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

// The play screen from an empty application folder, a user name registered, real dialogs.
struct PlayRig : test::WindowServices<QtDialogs> {
    PlayRig() {
        users.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"mama"_s);
        dialogs.setParentWindow(&window);
        window.loadAndShow();
    }
    RecordingKeyboardLock lock;
    MainWindow window{state, dialogs, media, users, help};
    KeyboardLockKeeper keeper{lock, window};
};

// Whether the screen is kept on now.
struct RecordingScreenAwake : ScreenAwake {
    bool on = false;
    void keepOn(QWindow &) override { on = true; }
    void letBlank() override { on = false; }
};

// The exit lock over scripted dialogs, noting the steps it takes.
struct ExitRig {
    ScriptedDialogs dialogs;
    MemoryUserStore store;
    QStringList steps;
    ExitLock lock{dialogs, store,
                  ExitLock::Hooks{[this] { steps << u"stop midi"_s; }, [] { return true; },
                                  [this] { steps << u"help quit"_s; },
                                  [this] { steps << u"end"_s; },
                                  [this](const QString &note) { steps << note; }}};
};
} // namespace

class KeyboardLockTest : public QObject {
    Q_OBJECT
private slots:
    // A window of ours opened over the play screen gets the keys, and the play screen has them
    // again once it is closed: the desktop never gets them in between.
    void followsOurWindows_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifier");
        QTest::newRow("exit name box") << int(Qt::RightButton) << int(Qt::ControlModifier);
        QTest::newRow("settings window") << int(Qt::LeftButton) << int(Qt::ShiftModifier);
    }
    void followsOurWindows() {
        QFETCH(int, button);
        QFETCH(int, modifier);
        PlayRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QWindow *play = rig.window.windowHandle();
        QTRY_VERIFY(rig.lock.held && rig.lock.window == play);
        QWidget *opened = nullptr;
        bool heldForOpened = false;
        QTimer::singleShot(0, [&] { // the box is modal: what follows runs while it is open
            (void)QTest::qWaitFor([] {
                return QApplication::activeModalWidget() &&
                       QApplication::activeWindow() == QApplication::activeModalWidget();
            });
            opened = QApplication::activeModalWidget();
            if (!opened)
                return;
            (void)QTest::qWaitFor([&] { return rig.lock.window == opened->windowHandle(); });
            rig.keeper.update(); // the keeper's retries keep the keys there
            heldForOpened = rig.lock.held && rig.lock.window == opened->windowHandle();
            QTest::keyClick(opened, Qt::Key_Escape);
        });
        QTest::mouseClick(play, Qt::MouseButton(button), Qt::KeyboardModifiers(modifier),
                          QPoint(3, 3));
        QVERIFY(opened && heldForOpened);
        QTRY_VERIFY(rig.lock.held && rig.lock.window == play);
        QCOMPARE(rig.lock.releases, 0);
    }

    // An open menu holds the keys itself; they are taken again once it closes.
    void menus() {
        PlayRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QTRY_VERIFY(rig.lock.held);
        QMenu menu(&rig.window);
        menu.addAction(u"a"_s);
        menu.popup(QPoint(10, 10));
        QTRY_VERIFY(QApplication::activePopupWidget() == &menu);
        const int asked = rig.lock.requests;
        rig.keeper.update();
        QCOMPARE(rig.lock.requests, asked);
        menu.close();
        QTRY_VERIFY(rig.lock.requests > asked && rig.lock.window == rig.window.windowHandle());
    }

    // The screen stays on while the play screen shows. A calm picture covers no screen the play
    // screen covers; one a desktop activates all the same (a click there on Wayland) has the
    // play screen asked back to the front, and a key it leaves with the calm picture still plays.
    void screenOnAndCalmPictures() {
        PlayRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        RecordingScreenAwake awake;
        StayAwake stayAwake(awake, rig.window);
        QTRY_VERIFY(awake.on);

        QCOMPARE(CalmScreens(rig.window).count(), 0);
        CalmWindow calm(*QGuiApplication::primaryScreen(), rig.window);
        QVERIFY(QTest::qWaitForWindowExposed(&calm));
        QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(
            calm.windowHandle());
        QTest::keyClick(&calm, Qt::Key_B);
        QCOMPARE(rig.window.focusWidget(), rig.window.m_letterButtons[1]);
        QTRY_COMPARE(QGuiApplication::focusWindow(), rig.window.windowHandle());
        QTRY_COMPARE(rig.lock.window, rig.window.windowHandle());
    }

    // A refused or denied lock is asked for again: the parent may allow it. A desktop without
    // one is told so once, on the status line, and never asked again.
    void refusedOrUnsupported() {
        for (const auto answer : {KeyboardLock::Result::Refused, KeyboardLock::Result::Denied}) {
            PlayRig rig;
            QVERIFY(rig.keeper.retryTimer().isActive() &&
                    rig.keeper.retryTimer().interval() == 1000);
            rig.keeper.retryTimer().setInterval(5);
            const int asked = rig.lock.requests;
            rig.lock.answer = answer;
            QTRY_VERIFY(rig.lock.requests >= asked + 3 && !rig.keeper.isHeld());
            rig.lock.answer = KeyboardLock::Result::Held;
            QTRY_VERIFY(rig.keeper.isHeld());
        }
        PlayRig bare;
        QStringList told;
        bare.keeper.tellAdult = [&told](const QString &text) { told << text; };
        bare.lock.answer = KeyboardLock::Result::Unsupported;
        const int asked = bare.lock.requests;
        bare.keeper.update();
        bare.keeper.update();
        QCOMPARE(bare.lock.requests, asked + 1);
        QCOMPARE(told, QStringList{KeyboardLockKeeper::unsupportedMessage()});
    }
};

PIKORO_TEST_CLASS(KeyboardLockTest)

class ExitLockTest : public QObject {
    Q_OBJECT
private slots:
    // Shift or Ctrl with a left click opens the settings; only Ctrl with a right click (Alt
    // may be held too) asks for the exit.
    void gestures() {
        using G = BackgroundGesture;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        QCOMPARE(backgroundGesture(Qt::LeftButton, {}), G::None);
        QCOMPARE(backgroundGesture(Qt::LeftButton, ctrl), G::OpenSettings);
        QCOMPARE(backgroundGesture(Qt::RightButton, ctrl | Qt::AltModifier), G::ExitLock);
        QCOMPARE(backgroundGesture(Qt::RightButton, ctrl | shift), G::None);
        QCOMPARE(backgroundGesture(Qt::RightButton, {}), G::None);
    }

    // A name in another case or none typed goes no further (the right one is tried end to end);
    // nothing is asked while no name is registered: the status line says where one is set.
    void run_data() {
        QTest::addColumn<QString>("stored"); // null: none registered
        QTest::addColumn<QString>("typed");  // null: Cancel
        QTest::addColumn<QStringList>("steps");
        const QString stop = u"stop midi"_s;
        QTest::newRow("other case") << u"abc"_s << u"ABC"_s << QStringList{stop};
        QTest::newRow("cancel") << u"abc"_s << QString() << QStringList{stop};
        QTest::newRow("no name") << QString() << QString()
                                 << QStringList{stop, ExitLock::noUserNameNote()};
    }
    void run() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QStringList, steps);
        ExitRig rig;
        if (!stored.isNull()) {
            rig.store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, stored);
            typed.isNull() ? rig.dialogs.answerCancel() : rig.dialogs.answerText(typed);
        }
        if (!typed.isNull())
            rig.dialogs.answerButton(DialogButton::Ok); // the wrong name's message
        rig.lock.run();
        QCOMPARE(rig.steps, steps);
    }
};

PIKORO_TEST_CLASS(ExitLockTest)

#include "tst_locks.moc"
