#include "media/ClipVoice.h"

#include <algorithm>
#include <utility>

namespace pikoro {

AudioClip makeStereoClip(const float *samples, long long frames, int channels, int fromRate,
                         int toRate) {
    AudioClip clip;
    if (samples == nullptr || frames <= 0 || channels <= 0 || fromRate <= 0 || toRate <= 0)
        return clip;
    const auto sample = [&](long long frame, int side) {
        return samples[frame * channels + (channels == 1 ? 0 : side)];
    };
    const long long outFrames = std::max<long long>(1, (frames * toRate + fromRate / 2) / fromRate);
    clip.samples.resize(std::size_t(outFrames) * AudioOutput::Channels);
    const double step = double(fromRate) / double(toRate);
    for (long long i = 0; i < outFrames; ++i) {
        const double position = double(i) * step;
        const long long left = std::min<long long>((long long)position, frames - 1);
        const long long right = std::min<long long>(left + 1, frames - 1);
        const float fraction = float(position - double(left));
        for (int side = 0; side < AudioOutput::Channels; ++side) {
            const float a = sample(left, side);
            const float b = sample(right, side);
            clip.samples[std::size_t(i) * AudioOutput::Channels + side] = a + (b - a) * fraction;
        }
    }
    return clip;
}

ClipVoice::ClipVoice(AudioOutput &output) : m_output(output) {
    m_output.addSource(this);
}

ClipVoice::~ClipVoice() {
    m_output.removeSource(this);
}

void ClipVoice::start(std::shared_ptr<const AudioClip> clip, bool loop) {
    std::shared_ptr<const AudioClip> old;
    {
        std::lock_guard lock(m_mutex);
        old = std::exchange(m_clip, std::move(clip));
        m_position = 0;
        m_loop = loop;
        m_finished = !m_clip || m_clip->frames() == 0;
    }
    m_output.wake();
    // `old` is released here, outside the lock and off the audio thread.
}

void ClipVoice::stop() {
    std::shared_ptr<const AudioClip> old;
    {
        std::lock_guard lock(m_mutex);
        old = std::exchange(m_clip, nullptr);
        m_finished = true;
    }
}

bool ClipVoice::isPlaying() const {
    std::lock_guard lock(m_mutex);
    return !m_finished;
}

void ClipVoice::mixInto(float *out, int frames) {
    std::lock_guard lock(m_mutex);
    if (m_finished)
        return;
    const AudioClip &clip = *m_clip;
    const long long length = clip.frames();
    int done = 0;
    while (done < frames) {
        if (m_position >= length) {
            if (!m_loop) {
                m_finished = true;
                return;
            }
            m_position = 0;
        }
        const int count = int(std::min<long long>(frames - done, length - m_position));
        const float *from = clip.samples.data() + m_position * AudioOutput::Channels;
        float *to = out + std::size_t(done) * AudioOutput::Channels;
        for (int i = 0; i < count * AudioOutput::Channels; ++i)
            to[i] += from[i];
        m_position += count;
        done += count;
    }
    if (m_position >= length && !m_loop)
        m_finished = true;
}

} // namespace pikoro
