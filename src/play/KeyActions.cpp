#include "play/KeyActions.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/MainScreenDesign.h"
#include "core/Twips.h"
#include "play/BuiltinPictures.h"
#include "play/MainScreenView.h"
#include "core/PictureFit.h"
#include "core/FileTitle.h"
#include "media/MciDevice.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "media/Speech.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

constexpr int Timer1Interval = 500;
constexpr int Timer3Interval = 50;

// Platform key codes the key-down handler acts on.
constexpr int VkLeft = 37;
constexpr int VkUp = 38;
constexpr int VkRight = 39;
constexpr int VkDown = 40;
constexpr int VkF1 = 112;
constexpr int VkF10 = 121;

constexpr int MessageStyleExclamation = 48;

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

int virtualKeyCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left:
        return VkLeft;
    case Qt::Key_Up:
        return VkUp;
    case Qt::Key_Right:
        return VkRight;
    case Qt::Key_Down:
        return VkDown;
    default:
        break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return VkF1 + (qtKey - Qt::Key_F1);
    return 0;
}

KeyActions::KeyActions(AppState &state, MainScreenView &view, MediaServices &media,
                       Dialogs &dialogs, PictureCache &pictures, QObject *parent)
    : QObject(parent), m_state(state), m_view(view), m_media(media), m_dialogs(dialogs),
      m_pictures(pictures) {
    // Each tick's handler ends the step, so one shot is all a tick ever needs; it also keeps a
    // message box shown by a step from letting the same step fire again underneath it.
    m_timer1.setInterval(Timer1Interval);
    m_timer1.setSingleShot(true);
    m_timer3.setInterval(Timer3Interval);
    m_timer3.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, &KeyActions::Timer1_Timer);
    connect(&m_timer3, &QTimer::timeout, this, &KeyActions::Timer3_Timer);
    connect(&m_media.mci, &MciDevice::pieceEnded, this, &KeyActions::onMidiPieceEnded);
}

bool KeyActions::keyDown(int qtKey) {
    return Form_KeyDown(virtualKeyCode(qtKey));
}

bool KeyActions::Form_KeyDown(int keyCode) {
    if (m_state.KeyBusy)
        return true;
    if (!m_view.isButtonEnabled(ScreenButton::midi_open, 0))
        return false;
    switch (keyCode) {
    case VkDown:
        Comnd_Click(DownSlot);
        return true;
    case VkUp:
        Comnd_Click(UpSlot);
        return true;
    case VkRight:
        Comnd_Click(RightSlot);
        return true;
    case VkLeft:
        Comnd_Click(LeftSlot);
        return true;
    default:
        break;
    }
    // F11 and F12 are left to their buttons.
    if (keyCode >= VkF1 && keyCode <= VkF10) {
        CMDF_Click(keyCode - VkF1);
        return true;
    }
    return false;
}

void KeyActions::Form_KeyPress(int characterCode) {
    StopKeyMidi();
    if (characterCode >= '0' && characterCode <= '9') {
        m_view.focusButton(ScreenButton::Command3D1, characterCode - '0');
        Command3D1_Click(characterCode - '0');
    } else if (characterCode >= 'A' && characterCode <= 'Z') {
        m_view.focusButton(ScreenButton::Comnd, characterCode - 'A');
        Comnd_Click(characterCode - 'A');
    } else if (characterCode >= 'a' && characterCode <= 'z') {
        m_view.focusButton(ScreenButton::Comnd, characterCode - 'a');
        Comnd_Click(characterCode - 'a');
    } else if (characterCode == ' ') {
        m_view.focusButton(ScreenButton::Comnd, SpaceSlot);
        Comnd_Click(SpaceSlot);
    }
}

void KeyActions::Comnd_Click(int index) {
    if (index < 0 || index >= ComndCount)
        return;
    m_state.KeyBusy = true;
    if (m_state.KanaMode()) {
        StopKeyMidi();
        m_media.speech.speak(index < LetterSlotCount ? m_state.keyCaptions[index]
                                                     : ComndDesign[index].caption.toString());
        return;
    }
    m_previousPictureText = m_state.picturePath;
    m_state.picturePath = m_state.tables.KeyPictureTable[index];
    m_state.CurrentFileName = m_state.tables.KeySoundTable[index];
    RunKeyAction();
    m_state.KeyStrokeMark = 1;
}

