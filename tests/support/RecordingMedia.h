#pragma once

#include "media/MciDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"

#include <QString>
#include <QStringList>

#include <deque>

namespace pikoro {

// A WavePlayer for tests: plays nothing and writes each call to `log` as "played <path> once",
// "played <path> looped" or "stopped".
class RecordingWavePlayer : public WavePlayer {
public:
    struct Call {
        QString path;
        unsigned flags = 0;
    };

    // Records the call; answers `nextResult` for a file (true for a stop).
    bool playSound(const QString &path, unsigned flags) override;
    // The readable entries, oldest first.
    QStringList log;
    // The calls as made.
    QList<Call> calls;
    // What a play answers.
    bool nextResult = true;
};

// An MciDevice for tests: records every call as "open <path>", "play", "stop", "pause" or
// "close" and keeps track of the open piece and whether it plays, without any files or sound.
class RecordingMciDevice : public MciDevice {
public:
    // Each call is recorded and answers the front of `results` when it has one, else None.
    MidiError open(const QString &path) override;
    MidiError play() override;
    MidiError stop() override;
    MidiError pause() override;
    MidiError close() override;

    QStringList commands;
    std::deque<MidiError> results;
    // The path given to the last successful open, empty once closed.
    QString openPath;
    bool playing = false;

private:
    MidiError record(const QString &call);
};

// A Speech for tests: records each text it was asked to read.
class RecordingSpeech : public Speech {
public:
    void speak(const QString &text) override { spoken.append(text); }
    QStringList spoken;
};

} // namespace pikoro
