#pragma once

#include <QString>

#include <SDL_audio.h>

#include <mutex>
#include <vector>

namespace pikoro {

// Something that adds sound into the mix: the WAVE voice, the MIDI synth, speech.
class AudioSource {
public:
    virtual ~AudioSource() = default;

    // Adds `frames` frames of interleaved stereo float samples into `out` (does not clear it).
    // Runs on the audio thread: must not allocate, block for long or call back into the output.
    virtual void mixInto(float *out, int frames) = 0;
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

protected:
    AudioMixer &mixer() { return m_mixer; }

private:
    AudioMixer m_mixer;
};

// The number of sound playback devices the system offers (0 when there is none or the audio
// system cannot start).
int playbackDeviceCount();

// Plays the mix through SDL's default playback device (PipeWire, PulseAudio, ALSA, or the
// dummy and disk drivers named by SDL_AUDIODRIVER).
class SdlAudioOutput : public AudioOutput {
public:
    // Opens and starts the default device. When that fails the object still works as a silent
    // output; isOpen() and errorString() tell why.
    explicit SdlAudioOutput(int bufferFrames = 512);
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput &) = delete;
    SdlAudioOutput &operator=(const SdlAudioOutput &) = delete;

    int sampleRate() const override { return m_sampleRate; }
    bool isOpen() const { return m_device != 0; }
    QString errorString() const { return m_error; }

private:
    static void callback(void *self, Uint8 *stream, int len);

    SDL_AudioDeviceID m_device = 0;
    int m_sampleRate = DefaultSampleRate;
    bool m_subsystemUp = false;
    QString m_error;
};

} // namespace pikoro
