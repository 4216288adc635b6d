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
    void readsKanaIntoTheMix() {
        ManualAudioOutput output;
        EspeakSpeech speech(output);
        speech.speak(QStringLiteral("ち"));
        QVERIFY(speech.waitUntilIdle(20000));
        if (!speech.errorString().isEmpty())
            QSKIP(qPrintable(speech.errorString()));
        const std::vector<float> out = output.render(48000);
        QVERIFY(peak(out) > 0.05f);

        // A new text cuts off the one being read; an empty one leaves silence.
        speech.speak(QString());
        QVERIFY(speech.waitUntilIdle(20000));
        QCOMPARE(peak(output.render(4800)), 0.0f);
    }

    void speaksAgainAfterARestart() {
        // The library is process-wide: a second object must be able to start it again.
        for (int round = 0; round < 2; ++round) {
            ManualAudioOutput output;
            EspeakSpeech speech(output);
            speech.speak(QStringLiteral("あ"));
            QVERIFY(speech.waitUntilIdle(20000));
            if (!speech.errorString().isEmpty())
                QSKIP(qPrintable(speech.errorString()));
            QVERIFY2(peak(output.render(48000)) > 0.05f, qPrintable(QString::number(round)));
        }
    }
};

PIKORO_TEST_CLASS(SpeechTest)
#include "tst_speech.moc"
