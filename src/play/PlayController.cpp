#include "play/PlayController.h"

#include "core/AppState.h"
#include "core/KeySlots.h"
#include "media/AudioOutput.h"
#include "media/BuiltinSounds.h"
#include "media/ClipVoice.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "media/WavePlayer.h"
#include "play/BuiltinPictures.h"
#include "play/DanceAnimation.h"
#include "play/KeyActions.h"
#include "play/MainScreenView.h"
#include "play/MascotAnimation.h"

namespace pikoro {

PlayController::PlayController(AppState &state, MainScreenView &view, MediaServices &media,
                               Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_state(state), m_view(view), m_media(media), m_dialogs(dialogs),
      m_pictures(std::make_unique<PictureCache>()),
      m_keys(std::make_unique<KeyActions>(state, view, media, dialogs, *m_pictures)),
      m_missVoice(std::make_unique<ClipVoice>(media.audio)),
      m_missSound(std::make_shared<AudioClip>(missSound(media.audio.sampleRate()))),
      m_memory(new KeyMemory(*this, dialogs, this)), m_dance(new DanceAnimation(view, this)),
      m_autoPress(new AutoPress(*this, dialogs, this)),
      m_mascot(new MascotAnimation([&view](int frame) { view.showMascotFrame(frame); }, this)) {
    KeyActions *keys = m_keys.get();
    // Every letter, digit and extra key is offered to the memory right after its action.
    connect(keys, &KeyActions::keyActionRan, m_memory,
            [this] { m_memory->store(m_keys->picturePath(), m_keys->currentFileName()); });
    connect(keys, &KeyActions::keyActionStarting, m_memory, &KeyMemory::keyActionStarted);
    connect(keys, &KeyActions::danceWanted, m_dance,
            [this](bool dancing) { dancing ? m_dance->start() : m_dance->stop(); });
    connect(keys, &KeyActions::openingStarting, this, &PlayController::openingStarting);
    m_view.setButtonEnabled(ScreenButton::StopPiece, 0, false);
    m_view.setMemoryPlaybackEnabled(false);
    m_view.setMemoryCounter(QStringLiteral("0"));
}

PlayController::~PlayController() = default;

bool PlayController::keyEvent(const KeyStroke &stroke, bool pressed, bool autoRepeat) {
    if (m_state.flags.answerEveryKey) {
        if (!pressed) {
            if (autoRepeat)
                return true;
            if (const std::optional<KeyStroke> held = m_modifierTap.released(stroke)) {
                m_keys->dropStatusNote();
                answerKey(answerOfKey(*held));
            }
            return true;
        }
        m_keys->dropStatusNote();
        // A held key answers once: its repeats would cut its own sound many times a second.
        if (!autoRepeat && !m_modifierTap.pressed(stroke))
            answerKey(answerOfKey(stroke));
        return true;
    }
    if (!pressed)
        return false;
    m_keys->dropStatusNote();
    // Arrows and F1-F10 act on the key itself; they carry no character. A key blocked while an
    // action is under way still delivers its character, which stops the action. Esc, Tab,
    // Backspace and Return are characters too: they stop a piece like any other.
    m_keys->keyDown(stroke.key);
    if (!stroke.text.isEmpty())
        m_keys->onCharacterTyped(stroke.text.at(0).unicode());
    // Every key stops here: Tab must not walk the focus, Space and Return must not press the
    // focused button.
    return true;
}

void PlayController::interruptModifier() {
    m_modifierTap.interrupt();
}

void PlayController::answerKey(const KeyAnswer &answer) {
    if (answer.kind == KeyAnswer::Kind::Character) {
        m_keys->onCharacterTyped(answer.character);
        return;
    }
    // Every other key first stops a piece, as a character always did, then acts.
    m_keys->stopKeyPiece();
    const auto &pieces = m_state.tables.midiPieces;
    switch (answer.kind == KeyAnswer::Kind::Miss ? ScreenButton::UnassignedKey : answer.button) {
    case ScreenButton::Letter:
        m_view.focusButton(ScreenButton::Letter, answer.index);
        m_keys->onLetterClicked(answer.index);
        return;
    // A MIDI key without a piece misses rather than raise the box a click on it shows.
    case ScreenButton::SpecialKey:
        if (pieces[midiSlotOfSpecialKeyButton(answer.index)].isEmpty())
            break;
        m_keys->onSpecialKeyClicked(answer.index);
        return;
    case ScreenButton::FunctionKey:
        if (pieces[midiSlotOfFunctionButton(answer.index)].isEmpty())
            break;
        m_keys->onFunctionKeyClicked(answer.index);
        return;
    default:
        break;
    }
    missKeyClicked();
}

void PlayController::buttonClicked(ScreenButton array, int index) {
    // The first key played, by click or by keyboard, takes the status note away.
    m_keys->dropStatusNote();
    switch (array) {
    case ScreenButton::Letter:
        m_keys->onLetterClicked(index);
        break;
    case ScreenButton::Digit:
        m_keys->onDigitClicked(index);
        break;
    case ScreenButton::SpecialKey:
        m_keys->onSpecialKeyClicked(index);
        break;
    case ScreenButton::FunctionKey:
        m_keys->onFunctionKeyClicked(index);
        break;
    case ScreenButton::UnassignedKey:
        missKeyClicked();
        break;
    case ScreenButton::Opening:
        m_keys->onOpeningClicked();
        break;
    case ScreenButton::StopPiece:
        m_keys->onStopPieceClicked();
        break;
    }
}

void PlayController::missKeyClicked() {
    const auto draw = [this](const QImage &picture) {
        m_keys->setPictureSource(picture);
        m_keys->drawKeyPicture();
        return true;
    };
    const bool everyKeyAnswers = m_state.flags.answerEveryKey;
    if (everyKeyAnswers)
        m_keys->beginKeyPress();
    if (!showMissPicture(missPicture(), m_dialogs, draw))
        return;
    if (everyKeyAnswers && m_state.flags.playSounds) {
        m_media.wave.stop(); // a new sound cuts the one before, as a key's sound does
        m_missVoice->start(m_missSound, false);
    }
    // The key after it shows its own picture again, even the one shown before the miss.
    m_keys->clearPicturePath();
    m_memory->markKeyStroke();
}

void PlayController::memorySwitchClicked(bool on) {
    m_memorySwitchOn = on;
}

void PlayController::memoryPlaybackClicked() {
    m_keys->dropStatusNote();
    m_memory->play();
}

void PlayController::clearMemoryClicked() {
    m_keys->dropStatusNote();
    m_memory->clear();
}

void PlayController::mascotDoubleClicked() {
    m_autoPress->askToSwitch();
}

void PlayController::settingsOpening() {
    m_keys->stopKeyPiece();
    m_mascot->stop();
}

void PlayController::settingsClosed() {
    m_mascot->start();
}

void PlayController::stopPiece() {
    m_keys->stopKeyPiece();
}

bool PlayController::isPiecePlaying() const {
    return m_keys->isPiecePlaying();
}

void PlayController::showStatusNote(const QString &note) {
    m_keys->showStatusNote(note);
}

void PlayController::startStartupDelay() {
    m_keys->startStartupDelay();
}

void PlayController::preloadPictures() {
    m_keys->preloadPictures();
}

void PlayController::showStoredPicture(const QString &picturePath) {
    m_keys->showPictureFile(picturePath);
}

void PlayController::playStoredSound(const QString &soundPath) {
    m_keys->playSoundFile(soundPath);
}

bool PlayController::soundsOn() const {
    return m_state.flags.playSounds;
}

void PlayController::setLoopingSuspended(bool suspended) {
    m_keys->setLoopingSuspended(suspended);
}

void PlayController::setStatusText(const QString &text) {
    m_keys->setStatusText(text);
}

void PlayController::setCounterText(const QString &text) {
    m_view.setMemoryCounter(text);
}

void PlayController::setPlaybackEnabled(bool enabled) {
    m_view.setMemoryPlaybackEnabled(enabled);
}

void PlayController::setMemorySwitchOn(bool on) {
    m_memorySwitchOn = on;
    m_view.setMemorySwitchOn(on);
}

void PlayController::clearPictureHolder() {
    m_keys->clearPicturePath();
}

void PlayController::focusKey(AutoKeyRow row, int index) {
    m_view.focusButton(row == AutoKeyRow::Digit ? ScreenButton::Digit : ScreenButton::Letter,
                       index);
}

void PlayController::clickKey(AutoKeyRow row, int index) {
    if (row == AutoKeyRow::Digit)
        m_keys->onDigitClicked(index);
    else
        m_keys->onLetterClicked(index);
}

} // namespace pikoro
