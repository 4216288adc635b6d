#pragma once

#include <QObject>
#include <QString>

#include <SDL_audio.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace pikoro {

// A moment on the monotonic clock (the one QElapsedTimer and QTimer use on Linux).
using SteadyTime = std::chrono::steady_clock::time_point;

// Something that adds sound into the mix: the WAVE voice, the MIDI synth, speech.
class AudioSource {
public:
    virtual ~AudioSource() = default;

    // Adds `frames` frames of interleaved stereo float samples into `out` (does not clear it).
    // Runs on the audio thread: must not allocate, block for long or call back into the output.
    virtual void mixInto(float *out, int frames) = 0;
    // True while the source has something left to add (a clip not yet at its end, a piece or
    // its last notes). Called from any thread; takes only the source's own lock.
    virtual bool isSounding() const = 0;
};

// Sums the registered sources into one stereo float buffer and keeps the result in [-1, 1].
class AudioMixer {
public:
    // Registers a source; it is mixed from the next buffer on. Adding twice has no effect.
    void addSource(AudioSource *source);
    // Unregisters a source; once this returns, the source is no longer called.
    void removeSource(AudioSource *source);
    // Clears `out` and mixes `frames` stereo frames of every source into it.
    void render(float *out, int frames);
    // True while any source has something left to add.
    bool anySounding();

private:
    std::mutex m_mutex;
    std::vector<AudioSource *> m_sources;
};

// The sound device the program plays through: 48 kHz stereo float.
class AudioOutput {
public:
    static constexpr int DefaultSampleRate = 48000;
    static constexpr int Channels = 2;

    virtual ~AudioOutput() = default;

    // Frames per second the sources must deliver.
    virtual int sampleRate() const = 0;
    // Adds a source to the mix; the source must outlive its registration.
    void addSource(AudioSource *source) { m_mixer.addSource(source); }
    // Removes a source; once this returns, the source is no longer called.
    void removeSource(AudioSource *source) { m_mixer.removeSource(source); }
    // A source has just been given something to play: a device resting in silence starts
    // again. Safe from any thread, after the source's new sound is in place.
    virtual void wake() {}
    // While a source mixes (audio thread only): frames from the first frame of the block being
    // mixed to the frame heard at `moment`; negative when that is past. 0 when the output does
    // not know when its blocks are heard.
    long long framesUntil(SteadyTime moment) const;

protected:
    AudioMixer &mixer() { return m_mixer; }
    // Mixes the next block, whose first frame is heard at `heardAt` (unknown: the epoch).
    void renderBlock(float *out, int frames, SteadyTime heardAt);

private:
    AudioMixer m_mixer;
    SteadyTime m_blockHeardAt; // audio thread only
};

// Starts the audio system for the sound-card check at start-up and keeps it up until this object
// goes, so the output opened later finds it running instead of starting it a second time. (On
// the calling thread: started on a thread of its own beside Qt's start, it gained nothing
// measurable, and the sound driver's fork of a session-bus launcher while other threads ran
// now and then hung the sanitized program.)
class AudioSystemStart {
public:
    AudioSystemStart() = default;
    ~AudioSystemStart();
    AudioSystemStart(const AudioSystemStart &) = delete;
    AudioSystemStart &operator=(const AudioSystemStart &) = delete;

    // The number of sound playback devices the system offers (0 when there is none or the audio
    // system cannot start); the first call starts the audio system.
    int playbackDeviceCount();

private:
    bool m_started = false;
    bool m_up = false;
    int m_devices = 0;
};

// Plays the mix through SDL's default playback device (PipeWire, PulseAudio, ALSA, or the
// dummy and disk drivers named by SDL_AUDIODRIVER). Once nothing has sounded for a while the
// device is closed, so a silent program has no audio thread waking it (a paused SDL device still
// wakes to write silence); the next woken source opens it again at the same rate and is mixed
// from its first sample.
class SdlAudioOutput : public AudioOutput {
public:
    // Opens and starts the default device. When that fails the object still works as a silent
    // output; isOpen() and errorString() tell why.
    explicit SdlAudioOutput(int bufferFrames = 512,
                            std::chrono::milliseconds restAfter = std::chrono::seconds(5));
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput &) = delete;
    SdlAudioOutput &operator=(const SdlAudioOutput &) = delete;

    int sampleRate() const override { return m_sampleRate; }
    void wake() override;
    // The device could be opened (it may be resting now).
    bool isOpen() const { return m_usable; }
    QString errorString() const { return m_error; }
    // The device is closed because nothing has sounded for the rest time.
    bool isResting() const;

private:
    static void callback(void *self, Uint8 *stream, int len);
    bool openDevice(int flags);
    // On the thread that made the output, once the audio thread has heard nothing for a while.
    void restIfSilent();

    SDL_AudioSpec m_spec{};
    SDL_AudioDeviceID m_device = 0; // 0 while resting or when it could not be opened
    int m_sampleRate = DefaultSampleRate;
    bool m_subsystemUp = false;
    bool m_usable = false;
    QString m_error;
    // How long after a block is mixed its first frame is heard: the block queued before it in
    // the device (SDL's disk driver too writes two blocks at a time).
    std::chrono::nanoseconds m_latency{0};
    long long m_restFrames = 0;
    long long m_silentFrames = 0;              // audio thread only
    std::atomic<bool> m_restRequested = false; // a rest check is on its way
    mutable std::mutex m_restMutex;            // orders resting against waking
    bool m_resting = false;
    QObject m_home; // receives the rest checks on the thread that made the output
};

} // namespace pikoro
