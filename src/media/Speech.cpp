#include "media/Speech.h"

#include "media/LoadedLibrary.h"

#include <espeak-ng/speak_lib.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace pikoro {

namespace {

// espeak-ng is loaded by the speech thread, at its nice value, not before the first window.
#define PIKORO_ESPEAK_FUNCTIONS(F)                                                                 \
    F(espeak_Initialize) F(espeak_SetSynthCallback) F(espeak_SetVoiceByName) F(espeak_Synth)
PIKORO_LIBRARY_FUNCTIONS(Espeak, espeak, "libespeak-ng.so.1", PIKORO_ESPEAK_FUNCTIONS)

// Collects the synthesised samples; espeak-ng hands us back the pointer given to espeak_Synth.
int collectSamples(short *samples, int count, espeak_EVENT *events) {
    auto *buffer = static_cast<std::vector<short> *>(events ? events->user_data : nullptr);
    if (buffer && samples && count > 0)
        buffer->insert(buffer->end(), samples, samples + count);
    return 0; // go on
}

} // namespace

EspeakSpeech::EspeakSpeech(AudioOutput &output) : m_output(output), m_voice(output) {
    m_worker = std::thread([this] { run(); });
}

EspeakSpeech::~EspeakSpeech() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void EspeakSpeech::speak(const QString &text) {
    m_voice.stop();
    {
        std::lock_guard lock(m_mutex);
        m_pending = text;
    }
    m_wake.notify_all();
}

bool EspeakSpeech::waitUntilIdle(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_busy && !m_pending; });
}

QString EspeakSpeech::errorString() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

void EspeakSpeech::run() {
    {
        std::lock_guard lock(m_mutex);
        m_busy = true;
    }
    // Starting the library reads its phoneme data and every voice file, just while the play
    // screen is built and first drawn: on a machine with few cores that start gives way to the
    // screen. It runs on a thread of its own because on Linux the nice value belongs to the
    // thread, and this one must speak at full priority afterwards.
    bool started = false;
    std::thread([this, &started] {
        setpriority(PRIO_PROCESS, id_t(gettid()), StartNiceness);
        started = startLibrary();
    }).join();
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_busy = false;
        m_idle.notify_all();
        m_wake.wait(lock, [this] { return m_quit || m_pending; });
        if (m_quit)
            break;
        const QString text = *std::exchange(m_pending, std::nullopt);
        m_busy = true;
        lock.unlock();
        if (started)
            synthesise(text);
    }
    // No espeak_Terminate: the library cannot start again after it (the next terminate hangs),
    // and a later object in this process may need it. It is freed when the process ends.
}

bool EspeakSpeech::startLibrary() {
    QString error = espeak().error;
    if (error.isEmpty()) {
        // DONT_EXIT: without it the library ends the process when its data is missing.
        m_libraryRate = espeak().espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 200, nullptr,
                                                   espeakINITIALIZE_DONT_EXIT);
        if (m_libraryRate <= 0) {
            error = QStringLiteral("espeak-ng could not start (its data is missing)");
        } else {
            espeak().espeak_SetSynthCallback(&collectSamples);
            if (espeak().espeak_SetVoiceByName("ja") != EE_OK)
                error = QStringLiteral("espeak-ng has no Japanese voice");
        }
    }
    if (error.isEmpty())
        return true;
    std::lock_guard lock(m_mutex);
    m_error = error;
    return false;
}

void EspeakSpeech::synthesise(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    std::vector<short> samples;
    if (espeak().espeak_Synth(utf8.constData(), std::size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                              espeakCHARS_UTF8, nullptr, &samples) != EE_OK ||
        samples.empty())
        return;
    {
        // A newer text is waiting: this one would only be cut off at once.
        std::lock_guard lock(m_mutex);
        if (m_pending)
            return;
    }
    std::vector<float> mono(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        mono[i] = float(samples[i]) / 32768.0f;
    auto clip = std::make_shared<AudioClip>(makeStereoClip(mono.data(), (long long)mono.size(), 1,
                                                           m_libraryRate, m_output.sampleRate()));
    m_voice.start(std::move(clip), false);
}

} // namespace pikoro
