#include "media/Dib.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

// Pictures larger than this are refused rather than allocated (a corrupt header could
// otherwise ask for gigabytes).
constexpr qint64 MaxPixels = qint64(16384) * 16384;

quint16 u16At(QByteArrayView d, qsizetype at) {
    return qFromLittleEndian<quint16>(d.data() + at);
}
quint32 u32At(QByteArrayView d, qsizetype at) {
    return qFromLittleEndian<quint32>(d.data() + at);
}

// Uncompressed 24-bit pixels, the commonest bitmap, converted row by row: several times faster
// than the image reader, which matters for a large photo saved as a bitmap.
QImage decodeRgb24(QByteArrayView dib, qsizetype bitsStart, qsizetype rowBytes, int width,
                   int height, bool bottomUp) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const auto *bits = reinterpret_cast<const uchar *>(dib.data()) + bitsStart;
    for (int y = 0; y < height; ++y) {
        const uchar *in = bits + rowBytes * (bottomUp ? height - 1 - y : y);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    return image;
}

bool fail(QString *errorString, const QString &why) {
    if (errorString)
        *errorString = why;
    return false;
}

} // namespace

QImage decodeDib(QByteArrayView dib, qsizetype bitsOffset, QString *errorString) {
    if (dib.size() < 12) {
        fail(errorString, u"ビットマップのヘッダーが途中で切れています"_s);
        return {};
    }
    const quint32 headerSize = u32At(dib, 0);
    if (headerSize < 12 || headerSize > quint32(dib.size()) ||
        (headerSize > 12 && headerSize < 16)) {
        fail(errorString,
             u"ビットマップのヘッダーの大きさ（%1）がデータに合いません"_s.arg(headerSize));
        return {};
    }
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    quint32 compression = 0;
    qint64 colours = 0;
    int colourEntrySize = 4;
    if (headerSize == 12) {
        width = u16At(dib, 4);
        height = u16At(dib, 6);
        bitCount = u16At(dib, 10);
        colourEntrySize = 3;
        colours = bitCount <= 8 ? (1 << bitCount) : 0;
    } else {
        width = qint32(u32At(dib, 4));
        height = qint32(u32At(dib, 8));
        bitCount = u16At(dib, 14);
        compression = headerSize >= 20 ? u32At(dib, 16) : 0;
        const quint32 used = headerSize >= 36 ? u32At(dib, 32) : 0;
        colours = used != 0 ? qint64(used) : (bitCount <= 8 ? (1 << bitCount) : 0);
        // Colour masks follow a plain info header when the pixels are bit fields.
        if (compression == 3 && headerSize == 40)
            colours += 3;
    }
    const qint64 absHeight = height < 0 ? -height : height;
    if (width <= 0 || absHeight == 0 || width * absHeight > MaxPixels) {
        fail(errorString, u"ビットマップの大きさ（%1 × %2）は扱えません"_s.arg(width).arg(height));
        return {};
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        fail(errorString, u"ビットマップの色の深さ（%1 ビット）は扱えません"_s.arg(bitCount));
        return {};
    }
    if (compression > 3) {
        fail(errorString, u"ビットマップの圧縮形式（%1）は扱えません"_s.arg(compression));
        return {};
    }
    if (colours > 256 + 3) {
        fail(errorString, u"ビットマップの色テーブルが長すぎます"_s);
        return {};
    }
    const qint64 tableEnd = headerSize + colours * colourEntrySize;
    const qint64 bitsStart = bitsOffset < 0 ? tableEnd : bitsOffset;
    if (tableEnd > dib.size() || bitsStart < tableEnd || bitsStart > dib.size()) {
        fail(errorString, u"ビットマップの色テーブルが途中で切れています"_s);
        return {};
    }
    const qint64 rowBytes = ((width * bitCount + 31) / 32) * 4;
    const bool runLength = compression == 1 || compression == 2;
    if (!runLength && bitsStart + rowBytes * absHeight > dib.size()) {
        fail(errorString, u"ビットマップの画素が途中で切れています"_s);
        return {};
    }
    if (runLength && bitsStart >= dib.size()) {
        fail(errorString, u"ビットマップの画素がありません"_s);
        return {};
    }

    if (bitCount == 24 && compression == 0) {
        QImage image =
            decodeRgb24(dib, bitsStart, rowBytes, int(width), int(absHeight), height > 0);
        if (image.isNull())
            fail(errorString, u"ビットマップを読み込めません"_s);
        return image;
    }

    // The image reader wants a whole .bmp file: put a file header in front.
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), file.data() + 2);
    qToLittleEndian<quint32>(quint32(14 + bitsStart), file.data() + 10);
    file.append(dib.data(), dib.size());
    QImage image;
    if (!image.loadFromData(file, "BMP")) {
        fail(errorString, u"ビットマップを読み込めません"_s);
        return {};
    }
    // The reader keeps pixel indices past a short colour table (run-length data may hold any),
    // and drawing such an image reads past the table: give every index a colour, black.
    if (const int depth = image.depth(); depth <= 8 && image.colorCount() < (1 << depth)) {
        QList<QRgb> table = image.colorTable();
        table.resize(1 << depth, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    return image;
}

} // namespace pikoro
