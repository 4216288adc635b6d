#include "play/BuiltinPictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

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
