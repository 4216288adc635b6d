#pragma once

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

namespace pikoro {

// Record functions the metafile code acts on. The low byte alone tells them apart; the high
// byte is the parameter word count of the fixed-size ones.
enum WmfFunction : quint16 {
    MetaEof = 0x0000,
    SaveDc = 0x001E,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetPolyFillMode = 0x0106,
    RestoreDc = 0x0127,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    DibCreatePatternBrush = 0x0142,
    DeleteObject = 0x01F0,
    CreatePatternBrush = 0x01F9,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    SetViewportOrg = 0x020D,
    SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F,
    OffsetViewportOrg = 0x0211,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePalette = 0x00F7,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    Polygon = 0x0324,
    Polyline = 0x0325,
    ScaleWindowExt = 0x0410,
    ScaleViewportExt = 0x0412,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    RoundRect = 0x061C,
    CreateRegion = 0x06FF,
    Arc = 0x0817,
    Pie = 0x081A,
    Chord = 0x0830,
    DibBitBlt = 0x0940,
    ExtTextOut = 0x0A32,
    DibStretchBlt = 0x0B41,
    StretchDib = 0x0F43,
};

struct WmfRecord {
    qsizetype offset; // first parameter byte
    qsizetype length; // parameter bytes
    quint16 function;
};

// A metafile split into records. Every record lies inside the data and the last one is the
// end-of-file record.
struct WmfFile {
    QByteArray data;
    QList<WmfRecord> records;
    int objectCount = 0; // the header's object table size, only a hint
    bool placeable = false;
    QRectF placeableBox; // the placeable header's bounding box, normalised
    int unitsPerInch = 0;
};

// Reads the headers and the record sizes. Returns nothing, with a reason in errorString, when
// the data is not a metafile, a record's size is impossible or the end record is missing.
std::optional<WmfFile> readWmfFile(const QByteArray &data, QString *errorString);

// Bounds-checked reading of one record's parameters. A read past the record's end marks the
// reader failed and gives 0 or nothing; callers check ok() before drawing anything.
class WmfParams {
public:
    WmfParams(const QByteArray &data, const WmfRecord &record)
        : m_data(data.constData() + record.offset), m_length(record.length),
          m_function(record.function) {}
    quint16 function() const { return m_function; }
    qsizetype length() const { return m_length; }
    qsizetype remaining() const { return m_length - m_pos; }
    bool ok() const { return m_ok; }

    quint16 u16();
    qint16 i16() { return qint16(u16()); }
    quint32 u32();
    QByteArrayView bytes(qsizetype n);
    QByteArrayView rest() { return bytes(remaining()); }
    // Text is padded to a whole number of 16-bit words.
    void skipPad(qsizetype n) { bytes(n % 2); }
    // A point or size, stored y first.
    QPointF point();
    // A rectangle stored bottom, right, top, left; kept unnormalised so it maps corner by corner.
    QRectF corners();

private:
    bool take(qsizetype n);

    const char *m_data;
    qsizetype m_length;
    quint16 m_function;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

} // namespace pikoro
