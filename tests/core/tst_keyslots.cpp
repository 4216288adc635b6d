#include "TestRunner.h"

#include "core/AppState.h"
#include "core/KeySlots.h"

#include <QTest>

using namespace pikoro;
using namespace Qt::StringLiterals;

class KeySlotsTest : public QObject {
    Q_OBJECT
private slots:
    void listNames_data() {
        QTest::addColumn<int>("list"); // 0 picture, 1 sound, 2 MIDI
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::newRow("picture digit 0 is full-width") << 0 << 0 << u"０"_s;
        QTest::newRow("picture opening is last") << 0 << 42 << u"ｵｰﾌﾟﾆﾝｸﾞ"_s;
        QTest::newRow("sound digit 0 is half-width") << 1 << 0 << u"0"_s;
        QTest::newRow("midi F12") << 2 << 21 << u"F12"_s;
    }
    void listNames() {
        QFETCH(int, list);
        QFETCH(int, row);
        QFETCH(QString, name);
        const QString actual = list == 0   ? pictureListName(row)
                               : list == 1 ? soundListName(row)
                                           : midiListName(row);
        QCOMPARE(actual, name);
    }

    void captionTablesAndSwitch() {
        AppState state;
        QCOMPARE(state.keyCaptions[16], u"Q"_s);
        applyKeyCaptions(state, true);
        QCOMPARE(state.keyCaptions[0], u"ち"_s);
        QCOMPARE(state.keyCaptions[16], u"た"_s);
        QCOMPARE(state.keyCaptions[25], u"つ"_s);
        applyKeyCaptions(state, false);
        QCOMPARE(state.keyCaptions[25], u"Z"_s);
    }
};

PIKORO_TEST_CLASS(KeySlotsTest)
#include "tst_keyslots.moc"
