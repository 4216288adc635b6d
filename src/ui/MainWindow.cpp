#include "ui/MainWindow.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/MainScreenDesign.h"
#include "core/PictureFit.h"
#include "core/SettingsFile.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "play/BuiltinPictures.h"
#include "play/ExitLock.h"
#include "play/KeyActions.h"
#include "ui/HelpViewer.h"
#include "ui/SettingsWindow.h"
#include "ui/ThreeDControls.h"
#include "ui/Transparency.h"
#include "ui/UserNameWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>

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

} // namespace

PictureArea::PictureArea(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureArea::setPicture(const QImage &picture) {
    m_picture = picture;
    m_scaled = {};
    update();
}

void PictureArea::resizeEvent(QResizeEvent *event) {
    m_scaled = {};
    QWidget::resizeEvent(event);
}

void PictureArea::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_picture.isNull())
        return;
    if (m_scaled.size() != size())
        m_scaled = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(0, 0, m_scaled);
}

MainWindow::MainWindow(AppState &state, Dialogs &dialogs, MediaServices &media, UserStore &store,
                       HelpViewer &help, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs), m_media(media), m_store(store),
      m_help(help), m_pictures(std::make_unique<PictureCache>()) {
    setWindowTitle(u"ピコロ"_s);
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    createControls();
    m_transparency = std::make_unique<WindowTransparency>(this);
    m_keys = std::make_unique<KeyActions>(state, *this, media, dialogs, *m_pictures);
    connectControls();
    m_exitLock = std::make_unique<ExitLock>(
        dialogs, store,
        ExitLock::Hooks{
            [this] { m_keys->stopKeyPiece(); }, [this] { return m_stopPieceButton->isEnabled(); },
            [this] { m_help.runHelpCommand(this, m_state.helpFilePath(), HelpCommand::Quit); },
            [this] {
                if (endProgram)
                    endProgram();
                else
                    QCoreApplication::exit(0);
            },
            [this] {
                UserNameWindow window(m_store, m_dialogs, this);
                window.exec();
            }});
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

    const std::array<QImage, 4> sprites{yellowBirdRight(), pinkBirdLeft(), pinkBirdLeft(),
                                        yellowBirdRight()};
    for (std::size_t i = 0; i < m_sprites.size(); ++i) {
        m_sprites[i] = new QLabel(m_pictureArea);
        m_sprites[i]->setPixmap(QPixmap::fromImage(sprites[i]));
        m_sprites[i]->setScaledContents(true);
        m_sprites[i]->hide();
    }
    m_danceTimer = new QTimer(this);
    m_danceTimer->setInterval(150);
    connect(m_danceTimer, &QTimer::timeout, this, &MainWindow::danceStep);
}

void MainWindow::connectControls() {
    KeyActions *keys = m_keys.get();
    // The first key played, by click or by keyboard, takes the start-up note away.
    for (auto *b : findChildren<ThreeDButton *>())
        connect(b, &ThreeDControl::clicked, this, &MainWindow::dropStartupNote);
    // The key with the focus, the last one pressed, shows its caption in red.
    const auto showFocus = [](ThreeDButton *b) {
        connect(b, &ThreeDControl::gotFocus, b, [b] { b->setForeColor(QColor(255, 0, 0)); });
        connect(b, &ThreeDControl::lostFocus, b, [b] { b->setForeColor(Qt::black); });
    };
    for (ThreeDButton *b : m_letterButtons) {
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::onLetterClicked);
        showFocus(b);
    }
    for (ThreeDButton *b : m_digitButtons) {
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::onDigitClicked);
        showFocus(b);
    }
    for (ThreeDButton *b : m_specialKeyButtons)
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::onSpecialKeyClicked);
    for (ThreeDButton *b : m_functionKeyButtons)
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::onFunctionKeyClicked);
    connect(m_openingButton, &ThreeDControl::clicked, keys, [keys] { keys->onOpeningClicked(); });
    connect(m_stopPieceButton, &ThreeDControl::clicked, keys,
            [keys] { keys->onStopPieceClicked(); });
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

bool MainWindow::isButtonEnabled(ScreenButton array, int index) const {
    return button(array, index)->isEnabled();
}

