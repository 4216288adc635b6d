#include "TempFolder.h"
#include "TestRunner.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/ScriptedDialogs.h"
#include "app/UserStore.h"
#include "media/MediaServices.h"
#include "media/RecordingMedia.h"
#include "play/HelpViewer.h"
#include "play/UserNameWindow.h"
#include "settings/SettingsWindow.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace pikoro;
using namespace Qt::StringLiterals;
using pikoro::test::TempFolder;

namespace {

struct PlayRig {
    TempFolder folder; // first: the store below lives in its config folder
    AppState state;
    ScriptedDialogs dialogs;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMciDevice mci;
    RecordingSpeech speech;
    MediaServices media{audio, wave, mci, speech};
    ProfileUserStore store;
    HelpWindowViewer help;
    std::unique_ptr<MainWindow> window;
    bool ended = false;

    PlayRig() {
        state.applicationFolder = folder.path();
        window = std::make_unique<MainWindow>(state, dialogs, media, store, help);
        window->endProgram = [this] { ended = true; };
    }
    void gesture(Qt::MouseButton button, Qt::KeyboardModifier modifier) {
        QTest::mouseClick(window.get(), button, modifier, QPoint(2, 2)); // the bare background
    }
};

// Runs action once on the next modal window that opens (the window's own event loop runs it).
std::unique_ptr<QTimer> onNextModal(std::function<void(QWidget *)> action) {
    auto poll = std::make_unique<QTimer>();
    poll->setInterval(5);
    QObject::connect(poll.get(), &QTimer::timeout, [timer = poll.get(), action] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            action(modal);
        }
    });
    poll->start();
    return poll;
}

} // namespace

class ExitGestureTest : public QObject {
    Q_OBJECT
private slots:
    // A fresh install has no user name: the gesture opens the user-name window first, and an
    // empty answer never opens the exit. A name with blanks at its ends unlocks it as typed.
    void noStoredName_data() {
        QTest::addColumn<QString>("registered"); // null: the window is left with Escape
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ended");
        QTest::newRow("register, then nothing typed") << u"mama"_s << u""_s << false;
        QTest::newRow("register, then the name") << u" mama "_s << u" mama "_s << true;
        QTest::newRow("window left without a name") << QString() << QString() << false;
    }
    void noStoredName() {
        QFETCH(QString, registered);
        QFETCH(QString, typed);
        QFETCH(bool, ended);
        PlayRig rig;
        rig.window->show();
        bool registrationShown = false;
        const auto poll = onNextModal([&](QWidget *modal) {
            auto *names = qobject_cast<UserNameWindow *>(modal);
            registrationShown = names;
            if (registered.isNull()) {
                QTest::keyClick(modal, Qt::Key_Escape);
            } else if (names) {
                QTest::keyClicks(names->PASSW, registered);
                QTest::keyClick(names->PASSW, Qt::Key_Return);
            }
        });
        if (!registered.isNull()) {
            rig.dialogs.answerButton(DialogButton::Yes); // "登録名は　…　です　よろしいですか？"
            rig.dialogs.answerText(typed);
            if (ended)
                rig.dialogs.answerButton(DialogButton::Yes); // "おわっちゃうよ？"
        }
        rig.gesture(Qt::RightButton, Qt::ControlModifier);
        QVERIFY(registrationShown);
        QCOMPARE(rig.ended, ended);
        QCOMPARE(rig.dialogs.remainingAnswers(), 0);
        QCOMPARE(UserName::read(ProfileUserStore()), registered.isNull() ? QString() : registered);
    }

    // The help page opened from the settings window takes the mouse while the settings are
    // open, stays when they close, and goes when the program ends.
    void helpOverTheSettings() {
        PlayRig rig;
        rig.folder.write(u"pikoro.hlp"_s,
                         "<html><body>" + "<p>ピコロ</p>"_ba.repeated(400) + "</body></html>");
        rig.store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"mama"_s);
        rig.window->formLoad();
        int scrolled = -1;
        const auto poll = onNextModal([&](QWidget *modal) {
            for (QAction *action : modal->findChildren<QAction *>())
                if (action->text() == u"ヘルプを表示"_s)
                    action->trigger();
            if (auto *page = qobject_cast<QTextBrowser *>(rig.help.window())) {
                QScrollBar *bar = page->verticalScrollBar();
                if (!QTest::qWaitFor([&] { return page->isVisible() && bar->maximum() > 0; }))
                    qWarning("the help page never got a scroll range");
                // Through the window system, which holds back input from blocked windows.
                const QPoint belowHandle =
                    bar->mapTo(page, QPoint(bar->width() / 2, bar->height() - 20));
                QTest::mouseClick(page->windowHandle(), Qt::LeftButton, {}, belowHandle);
                scrolled = bar->value();
            }
            static_cast<QDialog *>(modal)->reject();
        });
        rig.gesture(Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY2(scrolled > 0, "a click below the scroll handle pages down");
        QVERIFY(rig.help.window() && rig.help.window()->isVisible());

        rig.dialogs.answerText(u"mama"_s);
        rig.dialogs.answerButton(DialogButton::Yes);
        rig.gesture(Qt::RightButton, Qt::ControlModifier);
        QVERIFY(rig.ended);
        QTRY_VERIFY(!rig.help.window());
    }
};

PIKORO_TEST_CLASS(ExitGestureTest)
#include "tst_exitgesture.moc"
