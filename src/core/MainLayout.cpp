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
    return QRect(g.keyOriginX + d.dx, g.keyOriginY + d.dy, d.width, d.height);
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

MainScreenGeometry MainLayout::layoutMainScreen() const {
    MainScreenGeometry g;
    g.keyOriginX = half(std::int64_t(m_screen.width()) - 2 * KeyOriginLeftOfCentre);
    g.keyOriginY = m_screen.height() - KeyOriginAboveBottom;

    // The window is stretched over the whole screen, so its size is the screen's; a window that
    // is not maximised is centred, which puts it at (0, 0).
    const int W = m_screen.width();
    g.window = QRect(QPoint(0, 0), m_screen);

    const int labelWidth = W - StatusLineMargin;
    g.statusLine = QRect(half(std::int64_t(W) - labelWidth), g.keyOriginY + StatusLineBelowOrigin,
                         labelWidth, StatusLineHeight);
    g.mascot = fromOrigin(g, MascotDesign);
    placeKeyboard(g);
    g.pictureEditButton = QRect(PictureEditButtonLeft, g.keyOriginY + PictureEditButtonDesign.dy,
                                PictureEditButtonDesign.width, PictureEditButtonDesign.height);

    g.largeArrangement = isLarge(m_screen);
    if (g.largeArrangement)
        placeLargeArrangement(g);
    else
        placeSmallArrangement(g);

    const QSize panel = g.pictureFrame.size();
    const QSize picture(panel.width() - PictureAreaInset, panel.height() - PictureAreaInset);
    const QPoint pictureAt = centredOnScreen(panel, picture);
    g.pictureArea = QRect(pictureAt, picture);
    return g;
}

void MainLayout::placeKeyboard(MainScreenGeometry &g) const {
    placeArray(g, g.letterButtons, LetterButtonDesign);
    placeArray(g, g.digitButtons, DigitButtonDesign);
    placeArray(g, g.specialKeyButtons, SpecialKeyButtonDesign);
    placeArray(g, g.functionKeyButtons, FunctionKeyButtonDesign);
    placeArray(g, g.unassignedKeyButtons, UnassignedKeyButtonDesign);
}

void MainLayout::placeSmallArrangement(MainScreenGeometry &g) const {
    g.pictureFrame = QRect(PictureFrameSmallLeft, PictureFrameDesignTop, PictureFrameDesignWidth,
                           PictureFrameDesignHeight);
    g.stopPieceButton = fromOrigin(g, StopPieceButtonDesign);
    g.openingButton = fromOrigin(g, OpeningButtonDesign);
    g.clearMemoryButton = fromOrigin(g, ClearMemoryButtonDesign);
    g.memoryPlaybackButton = fromOrigin(g, MemoryPlaybackButtonDesign);
    g.memorySwitch = fromOrigin(g, MemorySwitchDesign);
    g.memoryCountPanel = fromOrigin(g, MemoryCountPanelDesign);
}

void MainLayout::placeLargeArrangement(MainScreenGeometry &g) const {
    // The window is borderless, so its inner area is the whole screen.
    const int W = m_screen.width();
    const int H = m_screen.height();
    auto fromCorner = [&](int right, int bottom, const ControlDesign &d) {
        return QRect(W - right, H - bottom, d.width, d.height);
    };
    g.stopPieceButton = fromCorner(1275, 3360, StopPieceButtonDesign);
    g.openingButton = fromCorner(1275, 3885, OpeningButtonDesign);
    g.clearMemoryButton = fromCorner(1200, 5040, ClearMemoryButtonDesign);
    g.memoryPlaybackButton = fromCorner(1200, 5670, MemoryPlaybackButtonDesign);
    g.memorySwitch = fromCorner(1200, 6300, MemorySwitchDesign);
    g.memoryCountPanel = fromCorner(1230, 4410, MemoryCountPanelDesign);

    const int h = H - PanelRoomBelow;
    const int w = int(roundHalfEven(std::int64_t(h) * 7, 5)); // h × 1.4 without float error
    const int room = W - PanelRoomBeside;
    if (room > w) {
        g.pictureFrame = QRect(half(std::int64_t(W) - w), PanelTop, w, h);
    } else {
        // Cut to the room left beside the side column. Its left edge is then 3375 / 2, a half
        // twip, which rounds to the even 1688.
        g.pictureFrame = QRect(half(std::int64_t(W) - room), PanelTop, room, h);
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

QRect splashGeometry(QSize screenTwips) {
    return QRect(centredOnScreen(screenTwips, SplashClientTwips), SplashClientTwips);
}

QRect splashGeometryInPixels(QSize screenPixels, double zoom) {
    if (!(zoom > 0.0))
        zoom = 1.0;
    const QSize size(twipsToPixels(SplashClientTwips.width(), zoom),
                     twipsToPixels(SplashClientTwips.height(), zoom));
    return QRect(centredOnScreen(screenPixels, size), size);
}

} // namespace pikoro