void KeyActions::Command3D1_Click(int index) {
    if (index < 0 || index >= Command3D1Count)
        return;
    m_state.KeyBusy = true;
    if (m_state.KanaMode()) {
        // The piece is not stopped here and the action stays under way until the next
        // character key or stop.
        m_media.speech.speak(QString::number(index));
        return;
    }
    m_previousPictureText = m_state.picturePath;
    m_state.picturePath = m_state.tables.DigitPictureTable[index];
    m_state.CurrentFileName = m_state.tables.DigitSoundTable[index];
    RunKeyAction();
    m_state.KeyStrokeMark = 1;
}

void KeyActions::CMDM_Click(int index) {
    if (index < 0 || index >= CMDMCount)
        return;
    m_state.CurrentFileName = m_state.tables.MidiTable[midiSlotOfSpecialButton(index)];
    PlayKeyMidi();
}

void KeyActions::CMDF_Click(int index) {
    if (index < 0 || index >= CMDFCount)
        return;
    m_state.KeyBusy = true;
    const QString piece = m_state.tables.MidiTable[midiSlotOfFunctionButton(index)];
    if (piece.isEmpty()) {
        m_view.setSoundName(noMidiMark());
        return;
    }
    m_state.CurrentFileName = piece;
    if (index == 9) {
        setPictureSource(dancePicture());
        DrawKeyPicture();
        m_view.startDance();
    }
    PlayKeyMidi();
}

void KeyActions::RunKeyAction() {
    const QString holder = m_state.picturePath;
    m_extension = nextPictureExtension(holder, m_extension);
    if (m_view.isButtonEnabled(ScreenButton::MIDISTOP, 0))
        StopKeyMidi();
    m_state.KeyStrokeMark = 1;
    m_view.endMemoryPlayback();
    m_view.pictureHolderChanged(holder);

    // The same key again, or a key without a picture: the picture on screen stays.
    if (holder.isEmpty() || holder == m_previousPictureText) {
        m_state.picturePath = m_lastPicturePath;
        m_timer1.start();
        return;
    }

    if (!loadPictureSource(holder)) {
        m_dialogs.messageBox(m_state.OpeningActive ? u"オープニングBMP名又はパス名が違います"_s
                                                   : u"BMP名又はパス名が違います"_s);
        m_timer1.start();
        return;
    }
    m_lastPicturePath = holder;
    if (showsPictureUnfitted(m_extension))
        showUnfitted();
    else
        DrawKeyPicture();
    m_timer1.start();
}

