#include "ui/ThreeDControls.h"

#include "core/Twips.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace pikoro {

namespace {
const QColor Light{0xFF, 0xFF, 0xFF};
const QColor Shadow{0x80, 0x80, 0x80};
const QColor Frame{0x00, 0x00, 0x00};
constexpr double MinimumZoom = 0.1;
// Captions and labels shrink to fit, but no further than a size still readable.
constexpr int MinimumFontPixels = 7;
constexpr double MinimumFontPoints = 5.5;
} // namespace

bool textFits(const QFont &font, const QString &text, const QSize &room, int flags) {
    const QRect needed = QFontMetrics(font).boundingRect(QRect(QPoint(), room), flags, text);
    return needed.width() <= room.width() &&
           (!(flags & Qt::TextWordWrap) || needed.height() <= room.height());
}

QFont fontToFit(const QFont &font, const QString &text, const QSize &room, int flags) {
    QFont fitted = font;
    if (text.isEmpty() || room.isEmpty())
        return fitted;
    if (fitted.pixelSize() > 0) {
        while (!textFits(fitted, text, room, flags) && fitted.pixelSize() > MinimumFontPixels)
            fitted.setPixelSize(fitted.pixelSize() - 1);
    } else {
        while (!textFits(fitted, text, room, flags) && fitted.pointSizeF() > MinimumFontPoints)
            fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    }
    return fitted;
}

ThreeDControl::ThreeDControl(QWidget *parent, int index)
    : QWidget(parent), m_index(index), m_designFont(font()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    applyFont();
}

int ThreeDControl::twipsToPixels(int twips, double zoom) {
    return pikoro::twipsToPixels(twips, zoom);
}

void ThreeDControl::setCaption(const QString &caption) {
    if (caption == m_caption)
        return;
    m_caption = caption;
    applyFont();
    updateGeometry();
}

void ThreeDControl::setForeColor(const QColor &color) {
    m_foreColor = color;
    update();
}

void ThreeDControl::setBackColor(const QColor &color) {
    m_backColor = color;
    update();
}

void ThreeDControl::setCaptionFont(const QFont &font) {
    m_designFont = font;
    applyFont();
    updateGeometry();
}

void ThreeDControl::setGeometryTwips(int left, int top, int width, int height) {
    m_twips = QRect(left, top, width, height);
    m_placedInTwips = true;
    applyGeometry();
}

void ThreeDControl::moveTwips(int left, int top) {
    m_twips.moveTo(left, top);
    m_placedInTwips = true;
    applyGeometry();
}

void ThreeDControl::resizeTwips(int width, int height) {
    m_twips.setSize(QSize(width, height));
    m_placedInTwips = true;
    applyGeometry();
}

void ThreeDControl::setZoom(double zoom) {
    m_zoom = std::max(zoom, MinimumZoom);
    applyGeometry();
    applyFont();
    updateGeometry();
}

void ThreeDControl::applyGeometry() {
    if (!m_placedInTwips)
        return;
    const QRect pixels = pikoro::twipsToPixels(m_twips, m_zoom);
    setGeometry(pixels.x(), pixels.y(), std::max(0, pixels.width()), std::max(0, pixels.height()));
}

void ThreeDControl::applyFont() {
    // Fitting loads the font at every size it tries: it waits until the control is about to be
    // shown, at its final size and zoom, rather than repeating at every step of building a window.
    if (!testAttribute(Qt::WA_WState_Polished))
        return;
    setFont(fontToFit(zoomedFont(), m_caption, captionRect().size()));
    update();
}

QFont ThreeDControl::zoomedFont() const {
    QFont shown = m_designFont;
    if (m_designFont.pointSizeF() > 0) {
        // 96 dots per inch: 72 points are 96 pixels, the same scale as 15 twips per pixel.
        shown.setPixelSize(
            std::max(1, int(std::lround(m_designFont.pointSizeF() * 96.0 / 72.0 * m_zoom))));
    } else if (m_designFont.pixelSize() > 0) {
        shown.setPixelSize(std::max(1, int(std::lround(m_designFont.pixelSize() * m_zoom))));
    }
    return shown;
}

QSize ThreeDControl::captionTextSize() const {
    return QFontMetrics(zoomedFont()).size(Qt::TextShowMnemonic, m_caption);
}

void ThreeDControl::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    applyFont();
}

void ThreeDControl::click() {
    if (!isEnabled())
        return;
    activate();
    emit clicked(m_index);
}

void ThreeDControl::mousePressEvent(QMouseEvent *event) {
    // Other buttons do nothing, but they stay here: a press on a control is no press on the
    // window's bare background, where mouse gestures have their own meaning.
    if (event->button() != Qt::LeftButton)
        return;
    m_mouseDown = true;
    m_pressed = true;
    update();
}