void MainWindow::focusButton(ScreenButton array, int index) {
    button(array, index)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::dropStartupNote() {
    if (!m_startupNote.isEmpty()) {
        m_startupNote.clear();
        m_statusLine->clear();
    }
}

void MainWindow::setSoundName(const QString &caption) {
    // A note from the start-up stays through the opening, until the first key is played.
    m_statusLine->setText(m_startupNote.isEmpty() ? caption : m_startupNote);
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

void MainWindow::startDance() {
    QRandomGenerator *random = QRandomGenerator::global();
    const QSize area = m_pictureArea->size();
    const int side = twipsToPixels(SpriteSize, m_zoom);
    for (std::size_t i = 0; i < m_sprites.size(); ++i) {
        m_sprites[i]->setGeometry(random->bounded(qMax(1, area.width() - side)),
                                  random->bounded(qMax(1, area.height() - side)), side, side);
        m_spriteStep[i] =
            QPoint(random->bounded(2) ? 1 : -1, random->bounded(2) ? 1 : -1) * qMax(2, side / 4);
        m_sprites[i]->show();
        m_sprites[i]->raise();
    }
    m_danceTimer->start();
}

void MainWindow::stopDance() {
    m_danceTimer->stop();
    for (QLabel *sprite : m_sprites)
        sprite->hide();
}

void MainWindow::danceStep() {
    // The sprites bounce around the picture area while the F10 piece plays.
    const QRect bounds = m_pictureArea->rect();
    for (std::size_t i = 0; i < m_sprites.size(); ++i) {
        QRect next = m_sprites[i]->geometry().translated(m_spriteStep[i]);
        if (next.left() < 0 || next.right() > bounds.right())
            m_spriteStep[i].rx() = -m_spriteStep[i].x();
        if (next.top() < 0 || next.bottom() > bounds.bottom())
            m_spriteStep[i].ry() = -m_spriteStep[i].y();
        m_sprites[i]->move(m_sprites[i]->pos() + m_spriteStep[i]);
    }
}

void MainWindow::unloadSplash() {
    if (onUnloadSplash)
        onUnloadSplash();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress || !isActiveWindow() || QApplication::activeModalWidget())
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    dropStartupNote();
    // Arrows and F1-F10 act on the key itself; they carry no character. A key blocked while an
    // action is under way still delivers its character, which stops the action. Esc, Tab,
    // Backspace and Return are characters too: they stop a piece like any other.
    m_keys->keyDown(key->key());
    const QString text = key->text();
    if (!text.isEmpty())
        m_keys->onCharacterTyped(text.at(0).unicode());
    // Every key stops here: Tab must not walk the focus, Space and Return must not press the
    // focused button.
    return true;
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

void MainWindow::formLoad() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    layoutMainScreen(screenRect.size());

    m_state.tables.digitSounds.fill({});
    m_state.tables.keySounds.fill({});
    m_state.tables.midiPieces.fill({});
    if (const Outcome loaded = loadSettings(m_state); !loaded)
        m_dialogs.messageBox(loaded.message);
    m_startupNote = openStartupDataFile(m_state);
    setSoundName(QString());
    refreshKeyCaptions();
    if (m_state.keyboardZoom > 0)
        layoutMainScreen(screenRect.size());
    // The settings window lives from here on, hidden; its check boxes show the flags just read.
    m_settings =
        std::make_unique<SettingsWindow>(m_state, m_dialogs, m_media, m_store, m_help, this);
    connect(m_settings.get(), &SettingsWindow::settingsApplied, this, &MainWindow::settingsApplied);
    connect(m_settings.get(), &SettingsWindow::pictureSetChosen, m_keys.get(),
            &KeyActions::preloadPictures);

    applyTransparency();
    setGeometry(screenRect);
    showFullScreen(); // over the desktop's panels too: nothing to click away to
    activateWindow(); // keys go to the play window from the first press on
    m_keys->startStartupDelay();
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

void MainWindow::openSettings() {
    m_keys->stopKeyPiece();
    if (m_settings)
        m_settings->showModal();
}

void MainWindow::settingsApplied() {
    refreshKeyCaptions();
    applyTransparency();
    if (!m_screenPixels.isEmpty())
        layoutMainScreen(m_screenPixels);
    m_keys->preloadPictures();
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
    stopWave(m_media.wave);
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
    QWidget::changeEvent(event);
}

void MainWindow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    if (m_transparency->isSeeThrough()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        return;
    }
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xFF, 0xF4, 0xD6));
    sky.setColorAt(1, QColor(0xD8, 0xEE, 0xFF));
    painter.fillRect(rect(), sky);
}

} // namespace pikoro
