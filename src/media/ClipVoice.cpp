#include "media/ClipVoice.h"

#include <algorithm>
#include <utility>

namespace pikoro {

AudioClip makeStereoClip(const float *samples, long long frames, int channels, int fromRate,
                         int toRate) {
    if (samples == nullptr || frames <= 0 || channels <= 0 || fromRate <= 0 || toRate <= 0)
        return {};
    StereoClipBuilder builder(frames, channels, fromRate, toRate);
    builder.add(samples, frames);
    return builder.finish();
}

StereoClipBuilder::StereoClipBuilder(long long frames, int channels, int fromRate, int toRate)
    : m_frames(std::max<long long>(0, frames)), m_channels(std::max(1, channels)),
      m_step(fromRate > 0 && toRate > 0 ? double(fromRate) / double(toRate) : 1.0) {
    if (m_frames == 0 || fromRate <= 0 || toRate <= 0) {
        m_frames = 0;
        return;
    }
    m_outFrames = std::max<long long>(1, (m_frames * toRate + fromRate / 2) / fromRate);
    // Reserved, not filled: a source that claims more than it holds costs only what it holds.
    m_clip.samples.reserve(std::size_t(m_outFrames) * AudioOutput::Channels);
}

void StereoClipBuilder::add(const float *samples, long long count) {
    count = std::min(count, m_frames - m_base);
    if (samples == nullptr || count <= 0)
        return;
    emitUpTo(m_base + count - 1, samples, count);
    const float *last = samples + (count - 1) * m_channels;
    m_previous[0] = last[0];
    m_previous[1] = last[m_channels == 1 ? 0 : 1];
    m_base += count;
}

// Fills the output frames whose two source frames lie at or before lastFrame: those of this
// block, or the previous block's last one.
void StereoClipBuilder::emitUpTo(long long lastFrame, const float *samples, long long count) {
    const auto sample = [&](long long frame, int side) {
        if (frame < m_base)
            return m_previous[side];
        const long long i = std::min(frame - m_base, count - 1);
        return samples[i * m_channels + (m_channels == 1 ? 0 : side)];
    };
    for (; m_next < m_outFrames; ++m_next) {
        const double position = double(m_next) * m_step;
        const long long left = std::min<long long>((long long)position, m_frames - 1);
        const long long right = std::min<long long>(left + 1, m_frames - 1);
        if (right > lastFrame)
            return;
        const float fraction = float(position - double(left));
        for (int side = 0; side < AudioOutput::Channels; ++side) {
            const float a = sample(left, side);
            const float b = sample(right, side);
            m_clip.samples.push_back(a + (b - a) * fraction);
        }
    }
}

AudioClip StereoClipBuilder::finish() {
    // A source that ended early: the clip ends where its sound did.
    if (m_next < m_outFrames)
        m_clip.samples.shrink_to_fit();
    return std::move(m_clip);
}

ClipVoice::ClipVoice(AudioOutput &output) : m_output(output) {
    m_output.addSource(this);
}

ClipVoice::~ClipVoice() {
    m_output.removeSource(this);
}

void ClipVoice::clear(std::shared_ptr<const AudioClip> (&drop)[3]) {
    drop[0] = std::exchange(m_clip, nullptr);
    drop[1] = std::exchange(m_next, nullptr);
    drop[2] = std::exchange(m_retired, nullptr);
    m_finished = true;
}

void ClipVoice::start(std::shared_ptr<const AudioClip> clip, bool loop) {
    std::shared_ptr<const AudioClip> old[3];
    {
        std::lock_guard lock(m_mutex);
        clear(old);
        m_clip = std::move(clip);
        m_position = 0;
        m_loop = loop;
        m_finished = !m_clip || m_clip->frames() == 0;
    }
    m_output.wake();
    // `old` is released here, outside the lock and off the audio thread.
}

void ClipVoice::startAt(std::shared_ptr<const AudioClip> clip, bool loop, SteadyTime due) {
    if (!clip || clip->frames() == 0)
        return stop();
    std::shared_ptr<const AudioClip> old[2];
    {
        std::lock_guard lock(m_mutex);
        old[0] = std::exchange(m_next, std::move(clip));
        old[1] = std::exchange(m_retired, nullptr);
        m_nextLoop = loop;
        m_due = due;
    }
    // A resting device opens now, well before the clip's time.
    m_output.wake();
}

void ClipVoice::stop() {
    std::shared_ptr<const AudioClip> old[3];
    std::lock_guard lock(m_mutex);
    clear(old);
}

bool ClipVoice::isPlaying() const {
    std::lock_guard lock(m_mutex);
    return !m_finished || m_next;
}

void ClipVoice::mixInto(float *out, int frames) {
    std::lock_guard lock(m_mutex);
    if (m_next) {
        const long long due = m_output.framesUntil(m_due);
        if (due >= frames)
            return mixClip(out, frames);
        // Late (a busy machine, a long decode): from this block's first frame.
        const int before = int(std::max(0LL, due));
        mixClip(out, before);
        m_retired = std::exchange(m_clip, std::move(m_next));
        m_loop = m_nextLoop;
        m_position = 0;
        m_finished = false;
        out += std::size_t(before) * AudioOutput::Channels;
        frames -= before;
    }
    mixClip(out, frames);
}

void ClipVoice::mixClip(float *out, int frames) {
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