void ThreeDControl::mouseMoveEvent(QMouseEvent *event) {
    if (!m_mouseDown)
        return;
    // Sliding off the control lifts it; sliding back presses it again.
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != m_pressed) {
        m_pressed = inside;
        update();
    }
}

void ThreeDControl::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !m_mouseDown)
        return;
    m_mouseDown = false;
    const bool clickedHere = rect().contains(event->position().toPoint());
    m_pressed = false;
    update();
    if (clickedHere)
        click();
}

void ThreeDControl::keyPressEvent(QKeyEvent *event) {
    // Keys belong to the window: a focused key button must not turn Space or Return into a
    // click of itself.
    event->ignore();
}

void ThreeDControl::keyReleaseEvent(QKeyEvent *event) {
    event->ignore();
}

void ThreeDControl::focusInEvent(QFocusEvent *event) {
    QWidget::focusInEvent(event);
    update();
    emit gotFocus(m_index);
}

void ThreeDControl::focusOutEvent(QFocusEvent *event) {
    QWidget::focusOutEvent(event);
    update();
    emit lostFocus(m_index);
}

bool ThreeDControl::event(QEvent *event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Polish)
        applyFont();
    return handled;
}

void ThreeDControl::changeEvent(QEvent *event) {
    // A control disabled while held down must not stay sunk.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_mouseDown = false;
        m_pressed = false;
    }
    QWidget::changeEvent(event);
}

int ThreeDControl::scaled(int designPixels) const {
    return std::max(1, int(std::lround(designPixels * m_zoom)));
}

void ThreeDControl::drawBevel(QPainter &painter, const QRect &rect, int width, bool raised) {
    const QColor topLeft = raised ? Light : Shadow;
    const QColor bottomRight = raised ? Shadow : Light;
    for (int i = 0; i < width; ++i) {
        const QRect r = rect.adjusted(i, i, -i, -i);
        if (r.width() <= 0 || r.height() <= 0)
            break;
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
}

void ThreeDControl::drawCaption(QPainter &painter, const QRect &rect, int flags) const {
    if (m_caption.isEmpty())
        return;
    painter.setFont(font());
    flags |= Qt::TextShowMnemonic | Qt::TextWordWrap;
    if (isEnabled()) {
        painter.setPen(m_foreColor);
        painter.drawText(rect, flags, m_caption);
    } else {
        // The engraved look of a disabled caption.
        painter.setPen(Light);
        painter.drawText(rect.translated(1, 1), flags, m_caption);
        painter.setPen(Shadow);
        painter.drawText(rect, flags, m_caption);
    }
}

ThreeDButton::ThreeDButton(QWidget *parent, int index) : ThreeDControl(parent, index) {
    setFocusPolicy(Qt::StrongFocus);
}

QRect ThreeDButton::captionRect() const {
    const int edge = 1 + scaled(2);
    return rect().adjusted(edge, edge, -edge, -edge);
}

QSize ThreeDButton::sizeHint() const {
    // The bevel, and around the caption about a line's height across and a fifth down.
    const QSize text = captionTextSize();
    const int edge = 1 + scaled(2);
    return {text.width() + 2 * (edge + text.height()),
            text.height() + 2 * (edge + text.height() / 5)};
}

void ThreeDButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, backColor());
    painter.setPen(Frame);
    painter.drawRect(all.adjusted(0, 0, -1, -1));

    const int bevel = scaled(2);
    const QRect inside = all.adjusted(1, 1, -1, -1);
    if (isPressed()) {
        // Pushed in: a flat shadow edge and the caption moved down-right by a pixel.
        painter.setPen(Shadow);
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        drawCaption(painter, inside.adjusted(bevel + 1, bevel + 1, -bevel + 1, -bevel + 1),
                    Qt::AlignCenter);
    } else {
        drawBevel(painter, inside.adjusted(0, 0, -1, -1), bevel, true);
        drawCaption(painter, inside.adjusted(bevel, bevel, -bevel, -bevel), Qt::AlignCenter);
    }
    if (hasFocus()) {
        QPen dots(Frame);
        dots.setStyle(Qt::DotLine);
        painter.setPen(dots);
        painter.drawRect(inside.adjusted(bevel + 1, bevel + 1, -bevel - 2, -bevel - 2));
    }
}

ThreeDPanel::ThreeDPanel(QWidget *parent, int index) : ThreeDControl(parent, index) {
    setFocusPolicy(Qt::NoFocus);
}

