#include "play/KeyActions.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/FileTitle.h"
#include "core/MainScreenDesign.h"
#include "core/PictureFit.h"
#include "core/Twips.h"
#include "media/MediaServices.h"
#include "media/MidiDevice.h"
#include "media/PictureCache.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"
#include "play/BuiltinPictures.h"
#include "play/Logging.h"
#include "play/MainScreenView.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

constexpr int SoundDelayMs = 500;
// Covers the block the mixer renders, the one queued in the sound device, the decoding of a
// short WAVE file and a timer fired late on a busy machine.
constexpr int SoundLeadMs = 50;
constexpr int StartupDelayMs = 50;

// Pictures the cache is sized for beyond the tables' own: those of the tables in use before a
// data file or mode was chosen stay while the new ones are prepared.
constexpr int SparePictureSlots = 8;

QString invalidPathMessage() {
    return u"不正なパス名です。"_s;
}

} // namespace

QString noMidiMark() {
    return QString(32, u'*');
}
QString noSoundMark() {
    return QString(34, u'*');
}

KeyActions::KeyActions(AppState &state, MainScreenView &view, MediaServices &media,
                       Dialogs &dialogs, PictureCache &pictures, QObject *parent)
    : QObject(parent), m_state(state), m_view(view), m_media(media), m_dialogs(dialogs),
      m_pictures(pictures) {
    // Each tick's handler ends the step, so one shot is all a tick ever needs; it also keeps a
    // message box shown by a step from letting the same step fire again underneath it.
    m_soundDelayTimer.setInterval(SoundDelayMs);
    m_soundDelayTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early or late; the sound belongs on the half second.
    m_soundDelayTimer.setTimerType(Qt::PreciseTimer);
    m_soundLeadTimer.setInterval(SoundDelayMs - SoundLeadMs);
    m_soundLeadTimer.setSingleShot(true);
    m_soundLeadTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_soundLeadTimer, &QTimer::timeout, this, &KeyActions::onSoundLeadElapsed);
    m_startupTimer.setInterval(StartupDelayMs);
    m_startupTimer.setSingleShot(true);
    connect(&m_soundDelayTimer, &QTimer::timeout, this, &KeyActions::onSoundDelayElapsed);
    connect(&m_startupTimer, &QTimer::timeout, this, &KeyActions::onStartupDelayElapsed);
    connect(&m_media.midi, &MidiDevice::pieceEnded, this, &KeyActions::onMidiPieceEnded);
}

bool KeyActions::keyDown(int qtKey) {
    if (m_busy)
        return true;
    if (!m_midiButtonsOn)
        return false;
    switch (qtKey) {
    case Qt::Key_Down:
        onLetterClicked(DownSlot);
        return true;
    case Qt::Key_Up:
        onLetterClicked(UpSlot);
        return true;
    case Qt::Key_Right:
        onLetterClicked(RightSlot);
        return true;
    case Qt::Key_Left:
        onLetterClicked(LeftSlot);
        return true;
    default:
        break;
    }
    // F11 and F12 are left to their buttons.
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) {
        onFunctionKeyClicked(qtKey - Qt::Key_F1);
        return true;
    }
    return false;
}

void KeyActions::onCharacterTyped(int characterCode) {
    stopKeyPiece();
    if (characterCode >= '0' && characterCode <= '9') {
        m_view.focusButton(ScreenButton::Digit, characterCode - '0');
        onDigitClicked(characterCode - '0');
    } else if (characterCode >= 'A' && characterCode <= 'Z') {
        m_view.focusButton(ScreenButton::Letter, characterCode - 'A');
        onLetterClicked(characterCode - 'A');
    } else if (characterCode >= 'a' && characterCode <= 'z') {
        m_view.focusButton(ScreenButton::Letter, characterCode - 'a');
        onLetterClicked(characterCode - 'a');
    } else if (characterCode == ' ') {
        m_view.focusButton(ScreenButton::Letter, SpaceSlot);
        onLetterClicked(SpaceSlot);
    }
}

