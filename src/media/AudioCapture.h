#pragma once

#include <QString>

#include <SDL_audio.h>

#include <mutex>
#include <vector>

namespace pikoro {

// A recording device: mono float samples at a fixed rate, for a bounded time.
class AudioCapture {
public:
    virtual ~AudioCapture() = default;

    // Opens the default recording device at `sampleRate` and starts recording; at most
    // `maxFrames` samples are kept, later ones are dropped. False, with errorString(), when no
    // device can be opened.
    virtual bool start(int sampleRate, int maxFrames) = 0;
    // The samples recorded since the last call.
    virtual std::vector<float> take() = 0;
    // Stops recording and closes the device; samples not yet taken stay for take().
    virtual void stop() = 0;
    virtual QString errorString() const = 0;
};

// Records through SDL's default recording device (PipeWire, PulseAudio, ALSA, or the disk
// driver named by SDL_AUDIODRIVER=disk, which reads the raw samples of SDL_DISKAUDIOFILEIN).
class SdlAudioCapture : public AudioCapture {
public:
    SdlAudioCapture() = default;
    ~SdlAudioCapture() override;
    SdlAudioCapture(const SdlAudioCapture &) = delete;
    SdlAudioCapture &operator=(const SdlAudioCapture &) = delete;

    bool start(int sampleRate, int maxFrames) override;
    std::vector<float> take() override;
    void stop() override;
    QString errorString() const override { return m_error; }

private:
    static void callback(void *self, Uint8 *stream, int len);

    SDL_AudioDeviceID m_device = 0;
    bool m_subsystemUp = false;
    QString m_error;
    std::mutex m_mutex;          // guards the buffer and its counts against the audio thread
    std::vector<float> m_buffer; // sized once at start: the audio thread never allocates
    std::size_t m_written = 0;
    std::size_t m_taken = 0;
};

} // namespace pikoro
