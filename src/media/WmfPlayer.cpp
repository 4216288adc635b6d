#include "media/WmfPlayer.h"

#include "media/Dib.h"
#include "media/WmfReader.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <optional>
#include <variant>
#include <vector>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

enum MapMode { MapText = 1, MapIsotropic = 7 };

// ExtTextOut's options: the rectangle is filled with the background colour, or clips the text.
enum ExtTextOption : quint16 { ExtTextOpaque = 0x0002, ExtTextClipped = 0x0004 };

// The raster operations a bitmap record without a bitmap can carry.
enum RasterOperation : quint32 {
    RopBlackness = 0x00000042,
    RopWhiteness = 0x00FF0062,
    RopPatCopy = 0x00F00021, // the current brush
};

// Text is handed to the font engine only at sizes it can render: a glyph larger than this on
// the device along either axis (a drawing one unit wide stretched over the picture) makes the
// glyph loader fail, and one smaller than the fraction below is not seen anyway.
constexpr double MaxGlyphPixels = 1024.0;
constexpr double MinGlyphPixels = 0.5;
// More characters than a record of a sane file holds on one line are not drawn.
constexpr qsizetype MaxTextLength = 1024;

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
    QPointF windowExt;
    QPointF viewportOrg;
    QPointF viewportExt;
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
    static constexpr std::pair<quint8, const char *> encodings[] = {
        {0, "windows-1252"},   {129, "windows-949"},  {134, "GBK"},          {136, "Big5"},
        {161, "windows-1253"}, {162, "windows-1254"}, {177, "windows-1255"}, {178, "windows-1256"},
        {186, "windows-1257"}, {204, "windows-1251"}, {222, "windows-874"},  {238, "windows-1250"}};
    if (charset == 2) // symbols
        return QString::fromLatin1(bytes);
    const auto *known =
        std::ranges::find(encodings, charset, &std::pair<quint8, const char *>::first);
    QStringDecoder decoder(known != std::end(encodings) ? known->second : "Shift_JIS");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

class Player {
public:
    Player(const WmfFile &file, const QRectF &frame, QPainter &painter)
        : m_data(file.data), m_painter(painter), m_placeable(file.placeable) {
        m_objects.resize(size_t(qMax(file.objectCount, 0)));
        m_dc.windowOrg = m_dc.viewportOrg = frame.topLeft();
        m_dc.windowExt = m_dc.viewportExt = QPointF(frame.width(), frame.height());
    }

    void play(const QList<WmfRecord> &records);

    // Record handlers, one or a few record functions each (see Handlers below).

    void saveDc(WmfParams &) {
        if (m_saved.size() < 1024) {
            m_saved.push_back(m_dc);
            m_painter.save();
        }
    }
    void restoreDc(WmfParams &p) {
        const qint16 n = p.i16();
        if (!p.ok() || n == 0)
            return;
        // Negative: relative to the newest saved state; positive: an absolute level.
        qsizetype pops = n < 0 ? -qsizetype(n) : qsizetype(m_saved.size()) - n + 1;
        while (pops-- > 0 && !m_saved.empty()) {
            m_dc = m_saved.back();
            m_saved.pop_back();
            m_painter.restore();
        }
    }
    void setBkMode(WmfParams &p) {
        if (const quint16 mode = p.u16(); p.ok())
            m_dc.opaqueBk = mode == 2;
    }
    void setMapMode(WmfParams &p) {
        if (const quint16 mode = p.u16(); p.ok())
            m_dc.mapMode = mode;
    }
    void setPolyFillMode(WmfParams &p) {
        if (const quint16 mode = p.u16(); p.ok())
            m_dc.fillRule = mode == 2 ? Qt::WindingFill : Qt::OddEvenFill;
    }
    void setTextAlign(WmfParams &p) {
        if (const quint16 align = p.u16(); p.ok())
            m_dc.textAlign = align;
    }
    void setBkColor(WmfParams &p) {
        if (const quint32 c = p.u32(); p.ok())
            m_dc.bkColor = colorRef(c);
    }
    void setTextColor(WmfParams &p) {
        if (const quint32 c = p.u32(); p.ok())
            m_dc.textColor = colorRef(c);
    }
    // Sets or offsets the window's or the viewport's origin or extent.
    void setMapping(WmfParams &p) {
        const QPointF value = p.point();
        const quint16 f = p.function();
        const bool viewport = f == SetViewportOrg || f == SetViewportExt || f == OffsetViewportOrg;
        // A placeable header fixes where the drawing goes; only its window moves.
        if (!p.ok() || (viewport && m_placeable))
            return;
        QPointF &field = f == SetWindowExt     ? m_dc.windowExt
                         : f == SetViewportExt ? m_dc.viewportExt
                         : viewport            ? m_dc.viewportOrg
                                               : m_dc.windowOrg;
        field = f == OffsetWindowOrg || f == OffsetViewportOrg ? field + value : value;
    }
    void scaleExtent(WmfParams &p) {
        const qint16 yDenom = p.i16(), yNum = p.i16(), xDenom = p.i16(), xNum = p.i16();
        if (!p.ok() || xDenom == 0 || yDenom == 0)
            return;
        if (p.function() == ScaleViewportExt && m_placeable)
            return;
        QPointF &ext = p.function() == ScaleWindowExt ? m_dc.windowExt : m_dc.viewportExt;
        ext = QPointF(ext.x() * xNum / xDenom, ext.y() * yNum / yDenom);
    }

