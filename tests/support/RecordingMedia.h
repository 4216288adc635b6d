#pragma once

#include "media/MciDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"

#include <QStringList>

namespace pikoro {

// A WavePlayer for tests: plays nothing and writes each call to `log` as "played <path> once",
// "played <path> looped" or "stopped".
class RecordingWavePlayer : public WavePlayer {
public:
    struct Call {
        QString path;
        unsigned flags = 0;
    };
    bool playSound(const QString &path, unsigned flags) override {
        calls.append({path, flags});
        const auto how = QLatin1String(flags & WavePlayFlag::Loop ? "looped" : "once");
        log.append(path.isEmpty() ? QStringLiteral("stopped")
                                  : QStringLiteral("played %1 %2").arg(path, how));
        return path.isEmpty() || failure.isEmpty();
    }
    QString fileError() const override { return calls.isEmpty() ? QString() : failure; }
    QStringList log;   // the readable entries, oldest first
    QList<Call> calls; // the calls as made
    QString failure;   // when set, every file "cannot be played" for this reason
};

// An MciDevice for tests: records every call as "open <path>", "play", "stop", "pause" or
// "close" and keeps track of the open piece and whether it plays, without any files or sound.
class RecordingMciDevice : public MciDevice {
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
