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

    void rightNameAndYesEnds() {
        Rig rig(u"おかあさん"_s);
        rig.playing = true;
        rig.dialogs.answerText(u"おかあさん"_s);
        rig.dialogs.answerButton(DialogButton::Yes);
        rig.lock.run();
        QCOMPARE(rig.dialogs.calls().size(), 2); // the name, then the question
        QCOMPARE(rig.steps,
                 (QStringList{u"stop midi"_s, u"stop midi"_s, u"help quit"_s, u"end"_s}));
        QCOMPARE(rig.dialogs.mousePointer(), MousePointer::Normal);
    }

    void wrongOrEmptyName_data() {
        QTest::addColumn<QString>("stored"); // null: none yet, registered first
        QTest::addColumn<QString>("typed");  // null: Cancel
        QTest::addColumn<QStringList>("messages");
        const QStringList wrong{u"ユーザー名が違います\r詳しくはヘルプを参照してください"_s};
        QTest::newRow("other case") << u"abc"_s << u"ABC"_s << wrong;
        QTest::newRow("trailing blank") << u"abc"_s << u"abc "_s << wrong;
        QTest::newRow("cancel") << u"abc"_s << QString() << QStringList();
        QTest::newRow("no name: registered, then nothing typed")
            << QString() << u""_s << QStringList();
    }
    void wrongOrEmptyName() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QStringList, messages);
        Rig rig(stored);
        if (typed.isNull())
            rig.dialogs.answerCancel();
        else
            rig.dialogs.answerText(typed);
        if (!messages.isEmpty())
            rig.dialogs.answerButton(DialogButton::Ok);
        rig.lock.run();
        QCOMPARE(rig.dialogs.messageTexts(), messages);
        const QStringList steps{u"stop midi"_s, u"register"_s};
        QCOMPARE(rig.steps, steps.mid(0, stored.isNull() ? 2 : 1));
        QCOMPARE(rig.dialogs.mousePointer(), MousePointer::Normal);
    }
};

PIKORO_TEST_CLASS(ExitLockTest)
#include "tst_exitlock.moc"
