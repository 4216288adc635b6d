#include "play/BuiltinPictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

QImage blank(const QSize &size, const QColor &fill) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void prepare(QPainter &painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

// A smiling face centred on `centre`, `radius` across, in the current brush.
void drawFace(QPainter &painter, const QPointF &centre, qreal radius) {
    painter.setPen(QPen(QColor(120, 60, 0), radius * 0.06));
    painter.drawEllipse(centre, radius, radius);
    painter.setBrush(QColor(60, 30, 0));
    const qreal eye = radius * 0.12;
    painter.drawEllipse(centre + QPointF(-radius * 0.35, -radius * 0.2), eye, eye * 1.3);
    painter.drawEllipse(centre + QPointF(radius * 0.35, -radius * 0.2), eye, eye * 1.3);
    painter.setBrush(QColor(255, 140, 140, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(centre + QPointF(-radius * 0.6, radius * 0.15), eye * 1.4, eye);
    painter.drawEllipse(centre + QPointF(radius * 0.6, radius * 0.15), eye * 1.4, eye);
    painter.setPen(QPen(QColor(120, 60, 0), radius * 0.08, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const QRectF mouth(centre.x() - radius * 0.4, centre.y() - radius * 0.1, radius * 0.8,
                       radius * 0.6);
    painter.drawArc(mouth, 200 * 16, 140 * 16);
}

void drawTitle(QPainter &painter, const QRect &box, const QString &text, const QColor &colour) {
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(box.height() * 7 / 10);
    painter.setFont(font);
    QPainterPath path;
    const QFontMetricsF metrics(font);
    const qreal x = box.center().x() - metrics.horizontalAdvance(text) / 2;
    const qreal y = box.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    path.addText(QPointF(x, y), font, text);
    painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(path);
}

// A round little bird facing right; `body` gives its colour.
QImage bird(const QColor &body) {
    QImage image = blank(SpritePixels, Qt::transparent);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(body.darker(160), 1));
    painter.setBrush(body);
    painter.drawEllipse(QRectF(2, 5, 18, 17));
    painter.setBrush(body.lighter(125));
    painter.drawEllipse(QRectF(5, 12, 8, 6)); // wing
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 150, 0));
    painter.drawPolygon(QPolygonF({QPointF(19, 11), QPointF(24, 13), QPointF(19, 15)}));
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(15, 10), 1.6, 1.6);
    painter.setBrush(QColor(255, 150, 0));
    painter.drawRect(QRectF(8, 22, 2, 3));
    painter.drawRect(QRectF(13, 22, 2, 3));
    return image;
}

QImage facingLeft(const QImage &facingRight) {
    return facingRight.mirrored(true, false);
}

QColor yellowBird() {
    return QColor(255, 214, 40);
}
QColor pinkBird() {
    return QColor(255, 150, 190);
}

} // namespace

QImage openingPicture() {
    QImage image = blank(BuiltinPictureSize, QColor(150, 210, 255));
    QPainter painter(&image);
    prepare(painter);
    const QPointF centre(160, 100);
    // Rays around the sun.
    painter.setPen(QPen(QColor(255, 170, 0), 8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const qreal angle = i * std::numbers::pi / 6;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(centre + direction * 72, centre + direction * 92);
    }
    painter.setBrush(QColor(255, 220, 60));
    drawFace(painter, centre, 60);
    // Grass along the bottom.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(110, 200, 90));
    painter.drawEllipse(QRectF(-40, 200, 400, 120));
    drawTitle(painter, QRect(0, 178, 320, 58), u"ピコロ"_s, QColor(230, 60, 80));
    return image;
}

QImage dancePicture() {
    QImage image = blank(BuiltinPictureSize, QColor(60, 30, 110));
    QPainter painter(&image);
    prepare(painter);
    // Spotlights from the top corners onto the floor.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 200, 70));
    painter.drawPolygon(
        QPolygonF({QPointF(20, 0), QPointF(50, 0), QPointF(200, 240), QPointF(90, 240)}));
    painter.drawPolygon(
        QPolygonF({QPointF(270, 0), QPointF(300, 0), QPointF(230, 240), QPointF(120, 240)}));
    painter.setBrush(QColor(170, 90, 40));
    painter.drawRect(QRectF(0, 196, 320, 44));
    // Curtains.
    painter.setBrush(QColor(200, 20, 40));
    painter.drawRect(QRectF(0, 0, 320, 18));
    painter.drawPolygon(
        QPolygonF({QPointF(0, 0), QPointF(40, 0), QPointF(12, 240), QPointF(0, 240)}));
    painter.drawPolygon(
        QPolygonF({QPointF(320, 0), QPointF(280, 0), QPointF(308, 240), QPointF(320, 240)}));
    // A few notes in the air.
    painter.setBrush(QColor(255, 230, 90));
    painter.setPen(QPen(QColor(255, 230, 90), 3));
    for (const QPointF &at : {QPointF(90, 70), QPointF(160, 45), QPointF(230, 80)}) {
        painter.drawEllipse(at, 8, 6);
        painter.drawLine(at + QPointF(7, 0), at + QPointF(7, -26));
    }
    drawTitle(painter, QRect(40, 120, 240, 60), u"ダンス！"_s, QColor(255, 200, 40));
    return image;
}

QImage yellowBirdRight() {
    return bird(yellowBird());
}
QImage yellowBirdLeft() {
    return facingLeft(yellowBirdRight());
}
QImage pinkBirdRight() {
    return bird(pinkBird());
}
QImage pinkBirdLeft() {
    return facingLeft(pinkBirdRight());
}

QImage notePicture() {
    QImage image = blank(CompanionPixels, Qt::transparent);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(QColor(40, 90, 220), 2));
    painter.setBrush(QColor(40, 90, 220));
    painter.drawEllipse(QPointF(5, 11), 3.5, 2.5);
    painter.drawLine(QPointF(8, 11), QPointF(8, 2));
    painter.drawLine(QPointF(8, 2), QPointF(13, 5));
    return image;
}

