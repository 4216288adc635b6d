#include "core/Twips.h"

#include <cmath>

namespace pikoro {

int twipsToPixels(int twips, double zoom) {
    return int(std::nearbyint(double(twips) * zoom / TwipsPerPixel));
}

QRect twipsToPixels(const QRect &twips, double zoom) {
    const int left = twipsToPixels(twips.x(), zoom);
    const int top = twipsToPixels(twips.y(), zoom);
    const int right = twipsToPixels(twips.x() + twips.width(), zoom);
    const int bottom = twipsToPixels(twips.y() + twips.height(), zoom);
    return {left, top, right - left, bottom - top};
}

} // namespace pikoro
