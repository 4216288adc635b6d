#include "RecordingMedia.h"

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

std::uint32_t RecordingMciDevice::sendString(const QString &command) {
    commands.append(command);
    MciCommand parsed;
    const std::uint32_t parseError = parseMciCommand(command, &parsed);
    std::uint32_t result = parseError;
    if (!results.empty()) {
        result = results.front();
        results.pop_front();
    }
    if (result != MciError::None || parseError != MciError::None)
        return result;
    switch (parsed.verb) {
    case MciCommand::Verb::Open:
        openPath = parsed.device;
        playing = false;
        break;
    case MciCommand::Verb::Play:
        playing = !openPath.isEmpty();
        break;
    case MciCommand::Verb::Stop:
    case MciCommand::Verb::Pause:
        playing = false;
        break;
    case MciCommand::Verb::Close:
        openPath.clear();
        playing = false;
        break;
    }
    return MciError::None;
}

} // namespace pikoro
