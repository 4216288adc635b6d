#pragma once

#include "media/Picture.h"
#include "media/WmfReader.h"

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>

#include <memory>

namespace pikoro {

// A Windows metafile (plain, or placeable with the 0x9AC6CDD7 "Aldus" header), checked record
// by record when it is read and drawn with QPainter on demand. The records that draw lines,
// shapes, text and bitmaps are played; records we do not draw are skipped.
class WmfDocument : public VectorSource {
public:
    // Reads a metafile from its bytes. Returns null with a reason in errorString when the data
    // is not a metafile, a record runs past the end or the end-of-file record is missing.
    static std::shared_ptr<const WmfDocument> parse(const QByteArray &data, QString *errorString);

    // The drawing's extent in its own coordinates: the placeable bounding box, else the first
    // viewport or window set by the file, else the extent of what it draws.
    QRectF frame() const { return m_frame; }
    // Size in pixels at 96 dots per inch for placeable files (from their units per inch);
    // plain files take one frame unit as one pixel, limited to 4096 pixels a side.
    QSize naturalSize() const { return m_naturalSize; }

    void render(QPainter &painter, const QRectF &target) const override;
    // The whole drawing at its natural size on a transparent background.
    QImage toImage() const;

private:
    explicit WmfDocument(WmfFile file) : m_file(std::move(file)) {}

    WmfFile m_file;
    QRectF m_frame;
    QSize m_naturalSize;
};

} // namespace pikoro
