#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

#include <functional>
#include <memory>

class QPainter;

namespace pikoro {

// The size a picture of the given natural size is wanted at (e.g. the size it will be shown at).
using PictureSizeRule = std::function<QSize(const QSize &naturalSize)>;

// The file formats a key picture may come in.
enum class PictureFormat { Bmp, Ico, Wmf, Png, Jpeg, Gif, Svg, Webp };

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
    // A raster picture whose pixels were decoded or kept smaller than its natural size.
    Picture(PictureFormat format, QImage image, const QSize &naturalSize);

    bool isNull() const { return m_image.isNull(); }
    PictureFormat format() const { return m_format; }
    bool isVector() const { return m_vector != nullptr; }

    // The picture's own size in pixels (what a picture box that sizes itself would show).
    QSize size() const { return m_naturalSize.isValid() ? m_naturalSize : m_image.size(); }
    // The pixels at the natural size, or at the smaller size a raster picture was decoded at
    // (see reducedTo); transparent where a vector picture draws nothing.
    const QImage &image() const { return m_image; }

    // The picture stretched to exactly target (proportions are the caller's business);
    // a null image for an empty target or a null picture.
    QImage scaled(const QSize &target) const;

    // Approximate memory held by the decoded pixels, for cache accounting.
    qsizetype byteCost() const;

private:
    PictureFormat m_format = PictureFormat::Bmp;
    QImage m_image;
    QSize m_naturalSize; // invalid: the image's size
    std::shared_ptr<const VectorSource> m_vector;
};

} // namespace pikoro
