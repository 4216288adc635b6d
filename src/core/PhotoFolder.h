#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pikoro {

// One picture of a photo folder on a key: its row in the settings window's picture list
// (0-9 the digits, 10-35 the letters A-Z) and its file name.
struct PhotoPlacement {
    int row = 0;
    QString fileName;

    bool operator==(const PhotoPlacement &) const = default;
};

struct PhotoFolderPlan {
    QList<PhotoPlacement> placements; // in list order
    QStringList leftOut;              // more pictures than letter and digit keys
};

// Puts the pictures of one folder on the letter and digit keys. A name that begins with a letter
// ("Anna.jpg" and "anna.jpg" → A; full-width letters too) or, in kana mode, with the kana a key
// carries ("ばあば.jpg" → は → F; katakana and half-width kana too) goes to that key, the first
// in name order winning; the others fill the keys still free, A-Z and then 0-9, in name order
// (numbers in names counted as numbers: "IMG_2" before "IMG_10").
PhotoFolderPlan planPhotoFolder(QStringList fileNames, bool kana);

} // namespace pikoro
