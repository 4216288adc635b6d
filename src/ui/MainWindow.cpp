#include "ui/MainWindow.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/MainScreenDesign.h"
#include "core/PictureFit.h"
#include "core/SettingsFile.h"
#include "core/Twips.h"
#include "media/MediaServices.h"
#include "media/WavePlayer.h"
#include "play/BuiltinPictures.h"
#include "play/ExitLock.h"
#include "play/KeyRouting.h"
#include "play/MascotAnimation.h"
#include "play/PlayController.h"
#include "ui/HelpViewer.h"
#include "ui/InstructionsWindow.h"
#include "ui/Logging.h"
#include "ui/SettingsWindow.h"
#include "ui/ThreeDControls.h"
#include "ui/Transparency.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <utility>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

QFont keyFont() {
    QFont font(u"Noto Sans CJK JP"_s);
    font.setPointSize(9);
    font.setBold(true);
    return font;
}

template <std::size_t N>
void createArray(QWidget *parent, std::array<ThreeDButton *, N> &buttons,
                 const std::array<ControlDesign, N> &design) {
    for (std::size_t i = 0; i < N; ++i) {
        auto *button = new ThreeDButton(parent, int(i));
        button->setCaption(design[i].caption.toString());
        button->setCaptionFont(keyFont());
        buttons[i] = button;
    }
}

ThreeDButton *createButton(QWidget *parent, const ControlDesign &design) {
    auto *button = new ThreeDButton(parent);
    button->setCaption(design.caption.toString());
    button->setCaptionFont(keyFont());
    return button;
}

template <std::size_t N>
void placeArray(const std::array<ThreeDButton *, N> &buttons, const std::array<QRect, N> &rects) {
    for (std::size_t i = 0; i < N; ++i)
        buttons[i]->setGeometryTwips(rects[i].x(), rects[i].y(), rects[i].width(),
                                     rects[i].height());
}

void placeControl(ThreeDControl *control, const QRect &r) {
    control->setGeometryTwips(r.x(), r.y(), r.width(), r.height());
}

// A rectangle of unzoomed picture-area pixels on the screen.
QRect zoomed(const QRect &r, double zoom) {
    return {qRound(r.x() * zoom), qRound(r.y() * zoom), qRound(r.width() * zoom),
            qRound(r.height() * zoom)};
}

} // namespace

const QPixmap &ZoomedPicture::pixmap() {
    if (m_pixmap.size() != m_size)
        m_pixmap = QPixmap::fromImage(
            m_draw().scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return m_pixmap;
}

PictureArea::PictureArea(QWidget *parent) : QWidget(parent) {
    // Every pixel is painted, so nothing beneath needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureArea::setPicture(const QImage &picture) {
    m_picture = picture;
    m_reduced = {};
    update();
}

void PictureArea::resizeEvent(QResizeEvent *event) {
    m_reduced = {};
    QWidget::resizeEvent(event);
}

void PictureArea::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    // A picture smaller than the area (enlarged by the keyboard zoom) is drawn enlarged straight
    // into the window, so a new picture costs no enlarged copy. A larger one is reduced once,
    // with averaging, which looks better than sampling it.
    const bool larger = m_picture.size() != size() && m_picture.width() >= width() &&
                        m_picture.height() >= height();
    if (larger && m_reduced.size() != size())
        m_reduced = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage &source = larger ? m_reduced : m_picture;
    // The area is white where there is no picture, or where the picture lets light through (an
    // icon, a metafile): the window beneath still holds the picture shown before.
    const bool white = source.isNull() || source.hasAlphaChannel();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Only the parts that need it: during a dance, the sprites' old and new places.
    for (const QRect &dirty : event->region()) {
        painter.setClipRect(dirty);
        if (white)
            painter.fillRect(dirty, Qt::white);
        if (!source.isNull())
            painter.drawImage(QRectF(rect()), source);
    }
}