void ThreeDPanel::setBevelOuter(Bevel bevel) {
    m_outer = bevel;
    update();
}

void ThreeDPanel::setBevelInner(Bevel bevel) {
    m_inner = bevel;
    update();
}

void ThreeDPanel::setBevelWidth(int pixels) {
    m_bevelWidth = std::max(0, pixels);
    update();
}

void ThreeDPanel::setBorderWidth(int pixels) {
    m_borderWidth = std::max(0, pixels);
    update();
}

void ThreeDPanel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

QRect ThreeDPanel::innerArea() const {
    QRect area = rect().adjusted(0, 0, -1, -1);
    const int bevel = m_bevelWidth > 0 ? scaled(m_bevelWidth) : 0;
    if (m_outer != Bevel::None && bevel > 0)
        area.adjust(bevel, bevel, -bevel, -bevel);
    if (m_borderWidth > 0) {
        const int border = scaled(m_borderWidth);
        area.adjust(border, border, -border, -border);
    }
    if (m_inner != Bevel::None && bevel > 0)
        area.adjust(bevel, bevel, -bevel, -bevel);
    return area;
}

QRect ThreeDPanel::captionRect() const {
    return innerArea().adjusted(1, 0, 0, 0);
}

void ThreeDPanel::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), backColor());
    const int bevel = m_bevelWidth > 0 ? scaled(m_bevelWidth) : 0;
    if (m_outer != Bevel::None && bevel > 0)
        drawBevel(painter, rect().adjusted(0, 0, -1, -1), bevel, m_outer == Bevel::Raised);
    if (m_inner != Bevel::None && bevel > 0) {
        const QRect inner = innerArea().adjusted(-bevel, -bevel, bevel, bevel);
        drawBevel(painter, inner, bevel, m_inner == Bevel::Raised);
    }
    drawCaption(painter, captionRect(), int(m_alignment));
}

ThreeDCheck::ThreeDCheck(QWidget *parent, int index) : ThreeDControl(parent, index) {
    setFocusPolicy(Qt::StrongFocus);
}

void ThreeDCheck::setChecked(bool checked) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    update();
    emit toggled(m_checked);
}

void ThreeDCheck::activate() {
    m_checked = !m_checked;
    update();
    emit toggled(m_checked);
}

QRect ThreeDCheck::tickBox() const {
    const int side = std::min(scaled(13), height());
    return {0, (height() - side) / 2, side, side};
}

QRect ThreeDCheck::captionRect() const {
    return rect().adjusted(tickBox().width() + scaled(4), 0, 0, 0);
}

QSize ThreeDCheck::sizeHint() const {
    // The tick box, the gap, the caption and the focus frame drawn a pixel around it.
    const QSize text = captionTextSize();
    return {scaled(13) + scaled(4) + text.width() + 2,
            std::max(scaled(13), text.height()) + scaled(6)};
}

void ThreeDCheck::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), backColor());

    const QRect box = tickBox();
    const int side = box.width();
    painter.fillRect(box, isEnabled() && !isPressed() ? Light : backColor());
    drawBevel(painter, box.adjusted(0, 0, -1, -1), 1, false);
    painter.setPen(Frame);
    painter.drawRect(box.adjusted(1, 1, -2, -2));

    if (m_checked) {
        painter.setRenderHint(QPainter::Antialiasing);
        QPen tick(isEnabled() ? Frame : Shadow, std::max(1.5, side / 7.0));
        painter.setPen(tick);
        const QRectF inner =
            QRectF(box).adjusted(side * 0.25, side * 0.25, -side * 0.25, -side * 0.25);
        QPainterPath path;
        path.moveTo(inner.left(), inner.center().y());
        path.lineTo(inner.left() + inner.width() * 0.4, inner.bottom());
        path.lineTo(inner.right(), inner.top());
        painter.drawPath(path);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    const QRect text = captionRect();
    drawCaption(painter, text, Qt::AlignLeft | Qt::AlignVCenter);
    if (hasFocus() && !caption().isEmpty()) {
        QPen dots(Frame);
        dots.setStyle(Qt::DotLine);
        painter.setPen(dots);
        const QRect bounds = painter.boundingRect(
            text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption());
        painter.drawRect(bounds.adjusted(-1, 0, 1, -1));
    }
}

void applyZoom(QWidget *root, double zoom) {
    if (auto *control = qobject_cast<ThreeDControl *>(root))
        control->setZoom(zoom);
    // Windows opened over root (a dialog parented to it) scale by their own rule.
    for (ThreeDControl *control : root->findChildren<ThreeDControl *>()) {
        if (control->window() == root->window())
            control->setZoom(zoom);
    }
}

} // namespace pikoro
