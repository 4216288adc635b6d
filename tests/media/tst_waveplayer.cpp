#include "ManualAudioOutput.h"
#include "TempFolder.h"
#include "TestRunner.h"

#include "RecordingMedia.h"
#include "SoundFixtures.h"
#include "media/AudioOutput.h"
#include "media/MediaServices.h"
#include "media/WavePlayer.h"

#include <QTest>

using namespace pikoro;
using namespace pikoro::test;

class WavePlayerTest : public QObject {
    Q_OBJECT
private slots:
    void decodesWaveFormatsAtTheDeviceRate_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("8-bit PCM mono 11025") << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 11025 << 1;
        QTest::newRow("16-bit PCM stereo 44100")
            << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 44100 << 2;
        QTest::newRow("IMA ADPCM mono 22050")
            << (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM) << 22050 << 1;
        QTest::newRow("float stereo 32000") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 32000 << 2;
    }
    void decodesWaveFormatsAtTheDeviceRate() {
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("tone.wav"));
        QVERIFY(writeTone(path, format, rate, channels, 440.0, 0.5));

        QString error;
        const AudioClip clip = decodeSoundFile(path, 48000, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Half a second at 48 kHz, give or take an ADPCM block.
        QVERIFY2(std::abs(clip.frames() - 24000) < 600, qPrintable(QString::number(clip.frames())));
        QVERIFY(peak(clip.samples) > 0.4f);
        // 440 Hz for half a second: 220 cycles, so the pitch survived the rate change.
        const int cycles = upwardCrossings(clip.samples);
        QVERIFY2(std::abs(cycles - 220) <= 4, qPrintable(QString::number(cycles)));
    }

    void missingOrBrokenFilesFail_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("text") << QByteArray("not a sound at all, just some words\n");
        QTest::newRow("truncated RIFF header") << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
    }
    void missingOrBrokenFilesFail() {
        QFETCH(QByteArray, bytes);
        TempFolder folder;
        const QString path = bytes.isEmpty() ? folder.file(QStringLiteral("none.wav"))
                                             : folder.write(QStringLiteral("bad.wav"), bytes);
        ManualAudioOutput output;
        AudioWavePlayer player(output);
        QVERIFY(!player.playSound(path, 19));
        QVERIFY(!player.errorString().isEmpty());
        QVERIFY(!player.isPlaying());
        QCOMPARE(peak(output.render(1000)), 0.0f);
    }

    void playsOnceLoopsStopsAndKeepsTheSoundThatPlays() {
        TempFolder folder;
        const QString beep = folder.file(QStringLiteral("b e e p.wav"));
        const QString low = folder.file(QStringLiteral("low.wav"));
        QVERIFY(writeTone(beep, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1, 1000.0, 0.1));
        QVERIFY(writeTone(low, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1, 250.0, 0.1));
        ManualAudioOutput output;
        AudioWavePlayer player(output);

        QCOMPARE(playWave(player, beep, WaveRepeat::Once), true);
        std::vector<float> out = output.render(9600); // 0.2 s
        QVERIFY(peak(out, 0, 9600) > 0.4f);           // the 0.1 s tone
        QCOMPARE(peak(out, 9600), 0.0f);              // then silence
        QVERIFY(!player.isPlaying());

        QCOMPARE(playWave(player, beep, WaveRepeat::Loop), true);
        out = output.render(48000); // ten times the tone's length
        QVERIFY(peak(out, 2 * 43200) > 0.4f);
        QVERIFY(player.isPlaying());
        // Refused: the loop still sounds. Without the no-stop flag the new sound cuts it.
        QCOMPARE(playWave(player, low, WaveRepeat::Once), false);
        QVERIFY(player.playSound(low, WavePlayFlag::Async));
        const int cycles = upwardCrossings(output.render(4800));
        QVERIFY2(std::abs(cycles - 25) <= 2, qPrintable(QString::number(cycles)));
        // Once the sound has ended, the no-stop play goes ahead.
        QVERIFY(!player.isPlaying());
        QCOMPARE(playWave(player, beep, WaveRepeat::Loop), true);
        stopWave(player);
        QVERIFY(!player.isPlaying());
        QCOMPARE(peak(output.render(1000)), 0.0f);
    }
};

PIKORO_TEST_CLASS(WavePlayerTest)
#include "tst_waveplayer.moc"
