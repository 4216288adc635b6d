#include "ui/MainWindow.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/MainScreenDesign.h"
#include "core/SettingsFile.h"
#include "ui/ThreeDControls.h"
#include "ui/Transparency.h"
#include "play/BuiltinPictures.h"
#include "play/KeyActions.h"
#include "core/PictureFit.h"
#include "media/MediaServices.h"
#include "media/PictureCache.h"
#include "play/ExitLock.h"
#include "ui/HelpViewer.h"
#include "ui/UserNameWindow.h"
#include "ui/SettingsWindow.h"

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

void PictureArea::clearPicture() {
    setPicture({});
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
        ExitLock::Hooks{[this] { m_keys->StopKeyMidi(); }, [this] { return MIDISTOP->isEnabled(); },
                        [this] { m_help.WinHelp(this, m_state.helpFilePath(), 2); },
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
    createArray(this, Comnd, ComndDesign);
    createArray(this, Command3D1, Command3D1Design);
    createArray(this, CMDM, CMDMDesign);
    createArray(this, CMDF, CMDFDesign);
    createArray(this, HAZURE, HAZUREDesign);
    refreshKeyCaptions();

    Panel3D1 = new ThreeDPanel(this);
    Panel3D1->setBevelInner(ThreeDPanel::Bevel::Inset);
    Picture4 = new PictureArea(Panel3D1);

    nezu = new QLabel(this);
    nezu->lower(); // the mascot peeks out from behind the keyboard

    Label2 = new QLabel(this);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    BITMEDT = createButton(this, BITMEDTDesign);
    BITMEDT->setEnabled(false);
    midi_open = createButton(this, midi_openDesign);
    MIDISTOP = createButton(this, MIDISTOPDesign);
    KIOKUSU = new ThreeDPanel(this);
    CLSB = createButton(this, CLSBDesign);
    SAISEI = createButton(this, SAISEIDesign);
    ChK = new ThreeDCheck(this);

    const std::array<QImage, 4> sprites{Image1(), Image5(), Image5(), Image1()};
    for (std::size_t i = 0; i < m_sprites.size(); ++i) {
        m_sprites[i] = new QLabel(Picture4);
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
    // The key with the focus, the last one pressed, shows its caption in red.
    const auto showFocus = [](ThreeDButton *b) {
        connect(b, &ThreeDControl::gotFocus, b, [b] { b->setForeColor(QColor(255, 0, 0)); });
        connect(b, &ThreeDControl::lostFocus, b, [b] { b->setForeColor(Qt::black); });
    };
    for (ThreeDButton *b : Comnd) {
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::Comnd_Click);
        showFocus(b);
    }
    for (ThreeDButton *b : Command3D1) {
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::Command3D1_Click);
        showFocus(b);
    }
    for (ThreeDButton *b : CMDM)
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::CMDM_Click);
    for (ThreeDButton *b : CMDF)
        connect(b, &ThreeDControl::clicked, keys, &KeyActions::CMDF_Click);
    connect(midi_open, &ThreeDControl::clicked, keys, [keys] { keys->midi_open_Click(); });
    connect(MIDISTOP, &ThreeDControl::clicked, keys, [keys] { keys->MIDISTOP_Click(); });
}

