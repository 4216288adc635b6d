#include "app/MainWindow.h"

#include "app/AppState.h"
#include "app/Dialogs.h"
#include "app/MainScreenDesign.h"
#include "app/SettingsFile.h"
#include "app/ThreeDControls.h"
#include "app/Transparency.h"
#include "media/MediaServices.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

QRect toPixels(const QRect &twips, double zoom)
{
    const int left = twipsToPixels(twips.left(), zoom);
    const int top = twipsToPixels(twips.top(), zoom);
    // Right and bottom edges are rounded on their own so touching controls keep touching.
    const int right = twipsToPixels(twips.left() + twips.width(), zoom);
    const int bottom = twipsToPixels(twips.top() + twips.height(), zoom);
    return {left, top, right - left, bottom - top};
}

QFont keyFont()
{
    QFont font(u"Noto Sans CJK JP"_s);
    font.setPointSize(9);
    font.setBold(true);
    return font;
}

template <std::size_t N>
void createArray(QWidget *parent, std::array<ThreeDButton *, N> &buttons,
                 const std::array<ControlDesign, N> &design)
{
    for (std::size_t i = 0; i < N; ++i) {
        auto *button = new ThreeDButton(parent, int(i));
        button->setCaption(design[i].caption.toString());
        button->setCaptionFont(keyFont());
        buttons[i] = button;
    }
}

ThreeDButton *createButton(QWidget *parent, const ControlDesign &design)
{
    auto *button = new ThreeDButton(parent);
    button->setCaption(design.caption.toString());
    button->setCaptionFont(keyFont());
    return button;
}

template <std::size_t N>
void placeArray(const std::array<ThreeDButton *, N> &buttons, const std::array<QRect, N> &rects)
{
    for (std::size_t i = 0; i < N; ++i)
        buttons[i]->setGeometryTwips(rects[i].x(), rects[i].y(), rects[i].width(),
                                     rects[i].height());
}

void placeControl(ThreeDControl *control, const QRect &r)
{
    control->setGeometryTwips(r.x(), r.y(), r.width(), r.height());
}

} // namespace

PictureArea::PictureArea(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureArea::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_scaled = {};
    update();
}

void PictureArea::clearPicture()
{
    setPicture({});
}

void PictureArea::resizeEvent(QResizeEvent *event)
{
    m_scaled = {};
    QWidget::resizeEvent(event);
}

void PictureArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_picture.isNull())
        return;
    if (m_scaled.size() != size())
        m_scaled = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(0, 0, m_scaled);
}

MainWindow::MainWindow(AppState &state, Dialogs &dialogs, WavePlayer *wave, QWidget *parent)
    : QWidget(parent), m_state(state), m_dialogs(dialogs), m_wave(wave)
{
    setWindowTitle(u"ピコロ"_s);
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    createControls();
    m_transparency = std::make_unique<WindowTransparency>(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
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
}

void MainWindow::refreshKeyCaptions()
{
    for (int n = 0; n < LetterSlotCount; ++n)
        Comnd[n]->setCaption(m_state.keyCaptions[n]);
}

void MainWindow::hyouji(QSize screenPixels)
{
    m_screenPixels = screenPixels;
    m_zoom = automaticZoom(screenPixels);
    // The layout runs on the screen divided by the zoom; every figure is multiplied back.
    const QSize designTwips(int(screenPixels.width() * TwipsPerPixel / m_zoom),
                            int(screenPixels.height() * TwipsPerPixel / m_zoom));
    m_geometry = MainLayout(designTwips).hyouji();
    placeControls();
}

void MainWindow::placeControls()
{
    applyZoom(this, m_zoom);
    placeArray(Comnd, m_geometry.Comnd);
    placeArray(Command3D1, m_geometry.Command3D1);
    placeArray(CMDM, m_geometry.CMDM);
    placeArray(CMDF, m_geometry.CMDF);
    placeArray(HAZURE, m_geometry.HAZURE);
    placeControl(Panel3D1, m_geometry.Panel3D1);
    Picture4->setGeometry(toPixels(m_geometry.Picture4, m_zoom));
    nezu->setGeometry(toPixels(m_geometry.nezu, m_zoom));
    Label2->setGeometry(toPixels(m_geometry.Label2, m_zoom));
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

void MainWindow::formLoad()
{
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
    m_dialogs.setMousePointer(MousePointer::Normal);
    m_state.CurrentFileName.clear();

    applyTransparency();
    setGeometry(screenRect);
    show();
    QTimer::singleShot(50, this, [this] {
        if (startupTick)
            startupTick();
    });
    m_dialogs.setMousePointer(MousePointer::Normal);
    m_state.CurrentFileName.clear();
}

void MainWindow::applyTransparency()
{
    m_transparency->setMode(m_state.flags.TomeiFlag ? Transparency::SeeThrough
                                                    : Transparency::Opaque);
    update();
}

int MainWindow::transparencyMode() const
{
    return m_transparency->mode();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Nothing a child can reach closes the play window; only the exit lock ends the program.
    if (m_wave)
        StopWave(*m_wave);
    event->ignore();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_screenPixels.isEmpty() && size() != m_screenPixels && !size().isEmpty())
        hyouji(size());
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Picture4->update();
    QWidget::changeEvent(event);
}

void MainWindow::paintEvent(QPaintEvent *)
{
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
