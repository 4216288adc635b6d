#include "media/MediaServices.h"

#include "media/MidiDevice.h"
#include "media/WavePlayer.h"

#include <QDir>

namespace pikoro {

QString waveFailureMessage(const QString &path, const QString &reason) {
    return QStringLiteral("WAVEファイルを再生できません\n%1\n%2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString pictureFailureMessage(const QString &headline, const QString &path, const QString &reason) {
    return QStringLiteral("%1\n%2\n%3").arg(headline, QDir::toNativeSeparators(path), reason);
}

MidiError openMidi(MidiDevice &midi, const QString &path) {
    if (path.isEmpty())
        return MidiError::None;
    midi.stop();
    midi.close();
    return midi.open(path);
}

MidiError closeMidi(MidiDevice &midi) {
    return midi.close();
}

MidiError playMidi(MidiDevice &midi) {
    midi.stop();
    return midi.play();
}

MidiError pauseMidi(MidiDevice &midi) {
    return midi.pause();
}

} // namespace pikoro