MainWindow::MainWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &store,
                       HelpViewer &help, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs), m_media(media), m_store(store),
      m_help(help), m_mascotFrames{ZoomedPicture([] { return mascotFramePicture(0); }),
                                   ZoomedPicture([] { return mascotFramePicture(1); }),
                                   ZoomedPicture([] { return mascotFramePicture(2); })},
      m_birdPictures{ZoomedPicture(yellowBirdRight), ZoomedPicture(yellowBirdLeft),
                     ZoomedPicture(pinkBirdRight), ZoomedPicture(pinkBirdLeft)},
      m_companionPictures{ZoomedPicture(notePicture), ZoomedPicture(heartPicture)} {
    setWindowTitle(u"ピコロ"_s);
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(false);
    // paintEvent covers every pixel it is asked for: no full-screen fill by Qt before it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    createControls();
    m_transparency = std::make_unique<WindowTransparency>(this);
    m_play = std::make_unique<PlayController>(state, *this, media, dialogs);
    connectControls();
    m_exitLock = std::make_unique<ExitLock>(
        dialogs, store,
        ExitLock::Hooks{
            [this] { m_play->stopPiece(); }, [this] { return m_play->isPiecePlaying(); },
            [this] { m_help.runHelpCommand(this, m_state.helpFilePath(), HelpCommand::Quit); },
            [this] {
                if (endProgram)
                    endProgram();
                else
                    QCoreApplication::exit(0);
            },
            [this](const QString &note) { m_play->showStatusNote(note); }});
    // The window sees every key before the focused button does.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    createArray(this, m_letterButtons, LetterButtonDesign);
    createArray(this, m_digitButtons, DigitButtonDesign);
    createArray(this, m_specialKeyButtons, SpecialKeyButtonDesign);
    createArray(this, m_functionKeyButtons, FunctionKeyButtonDesign);
    createArray(this, m_unassignedKeyButtons, UnassignedKeyButtonDesign);
    refreshKeyCaptions();

    m_pictureFrame = new ThreeDPanel(this);
    m_pictureFrame->setBevelInner(ThreeDPanel::Bevel::Inset);
    m_pictureArea = new PictureArea(m_pictureFrame);

    m_mascot = new QLabel(this);
    m_mascot->lower(); // the mascot peeks out from behind the keyboard

    m_statusLine = new QLabel(this);
    m_statusLine->setAlignment(Qt::AlignCenter);
    m_statusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    m_pictureEditButton = createButton(this, PictureEditButtonDesign);
    m_pictureEditButton->setEnabled(false);
    m_openingButton = createButton(this, OpeningButtonDesign);
    m_stopPieceButton = createButton(this, StopPieceButtonDesign);
    m_memoryCountPanel = new ThreeDPanel(this);
    m_clearMemoryButton = createButton(this, ClearMemoryButtonDesign);
    m_memoryPlaybackButton = createButton(this, MemoryPlaybackButtonDesign);
    m_memorySwitch = new ThreeDCheck(this);
    // The memory is there from the start; playback waits for a first stored key. The two
    // buttons carry no caption in the design, which would leave them unrecognisable.
    m_memorySwitch->setCaption(memorySwitchCaption());
    m_memoryPlaybackButton->setCaption(u"再生"_s);
    m_clearMemoryButton->setCaption(u"消去"_s);

    for (QLabel *&sprite : m_sprites) {
        sprite = new QLabel(m_pictureArea);
        sprite->hide();
    }
    for (QLabel *&companion : m_companions) {
        companion = new QLabel(m_pictureArea);
        companion->hide();
    }
}

void MainWindow::connectControls() {
    PlayController *play = m_play.get();
    // The key with the focus, the last one pressed, shows its caption in red.
    const auto showFocus = [](ThreeDButton *b) {
        connect(b, &ThreeDControl::gotFocus, b, [b] { b->setForeColor(QColor(255, 0, 0)); });
        connect(b, &ThreeDControl::lostFocus, b, [b] { b->setForeColor(Qt::black); });
    };
    const auto forward = [play](ThreeDButton *b, ScreenButton array) {
        connect(b, &ThreeDControl::clicked, play,
                [play, array](int index) { play->buttonClicked(array, index); });
    };
    for (ThreeDButton *b : m_letterButtons) {
        forward(b, ScreenButton::Letter);
        showFocus(b);
    }
    for (ThreeDButton *b : m_digitButtons) {
        forward(b, ScreenButton::Digit);
        showFocus(b);
    }
    for (ThreeDButton *b : m_specialKeyButtons)
        forward(b, ScreenButton::SpecialKey);
    for (ThreeDButton *b : m_functionKeyButtons)
        forward(b, ScreenButton::FunctionKey);
    for (ThreeDButton *b : m_unassignedKeyButtons)
        forward(b, ScreenButton::UnassignedKey);
    connect(m_openingButton, &ThreeDControl::clicked, play,
            [play] { play->buttonClicked(ScreenButton::Opening, 0); });
    connect(m_stopPieceButton, &ThreeDControl::clicked, play,
            [play] { play->buttonClicked(ScreenButton::StopPiece, 0); });
    connect(m_memoryPlaybackButton, &ThreeDControl::clicked, play,
            &PlayController::memoryPlaybackClicked);
    connect(m_clearMemoryButton, &ThreeDControl::clicked, play,
            &PlayController::clearMemoryClicked);
    connect(m_memorySwitch, &ThreeDCheck::toggled, play, &PlayController::memorySwitchClicked);
}