    void createPen(WmfParams &p) {
        PenObject pen;
        pen.style = p.u16();
        pen.width = p.i16();
        p.i16(); // the height of the width point is unused
        pen.color = colorRef(p.u32());
        if (p.ok())
            addObject(pen);
    }
    void createBrush(WmfParams &p) {
        BrushObject brush;
        brush.style = p.u16();
        brush.color = colorRef(p.u32());
        brush.hatch = p.u16();
        if (p.ok())
            addObject(brush);
    }
    void createDibPatternBrush(WmfParams &p) {
        BrushObject brush;
        brush.style = 3;
        p.u16(); // style
        p.u16(); // colour usage
        brush.pattern = decodeDib(p.rest(), -1, nullptr);
        brush.color = Qt::lightGray;
        addObject(brush);
    }
    void createFont(WmfParams &p) {
        FontObject font;
        font.height = p.i16();
        p.i16(); // width
        font.escapement = p.i16();
        p.i16(); // orientation
        font.weight = p.i16();
        const QByteArrayView flags = p.bytes(8);
        if (!p.ok()) {
            addObject(OtherObject{});
            return;
        }
        font.italic = flags[0] != 0;
        font.underline = flags[1] != 0;
        font.strikeOut = flags[2] != 0;
        font.charset = quint8(flags[3]);
        QByteArrayView face = p.bytes(qMin<qsizetype>(p.remaining(), 32));
        if (const qsizetype nul = face.indexOf('\0'); nul >= 0)
            face = face.first(nul);
        font.face = decodeText(face, font.charset);
        addObject(font);
    }
    void createOther(WmfParams &) { addObject(OtherObject{}); }
    void selectObject(WmfParams &p) {
        const quint16 index = p.u16();
        if (!p.ok() || index >= m_objects.size() || !m_objects[index])
            return;
        const GdiObject &object = *m_objects[index];
        if (const auto *pen = std::get_if<PenObject>(&object))
            m_dc.pen = *pen;
        else if (const auto *brush = std::get_if<BrushObject>(&object))
            m_dc.brush = *brush;
        else if (const auto *font = std::get_if<FontObject>(&object))
            m_dc.font = *font;
    }
    void deleteObject(WmfParams &p) {
        const quint16 index = p.u16();
        if (p.ok() && index < m_objects.size())
            m_objects[index].reset();
    }

