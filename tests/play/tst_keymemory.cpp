#include "ScriptedDialogs.h"
#include "TestRunner.h"

#include "play/KeyMemory.h"

#include <QRegularExpression>
#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

namespace {

class RecordingMemoryView : public MemoryView {
public:
    void showStoredPicture(const QString &path) override { pictures.append(path); }
    void playStoredSound(const QString &path) override { sounds.append(path); }
    bool soundsOn() const override { return sound; }
    void setLoopingSuspended(bool on) override { loopingSuspended = on; }
    void setStatusText(const QString &text) override { status.append(text); }
    void setCounterText(const QString &text) override { counter = text; }
    void setPlaybackEnabled(bool on) override { playbackEnabled = on; }
    bool isMemorySwitchOn() const override { return memorySwitch; }
    void setMemorySwitchOn(bool on) override { memorySwitch = on; }
    void clearPictureHolder() override { ++holderClears; }

    QStringList pictures, sounds, status;
    QString counter = u"0"_s;
    bool sound = true, loopingSuspended = false, playbackEnabled = false, memorySwitch = true;
    int holderClears = 0;
};

// A memory holding `count` keys p0.bmp / s0.wav ..., each stored after its key action.
struct MemoryRig {
    explicit MemoryRig(int count) {
        for (int i = 0; i < count; ++i) {
            memory.keyActionStarted();
            memory.store(u"p%1.bmp"_s.arg(i), u"s%1.wav"_s.arg(i));
        }
    }
    int runToEnd() { // returns how many ticks ran
        int ticks = 0;
        while (memory.isPlaying() && ticks < 20) {
            memory.onPlaybackTick();
            ++ticks;
        }
        return ticks;
    }
    RecordingMemoryView view;
    ScriptedDialogs dialogs;
    KeyMemory memory{view, dialogs};
};

} // namespace

class KeyMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(u"^ScriptedDialogs"_s)); }

    void playsEveryStoredKeyOncePerSecond() {
        const int stored = 10; // shown at 0 .. 9 s, the tick at 10 s ends
        MemoryRig rig(0);
        QStringList pictures, sounds; // the second key had neither: playing goes on
        for (int i = 0; i < stored; ++i) {
            pictures << (i == 1 ? QString() : u"p%1.bmp"_s.arg(i));
            sounds << (i == 1 ? QString() : u"s%1.wav"_s.arg(i));
            rig.memory.keyActionStarted();
            rig.memory.store(pictures.last(), sounds.last());
        }
        sounds.removeAll(QString());
        QCOMPARE(rig.view.counter, QString::number(stored));
        QVERIFY(rig.view.playbackEnabled);
        rig.memory.play();
        QCOMPARE(rig.view.pictures, QStringList{u"p0.bmp"_s}); // the first at once
        QVERIFY(!rig.view.playbackEnabled && rig.view.loopingSuspended);
        QCOMPARE(rig.runToEnd(), stored);
        QCOMPARE(rig.view.pictures, pictures);
        QCOMPARE(rig.view.sounds, sounds);
        QCOMPARE(rig.view.status, QStringList{u"再生は全て終了しました"_s});
        QVERIFY(!rig.view.loopingSuspended && !rig.view.playbackEnabled);
    }

    void eleventhKeyIsRefused() {
        MemoryRig rig(10);
        rig.dialogs.answerButton(DialogButton::Ok);
        rig.memory.keyActionStarted();
        rig.memory.store(u"extra.bmp"_s, u"extra.wav"_s);
        QCOMPARE(rig.dialogs.messageTexts(),
                 QStringList{u"これ以上記憶できません\r\n記憶できるキーは１０個までです"_s});
        QCOMPARE(rig.memory.count(), 10);

        MemoryRig off(0); // switch off: nothing stored, nothing said
        off.view.memorySwitch = false;
        off.memory.keyActionStarted();
        off.memory.store(u"a.bmp"_s, u"a.wav"_s);
        QCOMPARE(off.memory.count(), 0);
        QVERIFY(off.view.playbackEnabled);
    }

    void keyStrokeDuringPlayback_data() {
        QTest::addColumn<bool>("missPicture"); // the stroke leaves the playback timer running
        QTest::addColumn<bool>("soundsOn");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("a key ends it at once")
            << false << true << QStringList{u"p0.bmp"_s, u"p1.bmp"_s};
        QTest::newRow("the miss picture ends it at the next tick")
            << true << true << QStringList{u"p0.bmp"_s, u"p1.bmp"_s};
        QTest::newRow("the miss picture with sounds off: one more picture")
            << true << false << QStringList{u"p0.bmp"_s, u"p1.bmp"_s, u"p2.bmp"_s};
    }
    void keyStrokeDuringPlayback() {
        QFETCH(bool, missPicture);
        QFETCH(bool, soundsOn);
        QFETCH(QStringList, shown);
        MemoryRig rig(4);
        rig.view.sound = soundsOn;
        rig.memory.play();
        rig.memory.onPlaybackTick();
        if (missPicture)
            rig.memory.markKeyStroke();
        else
            rig.memory.keyActionStarted();
        rig.runToEnd();
        QCOMPARE(rig.view.pictures, shown);
        QVERIFY(rig.view.status.isEmpty() && !rig.view.loopingSuspended);
        rig.memory.keyActionStarted(); // the next stored key stroke gives the button back
        rig.memory.store({}, {});
        QVERIFY(rig.view.playbackEnabled);
    }

    void clearAsksFirst() {
        MemoryRig rig(2);
        rig.dialogs.answerButton(DialogButton::Cancel);
        rig.memory.clear();
        QCOMPARE(rig.memory.count(), 2);
        QVERIFY(rig.view.memorySwitch);
        QCOMPARE(rig.dialogs.messageTexts(),
                 QStringList{u"記憶を消去します。\rよろしいですか？"_s});
        QCOMPARE(rig.dialogs.calls().first().message.defaultButton, DialogButton::Cancel);

        rig.dialogs.answerButton(DialogButton::Ok);
        rig.memory.clear();
        QCOMPARE(rig.memory.count(), 0);
        QCOMPARE(rig.view.counter, u"0"_s);
        QVERIFY(!rig.view.memorySwitch);
        QCOMPARE(rig.view.holderClears, 1);
        QCOMPARE(rig.view.status, QStringList{u"記憶を全てクリアしました"_s});

        rig.dialogs.answerButton(DialogButton::Ok);
        rig.memory.play();
        QCOMPARE(rig.dialogs.messageTexts().last(), u"何も記憶していません"_s);
        QVERIFY(!rig.memory.isPlaying() && !rig.view.loopingSuspended);
    }
};

PIKORO_TEST_CLASS(KeyMemoryTest)
#include "tst_keymemory.moc"