bool KeyActions::beginKeyPress() {
    qCDebug(lcPlay) << "key pressed";
    m_keyPressed = true;
    // The opening's step and a key's step never mix: a key before the opening piece has
    // started ends the opening; its pending step goes, and the key arms its own.
    if (m_openingActive) {
        m_openingActive = false;
        stopSoundDelay();
        m_currentFileName.clear();
    }
    // Every key answers for itself: the sound still waiting for the key before goes.
    if (m_state.flags.answerEveryKey)
        stopSoundDelay();
    const bool quick = m_lastPress.isValid() && m_lastPress.elapsed() < SoundDelayMs;
    m_lastPress.start();
    return quick && m_state.flags.answerEveryKey;
}

void KeyActions::finishKeyAction(bool soundAtOnce) {
    emit keyActionRan();
    // Each press of a quick run sounds at once and cuts the one before; waiting would restart
    // the half second at every press and leave the child in silence.
    if (soundAtOnce)
        playKeySound();
}

void KeyActions::onLetterClicked(int index) {
    if (index < 0 || index >= LetterButtonCount)
        return;
    const bool soundAtOnce = beginKeyPress();
    m_busy = true;
    if (m_state.kanaMode()) {
        stopKeyPiece();
        m_media.speech.speak(index < LetterSlotCount
                                 ? m_state.keyCaptions[index]
                                 : LetterButtonDesign[index].caption.toString());
        return;
    }
    m_previousPictureText = m_picturePath;
    m_picturePath = m_state.tables.keyPictures[index];
    m_currentFileName = m_state.tables.keySounds[index];
    runKeyAction();
    finishKeyAction(soundAtOnce);
}

void KeyActions::onDigitClicked(int index) {
    if (index < 0 || index >= DigitButtonCount)
        return;
    const bool soundAtOnce = beginKeyPress();
    m_busy = true;
    if (m_state.kanaMode()) {
        // The piece is not stopped here and the action stays under way until the next
        // character key or stop.
        m_media.speech.speak(QString::number(index));
        return;
    }
    m_previousPictureText = m_picturePath;
    m_picturePath = m_state.tables.digitPictures[index];
    m_currentFileName = m_state.tables.digitSounds[index];
    runKeyAction();
    finishKeyAction(soundAtOnce);
}

void KeyActions::onSpecialKeyClicked(int index) {
    if (index < 0 || index >= SpecialKeyButtonCount)
        return;
    beginKeyPress();
    m_currentFileName = m_state.tables.midiPieces[midiSlotOfSpecialKeyButton(index)];
    playKeyPiece();
}

void KeyActions::onFunctionKeyClicked(int index) {
    if (index < 0 || index >= FunctionKeyButtonCount)
        return;
    beginKeyPress();
    m_busy = true;
    const QString piece = m_state.tables.midiPieces[midiSlotOfFunctionButton(index)];
    if (piece.isEmpty()) {
        setStatusText(noMidiMark());
        return;
    }
    m_currentFileName = piece;
    if (index == 9) {
        setPictureSource(dancePicture());
        drawKeyPicture();
        emit danceWanted(true);
    }
    playKeyPiece();
}

void KeyActions::runKeyAction() {
    const QString holder = m_picturePath;
    m_extension = nextPictureExtension(holder, m_extension);
    if (m_piecePlaying)
        stopKeyPiece();
    emit keyActionStarting();

    // The same key again, or a key without a picture: the picture on screen stays.
    if (holder.isEmpty() || holder == m_previousPictureText) {
        m_picturePath = m_lastPicturePath;
        armSoundDelay();
        return;
    }

    if (QString why; !loadPictureSource(holder, &why)) {
        qCWarning(lcPlay) << "picture not shown:" << holder << why;
        m_dialogs.messageBox(pictureFailureMessage(m_openingActive
                                                       ? u"オープニングBMP名又はパス名が違います"_s
                                                       : u"BMP名又はパス名が違います"_s,
                                                   holder, why));
        armSoundDelay();
        return;
    }
    m_lastPicturePath = holder;
    if (showsPictureUnfitted(m_extension))
        showUnfitted();
    else
        drawKeyPicture();
    armSoundDelay();
}