    void moveTo(WmfParams &p) {
        if (const QPointF to = p.point(); p.ok())
            m_dc.position = to;
    }
    void lineTo(WmfParams &p) {
        const QPointF to = p.point();
        if (!p.ok())
            return;
        applyPen();
        applyBackground();
        m_painter.drawLine(map(m_dc.position), map(to));
        m_dc.position = to;
    }
    void rectangleOrEllipse(WmfParams &p) {
        const QRectF box = p.corners();
        if (!p.ok())
            return;
        prepareShape();
        if (p.function() == Rectangle)
            m_painter.drawRect(mapRect(box));
        else
            m_painter.drawEllipse(mapRect(box));
    }
    void roundRect(WmfParams &p) {
        const QPointF corner = p.point();
        const QRectF box = p.corners();
        if (!p.ok())
            return;
        prepareShape();
        const QPointF s = scale();
        m_painter.drawRoundedRect(mapRect(box), std::abs(corner.x() * s.x()) / 2,
                                  std::abs(corner.y() * s.y()) / 2);
    }
    // Arc, Pie and Chord.
    void arc(WmfParams &p) {
        const QPointF end = p.point();
        const QPointF start = p.point();
        const QRectF rect = mapRect(p.corners());
        if (!p.ok() || rect.isEmpty())
            return;
        const QPointF c = rect.center();
        auto angleOf = [&](QPointF pt) {
            // Screen y grows downwards; Qt's angles grow counter-clockwise as seen.
            return std::atan2(-(pt.y() - c.y()) / rect.height(), (pt.x() - c.x()) / rect.width()) *
                   180.0 / M_PI;
        };
        const double a0 = angleOf(map(start));
        // Metafile arcs run counter-clockwise as seen on the device, also under a mapping that
        // mirrors the drawing.
        double span = std::fmod(angleOf(map(end)) - a0 + 720.0, 360.0);
        if (span <= 0.0)
            span = 360.0;
        const int a16 = qRound(a0 * 16);
        const int s16 = qRound(span * 16);
        prepareShape();
        if (p.function() == Arc)
            m_painter.drawArc(rect, a16, s16);
        else if (p.function() == Pie)
            m_painter.drawPie(rect, a16, s16);
        else
            m_painter.drawChord(rect, a16, s16);
    }
    void polygonOrPolyline(WmfParams &p) {
        const qint16 count = p.i16();
        if (!p.ok() || count < 0 || qsizetype(count) * 4 > p.remaining())
            return;
        const QPolygonF points = readPoints(p, count);
        if (!p.ok())
            return;
        prepareShape();
        if (p.function() == Polygon)
            m_painter.drawPolygon(points, m_dc.fillRule);
        else
            m_painter.drawPolyline(points);
    }
    void polyPolygon(WmfParams &p) {
        const quint16 polygons = p.u16();
        if (!p.ok() || qsizetype(polygons) * 2 > p.remaining())
            return;
        std::vector<quint16> counts(polygons);
        qsizetype total = 0;
        for (auto &count : counts)
            total += count = p.u16();
        if (!p.ok() || total * 4 > p.remaining())
            return;
        QPainterPath path;
        path.setFillRule(m_dc.fillRule);
        for (const quint16 count : counts) {
            if (const QPolygonF points = readPoints(p, count); !points.isEmpty()) {
                path.addPolygon(points);
                path.closeSubpath();
            }
        }
        if (!p.ok())
            return;
        prepareShape();
        m_painter.drawPath(path);
    }

    void textOut(WmfParams &p) {
        const qint16 length = p.i16();
        if (!p.ok() || length < 0)
            return;
        const QByteArrayView text = p.bytes(length);
        p.skipPad(length);
        const QPointF at = p.point();
        if (p.ok())
            drawText(at, text);
    }
    void extTextOut(WmfParams &p) {
        const QPointF at = p.point();
        const qint16 length = p.i16();
        const quint16 options = p.u16();
        if (!p.ok() || length < 0)
            return;
        std::optional<QRectF> box;
        if (options & (ExtTextOpaque | ExtTextClipped)) { // a rectangle follows, left first
            const QPointF topLeft = p.point().transposed();
            const QPointF bottomRight = p.point().transposed();
            box = mapRect(QRectF(topLeft, bottomRight));
        }
        const QByteArrayView text = p.bytes(length);
        if (!p.ok())
            return;
        m_painter.save();
        if (box && (options & ExtTextOpaque))
            m_painter.fillRect(*box, m_dc.bkColor);
        if (box && (options & ExtTextClipped))
            m_painter.setClipRect(*box, Qt::IntersectClip);
        drawText(at, text);
        m_painter.restore();
    }

