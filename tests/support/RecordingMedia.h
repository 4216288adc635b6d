#pragma once

#include "media/MciDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"

#include <QString>
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

    bool playSound(const QString &path, unsigned flags) override;
    QStringList log;   // the readable entries, oldest first
    QList<Call> calls; // the calls as made
};

// An MciDevice for tests: records every call as "open <path>", "play", "stop", "pause" or
// "close" and keeps track of the open piece and whether it plays, without any files or sound.
class RecordingMciDevice : public MciDevice {
public:
    MidiError open(const QString &path) override;
    MidiError play() override;
    MidiError stop() override { return halt(QStringLiteral("stop")); }
    MidiError pause() override { return halt(QStringLiteral("pause")); }
    MidiError close() override { return halt(QStringLiteral("close"), true); }

    QStringList commands;
    QString openPath; // the path given to the last open, empty once closed
    bool playing = false;

private:
    MidiError halt(const QString &call, bool closing = false);
};

// A Speech for tests: records each text it was asked to read.
class RecordingSpeech : public Speech {
public:
    void speak(const QString &text) override { spoken.append(text); }
    QStringList spoken;
};

} // namespace pikoro