void KeyActions::drawKeyPicture() {
    if (m_source.isNull())
        return;
    const PictureFit fit = fitKeyPicture(m_view.pictureFrameSize(), m_source.size());
    QImage image;
    if (!m_sourcePath.isEmpty())
        image = m_pictures.scaled(m_sourcePath, fit.destinationPixels);
    // The file may have gone since it was loaded; the source still holds its pixels.
    if (image.isNull())
        image = m_source.scaled(fit.destinationPixels);
    m_view.showPicture(image, fit.area);
}

void KeyActions::showUnfitted() {
    // A metafile is given to the picture area as it is: drawn over the area's present size.
    const QRect area = m_view.pictureArea();
    const QSize pixels(int(std::nearbyint(double(area.width()) / TwipsPerPixel)),
                       int(std::nearbyint(double(area.height()) / TwipsPerPixel)));
    m_view.showPicture(m_source.scaled(pixels), area);
}

void KeyActions::setPictureSource(const QImage &picture) {
    m_source = Picture(PictureFormat::Bmp, picture);
    m_sourcePath.clear();
}

void KeyActions::showPictureFile(const QString &path) {
    m_picturePath = path;
    if (path.isEmpty())
        return;
    m_extension = nextPictureExtension(path, m_extension);
    if (!loadPictureSource(path))
        return;
    m_lastPicturePath = path;
    if (showsPictureUnfitted(m_extension))
        showUnfitted();
    else
        drawKeyPicture();
}

void KeyActions::playSoundFile(const QString &path) {
    m_currentFileName = path;
    // Played back from memory a second apart: a message would stack under the next one.
    runSoundStep(SoundFailure::Silent);
}

void KeyActions::clearPicturePath() {
    m_picturePath.clear();
}

bool KeyActions::loadPictureSource(const QString &path, QString *errorString) {
    fitCacheToFrame();
    const QString readable = readablePath(path);
    QString error;
    Picture picture = m_pictures.picture(readable, &error);
    if (picture.isNull()) {
        if (errorString)
            *errorString = error;
        return false;
    }
    m_source = std::move(picture);
    // A picture too large for the cache is drawn from the source alone.
    m_sourcePath = m_pictures.contains(readable) ? readable : QString();
    return true;
}

void KeyActions::fitCacheToFrame() {
    const QSize frame = m_view.pictureFrameSize();
    if (frame == m_cacheFrame)
        return;
    m_cacheFrame = frame;
    m_pictures.setSizeRule(
        [frame](const QSize &natural) { return fitKeyPicture(frame, natural).destinationPixels; });
    // A picture of the frame's own proportions fills the whole picture box.
    const QSize box = fitKeyPicture(frame, frame).destinationPixels;
    m_pictures.setMaxBytes(PictureCache::budgetFor(box, PictureListRows + SparePictureSlots));
}

void KeyActions::preloadPictures() {
    fitCacheToFrame();
    const auto &tables = m_state.tables;
    QStringList paths;
    for (int i = 0; i < LetterSlotCount; ++i)
        paths << readablePath(tables.keyPictures[i]);
    for (const QString &path : tables.digitPictures)
        paths << readablePath(path);
    for (int i = LetterSlotCount; i < KeyPictureCount; ++i)
        paths << readablePath(tables.keyPictures[i]);
    m_pictures.preload(paths);
}

QString KeyActions::readablePath(const QString &path) const {
    return openablePath(path);
}

void KeyActions::onSoundDelayElapsed() {
    if (!m_openingActive) {
        playKeySound();
    } else if (m_state.flags.playOpeningPiece) {
        playKeyPiece();
    } else {
        stopSoundDelay();
        m_openingActive = false;
    }
}