    // StretchDIBits, DIBStretchBlt and DIBBitBlt.
    void bitmap(WmfParams &p) {
        const quint32 rop = p.u32();
        const quint16 f = p.function();
        // Without a bitmap the record only paints a pattern; its length tells which form it is.
        const bool hasBitmap = p.length() != qsizetype(f >> 8) * 2;
        if (f == StretchDib)
            p.u16(); // colour usage
        QPointF sourceSize = f == DibBitBlt ? QPointF() : p.point();
        const QPointF sourceAt = p.point();
        if (f != StretchDib && !hasBitmap)
            p.u16();
        const QPointF size = p.point();
        const QPointF at = p.point();
        if (f == DibBitBlt)
            sourceSize = size;
        if (!p.ok())
            return;
        const QPointF a = map(at);
        const QPointF b = map(at + size);
        const QRectF target = QRectF(a, b).normalized();
        if (!hasBitmap || p.remaining() == 0) {
            // Raster operations that need no source: black, white or the current brush.
            if (rop == RopBlackness)
                m_painter.fillRect(target, Qt::black);
            else if (rop == RopWhiteness)
                m_painter.fillRect(target, Qt::white);
            else if (rop == RopPatCopy) {
                applyBrush();
                m_painter.fillRect(target, m_painter.brush());
            }
            return;
        }
        QImage image = decodeDib(p.rest(), -1, nullptr);
        if (image.isNull())
            return;
        if (sourceSize.x() == 0 || sourceSize.y() == 0)
            sourceSize = QPointF(qMin(image.width(), 32767), qMin(image.height(), 32767));
        const double w = std::abs(sourceSize.x()), h = std::abs(sourceSize.y());
        // Source y counts from the bottom row of an upright bitmap.
        QRectF source(sourceAt.x(), image.height() - sourceAt.y() - h, w, h);
        const bool flipX = (b.x() < a.x()) != (sourceSize.x() < 0);
        const bool flipY = (b.y() < a.y()) != (sourceSize.y() < 0);
        if (flipX || flipY) {
            image = image.mirrored(flipX, flipY);
            source.moveLeft(flipX ? image.width() - source.right() : source.left());
            source.moveTop(flipY ? image.height() - source.bottom() : source.top());
        }
        m_painter.drawImage(target, image, source);
    }

private:
    // Logical to frame coordinates through the window and viewport.
    QPointF map(QPointF logical) const {
        const QPointF s = scale();
        return {m_dc.viewportOrg.x() + (logical.x() - m_dc.windowOrg.x()) * s.x(),
                m_dc.viewportOrg.y() + (logical.y() - m_dc.windowOrg.y()) * s.y()};
    }
    QPointF scale() const {
        const QPointF &window = m_dc.windowExt;
        double sx = window.x() != 0 ? m_dc.viewportExt.x() / window.x() : 1.0;
        double sy = window.y() != 0 ? m_dc.viewportExt.y() / window.y() : 1.0;
        if (m_dc.mapMode == MapIsotropic) {
            const double s = qMin(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        return {sx, sy};
    }
    QRectF mapRect(const QRectF &corners) const {
        return QRectF(map(corners.topLeft()), map(corners.bottomRight())).normalized();
    }
    QPolygonF readPoints(WmfParams &p, int count) const {
        QPolygonF points;
        points.reserve(count);
        for (int i = 0; i < count && p.ok(); ++i)
            points << map(p.point().transposed()); // points are stored x first
        return points;
    }

    void applyPen() {
        const PenObject &pen = m_dc.pen;
        const int style = pen.style & 0x0F;
        if (style == 5) { // PS_NULL
            m_painter.setPen(Qt::NoPen);
            return;
        }
        static constexpr Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine,
                                                  Qt::DashDotLine, Qt::DashDotDotLine};
        QPen qpen(pen.color);
        // Width 0 is the thinnest line the device can draw.
        qpen.setWidthF(pen.width <= 0 ? 0.0 : pen.width * std::abs(scale().x()));
        qpen.setCosmetic(pen.width <= 0);
        qpen.setStyle(style < 5 ? styles[style] : Qt::SolidLine);
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
        static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
        const BrushObject &brush = m_dc.brush;
        if (brush.style == 1) // BS_NULL
            m_painter.setBrush(Qt::NoBrush);
        else if (brush.style == 2)
            m_painter.setBrush(
                QBrush(brush.color, brush.hatch < 6 ? hatches[brush.hatch] : Qt::SolidPattern));
        else if (brush.style != 0 && !brush.pattern.isNull())
            m_painter.setBrush(QBrush(brush.pattern));
        else
            m_painter.setBrush(brush.color);
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
        const auto free = std::ranges::find_if(m_objects, [](const auto &slot) { return !slot; });
        if (free != m_objects.end())
            *free = std::move(object);
        else if (m_objects.size() < 65535)
            m_objects.emplace_back(std::move(object));
    }

    void drawText(QPointF logical, QByteArrayView bytes) {
        const FontObject &f = m_dc.font;
        const QString text = decodeText(bytes, f.charset).left(MaxTextLength);
        if (text.isEmpty())
            return;
        const bool updatesPosition = m_dc.textAlign & 0x0001;
        const QPointF origin = map(updatesPosition ? m_dc.position : logical);

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
        const int horizontal = m_dc.textAlign & 0x0006;
        // TA_RIGHT, TA_CENTER, else TA_LEFT.
        const double dx = horizontal == 0x0002 ? -advance : horizontal == 0x0006 ? -advance / 2 : 0;
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
        if (glyphsRenderable(m_painter.deviceTransform(), BaseSize)) {
            // The text is filled as outlines: the font engine's glyph images fail (and may
            // then read from nowhere) at the odd transforms a metafile can ask for.
            if (m_dc.opaqueBk)
                m_painter.fillRect(QRectF(dx, dy - metrics.ascent(), advance, metrics.height()),
                                   m_dc.bkColor);
            QPainterPath outlines;
            outlines.addText(QPointF(dx, dy), font, text);
            m_painter.fillPath(outlines, m_dc.textColor);
        }
        m_painter.restore();
        if (updatesPosition)
            m_dc.position.rx() += advance * factor / std::abs(scale().x() == 0 ? 1 : scale().x());
    }

    // Whether glyphs of `pixelSize` drawn through `device` have a size on both axes that the
    // font engine renders.
    static bool glyphsRenderable(const QTransform &device, double pixelSize) {
        const double across = pixelSize * std::hypot(device.m11(), device.m12());
        const double down = pixelSize * std::hypot(device.m21(), device.m22());
        return std::isfinite(across) && std::isfinite(down) && across <= MaxGlyphPixels &&
               down <= MaxGlyphPixels && across >= MinGlyphPixels && down >= MinGlyphPixels;
    }

    const QByteArray &m_data;
    QPainter &m_painter;
    bool m_placeable;
    DcState m_dc;
    std::vector<DcState> m_saved;
    std::vector<std::optional<GdiObject>> m_objects;
};

struct Handler {
    quint16 function;
    void (Player::*run)(WmfParams &);
};

// The records that are played; every other record is skipped.
constexpr Handler Handlers[] = {
    {SaveDc, &Player::saveDc},
    {RestoreDc, &Player::restoreDc},
    {SetBkMode, &Player::setBkMode},
    {SetMapMode, &Player::setMapMode},
    {SetPolyFillMode, &Player::setPolyFillMode},
    {SetTextAlign, &Player::setTextAlign},
    {SetBkColor, &Player::setBkColor},
    {SetTextColor, &Player::setTextColor},
    {SetWindowOrg, &Player::setMapping},
    {SetWindowExt, &Player::setMapping},
    {SetViewportOrg, &Player::setMapping},
    {SetViewportExt, &Player::setMapping},
    {OffsetWindowOrg, &Player::setMapping},
    {OffsetViewportOrg, &Player::setMapping},
    {ScaleWindowExt, &Player::scaleExtent},
    {ScaleViewportExt, &Player::scaleExtent},
    {CreatePenIndirect, &Player::createPen},
    {CreateBrushIndirect, &Player::createBrush},
    {DibCreatePatternBrush, &Player::createDibPatternBrush},
    {CreateFontIndirect, &Player::createFont},
    {CreatePalette, &Player::createOther},
    {CreatePatternBrush, &Player::createOther},
    {CreateRegion, &Player::createOther},
    {SelectObject, &Player::selectObject},
    {DeleteObject, &Player::deleteObject},
    {MoveTo, &Player::moveTo},
    {LineTo, &Player::lineTo},
    {Rectangle, &Player::rectangleOrEllipse},
    {Ellipse, &Player::rectangleOrEllipse},
    {RoundRect, &Player::roundRect},
    {Arc, &Player::arc},
    {Pie, &Player::arc},
    {Chord, &Player::arc},
    {Polygon, &Player::polygonOrPolyline},
    {Polyline, &Player::polygonOrPolyline},
    {PolyPolygon, &Player::polyPolygon},
    {TextOut, &Player::textOut},
    {ExtTextOut, &Player::extTextOut},
    {StretchDib, &Player::bitmap},
    {DibStretchBlt, &Player::bitmap},
    {DibBitBlt, &Player::bitmap},
};

void Player::play(const QList<WmfRecord> &records) {
    for (const WmfRecord &record : records) {
        if (record.function == MetaEof)
            break;
        const Handler *handler = std::ranges::find(Handlers, record.function, &Handler::function);
        if (handler != std::end(Handlers)) {
            WmfParams params(m_data, record);
            (this->*handler->run)(params);
        }
    }
    // A file that saves more states than it restores must not leave them on the painter.
    for (; !m_saved.empty(); m_saved.pop_back())
        m_painter.restore();
}

} // namespace

void playWmf(const WmfFile &file, const QRectF &frame, QPainter &painter) {
    Player(file, frame, painter).play(file.records);
}

} // namespace pikoro
