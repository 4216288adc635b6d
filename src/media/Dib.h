#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace pikoro {

// Decodes a device-independent bitmap: a BITMAPINFOHEADER or BITMAPCOREHEADER, its colour
// table and its pixel rows. bitsOffset is where the rows start inside dib, or -1 when they
// follow the colour table directly (the packed form used inside metafiles). Every size is
// checked against the data first, so a short or inconsistent bitmap gives a null image and a
// reason in errorString instead of a read past the end.
QImage decodeDib(QByteArrayView dib, qsizetype bitsOffset, QString *errorString);

} // namespace pikoro
