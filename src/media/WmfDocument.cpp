#include "media/WmfDocument.h"

#include "media/Dib.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPicture>
#include <QStringDecoder>
#include <QtEndian>

#include <cmath>
#include <optional>
#include <variant>
#include <vector>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr qsizetype PlaceableHeaderSize = 22;
constexpr qsizetype MetaHeaderSize = 18;
constexpr int MaxNaturalSide = 4096;

// Record functions we act on.
enum Function : quint16 {
    MetaEof = 0x0000,
    SaveDc = 0x001E,
    RealizePalette = 0x0035,
    SetPalEntries = 0x0037,
    CreatePalette = 0x00F7,
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

enum MapMode { MapText = 1, MapIsotropic = 7 };

// Bounds-checked reading of one record's parameters. A read past the record end marks the
// reader failed and returns 0; the caller checks ok() before drawing anything.
class Params {
public:
    Params(const QByteArray &data, const WmfDocument::Record &record)
        : m_data(data.constData() + record.offset), m_length(record.length) {}
    qint16 i16() { return qint16(u16()); }
    quint16 u16() {
        if (!take(2))
            return 0;
        return qFromLittleEndian<quint16>(m_data + m_pos - 2);
    }
    quint32 u32() {
        if (!take(4))
            return 0;
        return qFromLittleEndian<quint32>(m_data + m_pos - 4);
    }
    QByteArrayView bytes(qsizetype n) {
        if (n < 0 || !take(n))
            return {};
        return QByteArrayView(m_data + m_pos - n, n);
    }
    // Text is padded to a whole number of 16-bit words.
    void skipPad(qsizetype n) {
        if (n % 2)
            take(1);
    }
    QByteArrayView rest() { return bytes(remaining()); }
    qsizetype remaining() const { return m_length - m_pos; }
    bool ok() const { return m_ok; }

private:
    bool take(qsizetype n) {
        if (!m_ok || n > m_length - m_pos) {
            m_ok = false;
            return false;
        }
        m_pos += n;
        return true;
    }
    const char *m_data;
    qsizetype m_length;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

QColor colorRef(quint32 v) {
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

struct PenObject {
    quint16 style = 0;
    qint16 width = 0;
    QColor color = Qt::black;
};

struct BrushObject {
    quint16 style = 0; // BS_SOLID
    QColor color = Qt::white;
    quint16 hatch = 0;
    QImage pattern;
};

struct FontObject {
    qint16 height = 0;
    qint16 escapement = 0;
    qint16 weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = 1; // DEFAULT_CHARSET
    QString face;
};

// Palettes, regions and bitmap brushes of the old kind still take an object slot.
struct OtherObject {};

using GdiObject = std::variant<PenObject, BrushObject, FontObject, OtherObject>;

struct DcState {
    QPointF windowOrg;
    QSizeF windowExt;
    QPointF viewportOrg;
    QSizeF viewportExt;
    int mapMode = MapText;
    PenObject pen;
    BrushObject brush;
    FontObject font;
    QColor bkColor = Qt::white;
    QColor textColor = Qt::black;
    bool opaqueBk = true;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    quint16 textAlign = 0;
    QPointF position;
};

// The text encoding a font's character set stands for. The program's home is a Japanese
// desktop, so the default character set means Shift-JIS.
QString decodeText(QByteArrayView bytes, quint8 charset) {
    const char *name = "Shift_JIS";
    switch (charset) {
    case 0:
        name = "windows-1252";
        break;
    case 2:
        return QString::fromLatin1(bytes);
    case 129:
        name = "windows-949";
        break;
    case 134:
        name = "GBK";
        break;
    case 136:
        name = "Big5";
        break;
    case 161:
        name = "windows-1253";
        break;
    case 162:
        name = "windows-1254";
        break;
    case 177:
        name = "windows-1255";
        break;
    case 178:
        name = "windows-1256";
        break;
    case 186:
        name = "windows-1257";
        break;
    case 204:
        name = "windows-1251";
        break;
    case 222:
        name = "windows-874";
        break;
    case 238:
        name = "windows-1250";
        break;
    default:
        break;
    }
    QStringDecoder decoder(name);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

// Plays the records of one metafile onto a painter whose coordinates are the frame's.
class Player {
public:
    Player(const QByteArray &data, int objectCount, const QRectF &frame, bool placeable,
           QPainter &painter)
        : m_data(data), m_painter(painter), m_placeable(placeable) {
        m_objects.resize(size_t(qMax(objectCount, 0)));
        m_dc.windowOrg = m_dc.viewportOrg = frame.topLeft();
        m_dc.windowExt = m_dc.viewportExt = frame.size();
    }

    void play(const QList<WmfDocument::Record> &records) {
        for (const auto &record : records) {
            if (record.function == MetaEof)
                break;
            Params p(m_data, record);
            runRecord(record, p);
        }
        // A file that saves more states than it restores must not leave them on the painter.
        for (; !m_saved.empty(); m_saved.pop_back())
            m_painter.restore();
    }

private:
    // Logical to frame coordinates through the window and viewport.
    QPointF map(double x, double y) const {
        const QPointF s = scale();
        return {m_dc.viewportOrg.x() + (x - m_dc.windowOrg.x()) * s.x(),
                m_dc.viewportOrg.y() + (y - m_dc.windowOrg.y()) * s.y()};
    }
    QPointF scale() const {
        double sx =
            m_dc.windowExt.width() != 0 ? m_dc.viewportExt.width() / m_dc.windowExt.width() : 1.0;
        double sy = m_dc.windowExt.height() != 0
                        ? m_dc.viewportExt.height() / m_dc.windowExt.height()
                        : 1.0;
        if (m_dc.mapMode == MapIsotropic) {
            const double s = qMin(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        return {sx, sy};
    }
    bool flipsOrientation() const {
        const QPointF s = scale();
        return (s.x() < 0) != (s.y() < 0);
    }
    QRectF mapRect(double left, double top, double right, double bottom) const {
        return QRectF(map(left, top), map(right, bottom)).normalized();
    }
    QPolygonF readPoints(Params &p, int count) const {
        QPolygonF points;
        points.reserve(count);
        for (int i = 0; i < count && p.ok(); ++i) {
            const qint16 x = p.i16();
            const qint16 y = p.i16();
            points << map(x, y);
        }
        return points;
    }

    void applyPen() {
        const PenObject &pen = m_dc.pen;
        const int style = pen.style & 0x0F;
        if (style == 5) { // PS_NULL
            m_painter.setPen(Qt::NoPen);
            return;
        }
        QPen qpen(pen.color);
        // Width 0 is the thinnest line the device can draw.
        qpen.setWidthF(pen.width <= 0 ? 0.0 : pen.width * std::abs(scale().x()));
        qpen.setCosmetic(pen.width <= 0);
        switch (style) {
        case 1:
            qpen.setStyle(Qt::DashLine);
            break;
        case 2:
            qpen.setStyle(Qt::DotLine);
            break;
        case 3:
            qpen.setStyle(Qt::DashDotLine);
            break;
        case 4:
            qpen.setStyle(Qt::DashDotDotLine);
            break;
        default:
            qpen.setStyle(Qt::SolidLine);
            break;
        }
        const int cap = pen.style & 0x0F00;
        qpen.setCapStyle(cap == 0x0100   ? Qt::SquareCap
                         : cap == 0x0200 ? Qt::FlatCap
                                         : Qt::RoundCap);
        const int join = pen.style & 0xF000;
        qpen.setJoinStyle(join == 0x1000   ? Qt::BevelJoin
                          : join == 0x2000 ? Qt::MiterJoin
                                           : Qt::RoundJoin);
        m_painter.setPen(qpen);
    }
    void applyBrush() {
        const BrushObject &brush = m_dc.brush;
        switch (brush.style) {
        case 0:
            m_painter.setBrush(brush.color);
            break;
        case 1:
            m_painter.setBrush(Qt::NoBrush);
            break;
        case 2: {
            static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                         Qt::FDiagPattern, Qt::BDiagPattern,
                                                         Qt::CrossPattern, Qt::DiagCrossPattern};
            m_painter.setBrush(
                QBrush(brush.color, brush.hatch < 6 ? hatches[brush.hatch] : Qt::SolidPattern));
            break;
        }
        default:
            if (!brush.pattern.isNull())
                m_painter.setBrush(QBrush(brush.pattern));
            else
                m_painter.setBrush(brush.color);
            break;
        }
    }
    void applyBackground() {
        m_painter.setBackgroundMode(m_dc.opaqueBk ? Qt::OpaqueMode : Qt::TransparentMode);
        m_painter.setBackground(m_dc.bkColor);
    }
    void prepareShape() {
        applyPen();
        applyBrush();
        applyBackground();
    }

    void addObject(GdiObject object) {
        // A new object takes the lowest free slot; the file's object count is only a hint.
        for (auto &slot : m_objects) {
            if (!slot) {
                slot = std::move(object);
                return;
            }
        }
        if (m_objects.size() < 65535)
            m_objects.emplace_back(std::move(object));
    }

    void runRecord(const WmfDocument::Record &record, Params &p) {
        switch (record.function) {
        case SaveDc:
            if (m_saved.size() < 1024) {
                m_saved.push_back(m_dc);
                m_painter.save();
            }
            break;
        case RestoreDc: {
            const qint16 n = p.i16();
            if (!p.ok() || n == 0)
                break;
            // Negative: relative to the newest saved state; positive: an absolute level.
            qsizetype pops = n < 0 ? -qsizetype(n) : qsizetype(m_saved.size()) - n + 1;
            while (pops-- > 0 && !m_saved.empty()) {
                m_dc = m_saved.back();
                m_saved.pop_back();
                m_painter.restore();
            }
            break;
        }
        case SetBkMode: {
            const quint16 mode = p.u16();
            if (p.ok())
                m_dc.opaqueBk = mode == 2;
            break;
        }
        case SetMapMode: {
            const quint16 mode = p.u16();
            if (p.ok())
                m_dc.mapMode = mode;
            break;
        }
        case SetPolyFillMode: {
            const quint16 mode = p.u16();
            if (p.ok())
                m_dc.fillRule = mode == 2 ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        }
        case SetTextAlign: {
            const quint16 align = p.u16();
            if (p.ok())
                m_dc.textAlign = align;
            break;
        }
        case SetBkColor: {
            const quint32 c = p.u32();
            if (p.ok())
                m_dc.bkColor = colorRef(c);
            break;
        }
        case SetTextColor: {
            const quint32 c = p.u32();
            if (p.ok())
                m_dc.textColor = colorRef(c);
            break;
        }
        case SetWindowOrg:
        case SetWindowExt:
        case SetViewportOrg:
        case SetViewportExt:
        case OffsetWindowOrg:
        case OffsetViewportOrg: {
            const qint16 y = p.i16();
            const qint16 x = p.i16();
            if (!p.ok())
                break;
            // A placeable header fixes where the drawing goes; only its window moves.
            const bool viewport = record.function == SetViewportOrg ||
                                  record.function == SetViewportExt ||
                                  record.function == OffsetViewportOrg;
            if (viewport && m_placeable)
                break;
            switch (record.function) {
            case SetWindowOrg:
                m_dc.windowOrg = QPointF(x, y);
                break;
            case SetWindowExt:
                m_dc.windowExt = QSizeF(x, y);
                break;
            case SetViewportOrg:
                m_dc.viewportOrg = QPointF(x, y);
                break;
            case SetViewportExt:
                m_dc.viewportExt = QSizeF(x, y);
                break;
            case OffsetWindowOrg:
                m_dc.windowOrg += QPointF(x, y);
                break;
            default:
                m_dc.viewportOrg += QPointF(x, y);
                break;
            }
            break;
        }
        case ScaleWindowExt:
        case ScaleViewportExt: {
            const qint16 yDenom = p.i16();
            const qint16 yNum = p.i16();
            const qint16 xDenom = p.i16();
            const qint16 xNum = p.i16();
            if (!p.ok() || xDenom == 0 || yDenom == 0)
                break;
            if (record.function == ScaleViewportExt && m_placeable)
                break;
            QSizeF &ext = record.function == ScaleWindowExt ? m_dc.windowExt : m_dc.viewportExt;
            ext = QSizeF(ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
            break;
        }
        case CreatePenIndirect: {
            PenObject pen;
            pen.style = p.u16();
            pen.width = p.i16();
            p.i16(); // the height of the width point is unused
            pen.color = colorRef(p.u32());
            if (p.ok())
                addObject(pen);
            break;
        }
        case CreateBrushIndirect: {
            BrushObject brush;
            brush.style = p.u16();
            brush.color = colorRef(p.u32());
            brush.hatch = p.u16();
            if (p.ok())
                addObject(brush);
            break;
        }
        case DibCreatePatternBrush: {
            BrushObject brush;
            brush.style = 3;
            p.u16(); // style
            p.u16(); // colour usage
            brush.pattern = decodeDib(p.rest(), -1, nullptr);
            brush.color = Qt::lightGray;
            addObject(brush);
            break;
        }
        case CreateFontIndirect: {
            FontObject font;
            font.height = p.i16();
            p.i16(); // width
            font.escapement = p.i16();
            p.i16(); // orientation
            font.weight = p.i16();
            const QByteArrayView flags = p.bytes(8);
            if (!p.ok()) {
                addObject(OtherObject{});
                break;
            }
            font.italic = flags[0] != 0;
            font.underline = flags[1] != 0;
            font.strikeOut = flags[2] != 0;
            font.charset = quint8(flags[3]);
            QByteArrayView face = p.bytes(qMin<qsizetype>(p.remaining(), 32));
            const qsizetype nul = face.indexOf('\0');
            if (nul >= 0)
                face = face.first(nul);
            font.face = decodeText(face, font.charset);
            addObject(font);
            break;
        }
        case CreatePalette:
        case CreatePatternBrush:
        case CreateRegion:
            addObject(OtherObject{});
            break;
        case SelectObject: {
            const quint16 index = p.u16();
            if (!p.ok() || index >= m_objects.size() || !m_objects[index])
                break;
            const GdiObject &object = *m_objects[index];
            if (const auto *pen = std::get_if<PenObject>(&object))
                m_dc.pen = *pen;
            else if (const auto *brush = std::get_if<BrushObject>(&object))
                m_dc.brush = *brush;
            else if (const auto *font = std::get_if<FontObject>(&object))
                m_dc.font = *font;
            break;
        }
        case DeleteObject: {
            const quint16 index = p.u16();
            if (p.ok() && index < m_objects.size())
                m_objects[index].reset();
            break;
        }
        case MoveTo: {
            const qint16 y = p.i16();
            const qint16 x = p.i16();
            if (p.ok())
                m_dc.position = QPointF(x, y);
            break;
        }
        case LineTo: {
            const qint16 y = p.i16();
            const qint16 x = p.i16();
            if (!p.ok())
                break;
            applyPen();
            applyBackground();
            m_painter.drawLine(map(m_dc.position.x(), m_dc.position.y()), map(x, y));
            m_dc.position = QPointF(x, y);
            break;
        }
        case Rectangle:
        case Ellipse: {
            const qint16 bottom = p.i16();
            const qint16 right = p.i16();
            const qint16 top = p.i16();
            const qint16 left = p.i16();
            if (!p.ok())
                break;
            prepareShape();
            const QRectF r = mapRect(left, top, right, bottom);
            if (record.function == Rectangle)
                m_painter.drawRect(r);
            else
                m_painter.drawEllipse(r);
            break;
        }
        case RoundRect: {
            const qint16 height = p.i16();
            const qint16 width = p.i16();
            const qint16 bottom = p.i16();
            const qint16 right = p.i16();
            const qint16 top = p.i16();
            const qint16 left = p.i16();
            if (!p.ok())
                break;
            prepareShape();
            const QPointF s = scale();
            m_painter.drawRoundedRect(mapRect(left, top, right, bottom),
                                      std::abs(width * s.x()) / 2, std::abs(height * s.y()) / 2);
            break;
        }
        case Arc:
        case Pie:
        case Chord: {
            const qint16 yEnd = p.i16();
            const qint16 xEnd = p.i16();
            const qint16 yStart = p.i16();
            const qint16 xStart = p.i16();
            const qint16 bottom = p.i16();
            const qint16 right = p.i16();
            const qint16 top = p.i16();
            const qint16 left = p.i16();
            if (!p.ok())
                break;
            drawArc(record.function, mapRect(left, top, right, bottom), map(xStart, yStart),
                    map(xEnd, yEnd));
            break;
        }
        case Polygon:
        case Polyline: {
            const qint16 count = p.i16();
            if (!p.ok() || count < 0 || qsizetype(count) * 4 > p.remaining())
                break;
            const QPolygonF points = readPoints(p, count);
            if (!p.ok())
                break;
            prepareShape();
            if (record.function == Polygon)
                m_painter.drawPolygon(points, m_dc.fillRule);
            else
                m_painter.drawPolyline(points);
            break;
        }
        case PolyPolygon: {
            const quint16 polygons = p.u16();
            if (!p.ok() || qsizetype(polygons) * 2 > p.remaining())
                break;
            std::vector<quint16> counts(polygons);
            qsizetype total = 0;
            for (auto &count : counts) {
                count = p.u16();
                total += count;
            }
            if (!p.ok() || total * 4 > p.remaining())
                break;
            QPainterPath path;
            path.setFillRule(m_dc.fillRule);
            for (const quint16 count : counts) {
                const QPolygonF points = readPoints(p, count);
                if (!points.isEmpty()) {
                    path.addPolygon(points);
                    path.closeSubpath();
                }
            }
            if (!p.ok())
                break;
            prepareShape();
            m_painter.drawPath(path);
            break;
        }
        case TextOut: {
            const qint16 length = p.i16();
            if (!p.ok() || length < 0)
                break;
            const QByteArrayView text = p.bytes(length);
            p.skipPad(length);
            const qint16 y = p.i16();
            const qint16 x = p.i16();
            if (p.ok())
                drawText(QPointF(x, y), text);
            break;
        }
        case ExtTextOut: {
            const qint16 y = p.i16();
            const qint16 x = p.i16();
            const qint16 length = p.i16();
            const quint16 options = p.u16();
            if (!p.ok() || length < 0)
                break;
            std::optional<QRectF> box;
            if (options & 0x0006) { // ETO_OPAQUE or ETO_CLIPPED carry a rectangle
                const qint16 left = p.i16();
                const qint16 top = p.i16();
                const qint16 right = p.i16();
                const qint16 bottom = p.i16();
                box = mapRect(left, top, right, bottom);
            }
            const QByteArrayView text = p.bytes(length);
            if (!p.ok())
                break;
            m_painter.save();
            if (box && (options & 0x0002))
                m_painter.fillRect(*box, m_dc.bkColor);
            if (box && (options & 0x0004))
                m_painter.setClipRect(*box, Qt::IntersectClip);
            drawText(QPointF(x, y), text);
            m_painter.restore();
            break;
        }
        case StretchDib:
        case DibStretchBlt:
        case DibBitBlt:
            drawBitmap(record, p);
            break;
        default:
            break; // not drawn by us
        }
    }

    void drawArc(quint16 function, const QRectF &rect, QPointF start, QPointF end) {
        if (rect.isEmpty())
            return;
        const QPointF c = rect.center();
        auto angleOf = [&](QPointF pt) {
            // Screen y grows downwards; Qt's angles grow counter-clockwise as seen.
            return std::atan2(-(pt.y() - c.y()) / rect.height(), (pt.x() - c.x()) / rect.width()) *
                   180.0 / M_PI;
        };
        const double a0 = angleOf(start);
        const double a1 = angleOf(end);
        // Arcs run counter-clockwise in the file's own coordinates; a mirrored mapping turns
        // that round on the screen.
        double span = std::fmod(a1 - a0 + 720.0, 360.0);
        if (span <= 0.0)
            span = 360.0;
        if (flipsOrientation())
            span = span - 360.0;
        const int a16 = qRound(a0 * 16);
        const int s16 = qRound(span * 16);
        prepareShape();
        if (function == Arc)
            m_painter.drawArc(rect, a16, s16);
        else if (function == Pie)
            m_painter.drawPie(rect, a16, s16);
        else
            m_painter.drawChord(rect, a16, s16);
    }

    void drawText(QPointF logical, QByteArrayView bytes) {
        const FontObject &f = m_dc.font;
        const QString text = decodeText(bytes, f.charset);
        if (text.isEmpty())
            return;
        const bool updatesPosition = m_dc.textAlign & 0x0001;
        const QPointF origin = map(updatesPosition ? m_dc.position.x() : logical.x(),
                                   updatesPosition ? m_dc.position.y() : logical.y());

        // Draw at a fixed pixel size and scale, because the mapped height is rarely whole.
        constexpr int BaseSize = 100;
        QFont font(f.face.isEmpty() ? u"Sans Serif"_s : f.face);
        font.setPixelSize(BaseSize);
        font.setWeight(QFont::Weight(qBound(1, f.weight <= 0 ? 400 : int(f.weight), 1000)));
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strikeOut);
        const QFontMetricsF metrics(font);
        // Negative heights give the character height, positive ones the cell height.
        double em = std::abs(f.height * scale().y());
        if (f.height > 0)
            em *= BaseSize / (metrics.ascent() + metrics.descent());
        if (f.height == 0)
            em = 12.0;
        const double factor = em / BaseSize;
        if (factor <= 0.0)
            return;

        const double advance = metrics.horizontalAdvance(text);
        double dx = 0.0;
        switch (m_dc.textAlign & 0x0006) {
        case 0x0002:
            dx = -advance;
            break; // TA_RIGHT
        case 0x0006:
            dx = -advance / 2;
            break; // TA_CENTER
        default:
            break;
        }
        double dy = metrics.ascent(); // TA_TOP
        if ((m_dc.textAlign & 0x0018) == 0x0018)
            dy = 0.0; // TA_BASELINE
        else if (m_dc.textAlign & 0x0008)
            dy = -metrics.descent(); // TA_BOTTOM

        m_painter.save();
        m_painter.translate(origin);
        if (f.escapement != 0)
            m_painter.rotate(-f.escapement / 10.0);
        m_painter.scale(factor, factor);
        m_painter.setFont(font);
        m_painter.setPen(m_dc.textColor);
        applyBackground();
        m_painter.drawText(QPointF(dx, dy), text);
        m_painter.restore();
        if (updatesPosition)
            m_dc.position.rx() += advance * factor / std::abs(scale().x() == 0 ? 1 : scale().x());
    }

    void drawBitmap(const WmfDocument::Record &record, Params &p) {
        const quint32 rop = p.u32();
        // Without a bitmap the record only paints a pattern; its length tells which form it is.
        const bool hasBitmap = record.length != qsizetype(record.function >> 8) * 2;
        qint16 srcH = 0, srcW = 0, ySrc = 0, xSrc = 0, dstH = 0, dstW = 0, yDst = 0, xDst = 0;
        if (record.function == StretchDib) {
            p.u16(); // colour usage
            srcH = p.i16();
            srcW = p.i16();
            ySrc = p.i16();
            xSrc = p.i16();
            dstH = p.i16();
            dstW = p.i16();
        } else if (record.function == DibStretchBlt) {
            srcH = p.i16();
            srcW = p.i16();
            ySrc = p.i16();
            xSrc = p.i16();
            if (!hasBitmap)
                p.u16();
            dstH = p.i16();
            dstW = p.i16();
        } else {
            ySrc = p.i16();
            xSrc = p.i16();
            if (!hasBitmap)
                p.u16();
            dstH = srcH = p.i16();
            dstW = srcW = p.i16();
        }
        yDst = p.i16();
        xDst = p.i16();
        if (!p.ok())
            return;
        const QPointF a = map(xDst, yDst);
        const QPointF b = map(double(xDst) + dstW, double(yDst) + dstH);
        const QRectF target = QRectF(a, b).normalized();
        if (!hasBitmap || p.remaining() == 0) {
            // Raster operations that need no source: black, white or the current brush.
            if (rop == 0x00000042)
                m_painter.fillRect(target, Qt::black);
            else if (rop == 0x00FF0062)
                m_painter.fillRect(target, Qt::white);
            else if (rop == 0x00F00021)
                m_painter.fillRect(target, m_painter.brush());
            return;
        }
        QImage image = decodeDib(p.rest(), -1, nullptr);
        if (image.isNull())
            return;
        if (srcW == 0 || srcH == 0) {
            srcW = qint16(qMin(image.width(), 32767));
            srcH = qint16(qMin(image.height(), 32767));
        }
        // Source y counts from the bottom row of an upright bitmap.
        QRectF source(xSrc, image.height() - ySrc - std::abs(srcH), std::abs(srcW), std::abs(srcH));
        const bool flipX = (b.x() < a.x()) != (srcW < 0);
        const bool flipY = (b.y() < a.y()) != (srcH < 0);
        if (flipX || flipY) {
            image = image.mirrored(flipX, flipY);
            source.moveLeft(flipX ? image.width() - source.right() : source.left());
            source.moveTop(flipY ? image.height() - source.bottom() : source.top());
        }
        m_painter.drawImage(target, image, source);
    }

    const QByteArray &m_data;
    QPainter &m_painter;
    bool m_placeable;
    DcState m_dc;
    std::vector<DcState> m_saved;
    std::vector<std::optional<GdiObject>> m_objects;
};

bool fail(QString *errorString, const QString &why) {
    if (errorString)
        *errorString = why;
    return false;
}

} // namespace

std::shared_ptr<const WmfDocument> WmfDocument::parse(const QByteArray &data,
                                                      QString *errorString) {
    std::shared_ptr<WmfDocument> doc(new WmfDocument);
    doc->m_data = data;
    const char *d = data.constData();
    qsizetype pos = 0;
    QRectF box;
    int unitsPerInch = 0;
    if (data.size() >= 4 && qFromLittleEndian<quint32>(d) == PlaceableKey) {
        if (data.size() < PlaceableHeaderSize) {
            fail(errorString, u"Metafile header is cut short"_s);
            return {};
        }
        const auto left = qFromLittleEndian<qint16>(d + 6);
        const auto top = qFromLittleEndian<qint16>(d + 8);
        const auto right = qFromLittleEndian<qint16>(d + 10);
        const auto bottom = qFromLittleEndian<qint16>(d + 12);
        unitsPerInch = qFromLittleEndian<quint16>(d + 14);
        box = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
        doc->m_placeable = true;
        pos = PlaceableHeaderSize;
    }
    if (data.size() - pos < MetaHeaderSize) {
        fail(errorString, u"Metafile header is cut short"_s);
        return {};
    }
    const auto type = qFromLittleEndian<quint16>(d + pos);
    const auto headerWords = qFromLittleEndian<quint16>(d + pos + 2);
    const auto version = qFromLittleEndian<quint16>(d + pos + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) {
        fail(errorString, u"Not a Windows metafile"_s);
        return {};
    }
    doc->m_objectCount = qFromLittleEndian<quint16>(d + pos + 10);
    pos += MetaHeaderSize;

    bool sawEof = false;
    while (pos < data.size()) {
        if (data.size() - pos < 6) {
            fail(errorString, u"Metafile record at byte %1 is cut short"_s.arg(pos));
            return {};
        }
        const qint64 bytes = qint64(qFromLittleEndian<quint32>(d + pos)) * 2;
        const auto function = qFromLittleEndian<quint16>(d + pos + 4);
        if (bytes < 6 || bytes > data.size() - pos) {
            fail(errorString, u"Metafile record at byte %1 has a bad size"_s.arg(pos));
            return {};
        }
        doc->m_records.append({pos + 6, qsizetype(bytes - 6), function});
        pos += bytes;
        if (function == MetaEof) {
            sawEof = true;
            break;
        }
    }
    if (!sawEof) {
        fail(errorString, u"Metafile has no end record; it is cut short"_s);
        return {};
    }

    if (doc->m_placeable) {
        doc->m_frame = box;
    } else {
        // The first viewport, else the first window the file sets, is the drawing's frame.
        QPointF windowOrg, viewportOrg;
        std::optional<QSizeF> windowExt, viewportExt;
        for (const Record &r : std::as_const(doc->m_records)) {
            if (r.length < 4)
                continue;
            const QPointF v(qFromLittleEndian<qint16>(d + r.offset + 2),
                            qFromLittleEndian<qint16>(d + r.offset));
            if (r.function == SetWindowOrg && !windowExt)
                windowOrg = v;
            else if (r.function == SetWindowExt && !windowExt)
                windowExt = QSizeF(v.x(), v.y());
            else if (r.function == SetViewportOrg && !viewportExt)
                viewportOrg = v;
            else if (r.function == SetViewportExt && !viewportExt)
                viewportExt = QSizeF(v.x(), v.y());
        }
        if (viewportExt && !viewportExt->isEmpty())
            doc->m_frame = QRectF(viewportOrg, *viewportExt).normalized();
        else if (windowExt && windowExt->width() != 0 && windowExt->height() != 0)
            doc->m_frame = QRectF(windowOrg, *windowExt).normalized();
        else {
            // No frame given: measure what the records draw.
            QPicture measure;
            QPainter painter(&measure);
            Player(doc->m_data, doc->m_objectCount, QRectF(0, 0, 1, 1), false, painter)
                .play(doc->m_records);
            painter.end();
            doc->m_frame = QRectF(measure.boundingRect());
        }
    }
    if (doc->m_frame.width() <= 0 || doc->m_frame.height() <= 0) {
        fail(errorString, u"Metafile draws nothing"_s);
        return {};
    }

    QSizeF natural = doc->m_frame.size();
    if (doc->m_placeable)
        natural *= 96.0 / (unitsPerInch > 0 ? unitsPerInch : 1440);
    if (natural.width() > MaxNaturalSide || natural.height() > MaxNaturalSide)
        natural.scale(MaxNaturalSide, MaxNaturalSide, Qt::KeepAspectRatio);
    doc->m_naturalSize = QSize(qMax(1, qRound(natural.width())), qMax(1, qRound(natural.height())));
    return doc;
}

void WmfDocument::render(QPainter &painter, const QRectF &target) const {
    if (target.isEmpty())
        return;
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / m_frame.width(), target.height() / m_frame.height());
    painter.translate(-m_frame.topLeft());
    play(painter, m_frame);
    painter.restore();
}

void WmfDocument::play(QPainter &painter, const QRectF &frame) const {
    Player(m_data, m_objectCount, frame, m_placeable, painter).play(m_records);
}

QImage WmfDocument::toImage() const {
    QImage image(m_naturalSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    render(painter, QRectF(QPointF(0, 0), QSizeF(m_naturalSize)));
    return image;
}

} // namespace pikoro
