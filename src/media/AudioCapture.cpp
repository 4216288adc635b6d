#include "media/AudioCapture.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace pikoro {

SdlAudioCapture::~SdlAudioCapture() {
    stop();
}

bool SdlAudioCapture::start(int sampleRate, int maxFrames) {
    stop();
    m_error.clear();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        return false;
    }
    m_subsystemUp = true;
    // A driver that can list its devices and lists none has no microphone; one that cannot
    // list them (some sound servers) may still open its default.
    if (SDL_GetNumAudioDevices(1) == 0) {
        m_error = QStringLiteral("no recording device");
        stop();
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_buffer.assign(std::size_t(std::max(0, maxFrames)), 0.0f);
        m_written = m_taken = 0;
    }
    SDL_AudioSpec want{};
    want.freq = sampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 1;
    want.samples = 1024;
    want.callback = &SdlAudioCapture::callback;
    want.userdata = this;
    // No changes allowed: SDL converts whatever the device delivers to this format.
    m_device = SDL_OpenAudioDevice(nullptr, 1, &want, nullptr, 0);
    if (m_device == 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        stop();
        return false;
    }
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioCapture::callback(void *self, Uint8 *stream, int len) {
    auto *capture = static_cast<SdlAudioCapture *>(self);
    std::lock_guard lock(capture->m_mutex);
    const std::size_t room = capture->m_buffer.size() - capture->m_written;
    const std::size_t count = std::min(room, std::size_t(len) / sizeof(float));
    std::memcpy(capture->m_buffer.data() + capture->m_written, stream, count * sizeof(float));
    capture->m_written += count;
}

std::vector<float> SdlAudioCapture::take() {
    std::lock_guard lock(m_mutex);
    std::vector<float> fresh(m_buffer.begin() + std::ptrdiff_t(m_taken),
                             m_buffer.begin() + std::ptrdiff_t(m_written));
    m_taken = m_written;
    return fresh;
}

void SdlAudioCapture::stop() {
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device); // returns once the audio thread has ended
    m_device = 0;
    if (m_subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_subsystemUp = false;
}

} // namespace pikoro
