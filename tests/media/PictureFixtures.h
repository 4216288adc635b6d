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

inline void putU16(QByteArray &out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

inline void putU32(QByteArray &out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

inline quint32 colorRef(QColor c) {
    return quint32(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// Writes metafile records; parameters are 16-bit words in the file's own (reversed) order.
class WmfWriter {
public:
    WmfWriter &record(quint16 function, std::initializer_list<int> words) {
        putU32(m_records, quint32(3 + words.size()));
        putU16(m_records, function);
        for (int w : words)
            putU16(m_records, quint16(w));
        return *this;
    }
    WmfWriter &raw(quint16 function, const QByteArray &params) {
        putU32(m_records, quint32(3 + params.size() / 2));
        putU16(m_records, function);
        m_records.append(params);
        return *this;
    }
    WmfWriter &solidBrush(QColor c) {
        const quint32 ref = colorRef(c);
        return record(0x02FC, {0, int(ref & 0xFFFF), int(ref >> 16), 0});
    }
    WmfWriter &pen(int style, int width, QColor c) {
        const quint32 ref = colorRef(c);
        return record(0x02FA, {style, width, 0, int(ref & 0xFFFF), int(ref >> 16)});
    }
    WmfWriter &select(int index) { return record(0x012D, {index}); }
    WmfWriter &remove(int index) { return record(0x01F0, {index}); }
    WmfWriter &windowOrg(int x, int y) { return record(0x020B, {y, x}); }
    WmfWriter &windowExt(int x, int y) { return record(0x020C, {y, x}); }
    WmfWriter &rectangle(int l, int t, int r, int b) { return record(0x041B, {b, r, t, l}); }
    WmfWriter &ellipse(int l, int t, int r, int b) { return record(0x0418, {b, r, t, l}); }

    QByteArray plain(int objects = 8) const {
        QByteArray out;
        QByteArray body = m_records;
        putU32(body, 3); // end-of-file record
        putU16(body, 0);
        putU16(out, 1);
        putU16(out, 9);
        putU16(out, 0x0300);
        putU32(out, quint32((18 + body.size()) / 2));
        putU16(out, quint16(objects));
        putU32(out, 0);
        putU16(out, 0);
        return out + body;
    }
    QByteArray placeable(int left, int top, int right, int bottom, int unitsPerInch) const {
        QByteArray head;
        putU32(head, 0x9AC6CDD7);
        putU16(head, 0);
        putU16(head, quint16(left));
        putU16(head, quint16(top));
        putU16(head, quint16(right));
        putU16(head, quint16(bottom));
        putU16(head, quint16(unitsPerInch));
        putU32(head, 0);
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= qFromLittleEndian<quint16>(head.constData() + 2 * i);
        putU16(head, sum);
        return head + plain();
    }

private:
    QByteArray m_records;
};

// A packed 24-bit DIB (info header and upright rows) of the given pixels.
inline QByteArray dib24(const QImage &image) {
    QByteArray out;
    const int rowBytes = ((image.width() * 24 + 31) / 32) * 4;
    putU32(out, 40);
    putU32(out, quint32(image.width()));
    putU32(out, quint32(image.height()));
    putU16(out, 1);
    putU16(out, 24);
    putU32(out, 0);
    putU32(out, quint32(rowBytes * image.height()));
    for (int i = 0; i < 4; ++i)
        putU32(out, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            row.append(char(c.blue())).append(char(c.green())).append(char(c.red()));
        }
        row.append(QByteArray(rowBytes - row.size(), '\0'));
        out += row;
    }
    return out;
}

// An icon file holding one 32-bit image per colour, of the given sizes.
inline QByteArray iconFile(const QList<QPair<int, QColor>> &images) {
    QByteArray dir;
    QByteArray bodies;
    putU16(dir, 0);
    putU16(dir, 1);
    putU16(dir, quint16(images.size()));
    const int firstOffset = 6 + 16 * int(images.size());
    for (const auto &[side, colour] : images) {
        QByteArray body;
        putU32(body, 40);
        putU32(body, quint32(side));
        putU32(body, quint32(side * 2)); // colour rows and mask rows
        putU16(body, 1);
        putU16(body, 32);
        for (int i = 0; i < 6; ++i)
            putU32(body, 0);
        for (int i = 0; i < side * side; ++i) {
            body.append(char(colour.blue())).append(char(colour.green()));
            body.append(char(colour.red())).append(char(0xFF));
        }
        const int maskRow = ((side + 31) / 32) * 4;
        body.append(QByteArray(maskRow * side, '\0'));
        putU16(dir, 0); // width and height bytes (0 means 256; the header inside counts)
        dir[dir.size() - 2] = char(side);
        dir[dir.size() - 1] = char(side);
        putU16(dir, 0);
        putU16(dir, 1);
        putU16(dir, 32);
        putU32(dir, quint32(body.size()));
        putU32(dir, quint32(firstOffset + bodies.size()));
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
