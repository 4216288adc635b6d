#include "RecordingKeyboardLock.h"
#include "TestRunner.h"
#include "WindowServices.h"

#include "core/UserStore.h"
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

// Notes "on" and "blank" as the screen's state changes.
struct RecordingScreenAwake : ScreenAwake {
    QStringList states;
    void keepOn(QWindow &) override { note(u"on"_s); }
    void letBlank() override { note(u"blank"_s); }
    void note(const QString &state) {
        if (states.isEmpty() || states.last() != state)
            states << state;
    }
};

// The exit lock over scripted dialogs, noting the steps it takes.
struct ExitRig {
    ScriptedDialogs dialogs;
    MemoryUserStore store;
    QStringList steps;
    // A piece plays: a right name stops it once more before the question.
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

    // An open menu holds the keys itself; a second start gives them back for a while, or until
    // the other copy's message is answered and our window is active again.
    void menusAndSecondStart() {
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

        rig.keeper.pause(std::chrono::milliseconds(50));
        QVERIFY(!rig.lock.held);
        QTRY_VERIFY(rig.lock.held);
        rig.keeper.pause(std::chrono::minutes(1));
        QWidget message;
        message.show();
        message.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&message));
        QVERIFY(!rig.lock.held);
        message.hide();
        rig.window.activateWindow();
        QTRY_VERIFY(rig.lock.held);
    }

    // The screen stays on while the play screen is shown, not while it is minimised. A calm
    // picture covers no screen the play screen covers; a desktop that activates it all the same
    // (a click there on Wayland) has the play screen asked back to the front, and a key it
    // leaves with the calm picture still plays.
    void screenOnAndCalmPictures() {
        PlayRig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        RecordingScreenAwake awake;
        StayAwake stayAwake(awake, rig.window);
        rig.window.showMinimized();
        QTRY_VERIFY(rig.window.isMinimized());
        rig.window.showFullScreen();
        QTRY_COMPARE(awake.states, (QStringList{u"on"_s, u"blank"_s, u"on"_s}));

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

    // A refused lock is asked for again; a desktop without one is told once, never asked again,
    // and the kiosk session, which has no shortcuts, is not told. A denied one is told once and
    // asked for again (the parent may allow it).
    void refusedOrUnsupported() {
        QStringList told;
        const auto rig = [&told](KeyboardLock::Result answer) {
            auto made = std::make_unique<PlayRig>();
            made->lock.answer = answer;
            made->keeper.tellAdult = [&told](const QString &text) { told << text; };
            made->keeper.retryTimer().setInterval(5);
            return made;
        };
        const auto refused = rig(KeyboardLock::Result::Refused);
        QVERIFY(QTest::qWaitForWindowActive(&refused->window));
        QTRY_VERIFY(refused->lock.requests >= 3);
        QVERIFY(!refused->keeper.isHeld());
        refused->lock.answer = KeyboardLock::Result::Held;
        QTRY_VERIFY(refused->keeper.isHeld());

        const auto bare = rig(KeyboardLock::Result::Unsupported);
        QTRY_COMPARE(told, QStringList{KeyboardLockKeeper::unsupportedMessage()});
        const int asked = bare->lock.requests;
        bare->keeper.update();
        QCOMPARE(bare->lock.requests, asked);

        qputenv("XDG_CURRENT_DESKTOP", "pikoro");
        const auto kiosk = rig(KeyboardLock::Result::Unsupported);
        QTRY_VERIFY(kiosk->lock.requests > 0);
        qunsetenv("XDG_CURRENT_DESKTOP");
        QCOMPARE(told.size(), 1);

        const auto denied = rig(KeyboardLock::Result::Denied);
        QTRY_VERIFY(denied->lock.requests >= 3);
        QCOMPARE(told.count(u"denied"_s), 1);
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

    void run_data() {
        QTest::addColumn<QString>("stored"); // null: none yet, registered first
        QTest::addColumn<QString>("typed");  // null: Cancel
        QTest::addColumn<int>("answer");     // the button for the one message box, or none
        QTest::addColumn<QStringList>("steps");
        const QString stop = u"stop midi"_s;
        const int none = -1, ok = int(DialogButton::Ok), yes = int(DialogButton::Yes);
        QTest::newRow("right name, Yes ends") << u"おかあさん"_s << u"おかあさん"_s << yes
                                              << QStringList{stop, stop, u"help quit"_s, u"end"_s};
        QTest::newRow("right name, No")
            << u"abc"_s << u"abc"_s << int(DialogButton::No) << QStringList{stop, stop};
        QTest::newRow("other case") << u"abc"_s << u"ABC"_s << ok << QStringList{stop};
        QTest::newRow("trailing blank") << u"abc"_s << u"abc "_s << ok << QStringList{stop};
        QTest::newRow("cancel") << u"abc"_s << QString() << none << QStringList{stop};
        // Nothing is asked and nothing registered: the status line says where a name is set.
        QTest::newRow("no name") << QString() << QString() << none
                                 << QStringList{stop, ExitLock::noUserNameNote()};
    }
    void run() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QStringList, steps);
        ExitRig rig;
        if (!stored.isNull())
            rig.store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, stored);
        if (!stored.isNull())
            typed.isNull() ? rig.dialogs.answerCancel() : rig.dialogs.answerText(typed);
        if (answer >= 0)
            rig.dialogs.answerButton(DialogButton(answer));
        rig.lock.run();
        QCOMPARE(rig.dialogs.calls().size(), (answer >= 0 ? 1 : 0) + (stored.isNull() ? 0 : 1));
        QCOMPARE(rig.steps, steps);
        QCOMPARE(rig.dialogs.mousePointer(), MousePointer::Normal);
        QCOMPARE(UserName::read(rig.store), stored.isNull() ? QString() : stored);
    }
};

PIKORO_TEST_CLASS(ExitLockTest)

#include "tst_locks.moc"
