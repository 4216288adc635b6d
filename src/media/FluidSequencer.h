#pragma once

#include "media/AudioOutput.h"
#include "media/MidiDevice.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_midi_event_t;

namespace pikoro {

// Plays MIDI pieces with FluidSynth into an AudioOutput. The SoundFont loads on a thread of
// its own, so construction returns at once; a piece played before it is ready starts when it
// is.
class FluidSequencer : public MidiSequencer, public AudioSource {
public:
    enum class Loading { AtOnce, WhenAsked };
    // Registers with `output`, which must outlive the sequencer. An empty `soundFont` picks
    // defaultSoundFont(). WhenAsked: the SoundFont is read from startLoading() or the first
    // play() on.
    explicit FluidSequencer(AudioOutput &output, const QString &soundFont = {},
                            Loading loading = Loading::AtOnce);
    ~FluidSequencer() override;
    FluidSequencer(const FluidSequencer &) = delete;
    FluidSequencer &operator=(const FluidSequencer &) = delete;

    // The best General MIDI SoundFont installed (FluidR3_GM, else default-GM, else TimGM6mb),
    // or an empty string when there is none.
    static QString defaultSoundFont();

    // Starts reading the SoundFont on its thread, unless that has started already.
    void startLoading();
    // Waits up to `timeoutMs` for the SoundFont; true when it is loaded.
    bool waitUntilReady(int timeoutMs);
    // Why the SoundFont could not be loaded; empty while loading or after success.
    QString errorString() const;
    // True while a piece is playing or waiting for the SoundFont to play.
    bool isPlaying() const;

    bool load(const QByteArray &smf) override;
    void play() override;
    void pause() override;
    void stop() override;
    void unload() override;
    bool hasPlayedToEnd() const override;

    void mixInto(float *out, int frames) override;
    bool isSounding() const override;

private:
    enum class State { Empty, Stopped, Playing, Paused };
    // Nice value of the SoundFont loader: it still runs beside a busy machine, but yields to the
    // user-interface thread and the display server while they share a core.
    static constexpr int LoaderNiceness = 10;

    void loadSoundFont(const QString &path);
    static void releaseInstruments(_fluid_synth_t *synth);
    void startPlayerLocked();
    void freshChannelsLocked();
    static int playEvent(void *data, _fluid_midi_event_t *event);
    void dropPlayerLocked();
    void silenceLocked();

    static constexpr int ChunkFrames = 1024;
    static constexpr int MidiChannels = 16;

    AudioOutput &m_output;
    QString m_soundFont;
    mutable std::mutex m_mutex;
    std::condition_variable m_loaded;
    bool m_loadDone = false;
    QString m_error;
    _fluid_hashtable_t *m_settings = nullptr;
    _fluid_synth_t *m_synth = nullptr;
    _fluid_player_t *m_player = nullptr;
    QByteArray m_smf;
    State m_state = State::Empty;
    long long m_tailFrames = 0;
    bool m_ringingOut = false;             // the piece has ended; its last notes still sound
    bool m_playedToEnd = false;            // ... and now they have faded
    unsigned m_channelsWithInstrument = 0; // bit per channel: the piece has an instrument there
    std::vector<float> m_scratch;
    std::thread m_loader;
};

} // namespace pikoro