void KeyActions::onSoundLeadElapsed() {
    if (m_openingActive || !m_state.flags.playSounds || !fileTitle(m_currentFileName))
        return;
    const bool loop = m_state.flags.loopSounds && !m_loopingSuspended;
    const QString path = readablePath(m_currentFileName);
    if (!path.isEmpty() &&
        m_media.wave.playAt(path, loop ? WavePlayer::Repeat::Loop : WavePlayer::Repeat::Once,
                            m_soundDue))
        m_scheduledSound = m_currentFileName;
}

void KeyActions::armSoundDelay() {
    m_soundDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(SoundDelayMs);
    m_soundDelayTimer.start();
    m_soundLeadTimer.start();
}

void KeyActions::stopSoundDelay() {
    m_soundDelayTimer.stop();
    m_soundLeadTimer.stop();
    if (!m_scheduledSound.isEmpty()) {
        m_scheduledSound.clear();
        m_media.wave.stop();
    }
}

std::optional<QString> KeyActions::soundTitle() {
    if (m_currentFileName.isEmpty())
        return QString();
    const std::optional<QString> title = fileTitle(m_currentFileName);
    if (!title)
        m_dialogs.messageBox(invalidPathMessage(), u"Message"_s, MessageButtons::Ok,
                             MessageIcon::Exclamation);
    return title;
}

void KeyActions::playKeySound() {
    qCDebug(lcPlay) << "key sound starts";
    runSoundStep(SoundFailure::Reported);
}

void KeyActions::runSoundStep(SoundFailure failure) {
    // Handed to the player ahead, the sound starts on this step's time by itself.
    const bool scheduled = !m_scheduledSound.isEmpty() && m_scheduledSound == m_currentFileName;
    m_scheduledSound.clear();
    if (!scheduled)
        m_media.wave.stop();
    const std::optional<QString> title = soundTitle();
    setStatusText(m_currentFileName.isEmpty() ? noSoundMark() : title.value_or(QString()));
    stopSoundDelay();
    QString why;
    if (m_state.flags.playSounds && !scheduled) {
        const bool loop = m_state.flags.loopSounds && !m_loopingSuspended;
        const QString path = readablePath(m_currentFileName);
        if (!path.isEmpty() &&
            !m_media.wave.play(path, loop ? WavePlayer::Repeat::Loop : WavePlayer::Repeat::Once))
            why = m_media.wave.fileError();
    }
    const QString played = m_currentFileName;
    m_busy = false;
    m_currentFileName.clear();
    // Said on the status line in place of the sound's name: a box would stop a child's play at
    // every press of that key.
    if (!why.isEmpty() && failure == SoundFailure::Reported && m_state.reportSoundFailures)
        setStatusText(waveFailureMessage(played, why).replace(u'\n', u"　"_s));
}

bool KeyActions::startMidiPiece() {
    if (openMidi(m_media.midi, m_currentFileName) != MidiError::None)
        return false;
    if (playMidi(m_media.midi) != MidiError::None) {
        closeMidi(m_media.midi);
        return false;
    }
    return true;
}

void KeyActions::playKeyPiece() {
    stopSoundDelay();
    pauseMidi(m_media.midi);
    closeMidi(m_media.midi);
    const std::optional<QString> title = soundTitle();
    if (!title) {
        // An opening whose piece has a bad path is over all the same; left set, it would make
        // the next key's sound start as a MIDI piece.
        m_openingActive = false;
        return;
    }
    setStatusText(*title);
    enableKeyButtons();

    if (!m_currentFileName.isEmpty()) {
        disableMidiButtons();
        setPiecePlaying(true);
        // A piece the device refuses must not leave the screen looking as if it played.
        qCInfo(lcPlay) << "piece starts:" << m_currentFileName;
        if (!startMidiPiece()) {
            emit danceWanted(false);
            setPiecePlaying(false);
            m_dialogs.messageBox(m_openingActive ? u"オープニングMIDI名又はパス名が違います"_s
                                                 : u"MIDI名又はパス名が違います"_s);
            enableMidiButtons();
        }
    } else {
        setStatusText(noMidiMark());
        stopKeyPiece();
        setPiecePlaying(false);
        m_dialogs.messageBox(m_openingActive ? u"オープニングＭＩＤＩファイルは登録されていません"_s
                                             : u"ＭＩＤＩファイルが登録されていません"_s);
        enableMidiButtons();
    }
    m_openingActive = false;
}

