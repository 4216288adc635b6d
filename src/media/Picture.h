#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

#include <memory>

class QPainter;

namespace pikoro {

// The file formats a key picture may come in.
enum class PictureFormat { Bmp, Ico, Wmf, Png, Jpeg, Gif, Svg };

// A picture that can be drawn again at any size without losing sharpness (metafiles, SVG).
class VectorSource {
public:
    virtual ~VectorSource() = default;
    // Draws the whole picture stretched into target; the painter's state is left unchanged.
    virtual void render(QPainter &painter, const QRectF &target) const = 0;
};

// One decoded picture: its format, its natural size in pixels and its pixels at that size.
// Metafiles and SVG also keep their drawing so a scaled copy is drawn, not resampled.
class Picture {
public:
    Picture() = default;
    Picture(PictureFormat format, QImage image, std::shared_ptr<const VectorSource> vector = {});

    bool isNull() const { return m_image.isNull(); }
    PictureFormat format() const { return m_format; }
    bool isVector() const { return m_vector != nullptr; }

    // The picture's own size in pixels (what a picture box that sizes itself would show).
    QSize size() const { return m_image.size(); }
    // The pixels at the natural size; transparent where a vector picture draws nothing.
    const QImage &image() const { return m_image; }

    // The picture stretched to exactly target (proportions are the caller's business);
    // a null image for an empty target or a null picture.
    QImage scaled(const QSize &target) const;

    // Approximate memory held by the decoded pixels, for cache accounting.
    qsizetype byteCost() const;

private:
    PictureFormat m_format = PictureFormat::Bmp;
    QImage m_image;
    std::shared_ptr<const VectorSource> m_vector;
};

} // namespace pikoro
