#pragma once

#include "media/AudioOutput.h"

#include <memory>
#include <mutex>
#include <vector>

namespace pikoro {

// A decoded sound ready for the mix: interleaved stereo float at the output's rate.
struct AudioClip {
    std::vector<float> samples;
    int frames() const { return int(samples.size() / AudioOutput::Channels); }
};

// Converts interleaved samples with `channels` channels at `fromRate` to a stereo clip at
// `toRate` by linear interpolation. Mono is copied to both sides; beyond two channels only the
// first two are kept.
AudioClip makeStereoClip(const float *samples, long long frames, int channels, int fromRate,
                         int toRate);

// Builds the same stereo clip as makeStereoClip from samples that arrive a block at a time,
// so a long sound never needs all its source samples in memory at once.
class StereoClipBuilder {
public:
    // `frames` is the number of source frames that will be given (a source that ends early gives
    // a shorter clip). The clip's memory is reserved here, once.
    StereoClipBuilder(long long frames, int channels, int fromRate, int toRate);
    // The next `count` interleaved source frames.
    void add(const float *samples, long long count);
    // The clip of the frames given so far; the builder is spent.
    AudioClip finish();

private:
    void emitUpTo(long long lastFrame, const float *samples, long long count);

    long long m_frames;
    int m_channels;
    double m_step;        // source frames per output frame
    long long m_base = 0; // source index of the first frame of the block being added
    long long m_next = 0; // next output frame to fill
    long long m_outFrames = 0;
    float m_previous[2] = {0.0f, 0.0f}; // the last source frame of the previous block, stereo
    AudioClip m_clip;
};

// Plays one clip at a time into the mix, once or looped. Start and stop come from the UI
// thread; the clip is only read on the audio thread and always freed on the caller's thread.
// A clip may also be handed over ahead of its time, to start on the very frame heard then.
class ClipVoice : public AudioSource {
public:
    // Registers itself with `output`, which must outlive the voice.
    explicit ClipVoice(AudioOutput &output);
    ~ClipVoice() override;
    ClipVoice(const ClipVoice &) = delete;
    ClipVoice &operator=(const ClipVoice &) = delete;

    // Replaces whatever plays with `clip` from its start.
    void start(std::shared_ptr<const AudioClip> clip, bool loop);
    // Replaces whatever plays with `clip` from the frame heard at `due`: the clip before plays
    // until then. A start, startAt or stop before then drops it.
    void startAt(std::shared_ptr<const AudioClip> clip, bool loop, SteadyTime due);
    // Silences the voice.
    void stop();
    // True while a clip is sounding or waits for its time (a looped clip sounds until stopped).
    bool isPlaying() const;

    void mixInto(float *out, int frames) override;
    bool isSounding() const override { return isPlaying(); }

private:
    // Adds `frames` frames of the clip that plays.
    void mixClip(float *out, int frames);
    // Empties the voice under the lock; the clips go to `drop`, to be freed after it.
    void clear(std::shared_ptr<const AudioClip> (&drop)[3]);

    AudioOutput &m_output;
    mutable std::mutex m_mutex;
    std::shared_ptr<const AudioClip> m_clip;
    long long m_position = 0;
    bool m_loop = false;
    bool m_finished = true;
    std::shared_ptr<const AudioClip> m_next; // waits for m_due
    bool m_nextLoop = false;
    SteadyTime m_due;
    // The clip m_next replaced on the audio thread, freed by the next start or stop. One at
    // most: each startAt brings one m_next and takes the retired clip before it.
    std::shared_ptr<const AudioClip> m_retired;
};

} // namespace pikoro
