#include "MemoryUserStore.h"
#include "TestRunner.h"

#include "ScriptedDialogs.h"
#include "core/UserStore.h"
#include "play/ExitLock.h"

#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(BackgroundGesture)

namespace {
struct Rig {
    ScriptedDialogs dialogs;
    MemoryUserStore store;
    QStringList steps;
    bool playing = false;
    ExitLock lock{
        dialogs, store,
        ExitLock::Hooks{[this] { steps << u"stop midi"_s; }, [this] { return playing; },
                        [this] { steps << u"help quit"_s; }, [this] { steps << u"end"_s; },
                        [this] {
                            // The user-name window: the adult registers "abc".
                            steps << u"register"_s;
                            store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, u"abc"_s);
                        }}};
    explicit Rig(const QString &name = {}) {
        if (!name.isNull())
            store.write(u"Pikoro"_s, u"ユーザー登録"_s, u"名前"_s, name);
    }
};
} // namespace

class ExitLockTest : public QObject {
    Q_OBJECT
private slots:
    void gestures_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<BackgroundGesture>("gesture");
        const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
        QTest::newRow("plain left") << Qt::LeftButton << 0 << BackgroundGesture::None;
        QTest::newRow("shift left") << Qt::LeftButton << shift << BackgroundGesture::OpenSettings;
        QTest::newRow("ctrl left") << Qt::LeftButton << ctrl << BackgroundGesture::OpenSettings;
        QTest::newRow("ctrl right") << Qt::RightButton << ctrl << BackgroundGesture::ExitLock;
        QTest::newRow("ctrl alt right")
            << Qt::RightButton << (ctrl | alt) << BackgroundGesture::ExitLock;
        QTest::newRow("ctrl shift right")
            << Qt::RightButton << (ctrl | shift) << BackgroundGesture::None;
    }
    void gestures() {
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, modifiers);
        QFETCH(BackgroundGesture, gesture);
        QCOMPARE(backgroundGesture(button, Qt::KeyboardModifiers(modifiers)), gesture);
    }

    void run_data() {
        QTest::addColumn<QString>("stored"); // null: none yet, registered first
        QTest::addColumn<QString>("typed");  // null: Cancel
        QTest::addColumn<int>("answer");     // the button for the one message box, or none
        QTest::addColumn<QStringList>("steps");
        const QString stop = u"stop midi"_s;
        const int none = -1, ok = int(DialogButton::Ok);
        QTest::newRow("right name, Yes ends")
            << u"おかあさん"_s << u"おかあさん"_s << int(DialogButton::Yes)
            << QStringList{stop, stop, u"help quit"_s, u"end"_s};
        QTest::newRow("right name, No keeps running")
            << u"abc"_s << u"abc"_s << int(DialogButton::No) << QStringList{stop, stop};
        QTest::newRow("other case") << u"abc"_s << u"ABC"_s << ok << QStringList{stop};
        QTest::newRow("trailing blank") << u"abc"_s << u"abc "_s << ok << QStringList{stop};
        QTest::newRow("cancel") << u"abc"_s << QString() << none << QStringList{stop};
        QTest::newRow("no name: registered, then nothing typed")
            << QString() << u""_s << none << QStringList{stop, u"register"_s};
    }
    void run() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QStringList, steps);
        Rig rig(stored);
        rig.playing = true; // a right name stops the piece once more before the question
        if (typed.isNull())
            rig.dialogs.answerCancel();
        else
            rig.dialogs.answerText(typed);
        if (answer >= 0)
            rig.dialogs.answerButton(DialogButton(answer));
        rig.lock.run();
        QCOMPARE(rig.dialogs.calls().size(), answer >= 0 ? 2 : 1);
        QCOMPARE(rig.steps, steps);
        QCOMPARE(rig.dialogs.mousePointer(), MousePointer::Normal);
    }
};

PIKORO_TEST_CLASS(ExitLockTest)
#include "tst_exitlock.moc"