ThreeDButton *MainWindow::button(ScreenButton array, int index) const {
    switch (array) {
    case ScreenButton::Letter:
        return m_letterButtons.at(index);
    case ScreenButton::Digit:
        return m_digitButtons.at(index);
    case ScreenButton::SpecialKey:
        return m_specialKeyButtons.at(index);
    case ScreenButton::FunctionKey:
        return m_functionKeyButtons.at(index);
    case ScreenButton::UnassignedKey:
        return m_unassignedKeyButtons.at(index);
    case ScreenButton::Opening:
        return m_openingButton;
    case ScreenButton::StopPiece:
        return m_stopPieceButton;
    }
    return nullptr;
}

void MainWindow::setButtonEnabled(ScreenButton array, int index, bool enabled) {
    button(array, index)->setEnabled(enabled);
}

void MainWindow::focusButton(ScreenButton array, int index) {
    button(array, index)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::setStatusLine(const QString &text) {
    m_statusLine->setText(text);
}

QSize MainWindow::pictureFrameSize() const {
    return m_geometry.pictureFrame.size();
}

QRect MainWindow::pictureArea() const {
    return m_pictureAreaTwips;
}

void MainWindow::showPicture(const QImage &image, const QRect &area) {
    m_pictureAreaTwips = area;
    m_pictureShape = area.size();
    m_pictureArea->setGeometry(twipsToPixels(area, m_zoom));
    m_pictureArea->setPicture(image);
    m_pictureArea->show();
}

QSize MainWindow::danceArea() const {
    return m_pictureAreaTwips.size() / TwipsPerPixel;
}

void MainWindow::showDanceScene(const DanceState &state) {
    // Only what changed is touched: a moved label repaints its old and new place, nothing more.
    for (std::size_t i = 0; i < m_sprites.size(); ++i) {
        const bool yellow = i == LeadYellowBird || i == TrailingYellowBird;
        const QPixmap &picture =
            m_birdPictures[(yellow ? 0 : 2) + (state.facingLeft[i] ? 1 : 0)].pixmap();
        QLabel *sprite = m_sprites[i];
        if (sprite->pixmap().cacheKey() != picture.cacheKey())
            sprite->setPixmap(picture);
        sprite->setGeometry(zoomed(state.sprites[i], m_zoom));
        sprite->show();
    }
    for (std::size_t i = 0; i < m_companions.size(); ++i) {
        QLabel *companion = m_companions[i];
        if (!state.companionVisible[i]) {
            companion->hide();
            continue;
        }
        const QPixmap &picture = m_companionPictures[i].pixmap();
        if (companion->pixmap().cacheKey() != picture.cacheKey())
            companion->setPixmap(picture);
        companion->setGeometry(zoomed(QRect(state.companions[i], CompanionPixels), m_zoom));
        companion->show();
    }
}

void MainWindow::hideDance() {
    for (QLabel *sprite : m_sprites)
        sprite->hide();
    for (QLabel *companion : m_companions)
        companion->hide();
}

void MainWindow::setMemoryCounter(const QString &text) {
    m_memoryCountPanel->setCaption(text);
}

void MainWindow::setMemoryPlaybackEnabled(bool enabled) {
    m_memoryPlaybackButton->setEnabled(enabled);
}

void MainWindow::setMemorySwitchOn(bool on) {
    m_memorySwitch->setChecked(on);
}

void MainWindow::showMascotFrame(int frame) {
    m_mascotFrame = frame;
    m_mascot->setPixmap(m_mascotFrames.at(std::size_t(frame)).pixmap());
}

void MainWindow::scaleBuiltinPictures() {
    for (ZoomedPicture &frame : m_mascotFrames)
        frame.setSize(twipsToPixels(m_geometry.mascot, m_zoom).size());
    showMascotFrame(m_mascotFrame);
    for (ZoomedPicture &bird : m_birdPictures)
        bird.setSize(zoomed(QRect(QPoint(), SpritePixels), m_zoom).size());
    for (ZoomedPicture &companion : m_companionPictures)
        companion.setSize(zoomed(QRect(QPoint(), CompanionPixels), m_zoom).size());
    if (m_play->dance().isRunning())
        showDanceScene(m_play->dance().state());
}

bool MainWindow::mascotEvent(QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        m_play->mascotDoubleClicked();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (mascotPressShowsInstructions(press->button(), press->modifiers())) {
            InstructionsWindow::showAndWait(m_store, m_dialogs,
                                            InstructionsWindow::Opening::FromMascot, this);
            return true;
        }
    }
    return false;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    // The window filters the whole application, so this is also the mascot's filter.
    if (watched == m_mascot && mascotEvent(event))
        return true;
    // A key may come before the window manager has made the new window active: one sent to
    // this window is ours all the same.
    auto *receiver = qobject_cast<QWidget *>(watched);
    const bool ours = (isActiveWindow() || (receiver && receiver->window() == this)) &&
                      !QApplication::activeModalWidget();
    if (!ours)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress)
        m_play->interruptModifier(); // Shift or Ctrl held for a click is a gesture, not a key
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        const KeyStroke stroke{key->key(), key->text(), key->modifiers(), key->nativeVirtualKey()};
        if (m_play->keyEvent(stroke, event->type() == QEvent::KeyPress, key->isAutoRepeat()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::refreshKeyCaptions() {
    for (int n = 0; n < LetterSlotCount; ++n)
        m_letterButtons[n]->setCaption(m_state.keyCaptions[n]);
}

void MainWindow::layoutMainScreen(QSize screenPixels) {
    m_screenPixels = screenPixels;
    m_zoom = effectiveKeyboardZoom(screenPixels, m_state.keyboardZoom);
    // The layout runs on the screen divided by the zoom; every figure is multiplied back.
    m_geometry = MainLayout(designScreenTwips(screenPixels, m_zoom)).layoutMainScreen();
    placeControls();
}

void MainWindow::placeControls() {
    applyZoom(this, m_zoom);
    placeArray(m_letterButtons, m_geometry.letterButtons);
    placeArray(m_digitButtons, m_geometry.digitButtons);
    placeArray(m_specialKeyButtons, m_geometry.specialKeyButtons);
    placeArray(m_functionKeyButtons, m_geometry.functionKeyButtons);
    placeArray(m_unassignedKeyButtons, m_geometry.unassignedKeyButtons);
    placeControl(m_pictureFrame, m_geometry.pictureFrame);
    // A picture on show is fitted into the new frame again, so it keeps its proportions.
    m_pictureAreaTwips = m_pictureShape.isEmpty()
                             ? m_geometry.pictureArea
                             : fitKeyPicture(m_geometry.pictureFrame.size(), m_pictureShape).area;
    m_pictureArea->setGeometry(twipsToPixels(m_pictureAreaTwips, m_zoom));
    m_mascot->setGeometry(twipsToPixels(m_geometry.mascot, m_zoom));
    scaleBuiltinPictures();
    m_statusLine->setGeometry(twipsToPixels(m_geometry.statusLine, m_zoom));
    QFont statusFont = keyFont();
    statusFont.setPointSizeF(12 * m_zoom);
    m_statusLine->setFont(statusFont);
    placeControl(m_pictureEditButton, m_geometry.pictureEditButton);
    placeControl(m_openingButton, m_geometry.openingButton);
    placeControl(m_stopPieceButton, m_geometry.stopPieceButton);
    placeControl(m_memoryCountPanel, m_geometry.memoryCountPanel);
    placeControl(m_clearMemoryButton, m_geometry.clearMemoryButton);
    placeControl(m_memoryPlaybackButton, m_geometry.memoryPlaybackButton);
    placeControl(m_memorySwitch, m_geometry.memorySwitch);
}

void MainWindow::loadAndShow() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    layoutMainScreen(screenRect.size());

    m_state.tables.digitSounds.fill({});
    m_state.tables.keySounds.fill({});
    m_state.tables.midiPieces.fill({});
    if (const Outcome loaded = loadSettings(m_state); !loaded)
        m_dialogs.messageBox(loaded.message);
    m_statusLine->clear();
    if (const QString note = openStartupDataFile(m_state); !note.isEmpty())
        m_play->showStatusNote(note);
    refreshKeyCaptions();
    if (m_state.keyboardZoom > 0)
        layoutMainScreen(screenRect.size());
    m_loaded = true;

    applyTransparency();
    setGeometry(screenRect);
    showFullScreen(); // over the desktop's panels too: nothing to click away to
    activateWindow(); // keys go to the play window from the first press on
    m_play->startStartupDelay();
    m_dialogs.setMousePointer(MousePointer::Normal);
}

void MainWindow::onBackgroundPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    switch (backgroundGesture(button, modifiers)) {
    case BackgroundGesture::OpenSettings:
        openSettings();
        break;
    case BackgroundGesture::ExitLock:
        m_exitLock->run();
        break;
    case BackgroundGesture::None:
        break;
    }
}

