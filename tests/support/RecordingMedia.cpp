#include "RecordingMedia.h"

using namespace Qt::StringLiterals;

namespace pikoro {

bool RecordingWavePlayer::playSound(const QString &path, unsigned flags) {
    calls.append({path, flags});
    log.append(path.isEmpty() ? u"stopped"_s
                              : u"played %1 %2"_s.arg(
                                    path, flags & WavePlayFlag::Loop ? u"looped"_s : u"once"_s));
    return true;
}

MidiError RecordingMciDevice::open(const QString &path) {
    commands.append(u"open "_s + path);
    openPath = path;
    playing = false;
    return MidiError::None;
}

MidiError RecordingMciDevice::play() {
    commands.append(u"play"_s);
    playing = !openPath.isEmpty();
    return MidiError::None;
}

MidiError RecordingMciDevice::halt(const QString &call, bool closing) {
    commands.append(call);
    playing = false;
    if (closing)
        openPath.clear();
    return MidiError::None;
}

} // namespace pikoro
