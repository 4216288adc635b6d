#pragma once

// Builders for the picture files the tests need: metafiles, icons and DIBs written byte by
// byte, so every field is the one the test means.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QtEndian>

#include <initializer_list>

namespace pikoro::test {
// Appends little-endian 16-bit (U = quint16) or 32-bit (U = quint32) values.
template <class U> void put(QByteArray &out, std::initializer_list<qint64> values) {
    for (qint64 v : values) {
        char b[sizeof(U)];
        qToLittleEndian(U(v), b);
        out.append(b, sizeof(U));
    }
}

// Writes metafile records; parameters are 16-bit words in the file's own (reversed) order.
class WmfWriter {
public:
    WmfWriter &record(quint16 function, std::initializer_list<int> words) {
        QByteArray params;
        for (int w : words)
            put<quint16>(params, {w});
        return raw(function, params);
    }
    WmfWriter &raw(quint16 function, const QByteArray &params) {
        put<quint32>(m_records, {3 + params.size() / 2});
        put<quint16>(m_records, {function});
        m_records.append(params);
        return *this;
    }
    WmfWriter &solidBrush(QColor c) {
        return record(0x02FC, {0, c.red() | (c.green() << 8), c.blue(), 0});
    }
    WmfWriter &pen(int style, int width, QColor c) {
        return record(0x02FA, {style, width, 0, c.red() | (c.green() << 8), c.blue()});
    }
    WmfWriter &select(int index) { return record(0x012D, {index}); }
    WmfWriter &remove(int index) { return record(0x01F0, {index}); }
    WmfWriter &windowOrg(int x, int y) { return record(0x020B, {y, x}); }
    WmfWriter &windowExt(int x, int y) { return record(0x020C, {y, x}); }
    WmfWriter &rectangle(int l, int t, int r, int b) { return record(0x041B, {b, r, t, l}); }
    WmfWriter &ellipse(int l, int t, int r, int b) { return record(0x0418, {b, r, t, l}); }

    QByteArray plain(int objects = 8) const {
        QByteArray out, body = m_records;
        put<quint16>(body, {3, 0, 0}); // end-of-file record
        put<quint16>(out, {1, 9, 0x0300, (18 + body.size()) / 2, 0, objects, 0, 0, 0});
        return out + body;
    }
    QByteArray placeable(int left, int top, int right, int bottom, int unitsPerInch) const {
        QByteArray head;
        put<quint32>(head, {0x9AC6CDD7});
        put<quint16>(head, {0, left, top, right, bottom, unitsPerInch, 0, 0});
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= qFromLittleEndian<quint16>(head.constData() + 2 * i);
        put<quint16>(head, {sum});
        return head + plain();
    }

private:
    QByteArray m_records;
};

// A packed 24-bit DIB (info header and upright rows) of the given pixels.
inline QByteArray dib24(const QImage &image) {
    QByteArray out;
    const int rowBytes = ((image.width() * 24 + 31) / 32) * 4;
    put<quint32>(out, {40, image.width(), image.height(), 1 | (24 << 16), 0,
                       rowBytes * image.height(), 0, 0, 0, 0});
    const QImage rgb = image.convertToFormat(QImage::Format_BGR888).mirrored();
    for (int y = 0; y < rgb.height(); ++y)
        out += QByteArray(reinterpret_cast<const char *>(rgb.constScanLine(y)), rowBytes);
    return out;
}

// An icon file holding one 32-bit image per colour, of the given sizes.
inline QByteArray iconFile(const QList<QPair<int, QColor>> &images) {
    QByteArray dir, bodies;
    put<quint16>(dir, {0, 1, images.size()});
    for (const auto &[side, colour] : images) {
        QByteArray body;
        // Colour rows and mask rows; one plane of 32 bits.
        put<quint32>(body, {40, side, side * 2, 1 | (32 << 16), 0, 0, 0, 0, 0, 0});
        for (int i = 0; i < side * side; ++i)
            put<quint32>(body, {colour.rgba()});
        body.append(QByteArray(((side + 31) / 32) * 4 * side, '\0')); // the mask
        // Width and height bytes (0 would mean 256; the header inside counts).
        put<quint16>(dir, {side | (side << 8), 0, 1, 32});
        put<quint32>(dir, {body.size(), 6 + 16 * images.size() + bodies.size()});
        bodies += body;
    }
    return dir + bodies;
}

inline QByteArray encoded(const QImage &image, const char *format, int quality = -1) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return out;
}

// A 1 x 1 GIF whose one pixel is red.
inline QByteArray redGif() {
    return QByteArray::fromHex("474946383961010001008000" // header, screen, global table
                               "00ff0000000000"           // table: red, black
                               "2c00000000010001000002024401003b");
}

} // namespace pikoro::test