void MainWindow::mousePressEvent(QMouseEvent *event) {
    // A press on a control belongs to that control, also when the control itself let it pass
    // (a label, the mascot, a disabled button): only the bare background takes gestures.
    if (childAt(event->position().toPoint()))
        return;
    onBackgroundPressed(event->button(), event->modifiers());
}

SettingsWindow &MainWindow::settingsWindow() {
    if (m_settings)
        return *m_settings;
    // Its check boxes and lists are filled from the state as it is built; the flags themselves
    // live in the state from the settings file's read on.
    m_settings =
        std::make_unique<SettingsWindow>(m_state, m_dialogs, m_media, m_store, m_help, this);
    connect(m_settings.get(), &SettingsWindow::settingsApplied, this, &MainWindow::settingsApplied);
    connect(m_settings.get(), &SettingsWindow::pictureSetChosen, m_play.get(),
            &PlayController::preloadPictures);
    connect(m_settings.get(), &SettingsWindow::closed, m_play.get(),
            &PlayController::settingsClosed);
    return *m_settings;
}

void MainWindow::openSettings() {
    m_play->stopPiece();
    if (!m_loaded)
        return;
    // The settings are the parent's: where PIKORO.ini asks for it, the user name comes first.
    if (m_state.askNameForSettings && !m_exitLock->askForSettings())
        return;
    // The mascot rests while the settings window is open.
    m_play->settingsOpening();
    qCInfo(lcUi) << "settings window opened";
    settingsWindow().exec();
}