ThreeDButton *MainWindow::button(ScreenButton array, int index) const {
    switch (array) {
    case ScreenButton::Comnd:
        return Comnd.at(index);
    case ScreenButton::Command3D1:
        return Command3D1.at(index);
    case ScreenButton::CMDM:
        return CMDM.at(index);
    case ScreenButton::CMDF:
        return CMDF.at(index);
    case ScreenButton::HAZURE:
        return HAZURE.at(index);
    case ScreenButton::midi_open:
        return midi_open;
    case ScreenButton::MIDISTOP:
        return MIDISTOP;
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

void MainWindow::setSoundName(const QString &caption) {
    Label2->setText(caption);
}

QSize MainWindow::pictureFrameSize() const {
    return m_geometry.Panel3D1.size();
}

QRect MainWindow::pictureArea() const {
    return m_pictureAreaTwips;
}

void MainWindow::showPicture(const QImage &image, const QRect &area) {
    m_pictureAreaTwips = area;
    m_pictureShape = area.size();
    Picture4->setGeometry(twipsToPixels(area, m_zoom));
    Picture4->setPicture(image);
    Picture4->show();
}

void MainWindow::startDance() {
    QRandomGenerator *random = QRandomGenerator::global();
    const QSize area = Picture4->size();
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
    const QRect bounds = Picture4->rect();
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
    // Arrows and F1-F10 act on the key itself; they carry no character. A key blocked while an
    // action is under way still delivers its character, which stops the action. Esc, Tab,
    // Backspace and Return are characters too: they stop a piece like any other.
    m_keys->keyDown(key->key());
    const QString text = key->text();
    if (!text.isEmpty())
        m_keys->Form_KeyPress(text.at(0).unicode());
    // Every key stops here: Tab must not walk the focus, Space and Return must not press the
    // focused button.
    return true;
}

void MainWindow::refreshKeyCaptions() {
    for (int n = 0; n < LetterSlotCount; ++n)
        Comnd[n]->setCaption(m_state.keyCaptions[n]);
}

void MainWindow::hyouji(QSize screenPixels) {
    m_screenPixels = screenPixels;
    m_zoom = effectiveKeyboardZoom(screenPixels, m_state.keyboardZoom);
    // The layout runs on the screen divided by the zoom; every figure is multiplied back.
    m_geometry = MainLayout(designScreenTwips(screenPixels, m_zoom)).hyouji();
    placeControls();
}

void MainWindow::placeControls() {
    applyZoom(this, m_zoom);
    placeArray(Comnd, m_geometry.Comnd);
    placeArray(Command3D1, m_geometry.Command3D1);
    placeArray(CMDM, m_geometry.CMDM);
    placeArray(CMDF, m_geometry.CMDF);
    placeArray(HAZURE, m_geometry.HAZURE);
    placeControl(Panel3D1, m_geometry.Panel3D1);
    // A picture on show is fitted into the new frame again, so it keeps its proportions.
    m_pictureAreaTwips = m_pictureShape.isEmpty()
                             ? m_geometry.Picture4
                             : fitKeyPicture(m_geometry.Panel3D1.size(), m_pictureShape).area;
    Picture4->setGeometry(twipsToPixels(m_pictureAreaTwips, m_zoom));
    nezu->setGeometry(twipsToPixels(m_geometry.nezu, m_zoom));
    Label2->setGeometry(twipsToPixels(m_geometry.Label2, m_zoom));
    QFont statusFont = keyFont();
    statusFont.setPointSizeF(12 * m_zoom);
    Label2->setFont(statusFont);
    placeControl(BITMEDT, m_geometry.BITMEDT);
    placeControl(midi_open, m_geometry.midi_open);
    placeControl(MIDISTOP, m_geometry.MIDISTOP);
    placeControl(KIOKUSU, m_geometry.KIOKUSU);
    placeControl(CLSB, m_geometry.CLSB);
    placeControl(SAISEI, m_geometry.SAISEI);
    placeControl(ChK, m_geometry.ChK);
}

void MainWindow::formLoad() {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    hyouji(screenRect.size());

    m_state.tables.DigitSoundTable.fill({});
    m_state.tables.KeySoundTable.fill({});
    m_state.tables.MidiTable.fill({});
    if (const Outcome loaded = LoadSettings(m_state); !loaded)
        m_dialogs.messageBox(loaded.message);
    refreshKeyCaptions();
    if (m_state.keyboardZoom > 0)
        hyouji(screenRect.size());
    // The settings window lives from here on, hidden; its check boxes show the flags just read.
    m_settings =
        std::make_unique<SettingsWindow>(m_state, m_dialogs, m_media, m_store, m_help, this);
    connect(m_settings.get(), &SettingsWindow::settingsApplied, this, &MainWindow::settingsApplied);
    m_dialogs.setMousePointer(MousePointer::Normal);
    m_state.CurrentFileName.clear();

    applyTransparency();
    setGeometry(screenRect);
    showFullScreen(); // over the desktop's panels too: nothing to click away to
    activateWindow(); // keys go to the play window from the first press on
    m_keys->startStartupTimer();
    m_dialogs.setMousePointer(MousePointer::Normal);
    m_state.CurrentFileName.clear();
}

void MainWindow::Form_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
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
    Form_MouseDown(event->button(), event->modifiers());
}

void MainWindow::openSettings() {
    m_keys->StopKeyMidi();
    if (m_settings)
        m_settings->showModal();
}

void MainWindow::settingsApplied() {
    refreshKeyCaptions();
    applyTransparency();
    if (!m_screenPixels.isEmpty())
        hyouji(m_screenPixels);
}

void MainWindow::applyTransparency() {
    m_transparency->setMode(m_state.flags.TomeiFlag ? Transparency::SeeThrough
                                                    : Transparency::Opaque);
    update();
}

int MainWindow::transparencyMode() const {
    return m_transparency->mode();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // Nothing a child can reach closes the play window; only the exit lock ends the program.
    StopWave(m_media.wave);
    event->ignore();
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (!m_screenPixels.isEmpty() && size() != m_screenPixels && !size().isEmpty())
        hyouji(size());
}

void MainWindow::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Picture4->update();
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
