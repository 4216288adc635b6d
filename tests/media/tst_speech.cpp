#include "ManualAudioOutput.h"
#include "TestRunner.h"

#include "SoundFixtures.h"
#include "media/AudioOutput.h"
#include "media/Speech.h"

#include <QTest>

using namespace pikoro;
using namespace pikoro::test;

class SpeechTest : public QObject {
    Q_OBJECT
private slots:
    // The library is process-wide: a second object must be able to start it again. A new
    // text cuts off the one being read; an empty one leaves silence.
    void readsKanaIntoTheMixAgainAfterARestart() {
        for (int round = 0; round < 2; ++round) {
            ManualAudioOutput output;
            EspeakSpeech speech(output);
            speech.speak(round ? QStringLiteral("あ") : QStringLiteral("ち"));
            QVERIFY(speech.waitUntilIdle(20000));
            if (!speech.errorString().isEmpty())
                QSKIP(qPrintable(speech.errorString()));
            QVERIFY2(peak(output.render(48000)) > 0.05f, qPrintable(QString::number(round)));
            speech.speak(QString());
            QVERIFY(speech.waitUntilIdle(20000));
            QCOMPARE(peak(output.render(4800)), 0.0f);
        }
    }
};

PIKORO_TEST_CLASS(SpeechTest)
#include "tst_speech.moc"
