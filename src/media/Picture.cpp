#include "media/Picture.h"

#include <QPainter>

namespace pikoro {

namespace {

// The image in one of the two formats the window draws without converting each time.
QImage paintReady(const QImage &image) {
    if (image.format() == QImage::Format_RGB32 ||
        image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

} // namespace

Picture::Picture(PictureFormat format, QImage image, std::shared_ptr<const VectorSource> vector)
    : m_format(format), m_image(std::move(image)), m_vector(std::move(vector)) {}

Picture::Picture(PictureFormat format, QImage image, const QSize &naturalSize)
    : m_format(format), m_image(std::move(image)), m_naturalSize(naturalSize) {}

QImage Picture::scaled(const QSize &target) const {
    if (isNull() || target.isEmpty())
        return {};
    if (!m_vector) {
        if (target == m_image.size())
            return paintReady(m_image);
        // Smooth scaling: the pictures are shown large to small children, blocky pixels of a
        // 32 x 32 icon blown up to the whole area would look broken.
        // Scaled from a paint-ready copy, so an opaque picture stays opaque (a scaled 8-bit
        // bitmap would otherwise come out with an alpha channel, drawn by blending).
        return paintReady(m_image).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QImage out(target, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_vector->render(painter, QRectF(QPointF(0, 0), QSizeF(target)));
    return out;
}

qsizetype Picture::byteCost() const {
    // A vector source holds its records too, but they are small next to the pixels.
    return m_image.sizeInBytes();
}

} // namespace pikoro
