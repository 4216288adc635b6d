#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace pikoro {

// Where a key picture goes inside the picture panel.
struct PictureFit {
    // The picture area in twips, relative to the picture frame.
    QRect area;
    // The stretch destination in whole pixels (the scale size of Picture3).
    QSize destinationPixels;
};

// drawKeyPicture's fitting rule. The box is the panel less 400 twips each way; the picture
// (its size in pixels) is fitted into it with its proportions kept, as the largest rectangle
// of that proportion, and centred in the panel. In an exactly square box a picture that is not
// square is not fitted: it fills the whole box. Sizes and positions are rounded to whole twips
// (halves to the even neighbour). A picture with no size leaves the box as it is.
PictureFit fitKeyPicture(const QSize &panelTwips, const QSize &picturePixels);

// The picture type remembered between key actions: the text after the first "." of the
// holder's path, or the previous one when the path has no dot.
QString nextPictureExtension(const QString &holderPath, const QString &previousExtension);

// True when the remembered type is exactly "wmf" (lower case): such a metafile is handed to
// the picture area as it is, without fitting. "WMF" is fitted like a bitmap.
bool showsPictureUnfitted(const QString &extension);

} // namespace pikoro
