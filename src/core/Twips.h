#pragma once

#include <QRect>

// Positions and sizes of the windows are designed in twips: 15 to a pixel at 96 dots per inch.
// The keyboard zoom multiplies them on today's larger screens.
namespace pikoro {

inline constexpr int TwipsPerPixel = 15;

// A length in twips scaled by zoom to whole pixels, halves to the even neighbour.
int twipsToPixels(int twips, double zoom = 1.0);

// A rectangle in twips in pixels. Right and bottom edges are rounded on their own, so controls
// that touch in twips still touch on screen at every zoom.
QRect twipsToPixels(const QRect &twips, double zoom);

} // namespace pikoro
