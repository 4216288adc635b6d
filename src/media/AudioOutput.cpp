#include "media/AudioOutput.h"

#include <SDL.h>

#include <algorithm>

namespace pikoro {

void AudioMixer::addSource(AudioSource *source) {
    std::lock_guard lock(m_mutex);
    if (std::find(m_sources.begin(), m_sources.end(), source) == m_sources.end())
        m_sources.push_back(source);
}

void AudioMixer::removeSource(AudioSource *source) {
    std::lock_guard lock(m_mutex);
    std::erase(m_sources, source);
}

void AudioMixer::render(float *out, int frames) {
    const int samples = frames * AudioOutput::Channels;
    std::fill(out, out + samples, 0.0f);
    {
        // Held only while the sources mix; adding and removing sources is rare.
        std::lock_guard lock(m_mutex);
        for (AudioSource *source : m_sources)
            source->mixInto(out, frames);
    }
    for (int i = 0; i < samples; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

int playbackDeviceCount() {
    // Reference-counted, so this also works while an SdlAudioOutput holds the subsystem.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return 0;
    int count = SDL_GetNumAudioDevices(0);
    if (count < 0) {
        // The driver cannot list its devices (some sound servers); it still has its default
        // device when one can be opened.
        SDL_AudioSpec want{};
        want.freq = AudioOutput::DefaultSampleRate;
        want.format = AUDIO_F32SYS;
        want.channels = AudioOutput::Channels;
        want.samples = 512;
        const SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        count = probe != 0 ? 1 : 0;
        if (probe != 0)
            SDL_CloseAudioDevice(probe);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return count;
}

SdlAudioOutput::SdlAudioOutput(int bufferFrames) {
    // The name sound servers show in their mixers.
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "PIKORO");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        return;
    }
    m_subsystemUp = true;

    SDL_AudioSpec want{};
    want.freq = DefaultSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = Channels;
    want.samples = static_cast<Uint16>(bufferFrames);
    want.callback = &SdlAudioOutput::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // Only the frequency may change (SDL converts everything else), so the callback always
    // writes stereo float.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (m_device == 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        return;
    }
    m_sampleRate = have.freq;
    SDL_PauseAudioDevice(m_device, 0);
}

SdlAudioOutput::~SdlAudioOutput() {
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::callback(void *self, Uint8 *stream, int len) {
    const int frames = len / int(sizeof(float) * Channels);
    static_cast<SdlAudioOutput *>(self)->mixer().render(reinterpret_cast<float *>(stream), frames);
}

} // namespace pikoro