QImage heartPicture() {
    QImage image = blank(CompanionPixels, Qt::transparent);
    QPainter painter(&image);
    prepare(painter);
    QPainterPath heart(QPointF(7.5, 13.5));
    heart.cubicTo(QPointF(-3, 6), QPointF(3, -2), QPointF(7.5, 4));
    heart.cubicTo(QPointF(12, -2), QPointF(18, 6), QPointF(7.5, 13.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(240, 60, 110));
    painter.drawPath(heart);
    return image;
}

} // namespace pikoro

namespace pikoro {

namespace {

enum class EyeShape { Open, HalfClosed, Closed, Puzzled };

const QColor mouseFur(196, 200, 214);
const QColor mouseLine(110, 112, 130);
const QColor mousePink(255, 170, 190);

void drawMouseEye(QPainter &painter, const QPointF &centre, EyeShape shape) {
    const QColor ink(45, 40, 60);
    switch (shape) {
    case EyeShape::Open:
    case EyeShape::HalfClosed:
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawEllipse(centre, 7.5, 9.5);
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre + QPointF(-2.5, -3.5), 3.0, 3.0);
        painter.drawEllipse(centre + QPointF(2.5, 3.5), 1.4, 1.4);
        if (shape == EyeShape::HalfClosed) {
            // The eyelid, in fur colour, covers the upper half of the eye.
            painter.setBrush(mouseFur);
            painter.drawRect(QRectF(centre.x() - 10, centre.y() - 12, 20, 10.5));
            painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
            painter.setBrush(Qt::NoBrush);
            QPainterPath lid(centre + QPointF(-8.5, -0.5));
            lid.quadTo(centre + QPointF(0, -2.5), centre + QPointF(8.5, -0.5));
            painter.drawPath(lid);
        }
        break;
    case EyeShape::Closed:
        painter.setPen(QPen(ink, 3.5, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(centre.x() - 8, centre.y() - 6, 16, 12), 200 * 16, 140 * 16);
        break;
    case EyeShape::Puzzled:
        // Swirly eyes: a small spiral.
        painter.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        QPainterPath spiral(centre);
        for (int i = 1; i <= 40; ++i) {
            const qreal angle = i * std::numbers::pi / 8;
            const qreal radius = i * 0.22;
            spiral.lineTo(centre + QPointF(std::cos(angle), std::sin(angle)) * radius);
        }
        painter.drawPath(spiral);
        break;
    }
}

// A round mouse face drawn into a 128 x 128 box at the painter's origin.
void drawMouseFace(QPainter &painter, EyeShape eyes) {
    painter.setPen(QPen(mouseLine, 2.5));
    // Ears behind the head.
    for (const qreal x : {30.0, 98.0}) {
        painter.setBrush(mouseFur);
        painter.drawEllipse(QPointF(x, 36), 27, 27);
        painter.setPen(Qt::NoPen);
        painter.setBrush(mousePink);
        painter.drawEllipse(QPointF(x, 38), 17, 17);
        painter.setPen(QPen(mouseLine, 2.5));
    }
    painter.setBrush(mouseFur);
    painter.drawEllipse(QPointF(64, 76), 46, 42);
    // A lighter muzzle and rosy cheeks.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(238, 238, 244));
    painter.drawEllipse(QPointF(64, 94), 24, 17);
    painter.setBrush(QColor(255, 140, 160, 110));
    painter.drawEllipse(QPointF(32, 90), 10, 6.5);
    painter.drawEllipse(QPointF(96, 90), 10, 6.5);

    drawMouseEye(painter, QPointF(46, 70), eyes);
    drawMouseEye(painter, QPointF(82, 70), eyes);

    // Nose, mouth and whiskers.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(240, 110, 140));
    painter.drawEllipse(QPointF(64, 86), 6.5, 5);
    painter.setPen(QPen(mouseLine, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(55, 88, 9, 8), 180 * 16, 180 * 16);
    painter.drawArc(QRectF(64, 88, 9, 8), 180 * 16, 180 * 16);
    painter.setPen(QPen(mouseLine, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (const qreal side : {-1.0, 1.0}) {
        const QPointF root(64 + side * 20, 92);
        painter.drawLine(root, root + QPointF(side * 26, -8));
        painter.drawLine(root + QPointF(0, 3), root + QPointF(side * 28, 3));
        painter.drawLine(root + QPointF(0, 6), root + QPointF(side * 25, 13));
    }
}

} // namespace

QImage mascotFramePicture(int frame) {
    static constexpr std::array<EyeShape, MascotFrameCount> eyes{
        EyeShape::Open, EyeShape::HalfClosed, EyeShape::Closed};
    QImage image = blank(MascotPixels, Qt::transparent);
    QPainter painter(&image);
    prepare(painter);
    drawMouseFace(painter, frame >= 0 && frame < MascotFrameCount ? eyes[frame] : eyes[0]);
    return image;
}

QImage missPicture() {
    QImage image = blank(MissPicturePixels, Qt::white);
    QPainter painter(&image);
    prepare(painter);
    QLinearGradient sky(0, 0, 0, MissPicturePixels.height());
    sky.setColorAt(0, QColor(255, 248, 214));
    sky.setColorAt(1, QColor(255, 222, 205));
    painter.fillRect(image.rect(), sky);
    // Confetti dots around the edge.
    painter.setPen(Qt::NoPen);
    const std::array<QColor, 4> confetti{QColor(120, 200, 255), QColor(255, 150, 180),
                                         QColor(140, 220, 140), QColor(255, 200, 80)};
    for (int i = 0; i < 22; ++i) {
        const qreal angle = i * 2 * std::numbers::pi / 22;
        const QPointF at(203 + std::cos(angle) * 190, 123 + std::sin(angle) * 112);
        painter.setBrush(confetti[std::size_t(i) % confetti.size()]);
        painter.drawEllipse(at, 6 + i % 3 * 2, 6 + i % 3 * 2);
    }
    // The puzzled mouse on the left, with a question mark and a drop of sweat.
    painter.save();
    painter.translate(8, 70);
    painter.scale(0.86, 0.86);
    drawMouseFace(painter, EyeShape::Puzzled);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(130, 190, 255));
    QPainterPath drop(QPointF(122, 40));
    drop.cubicTo(QPointF(131, 55), QPointF(133, 64), QPointF(122, 66));
    drop.cubicTo(QPointF(111, 64), QPointF(113, 55), QPointF(122, 40));
    painter.drawPath(drop);
    QFont font(u"Noto Sans CJK JP"_s);
    font.setBold(true);
    font.setPixelSize(44);
    painter.setFont(font);
    painter.setPen(QColor(120, 110, 200));
    painter.drawText(QRectF(40, -52, 50, 50), Qt::AlignCenter, u"?"_s);
    painter.restore();

    font.setPixelSize(82);
    QPainterPath text;
    const QFontMetricsF metrics(font);
    const QString word = u"はずれ"_s;
    const qreal x = 268 - metrics.horizontalAdvance(word) / 2;
    const qreal y = 126 + (metrics.ascent() - metrics.descent()) / 2;
    text.addText(QPointF(x, y), font, word);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(text.translated(3, 4));
    painter.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(text);
    QLinearGradient ink(0, y - metrics.ascent(), 0, y);
    ink.setColorAt(0, QColor(255, 120, 90));
    ink.setColorAt(1, QColor(225, 50, 90));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPath(text);
    return image;
}

QImage danceSpritePicture(int sprite, bool facingLeft) {
    const bool yellow = sprite == 0 || sprite == 3;
    if (yellow)
        return facingLeft ? yellowBirdLeft() : yellowBirdRight();
    return facingLeft ? pinkBirdLeft() : pinkBirdRight();
}

} // namespace pikoro
