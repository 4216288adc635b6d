#include "media/MediaServices.h"

#include "media/MciDevice.h"
#include "media/WavePlayer.h"

#include <QDir>

namespace pikoro {

bool playWave(WavePlayer &wave, const QString &path, WaveRepeat repeat) {
    if (path.isEmpty())
        return false;
    constexpr unsigned Once =
        WavePlayFlag::Async | WavePlayFlag::NoDefault | WavePlayFlag::NoStop; // 19
    return wave.playSound(path, repeat == WaveRepeat::Loop ? Once | WavePlayFlag::Loop : Once);
}

void stopWave(WavePlayer &wave) {
    wave.playSound(QString(), 0);
}

QString waveFailureMessage(const QString &path, const QString &reason) {
    return QStringLiteral("WAVEファイルを再生できません\n%1\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString pictureFailureMessage(const QString &headline, const QString &path, const QString &reason) {
    return QStringLiteral("%1\n%2\n%3").arg(headline, QDir::toNativeSeparators(path), reason);
}

MidiError openMidi(MciDevice &mci, const QString &path) {
    if (path.isEmpty())
        return MidiError::None;
    mci.stop();
    mci.close();
    return mci.open(path);
}

MidiError closeMidi(MciDevice &mci) {
    return mci.close();
}

MidiError playMidi(MciDevice &mci) {
    mci.stop();
    return mci.play();
}

MidiError pauseMidi(MciDevice &mci) {
    return mci.pause();
}

} // namespace pikoro
