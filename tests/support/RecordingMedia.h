#pragma once

#include "media/MidiDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"

#include <QStringList>

namespace pikoro {

// Plays nothing and logs each call: "played <path> once", "... looped", "... ahead" (only when
// playsAhead) or "stopped".
class RecordingWavePlayer : public WavePlayer {
public:
    bool play(const QString &path, Repeat repeat) override {
        log.append(QStringLiteral("played %1 %2")
                       .arg(path, QLatin1String(repeat == Repeat::Loop ? "looped" : "once")));
        return failure.isEmpty();
    }
    bool playAt(const QString &path, Repeat, SteadyTime) override {
        if (playsAhead)
            log.append(QStringLiteral("played %1 ahead").arg(path));
        return playsAhead;
    }
    void stop() override { log.append(QStringLiteral("stopped")); }
    QString fileError() const override { return log.isEmpty() ? QString() : failure; }
    QStringList log;
    QString failure;         // when set, every file "cannot be played" for this reason
    bool playsAhead = false; // plays sounds given ahead of their time
};

// Records every call ("open <path>", "play", "stop", "pause", "close"), the open piece and
// whether it plays.
class RecordingMidiDevice : public MidiDevice {
public:
    MidiError open(const QString &path) override {
        openPath = path;
        return record(QStringLiteral("open ") + path, false);
    }
    MidiError play() override { return record(QStringLiteral("play"), !openPath.isEmpty()); }
    MidiError stop() override { return record(QStringLiteral("stop"), false); }
    MidiError pause() override { return record(QStringLiteral("pause"), false); }
    MidiError close() override {
        openPath.clear();
        return record(QStringLiteral("close"), false);
    }
    QStringList commands;
    QString openPath; // empty once closed
    bool playing = false;

private:
    MidiError record(const QString &call, bool nowPlaying) {
        commands.append(call);
        playing = nowPlaying;
        return MidiError::None;
    }
};

struct RecordingSpeech : Speech {
    void speak(const QString &text) override { spoken.append(text); }
    QStringList spoken;
};

} // namespace pikoro