void KeyActions::DrawKeyPicture() {
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

bool KeyActions::loadPictureSource(const QString &path, QString *errorString) {
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

QString KeyActions::readablePath(const QString &path) const {
    return openablePath(path);
}

void KeyActions::Timer1_Timer() {
    if (!m_state.OpeningActive) {
        PlayKeySound();
    } else if (m_state.flags.OPENFlag) {
        PlayKeyMidi();
    } else {
        m_timer1.stop();
        m_state.OpeningActive = false;
    }
}

std::optional<QString> KeyActions::soundTitle() {
    if (m_state.CurrentFileName.isEmpty())
        return QString();
    const std::optional<QString> title = fileTitle(m_state.CurrentFileName);
    if (!title)
        m_dialogs.messageBox(invalidPathMessage(), MessageStyleExclamation, u"Message"_s);
    return title;
}

void KeyActions::PlayKeySound() {
    StopWave(m_media.wave);
    const std::optional<QString> title = soundTitle();
    m_view.setSoundName(m_state.CurrentFileName.isEmpty() ? noSoundMark()
                                                          : title.value_or(QString()));
    m_timer1.stop();
    m_state.flags.RENFlag = m_state.SavedContinuousPlay();
    if (m_state.flags.SoundFlag) {
        PlayWave(m_media.wave, readablePath(m_state.CurrentFileName),
                 m_state.flags.RENFlag ? 1 : 0);
    }
    m_state.KeyBusy = false;
    m_state.CurrentFileName.clear();
}

bool KeyActions::startMidiPiece() {
    if (OpenMidi(m_media.mci, m_state.CurrentFileName) != 0)
        return false;
    if (PlayMidi(m_media.mci) != 0) {
        CloseMidi(m_media.mci);
        return false;
    }
    return true;
}

void KeyActions::PlayKeyMidi() {
    m_timer1.stop();
    PauseMidi(m_media.mci);
    CloseMidi(m_media.mci);
    const std::optional<QString> title = soundTitle();
    if (!title) {
        // An opening whose piece has a bad path is over all the same; left set, it would make
        // the next key's sound start as a MIDI piece.
        m_state.OpeningActive = false;
        return;
    }
    m_view.setSoundName(*title);
    EnableKeyButtons();

    if (!m_state.CurrentFileName.isEmpty()) {
        DisableMidiButtons();
        m_view.setButtonEnabled(ScreenButton::MIDISTOP, 0, true);
        // A piece the device refuses must not leave the screen looking as if it played.
        if (!startMidiPiece()) {
            m_view.stopDance();
            m_view.setButtonEnabled(ScreenButton::MIDISTOP, 0, false);
            m_dialogs.messageBox(m_state.OpeningActive ? u"オープニングMIDI名又はパス名が違います"_s
                                                       : u"MIDI名又はパス名が違います"_s);
            EnableMidiButtons();
        }
    } else {
        m_view.setSoundName(noMidiMark());
        StopKeyMidi();
        m_view.setButtonEnabled(ScreenButton::MIDISTOP, 0, false);
        m_dialogs.messageBox(m_state.OpeningActive
                                 ? u"オープニングＭＩＤＩファイルは登録されていません"_s
                                 : u"ＭＩＤＩファイルが登録されていません"_s);
        EnableMidiButtons();
    }
    m_state.OpeningActive = false;
}

void KeyActions::StopKeyMidi() {
    m_view.stopDance();
    m_view.setButtonEnabled(ScreenButton::MIDISTOP, 0, false);
    PauseMidi(m_media.mci);
    CloseMidi(m_media.mci);
    EnableMidiButtons();
    m_state.KeyBusy = false;
    m_view.setSoundName(QString());
}

void KeyActions::onMidiPieceEnded() {
    // MIDISTOP is enabled exactly while one of our pieces plays; a piece the settings window
    // tests is none of ours.
    if (m_view.isButtonEnabled(ScreenButton::MIDISTOP, 0))
        StopKeyMidi();
}

void KeyActions::StartOpening() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    m_state.OpeningActive = true;
    m_state.picturePath = m_state.tables.KeyPictureTable[OpeningPictureSlot];
    m_state.CurrentFileName =
        m_state.flags.OPENFlag ? m_state.tables.MidiTable[OpeningMidiSlot] : QString();
    if (m_state.picturePath.isEmpty()) {
        setPictureSource(openingPicture());
        // The holder names the built-in picture as if it were a file beside the program.
        m_state.picturePath = m_state.applicationFolder + u"/OPEN.BMP"_s;
        DrawKeyPicture();
        m_timer1.start();
    } else {
        RunKeyAction();
    }
    m_dialogs.setMousePointer(MousePointer::Normal);
}

void KeyActions::startStartupTimer() {
    m_timer3.start();
}

void KeyActions::Timer3_Timer() {
    m_timer3.stop();
    m_view.unloadSplash();
    DisableMidiButtons();
    m_view.setButtonEnabled(ScreenButton::MIDISTOP, 0, true);
    StopKeyMidi();
    StartOpening();
}

void KeyActions::DisableMidiButtons() {
    m_view.setButtonEnabled(ScreenButton::midi_open, 0, false);
    for (int i = 0; i < CMDMCount; ++i)
        m_view.setButtonEnabled(ScreenButton::CMDM, i, false);
    for (int i = 0; i < CMDFCount; ++i)
        m_view.setButtonEnabled(ScreenButton::CMDF, i, false);
    m_view.setButtonEnabled(ScreenButton::MIDISTOP, 0, false);
}

void KeyActions::EnableMidiButtons() {
    m_view.setButtonEnabled(ScreenButton::midi_open, 0, true);
    for (int i = 0; i < CMDMCount; ++i)
        m_view.setButtonEnabled(ScreenButton::CMDM, i, true);
    for (int i = 0; i < CMDFCount; ++i)
        m_view.setButtonEnabled(ScreenButton::CMDF, i, true);
}

void KeyActions::EnableKeyButtons() {
    for (int i = 0; i < ComndCount; ++i)
        m_view.setButtonEnabled(ScreenButton::Comnd, i, true);
    for (int i = 0; i < Command3D1Count; ++i)
        m_view.setButtonEnabled(ScreenButton::Command3D1, i, true);
    for (int i = 0; i < HAZURECount; ++i)
        m_view.setButtonEnabled(ScreenButton::HAZURE, i, true);
}

} // namespace pikoro
