#pragma once

#include "media/MidiDevice.h"

#include <QByteArray>
#include <atomic>
#include <thread>

namespace pikoro::test {

// A sequencer that takes any piece and only remembers whether it plays. Its piece ends when
// the test says, on a thread of its own as audio does.
class SilentSequencer : public MidiSequencer {
public:
    explicit SilentSequencer(bool *playing) : m_playing(playing) {}
    bool load(const QByteArray &) override { return true; }
    void play() override {
        *m_playing = true;
        m_ended = false;
    }
    void pause() override { *m_playing = false; }
    void stop() override { *m_playing = false; }
    void unload() override { *m_playing = false; }
    bool hasPlayedToEnd() const override { return m_ended; }
    void endFromAudioThread() {
        std::thread([this] {
            m_ended = true;
            notifyPlayedToEnd();
        }).join();
    }

private:
    bool *m_playing;
    std::atomic<bool> m_ended = false;
};

// The smallest MIDI file that opens: one empty track.
inline const QByteArray TinyMidi("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xff\x2f\0", 26);

} // namespace pikoro::test
