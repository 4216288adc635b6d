#include "media/MediaServices.h"

#include "media/MciDevice.h"
#include "media/WavePlayer.h"

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

std::int32_t openMidi(MciDevice &mci, const QString &path) {
    if (path.isEmpty())
        return 0;
    mci.sendString(QStringLiteral("stop midifile "));
    mci.sendString(QStringLiteral("close midifile"));
    // Quoted, so that a path with blanks opens as one word.
    return std::int32_t(
        mci.sendString(QStringLiteral("open \"%1\" type sequencer alias midifile").arg(path)));
}

std::int32_t closeMidi(MciDevice &mci) {
    return std::int32_t(mci.sendString(QStringLiteral("close midifile")));
}

std::int32_t playMidi(MciDevice &mci) {
    mci.sendString(QStringLiteral("STOP MIDIFILE "));
    return std::int32_t(mci.sendString(QStringLiteral("play midifile")));
}

std::int32_t pauseMidi(MciDevice &mci) {
    return std::int32_t(mci.sendString(QStringLiteral("pause midifile ")));
}

} // namespace pikoro
