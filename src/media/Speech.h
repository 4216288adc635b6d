#pragma once

#include "media/ClipVoice.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace pikoro {

// Reads short Japanese texts (kana captions, digits) aloud.
class Speech {
public:
    virtual ~Speech() = default;

    // Starts reading `text` aloud in the background, cutting off what is being read. Returns
    // at once.
    virtual void speak(const QString &text) = 0;
};

// Speech with the espeak-ng library (voice "ja") into an AudioOutput. The library starts on a
// thread of this object, so neither start-up nor a key press waits for it. espeak-ng keeps
// global state: let only one object exist at a time.
class EspeakSpeech : public Speech {
public:
    // `output` must outlive the object.
    explicit EspeakSpeech(AudioOutput &output);
    ~EspeakSpeech() override;
    EspeakSpeech(const EspeakSpeech &) = delete;
    EspeakSpeech &operator=(const EspeakSpeech &) = delete;

    void speak(const QString &text) override;
    // Waits up to `timeoutMs` until every requested text has been synthesised and handed to
    // the mix; true when that happened.
    bool waitUntilIdle(int timeoutMs);
    // Why speech is unavailable (library or Japanese voice missing); empty when it works.
    QString errorString() const;

private:
    static constexpr int StartNiceness = 10;
    void run();
    bool startLibrary();
    void synthesise(const QString &text);

    AudioOutput &m_output;
    ClipVoice m_voice;
    int m_libraryRate = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<QString> m_pending;
    bool m_busy = false;
    bool m_quit = false;
    QString m_error;
    std::thread m_worker;
};

} // namespace pikoro
