#pragma once

#include "media/Picture.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

namespace pikoro {

// Reads key pictures: Windows bitmaps, icons and metafiles (placeable and plain), and PNG,
// JPEG, GIF, SVG and (with Qt's image-format plugins) WebP files. The format is told by the file's
// content, not its name. Anything that is not a whole picture (wrong format, cut short,
// inconsistent header) gives a null Picture and a reason in errorString(); nothing is read past the
// data.
class PictureLoader {
public:
    // Files larger than this are refused unread.
    static constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

    Picture read(const QString &path);
    // Reads the device from its current position to its end.
    Picture read(QIODevice *device);
    Picture read(const QByteArray &data);

    QString errorString() const { return m_error; }

    // A JPEG larger than the size the rule gives for it is decoded straight at that size (the
    // decoder skips the detail), so a 12-megapixel photo costs a fraction of a full decode.
    // The picture still reports its natural size.
    void setSizeRule(PictureSizeRule rule) { m_sizeRule = std::move(rule); }

    // The format the leading bytes announce, if they announce one we read.
    static std::optional<PictureFormat> detectFormat(const QByteArray &data);

private:
    Picture fail(const QString &why);
    Picture readRaster(const QByteArray &data, PictureFormat format);
    Picture readIcon(const QByteArray &data);
    Picture readBitmap(const QByteArray &data);
    Picture readSvg(const QByteArray &data);

    QString m_error;
    PictureSizeRule m_sizeRule;
};

} // namespace pikoro
