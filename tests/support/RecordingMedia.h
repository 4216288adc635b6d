#pragma once

#include "media/MciDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"

#include <QString>
#include <QStringList>

#include <cstdint>
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

// An MciDevice for tests: records every command string exactly as sent and keeps track of the
// open piece and whether it plays, without any files or sound.
class RecordingMciDevice : public MciDevice {
public:
    // Records the command; answers the front of `results` when it has one, else the parser's
    // error code for a malformed command, else 0.
    std::uint32_t sendString(const QString &command) override;

    QStringList commands;
    std::deque<std::uint32_t> results;
    // The path given to the last successful open, empty once closed.
    QString openPath;
    bool playing = false;
};

// A Speech for tests: records each text it was asked to read.
class RecordingSpeech : public Speech {
public:
    void speak(const QString &text) override { spoken.append(text); }
    QStringList spoken;
};

} // namespace pikoro
