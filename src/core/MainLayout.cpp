#include "core/MainLayout.h"

#include <algorithm>
#include <cmath>

namespace pikoro {

namespace {

// Design screen of the automatic zoom, in pixels.
constexpr double DesignScreenWidth = 800.0;
constexpr double DesignScreenHeight = 600.0;

// The smallest screen the design was made for, 640 × 480 pixels (twips).
constexpr int SmallestScreenWidth = 9600;
constexpr int SmallestScreenHeight = 7200;

// The large arrangement needs more than this (window width and height, twips).
constexpr int LargeMinWidth = 9630;
constexpr int LargeMinHeight = 7230;

// Large arrangement: the picture frame keeps this much room below it for the keyboard, and
// this much beside it for the side column; its aspect is 7 : 5.
constexpr int PanelRoomBelow = 3600;
constexpr int PanelRoomBeside = 3375;
constexpr int PanelTop = 300;

int half(std::int64_t value) {
    return int(roundHalfEven(value, 2));
}

QRect fromOrigin(const MainScreenGeometry &g, const ControlDesign &d) {
    return QRect(g.KeyOriginX + d.dx, g.KeyOriginY + d.dy, d.width, d.height);
}

template <std::size_t N>
void placeArray(const MainScreenGeometry &g, std::array<QRect, N> &rects,
                const std::array<ControlDesign, N> &design) {
    for (std::size_t i = 0; i < N; ++i)
        rects[i] = fromOrigin(g, design[i]);
}

// A whole number nearest to value, halves to even (the default floating-point rounding).
int roundToInt(double value) {
    return int(std::nearbyint(value));
}

} // namespace

bool MainLayout::isLarge(QSize windowTwips) {
    return windowTwips.width() > LargeMinWidth && windowTwips.height() > LargeMinHeight;
}

MainScreenGeometry MainLayout::hyouji() const {
    return layOut(m_screen);
}

MainScreenGeometry MainLayout::formResize(QSize windowTwips) const {
    return layOut(windowTwips);
}

MainScreenGeometry MainLayout::layOut(QSize laidOutSize) const {
    MainScreenGeometry g;
    g.Label4 = QRect(0, laidOutSize.height() + Label4BelowBottom, Label4Width, Label4Height);
    g.KeyOriginX = half(std::int64_t(laidOutSize.width()) - 2 * KeyOriginLeftOfCentre);
    g.KeyOriginY = laidOutSize.height() - KeyOriginAboveBottom;

    // From here on the window has been stretched over the whole screen, so its size is the
    // screen's; a window that is not maximised is centred, which puts it at (0, 0).
    const int W = m_screen.width();
    g.window = QRect(QPoint(0, 0), m_screen);

    const int labelWidth = W - Label2Margin;
    g.Label2 = QRect(half(std::int64_t(W) - labelWidth), g.KeyOriginY + Label2Below, labelWidth,
                     Label2Height);
    g.nezu = fromOrigin(g, nezuDesign);
    placeKeyboard(g);
    g.BITMEDT = QRect(BITMEDTLeft, g.KeyOriginY + BITMEDTDesign.dy, BITMEDTDesign.width,
                      BITMEDTDesign.height);

    g.largeArrangement = isLarge(m_screen);
    if (g.largeArrangement)
        placeLargeArrangement(g);
    else
        placeSmallArrangement(g);

    const QSize panel = g.Panel3D1.size();
    const QSize picture(panel.width() - Picture4Inset, panel.height() - Picture4Inset);
    const QPoint pictureAt = centredOnScreen(panel, picture);
    g.Picture4 = QRect(pictureAt, picture);

    // The picture area has no border, so its inner size is its outer size.
    const int midX = half(picture.width());
    const int midY = half(picture.height());
    g.main = QRect(midX + SpriteOffset, midY + SpriteOffset, SpriteSize, SpriteSize);
    g.main2 = QRect(midX - SpriteOffset, midY - SpriteOffset, SpriteSize, SpriteSize);
    return g;
}

void MainLayout::placeKeyboard(MainScreenGeometry &g) const {
    placeArray(g, g.Comnd, ComndDesign);
    placeArray(g, g.Command3D1, Command3D1Design);
    placeArray(g, g.CMDM, CMDMDesign);
    placeArray(g, g.CMDF, CMDFDesign);
    placeArray(g, g.HAZURE, HAZUREDesign);
}

void MainLayout::placeSmallArrangement(MainScreenGeometry &g) const {
    g.Panel3D1 =
        QRect(Panel3D1SmallLeft, Panel3D1DesignTop, Panel3D1DesignWidth, Panel3D1DesignHeight);
    g.MIDISTOP = fromOrigin(g, MIDISTOPDesign);
    g.midi_open = fromOrigin(g, midi_openDesign);
    g.CLSB = fromOrigin(g, CLSBDesign);
    g.SAISEI = fromOrigin(g, SAISEIDesign);
    g.ChK = fromOrigin(g, ChKDesign);
    g.KIOKUSU = fromOrigin(g, KIOKUSUDesign);
}

void MainLayout::placeLargeArrangement(MainScreenGeometry &g) const {
    // The window is borderless, so its inner area is the whole screen.
    const int W = m_screen.width();
    const int H = m_screen.height();
    auto fromCorner = [&](int right, int bottom, const ControlDesign &d) {
        return QRect(W - right, H - bottom, d.width, d.height);
    };
    g.MIDISTOP = fromCorner(1275, 3360, MIDISTOPDesign);
    g.midi_open = fromCorner(1275, 3885, midi_openDesign);
    g.CLSB = fromCorner(1200, 5040, CLSBDesign);
    g.SAISEI = fromCorner(1200, 5670, SAISEIDesign);
    g.ChK = fromCorner(1200, 6300, ChKDesign);
    g.KIOKUSU = fromCorner(1230, 4410, KIOKUSUDesign);

    const int h = H - PanelRoomBelow;
    const int w = int(roundHalfEven(std::int64_t(h) * 7, 5)); // h × 1.4 without float error
    const int room = W - PanelRoomBeside;
    if (room > w) {
        g.Panel3D1 = QRect(half(std::int64_t(W) - w), PanelTop, w, h);
    } else {
        // Cut to the room left beside the side column. Its left edge is then 3375 / 2, a half
        // twip, which rounds to the even 1688.
        g.Panel3D1 = QRect(half(std::int64_t(W) - room), PanelTop, room, h);
    }
}

double automaticZoom(QSize screenPixels) {
    const double zoom = std::min(screenPixels.width() / DesignScreenWidth,
                                 screenPixels.height() / DesignScreenHeight);
    return std::max(1.0, zoom);
}

QSize designScreenTwips(QSize screenPixels, double zoom) {
    return QSize(roundToInt(screenPixels.width() * double(TwipsPerPixel) / zoom),
                 roundToInt(screenPixels.height() * double(TwipsPerPixel) / zoom));
}

PixelLayout layoutInPixels(QSize screenPixels, std::optional<double> zoom) {
    PixelLayout result;
    result.zoom = zoom.value_or(automaticZoom(screenPixels));
    if (!(result.zoom > 0.0))
        result.zoom = 1.0;
    result.fontScale = result.zoom;

    const double z = result.zoom;
    MainScreenGeometry g = MainLayout(designScreenTwips(screenPixels, z)).hyouji();

    g.forEachRect([z](QRect &r) {
        r = QRect(twipsToPixels(r.x(), z), twipsToPixels(r.y(), z), twipsToPixels(r.width(), z),
                  twipsToPixels(r.height(), z));
    });
    g.KeyOriginX = twipsToPixels(g.KeyOriginX, z);
    g.KeyOriginY = twipsToPixels(g.KeyOriginY, z);
    // The design screen was rounded to whole twips; the window covers the real screen exactly.
    g.window = QRect(QPoint(0, 0), screenPixels);
    result.geometry = g;
    return result;
}

bool keyboardZoomFits(QSize screenPixels, double zoom) {
    if (!(zoom > 0.0))
        return false;
    const QSize design = designScreenTwips(screenPixels, zoom);
    return design.width() >= SmallestScreenWidth && design.height() >= SmallestScreenHeight;
}

double effectiveKeyboardZoom(QSize screenPixels, double chosenZoom) {
    return keyboardZoomFits(screenPixels, chosenZoom) ? chosenZoom : automaticZoom(screenPixels);
}

QPoint centredOnScreen(QSize screen, QSize window) {
    return QPoint(half(std::int64_t(screen.width()) - window.width()),
                  half(std::int64_t(screen.height()) - window.height()));
}

QRect nowreadGeometry(QSize screenTwips) {
    return QRect(centredOnScreen(screenTwips, NowreadClientTwips), NowreadClientTwips);
}

QRect nowreadGeometryInPixels(QSize screenPixels, double zoom) {
    if (!(zoom > 0.0))
        zoom = 1.0;
    const QSize size(twipsToPixels(NowreadClientTwips.width(), zoom),
                     twipsToPixels(NowreadClientTwips.height(), zoom));
    return QRect(centredOnScreen(screenPixels, size), size);
}

} // namespace pikoro
