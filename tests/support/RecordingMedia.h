#pragma once

#include "media/MidiDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"

#include <QStringList>

namespace pikoro {

// A WavePlayer for tests: plays nothing and writes each call to `log` as "played <path> once",
// "played <path> looped" or "stopped".
class RecordingWavePlayer : public WavePlayer {
public:
    bool play(const QString &path, Repeat repeat) override {
        log.append(QStringLiteral("played %1 %2")
                       .arg(path, QLatin1String(repeat == Repeat::Loop ? "looped" : "once")));
        return failure.isEmpty();
    }
    // Only when playsAhead: "played <path> ahead".
    bool playAt(const QString &path, Repeat, SteadyTime) override {
        if (playsAhead)
            log.append(QStringLiteral("played %1 ahead").arg(path));
        return playsAhead;
    }
    void stop() override { log.append(QStringLiteral("stopped")); }
    QString fileError() const override { return log.isEmpty() ? QString() : failure; }
    QStringList log;         // the readable entries, oldest first
    QString failure;         // when set, every file "cannot be played" for this reason
    bool playsAhead = false; // plays sounds given ahead of their time
};

// An MidiDevice for tests: records every call as "open <path>", "play", "stop", "pause" or
// "close" and keeps track of the open piece and whether it plays, without any files or sound.
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
    QString openPath; // the path given to the last open, empty once closed
    bool playing = false;

private:
    MidiError record(const QString &call, bool nowPlaying) {
        commands.append(call);
        playing = nowPlaying;
        return MidiError::None;
    }
};

// A Speech for tests: records each text it was asked to read.
class RecordingSpeech : public Speech {
public:
    void speak(const QString &text) override { spoken.append(text); }
    QStringList spoken;
};

} // namespace pikoro
