#pragma once

#include "core/MainScreenDesign.h"
#include "core/Twips.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>

// Where every control of the main screen goes for a given screen and window size.
//
// The layout is computed in twips, as designed, but in 32-bit integers: a 2560-pixel screen is
// 38400 twips wide, more than the 16 bits the design figures were once held in. Every screen
// that fits in 16 bits gets exactly the designed figures.
//
// For today's large screens the window runs the layout on the screen size divided by a zoom
// factor (designScreenTwips) and multiplies every position and size by it when it turns them
// into pixels, so the keyboard grows instead of shrinking to a strip along the bottom.
namespace pikoro {

// num / den rounded to the nearest integer, halves to the even neighbour. den must be > 0.
constexpr std::int64_t roundHalfEven(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) { // make the remainder non-negative so q is the floor
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0))
        ++q;
    return q;
}

// The geometry of every control that the main-screen layout places, in twips.
// Arrays are indexed like the control arrays.
struct MainScreenGeometry {
    int keyOriginX = 0;
    int keyOriginY = 0;
    bool largeArrangement = false;

    QRect window; // the main window, always the whole screen

    std::array<QRect, LetterButtonCount> letterButtons;
    std::array<QRect, DigitButtonCount> digitButtons;
    std::array<QRect, SpecialKeyButtonCount> specialKeyButtons;
    std::array<QRect, FunctionKeyButtonCount> functionKeyButtons;
    std::array<QRect, UnassignedKeyButtonCount> unassignedKeyButtons;

    QRect pictureFrame;
    QRect pictureArea; // relative to pictureFrame

    QRect mascot;
    QRect statusLine;
    QRect pictureEditButton;
    QRect openingButton;
    QRect stopPieceButton;
    QRect memoryCountPanel;
    QRect clearMemoryButton;
    QRect memoryPlaybackButton;
    QRect memorySwitch;

    bool operator==(const MainScreenGeometry &) const = default;
};

// The main-screen layout for one screen. Both entry points run the common layout; they differ
// only in the size the keyboard origin is taken from.
class MainLayout {
public:
    // screenTwips: the whole screen in twips; the main window is always sized to it.
    explicit MainLayout(QSize screenTwips) : m_screen(screenTwips) {}

    // Layout while the main window loads: the keyboard origin comes from the screen size.
    MainScreenGeometry layoutMainScreen() const;

    // The large arrangement is used when the window is wider than 9630 and taller than 7230.
    static bool isLarge(QSize windowTwips);

private:
    void placeKeyboard(MainScreenGeometry &g) const;
    void placeSmallArrangement(MainScreenGeometry &g) const;
    void placeLargeArrangement(MainScreenGeometry &g) const;

    QSize m_screen;
};

// The largest zoom at which an 800 × 600 pixel design screen still fits screenPixels, never
// below 1. Fractional: a 1920 × 1080 screen gets 1.8.
double automaticZoom(QSize screenPixels);

// The screen a zoomed layout runs on: screenPixels divided by zoom, in whole twips.
QSize designScreenTwips(QSize screenPixels, double zoom);

// True when the screen divided by the zoom is still at least the 640 × 480 pixels the design
// was made for. On anything smaller the picture frame comes down over the keys and the keys
// and the side column run off the screen.
bool keyboardZoomFits(QSize screenPixels, double zoom);

// The zoom the main screen uses for a chosen keyboard zoom (0 = automatic): the chosen one
// when it fits the screen, otherwise the automatic one.
double effectiveKeyboardZoom(QSize screenPixels, double chosenZoom);

// Top-left corner that centres a window of size window on a screen of size screen:
// ((screen − window) / 2) each way, halves to even. Works in any unit.
QPoint centredOnScreen(QSize screen, QSize window);

// The splash window: a 5460 × 2580 twip client area centred on the screen (twips).
inline constexpr QSize SplashClientTwips{5460, 2580};
QRect splashGeometry(QSize screenTwips);
// The same in pixels, its size multiplied by zoom.
QRect splashGeometryInPixels(QSize screenPixels, double zoom);

} // namespace pikoro
