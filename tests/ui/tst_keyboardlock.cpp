#include "ManualAudioOutput.h"
#include "RecordingKeyboardLock.h"
#include "RecordingMedia.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "core/AppState.h"
#include "core/UserStore.h"
#include "media/MediaServices.h"
#include "ui/HelpViewer.h"
#include "ui/KeyboardLockKeeper.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

namespace {

// The play screen from an empty application folder, a user name registered, real dialogs.
struct PlayRig {
    TempFolder folder;
    AppState state;
    QtDialogs dialogs;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMciDevice mci;
    RecordingSpeech speech;
    MediaServices media{audio, wave, mci, speech};
    ProfileUserStore store{folder.file(u"store"_s)};
    RecordingHelpViewer help;
    RecordingKeyboardLock lock;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<KeyboardLockKeeper> keeper;

    PlayRig() {
        state.applicationFolder = folder.path();
        store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"mama"_s);
        window = std::make_unique<MainWindow>(state, dialogs, media, store, help);
        dialogs.setParentWindow(window.get());
        keeper = std::make_unique<KeyboardLockKeeper>(lock, *window);
        window->formLoad();
    }
};

} // namespace

class KeyboardLockTest : public QObject {
    Q_OBJECT
private slots:
    // A window of ours over the play screen has the keys while it is open, then the play
    // screen takes them again.
    void releasedWhileOurWindowIsOpen_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifier");
        QTest::newRow("exit name box") << int(Qt::RightButton) << int(Qt::ControlModifier);
        QTest::newRow("settings window") << int(Qt::LeftButton) << int(Qt::ShiftModifier);
    }
    void releasedWhileOurWindowIsOpen() {
        QFETCH(int, button);
        QFETCH(int, modifier);
        PlayRig rig;
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QTRY_VERIFY(rig.lock.held);
        bool heldWhileOpen = true;
        QWidget *opened = nullptr;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(QApplication::activeWindow() != rig.window.get());
            opened = QApplication::activeModalWidget();
            heldWhileOpen = rig.lock.held;
            rig.keeper->update(); // nor do the keeper's retries take them
            heldWhileOpen = heldWhileOpen || rig.lock.held;
            if (opened)
                QTest::keyClick(opened, Qt::Key_Escape);
        });
        QTest::mouseClick(rig.window->windowHandle(), Qt::MouseButton(button),
                          Qt::KeyboardModifiers(modifier), QPoint(3, 3));
        QVERIFY(opened && !heldWhileOpen);
        QTRY_VERIFY(rig.lock.held);

        // A second start pauses the lock for a while, or until the other copy's message is
        // answered and the play screen is active again.
        rig.keeper->pause(std::chrono::milliseconds(50));
        QVERIFY(!rig.lock.held);
        QTRY_VERIFY(rig.lock.held);
        rig.keeper->pause(std::chrono::minutes(1));
        QWidget message;
        message.show();
        message.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&message));
        message.hide();
        rig.window->activateWindow();
        QTRY_VERIFY(rig.lock.held);
    }

    // A refused lock is asked for again; a desktop without one is told once, never asked again.
    void refusedOrUnsupported() {
        PlayRig rig;
        rig.lock.answer = KeyboardLock::Result::Refused;
        rig.keeper->retryTimer().setInterval(5);
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        QTRY_VERIFY(rig.lock.requests >= 3);
        QVERIFY(!rig.keeper->isHeld());
        rig.lock.answer = KeyboardLock::Result::Held;
        QTRY_VERIFY(rig.keeper->isHeld());

        PlayRig bare;
        QStringList told;
        bare.keeper->tellAdult = [&](const QString &text) { told << text; };
        bare.lock.answer = KeyboardLock::Result::Unsupported;
        bare.keeper->retryTimer().setInterval(5);
        QTRY_COMPARE(told.size(), 1);
        const int asked = bare.lock.requests;
        QTest::qWait(30);
        QCOMPARE(bare.lock.requests, asked);
        QCOMPARE(told, QStringList{KeyboardLockKeeper::unsupportedMessage()});

        qputenv("XDG_CURRENT_DESKTOP", "pikoro");
        PlayRig kiosk;
        kiosk.keeper->tellAdult = [&](const QString &text) { told << text; };
        kiosk.lock.answer = KeyboardLock::Result::Unsupported;
        kiosk.keeper->retryTimer().setInterval(5);
        QTRY_VERIFY(kiosk.lock.requests > 0);
        qunsetenv("XDG_CURRENT_DESKTOP");
        QCOMPARE(told.size(), 1); // the kiosk session has no shortcuts: nothing to tell
    }
};

PIKORO_TEST_CLASS(KeyboardLockTest)
#include "tst_keyboardlock.moc"
