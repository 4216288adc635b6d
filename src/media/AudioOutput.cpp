#include "media/AudioOutput.h"

#include "media/Logging.h"

#include <SDL.h>

#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

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

bool AudioMixer::anySounding() {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_sources.begin(), m_sources.end(),
                       [](const AudioSource *source) { return source->isSounding(); });
}

long long AudioOutput::framesUntil(SteadyTime moment) const {
    if (m_blockHeardAt == SteadyTime())
        return 0;
    const std::chrono::duration<double> ahead = moment - m_blockHeardAt;
    return std::llround(ahead.count() * sampleRate());
}

void AudioOutput::renderBlock(float *out, int frames, SteadyTime heardAt) {
    m_blockHeardAt = heardAt;
    m_mixer.render(out, frames);
}

namespace {
// The name sound servers show in their mixers; set before the audio system starts.
void nameThisProgram() {
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "PIKORO");
}

// With the audio system up.
int countPlaybackDevices() {
    const int count = SDL_GetNumAudioDevices(0);
    if (count >= 0)
        return count;
    // The driver cannot list its devices (some sound servers); it still has its default device
    // when one can be opened.
    SDL_AudioSpec want{};
    want.freq = AudioOutput::DefaultSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = AudioOutput::Channels;
    want.samples = 512;
    const SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (probe == 0)
        return 0;
    SDL_CloseAudioDevice(probe);
    return 1;
}
} // namespace

AudioSystemStart::~AudioSystemStart() {
    if (m_up)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int AudioSystemStart::playbackDeviceCount() {
    if (!m_started) {
        m_started = true;
        nameThisProgram();
        m_up = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        m_devices = m_up ? countPlaybackDevices() : 0;
    }
    return m_devices;
}

SdlAudioOutput::SdlAudioOutput(int bufferFrames, std::chrono::milliseconds restAfter) {
    nameThisProgram();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        return;
    }
    m_subsystemUp = true;

    m_spec.freq = DefaultSampleRate;
    m_spec.format = AUDIO_F32SYS;
    m_spec.channels = Channels;
    m_spec.samples = static_cast<Uint16>(bufferFrames);
    m_spec.callback = &SdlAudioOutput::callback;
    m_spec.userdata = this;
    // Only the frequency may change (SDL converts everything else), so the callback always
    // writes stereo float; the sources decode at that rate, so it is kept from then on.
    m_usable = openDevice(SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    m_restFrames = std::max<long long>(1, m_sampleRate * restAfter.count() / 1000);
    // SDL's disk driver records the output as a timeline in a file (the tests read onsets from
    // it), which a closed device would cut and a reopened one would start again.
    const char *driver = SDL_GetCurrentAudioDriver();
    if (driver != nullptr && std::strcmp(driver, "disk") == 0)
        m_restFrames = std::numeric_limits<long long>::max();
}

SdlAudioOutput::~SdlAudioOutput() {
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioOutput::openDevice(int flags) {
    SDL_AudioSpec have{};
    m_silentFrames = 0;
    m_device = SDL_OpenAudioDevice(nullptr, 0, &m_spec, &have, flags);
    if (m_device == 0) {
        m_error = QString::fromUtf8(SDL_GetError());
        qCWarning(lcMedia) << "audio device not opened:" << m_error;
        return false;
    }
    m_spec.freq = m_sampleRate = have.freq;
    // Set before the device runs: SDL calls back only once it is unpaused.
    m_latency = std::chrono::nanoseconds(1'000'000'000LL * have.samples / have.freq);
    qCInfo(lcMedia) << "audio device opened at" << have.freq << "Hz";
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlAudioOutput::callback(void *self, Uint8 *stream, int len) {
    auto *output = static_cast<SdlAudioOutput *>(self);
    const int frames = len / int(sizeof(float) * Channels);
    output->renderBlock(reinterpret_cast<float *>(stream), frames,
                        std::chrono::steady_clock::now() + output->m_latency);
    if (output->mixer().anySounding()) {
        output->m_silentFrames = 0;
        return;
    }
    output->m_silentFrames += frames;
    // Posting allocates one small event, once per silence.
    if (output->m_silentFrames >= output->m_restFrames && !output->m_restRequested.exchange(true))
        QMetaObject::invokeMethod(
            &output->m_home, [output] { output->restIfSilent(); }, Qt::QueuedConnection);
}

void SdlAudioOutput::restIfSilent() {
    std::lock_guard lock(m_restMutex);
    m_restRequested = false;
    // A source woken before this point has its sound in place already, so anySounding sees it;
    // one woken after it waits for the lock and finds the device resting.
    if (m_device == 0 || mixer().anySounding())
        return;
    SDL_CloseAudioDevice(m_device); // returns once the audio thread has ended
    m_device = 0;
    m_resting = true;
    qCInfo(lcMedia) << "audio device closed after silence";
}

void SdlAudioOutput::wake() {
    std::lock_guard lock(m_restMutex);
    if (!m_resting)
        return;
    m_resting = false;
    openDevice(0);
}

bool SdlAudioOutput::isResting() const {
    std::lock_guard lock(m_restMutex);
    return m_resting;
}

} // namespace pikoro
