#include "media/FluidSequencer.h"

#include "media/LoadedLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fluidsynth.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace pikoro {

namespace {

// FluidSynth, and the dozen libraries it brings with it, are loaded with the SoundFont once the
// play screen is drawn.
#define PIKORO_FLUIDSYNTH_FUNCTIONS(F)                                                             \
    F(delete_fluid_player)                                                                         \
    F(delete_fluid_settings)                                                                       \
    F(delete_fluid_synth)                                                                          \
    F(fluid_midi_event_get_channel)                                                                \
    F(fluid_midi_event_get_type)                                                                   \
    F(fluid_midi_event_get_velocity)                                                               \
    F(fluid_player_add_mem)                                                                        \
    F(fluid_player_get_status)                                                                     \
    F(fluid_player_play)                                                                           \
    F(fluid_player_set_playback_callback)                                                          \
    F(fluid_player_stop)                                                                           \
    F(fluid_settings_setint)                                                                       \
    F(fluid_settings_setnum)                                                                       \
    F(fluid_settings_setstr)                                                                       \
    F(fluid_synth_all_sounds_off)                                                                  \
    F(fluid_synth_cc)                                                                              \
    F(fluid_synth_handle_midi_event)                                                               \
    F(fluid_synth_pitch_wheel_sens)                                                                \
    F(fluid_synth_program_change)                                                                  \
    F(fluid_synth_sfload)                                                                          \
    F(fluid_synth_unset_program)                                                                   \
    F(fluid_synth_write_float)                                                                     \
    F(new_fluid_player)                                                                            \
    F(new_fluid_settings)                                                                          \
    F(new_fluid_synth)
PIKORO_LIBRARY_FUNCTIONS(FluidSynth, fluidSynth, "libfluidsynth.so.3", PIKORO_FLUIDSYNTH_FUNCTIONS)

// The synthesizer's settings, made on the loading thread with the library.
fluid_settings_t *makeSettings(double sampleRate) {
    fluid_settings_t *settings = fluidSynth().new_fluid_settings();
    fluidSynth().fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
    // A General MIDI piece at ordinary channel volumes and velocities comes out at about the
    // loudness of the prepared key sounds (-16 LUFS); FluidSynth's own default (0.2) plays it
    // some 14 dB quieter.
    fluidSynth().fluid_settings_setnum(settings, "synth.gain", 1.0);
    // Our own lock already serialises every call into the synth.
    fluidSynth().fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    // Only the samples of the instruments a piece selects are read into memory (FluidSynth 2.2
    // and later), not the whole General MIDI SoundFont of well over 100 MB.
    fluidSynth().fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    // FluidSynth's own reset at the end of a piece would choose the piano on every channel and
    // the drum kit on channel 10, reading ~16 MB of samples inside the audio callback; each piece
    // starts from a fresh state of our own instead (startPlayerLocked).
    fluidSynth().fluid_settings_setint(settings, "player.reset-synth", 0);
    // The player is driven by the rendering itself (mixInto, under m_mutex), never by a timer
    // thread of its own: playEvent relies on that lock.
    fluidSynth().fluid_settings_setstr(settings, "player.timing-source", "sample");
    return settings;
}

} // namespace

FluidSequencer::FluidSequencer(AudioOutput &output, const QString &soundFont, Loading loading)
    : m_output(output), m_soundFont(soundFont.isEmpty() ? defaultSoundFont() : soundFont),
      m_scratch(std::size_t(ChunkFrames) * AudioOutput::Channels) {
    m_output.addSource(this);
    if (loading == Loading::AtOnce)
        startLoading();
}

void FluidSequencer::startLoading() {
    if (!m_loader.joinable())
        m_loader = std::thread([this] { loadSoundFont(m_soundFont); });
}

FluidSequencer::~FluidSequencer() {
    m_output.removeSource(this);
    if (m_loader.joinable())
        m_loader.join();
    if (m_player)
        fluidSynth().delete_fluid_player(m_player);
    if (m_synth)
        fluidSynth().delete_fluid_synth(m_synth);
    if (m_settings) // made only once the library was loaded
        fluidSynth().delete_fluid_settings(m_settings);
}