void KeyActions::stopKeyPiece() {
    emit danceWanted(false);
    setPiecePlaying(false);
    pauseMidi(m_media.midi);
    closeMidi(m_media.midi);
    enableMidiButtons();
    m_busy = false;
    setStatusText(QString());
}

void KeyActions::onMidiPieceEnded() {
    // A piece the settings window tests is none of ours.
    if (m_piecePlaying)
        stopKeyPiece();
}

void KeyActions::startOpening() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    m_openingActive = true;
    m_picturePath = m_state.tables.keyPictures[OpeningPictureSlot];
    m_currentFileName =
        m_state.flags.playOpeningPiece ? m_state.tables.midiPieces[OpeningMidiSlot] : QString();
    if (m_picturePath.isEmpty()) {
        setPictureSource(openingPicture());
        // The holder names the built-in picture as if it were a file beside the program.
        m_picturePath = m_state.applicationFolder + u"/OPEN.BMP"_s;
        drawKeyPicture();
        armSoundDelay();
    } else {
        runKeyAction();
    }
    m_dialogs.setMousePointer(MousePointer::Normal);
}

void KeyActions::startStartupDelay() {
    m_startupTimer.start();
}

void KeyActions::onStartupDelayElapsed() {
    m_startupTimer.stop();
    emit openingStarting();
    // A child who pressed a key first has started playing: the opening would only cover it.
    if (m_keyPressed) {
        preloadPictures();
        return;
    }
    disableMidiButtons();
    setPiecePlaying(true);
    stopKeyPiece();
    startOpening();
    preloadPictures();
}

void KeyActions::setPiecePlaying(bool playing) {
    m_piecePlaying = playing;
    m_view.setButtonEnabled(ScreenButton::StopPiece, 0, playing);
}

void KeyActions::setStatusText(const QString &text) {
    // A note (from the start-up, or the full memory) stays until the next key is played.
    m_view.setStatusLine(m_statusNote.isEmpty() ? text : m_statusNote);
}

void KeyActions::showStatusNote(const QString &note) {
    m_statusNote = note;
    m_view.setStatusLine(note);
}

void KeyActions::dropStatusNote() {
    if (m_statusNote.isEmpty())
        return;
    m_statusNote.clear();
    m_view.setStatusLine(QString());
}

void KeyActions::disableMidiButtons() {
    m_midiButtonsOn = false;
    m_view.setButtonEnabled(ScreenButton::Opening, 0, false);
    for (int i = 0; i < SpecialKeyButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::SpecialKey, i, false);
    for (int i = 0; i < FunctionKeyButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::FunctionKey, i, false);
    setPiecePlaying(false);
}

void KeyActions::enableMidiButtons() {
    m_midiButtonsOn = true;
    m_view.setButtonEnabled(ScreenButton::Opening, 0, true);
    for (int i = 0; i < SpecialKeyButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::SpecialKey, i, true);
    for (int i = 0; i < FunctionKeyButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::FunctionKey, i, true);
}

void KeyActions::enableKeyButtons() {
    for (int i = 0; i < LetterButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::Letter, i, true);
    for (int i = 0; i < DigitButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::Digit, i, true);
    for (int i = 0; i < UnassignedKeyButtonCount; ++i)
        m_view.setButtonEnabled(ScreenButton::UnassignedKey, i, true);
}

} // namespace pikoro
