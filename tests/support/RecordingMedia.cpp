#include "RecordingMedia.h"

using namespace Qt::StringLiterals;

namespace pikoro {

bool RecordingWavePlayer::playSound(const QString &path, unsigned flags) {
    calls.append({path, flags});
    if (path.isEmpty()) {
        log.append(QStringLiteral("stopped"));
        return true;
    }
    log.append(QStringLiteral("played %1 %2")
                   .arg(path, flags & WavePlayFlag::Loop ? QStringLiteral("looped")
                                                         : QStringLiteral("once")));
    return nextResult;
}

MidiError RecordingMciDevice::record(const QString &call) {
    commands.append(call);
    if (results.empty())
        return MidiError::None;
    const MidiError result = results.front();
    results.pop_front();
    return result;
}

MidiError RecordingMciDevice::open(const QString &path) {
    const MidiError result = record(u"open "_s + path);
    if (result == MidiError::None) {
        openPath = path;
        playing = false;
    }
    return result;
}

MidiError RecordingMciDevice::play() {
    const MidiError result = record(u"play"_s);
    if (result == MidiError::None)
        playing = !openPath.isEmpty();
    return result;
}

MidiError RecordingMciDevice::stop() {
    const MidiError result = record(u"stop"_s);
    if (result == MidiError::None)
        playing = false;
    return result;
}

MidiError RecordingMciDevice::pause() {
    const MidiError result = record(u"pause"_s);
    if (result == MidiError::None)
        playing = false;
    return result;
}

MidiError RecordingMciDevice::close() {
    const MidiError result = record(u"close"_s);
    if (result == MidiError::None) {
        openPath.clear();
        playing = false;
    }
    return result;
}

} // namespace pikoro