void MainWindow::settingsApplied() {
    refreshKeyCaptions();
    applyTransparency();
    if (!m_screenPixels.isEmpty())
        layoutMainScreen(m_screenPixels);
    m_play->preloadPictures();
}

void MainWindow::applyTransparency() {
    m_transparency->setSeeThrough(m_state.flags.seeThroughWindow);
    update();
}

bool MainWindow::seeThroughRequested() const {
    return m_transparency->seeThroughRequested();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // Nothing a child can reach closes the play window; only the exit lock ends the program.
    m_media.wave.stop();
    event->ignore();
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (!m_screenPixels.isEmpty() && size() != m_screenPixels && !size().isEmpty())
        layoutMainScreen(size());
}

void MainWindow::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_pictureArea->update();
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_play->interruptModifier();
    QWidget::changeEvent(event);
}

void MainWindow::paintEvent(QPaintEvent *event) {
    // The controls are painted and the frame is sent in this same update, before the timer.
    if (afterFirstPaint)
        QTimer::singleShot(0, this, std::exchange(afterFirstPaint, nullptr));
    QPainter painter(this);
    // Only the part that needs it: the blinking mascot repaints its own square.
    const QRect dirty = event->rect();
    if (m_transparency->isSeeThrough()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(dirty, Qt::transparent);
        return;
    }
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xFF, 0xF4, 0xD6));
    sky.setColorAt(1, QColor(0xD8, 0xEE, 0xFF));
    painter.fillRect(dirty, sky);
}

} // namespace pikoro