QString FluidSequencer::defaultSoundFont() {
    const QStringList folders = {QStringLiteral("/usr/share/sounds/sf2"),
                                 QStringLiteral("/usr/share/soundfonts")};
    const QStringList names = {QStringLiteral("FluidR3_GM.sf2"), QStringLiteral("default-GM.sf2"),
                               QStringLiteral("TimGM6mb.sf2")};
    for (const QString &name : names) {
        for (const QString &folder : folders) {
            const QString path = folder + u'/' + name;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

void FluidSequencer::loadSoundFont(const QString &path) {
    // Reading the SoundFont takes about half a second of processor time, just when the play
    // screen is being built and drawn: on a machine with few cores it gives way to that. (On
    // Linux the nice value belongs to the thread; this thread ends after the load.)
    setpriority(PRIO_PROCESS, id_t(gettid()), LoaderNiceness);
    QString error;
    fluid_synth_t *synth = nullptr;
    if (!fluidSynth().error.isEmpty()) {
        error = fluidSynth().error;
    } else if (path.isEmpty()) {
        error = QStringLiteral("no General MIDI SoundFont is installed");
    } else if (!QFileInfo(path).isFile()) {
        error = QStringLiteral("%1: no such file").arg(path);
    } else {
        m_settings = makeSettings(m_output.sampleRate());
        synth = fluidSynth().new_fluid_synth(m_settings);
        if (!synth) {
            error = QStringLiteral("the synthesizer could not start");
        } else if (fluidSynth().fluid_synth_sfload(synth, QFile::encodeName(path).constData(), 1) ==
                   FLUID_FAILED) {
            error = QStringLiteral("%1: not a usable SoundFont").arg(path);
            fluidSynth().delete_fluid_synth(synth);
            synth = nullptr;
        } else {
            // Loading chose the default instruments everywhere; nothing plays yet.
            releaseInstruments(synth);
        }
    }

    std::lock_guard lock(m_mutex);
    m_synth = synth;
    m_error = error;
    m_loadDone = true;
    if (m_synth && m_state == State::Playing)
        startPlayerLocked();
    m_loaded.notify_all();
}

bool FluidSequencer::waitUntilReady(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    m_loaded.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_loadDone; });
    return m_synth != nullptr;
}

QString FluidSequencer::errorString() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

bool FluidSequencer::isPlaying() const {
    std::lock_guard lock(m_mutex);
    return m_state == State::Playing;
}

bool FluidSequencer::isSounding() const {
    std::lock_guard lock(m_mutex);
    return m_state == State::Playing || m_tailFrames > 0;
}

bool FluidSequencer::hasPlayedToEnd() const {
    std::lock_guard lock(m_mutex);
    return m_playedToEnd;
}

bool FluidSequencer::load(const QByteArray &smf) {
    if (smf.isEmpty())
        return false;
    std::lock_guard lock(m_mutex);
    dropPlayerLocked();
    m_smf = smf;
    m_state = State::Stopped;
    return true;
}

void FluidSequencer::play() {
    // A piece wanted before the SoundFont was asked for.
    startLoading();
    {
        std::lock_guard lock(m_mutex);
        if (m_state == State::Empty || m_state == State::Playing)
            return;
        const bool resume = m_state == State::Paused && m_player;
        m_state = State::Playing;
        m_playedToEnd = false;
        if (m_synth) { // else it starts when the SoundFont is loaded
            if (resume)
                fluidSynth().fluid_player_play(m_player);
            else
                startPlayerLocked();
        }
    }
    m_output.wake();
}

void FluidSequencer::pause() {
    std::lock_guard lock(m_mutex);
    if (m_state != State::Playing)
        return;
    m_state = State::Paused;
    if (m_player)
        fluidSynth().fluid_player_stop(m_player);
    silenceLocked();
}

void FluidSequencer::stop() {
    std::lock_guard lock(m_mutex);
    if (m_state == State::Empty)
        return;
    dropPlayerLocked();
    m_state = State::Stopped;
}

void FluidSequencer::unload() {
    std::lock_guard lock(m_mutex);
    dropPlayerLocked();
    m_smf.clear();
    m_state = State::Empty;
}

void FluidSequencer::releaseInstruments(_fluid_synth_t *synth) {
    for (int channel = 0; channel < MidiChannels; ++channel)
        fluidSynth().fluid_synth_unset_program(synth, channel);
}

void FluidSequencer::startPlayerLocked() {
    dropPlayerLocked();
    freshChannelsLocked();
    m_player = fluidSynth().new_fluid_player(m_synth);
    if (m_player)
        fluidSynth().fluid_player_set_playback_callback(m_player, &FluidSequencer::playEvent, this);
    if (!m_player || fluidSynth().fluid_player_add_mem(m_player, m_smf.constData(),
                                                       size_t(m_smf.size())) != FLUID_OK) {
        dropPlayerLocked();
        m_state = State::Stopped;
        return;
    }
    fluidSynth().fluid_player_play(m_player);
}

void FluidSequencer::freshChannelsLocked() {
    // What a General MIDI instrument has at power-on, so that a piece stopped half-way (a low
    // volume, a held pedal, a bent pitch, another bank) does not colour the next one.
    for (int channel = 0; channel < MidiChannels; ++channel) {
        fluidSynth().fluid_synth_cc(m_synth, channel, 121, 0); // reset all controllers
        fluidSynth().fluid_synth_cc(m_synth, channel, 0, 0);   // bank select
        fluidSynth().fluid_synth_cc(m_synth, channel, 32, 0);
        fluidSynth().fluid_synth_cc(m_synth, channel, 7, 100); // volume
        fluidSynth().fluid_synth_cc(m_synth, channel, 10, 64); // pan
        fluidSynth().fluid_synth_cc(m_synth, channel, 91, 0);  // reverb send
        fluidSynth().fluid_synth_cc(m_synth, channel, 93, 0);  // chorus send
        fluidSynth().fluid_synth_pitch_wheel_sens(m_synth, channel, 2);
    }
    // No instrument stays chosen: its samples are read when the piece chooses it, or plays a
    // channel without choosing one (playEvent), and freed once no channel uses it.
    releaseInstruments(m_synth);
    m_channelsWithInstrument = 0;
}

int FluidSequencer::playEvent(void *data, _fluid_midi_event_t *event) {
    // Runs inside fluid_synth_write_float, so under m_mutex.
    auto *self = static_cast<FluidSequencer *>(data);
    const int channel = fluidSynth().fluid_midi_event_get_channel(event);
    if (channel >= 0 && channel < MidiChannels) {
        const unsigned bit = 1u << channel;
        const int type = fluidSynth().fluid_midi_event_get_type(event);
        if (type == 0xC0) { // program change
            self->m_channelsWithInstrument |= bit;
        } else if (type == 0x90 && fluidSynth().fluid_midi_event_get_velocity(event) > 0 &&
                   !(self->m_channelsWithInstrument & bit)) {
            // A channel played without a program change sounds as General MIDI says: the
            // piano, or on channel 10 the standard drum kit.
            fluidSynth().fluid_synth_program_change(self->m_synth, channel, 0);
            self->m_channelsWithInstrument |= bit;
        }
    }
    return fluidSynth().fluid_synth_handle_midi_event(self->m_synth, event);
}

void FluidSequencer::dropPlayerLocked() {
    if (m_player) {
        fluidSynth().fluid_player_stop(m_player);
        fluidSynth().delete_fluid_player(m_player);
        m_player = nullptr;
    }
    silenceLocked();
}

void FluidSequencer::silenceLocked() {
    if (m_synth)
        fluidSynth().fluid_synth_all_sounds_off(m_synth, -1);
    m_tailFrames = 0;
    m_ringingOut = false;
    m_playedToEnd = false;
}

void FluidSequencer::mixInto(float *out, int frames) {
    std::lock_guard lock(m_mutex);
    if (!m_synth)
        return;
    int done = 0;
    while (done < frames) {
        if (m_state == State::Playing && m_player &&
            fluidSynth().fluid_player_get_status(m_player) == FLUID_PLAYER_DONE) {
            // The piece has ended: let the last notes ring out, then stop rendering.
            m_state = State::Stopped;
            m_tailFrames = m_output.sampleRate() / 2;
            m_ringingOut = true;
        }
        if (m_state != State::Playing && m_tailFrames <= 0)
            return;
        const int count = std::min(frames - done, ChunkFrames);
        float *scratch = m_scratch.data();
        fluidSynth().fluid_synth_write_float(m_synth, count, scratch, 0, 2, scratch, 1, 2);
        float *to = out + std::size_t(done) * AudioOutput::Channels;
        for (int i = 0; i < count * AudioOutput::Channels; ++i)
            to[i] += scratch[i];
        done += count;
        if (m_state != State::Playing)
            m_tailFrames -= count;
        if (m_ringingOut && m_tailFrames <= 0) {
            m_ringingOut = false;
            m_playedToEnd = true;
            notifyPlayedToEnd();
        }
    }
}

} // namespace pikoro
