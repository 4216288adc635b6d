#include "core/PictureFit.h"

#include "core/SettingsFile.h"
#include "core/Twips.h"

#include <cmath>

namespace pikoro {

namespace {

constexpr int BoxMargin = 400;

// Rounds to the nearest integer, halves to the even neighbour.
int roundEven(double value) {
    return int(std::nearbyint(value));
}

} // namespace

PictureFit fitKeyPicture(const QSize &panelTwips, const QSize &picturePixels) {
    const int boxW = qMax(0, panelTwips.width() - BoxMargin);
    const int boxH = qMax(0, panelTwips.height() - BoxMargin);
    // The box's own proportion is taken from its scale size, which is in whole pixels.
    const double scaleW = roundEven(double(boxW) / TwipsPerPixel);
    const double scaleH = roundEven(double(boxH) / TwipsPerPixel);
    const double pw = picturePixels.width();
    const double ph = picturePixels.height();
    double w = boxW;
    double h = boxH;

    if (pw > 0 && ph > 0) {
        if (pw == ph) {
            if (boxH <= boxW)
                w = boxH;
            else
                h = boxW;
        } else if (pw > ph) {
            const double r = pw / ph;
            if (boxW < boxH) {
                h = boxW / r;
            } else if (boxW > boxH) {
                if (scaleH > 0 && scaleW / scaleH < r)
                    h = boxW / r;
                else
                    w = boxH * r;
            }
        } else {
            const double r = ph / pw;
            if (boxW > boxH) {
                w = boxH / r;
            } else if (boxW < boxH && scaleW > 0) {
                const double box = scaleH / scaleW;
                if (box < r)
                    w = boxH / r;
                else if (box > r)
                    h = boxW * r;
            }
        }
    }

    const int width = roundEven(w);
    const int height = roundEven(h);
    PictureFit fit;
    fit.area = QRect(roundEven((panelTwips.width() - width) / 2.0),
                     roundEven((panelTwips.height() - height) / 2.0), width, height);
    fit.destinationPixels =
        QSize(roundEven(double(width) / TwipsPerPixel), roundEven(double(height) / TwipsPerPixel));
    return fit;
}

QString nextPictureExtension(const QString &holderPath, const QString &previousExtension) {
    return splitNameAtFirstDot(holderPath, previousExtension).second;
}

bool showsPictureUnfitted(const QString &extension) {
    return extension == u"wmf";
}

} // namespace pikoro
