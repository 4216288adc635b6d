#include "media/PictureLoader.h"

#include "core/SafeWrite.h"
#include "media/Dib.h"
#include "media/WmfDocument.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

constexpr int MaxVectorSide = 4096;

class SvgSource : public VectorSource {
public:
    explicit SvgSource(const QByteArray &data) : m_renderer(data) {}
    bool isValid() const { return m_renderer.isValid(); }
    QSizeF naturalSize() const {
        QSizeF size = m_renderer.defaultSize();
        if (size.isEmpty())
            size = m_renderer.viewBoxF().size();
        return size;
    }
    void render(QPainter &painter, const QRectF &target) const override {
        // QSvgRenderer::render is not const, though drawing leaves the document unchanged.
        const_cast<QSvgRenderer &>(m_renderer).render(&painter, target);
    }

private:
    QSvgRenderer m_renderer;
};

bool startsWith(const QByteArray &data, QByteArrayView magic) {
    return data.startsWith(magic);
}

bool looksLikeSvg(const QByteArray &data) {
    QByteArrayView head = QByteArrayView(data).first(qMin<qsizetype>(data.size(), 4096));
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    head = head.trimmed();
    if (!head.startsWith('<'))
        return false;
    return head.indexOf("<svg") >= 0;
}

// Some writers pad a GIF after its trailer byte with zeros or blanks.
bool endsWithGifTrailer(const QByteArray &data) {
    qsizetype end = data.size();
    while (end > 0 && (data[end - 1] == '\0' || QChar::isSpace(uchar(data[end - 1]))))
        --end;
    return end > 0 && data[end - 1] == ';';
}

// Walks the chunk list: the PNG decoder accepts a file whose end chunk is missing.
bool pngChunksComplete(const QByteArray &data) {
    qsizetype pos = 8;
    while (data.size() - pos >= 12) {
        const qint64 length = qFromBigEndian<quint32>(data.constData() + pos);
        const bool end = QByteArrayView(data).sliced(pos + 4, 4) == "IEND";
        if (length > data.size() - pos - 12)
            return false;
        pos += 12 + length;
        if (end)
            return true;
    }
    return false;
}

} // namespace

std::optional<PictureFormat> PictureLoader::detectFormat(const QByteArray &data) {
    if (startsWith(data, "BM"))
        return PictureFormat::Bmp;
    if (startsWith(data, QByteArrayView("\0\0\1\0", 4)) ||
        startsWith(data, QByteArrayView("\0\0\2\0", 4)))
        return PictureFormat::Ico;
    if (startsWith(data, "\xD7\xCD\xC6\x9A"))
        return PictureFormat::Wmf;
    // A plain metafile starts with its type (1 memory, 2 disk) and a header of 9 words.
    if (startsWith(data, QByteArrayView("\1\0\x09\0", 4)) ||
        startsWith(data, QByteArrayView("\2\0\x09\0", 4)))
        return PictureFormat::Wmf;
    if (startsWith(data, "\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (startsWith(data, "\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (startsWith(data, "GIF87a") || startsWith(data, "GIF89a"))
        return PictureFormat::Gif;
    if (startsWith(data, "RIFF") && data.mid(8, 4) == "WEBP")
        return PictureFormat::Webp;
    if (startsWith(data, "\x1F\x8B") || looksLikeSvg(data))
        return PictureFormat::Svg; // compressed SVG starts with the gzip mark
    return std::nullopt;
}

Picture PictureLoader::read(const QString &path) {
    // Only a regular file is opened: a pipe or a device named like a picture would hold up
    // whoever asked, the settings window's preview or the start.
    BoundedRead file = readBoundedFile(path, MaxFileSize);
    if (path.isEmpty() || file.status == BoundedRead::Status::Missing)
        return fail(u"ファイルがありません"_s);
    if (file.status == BoundedRead::Status::Unreadable)
        return fail(file.error);
    return read(file.bytes);
}

Picture PictureLoader::read(QIODevice *device) {
    if (!device || !device->isReadable())
        return fail(u"ファイルを読めません"_s);
    if (!device->isSequential() && device->size() - device->pos() > MaxFileSize)
        return fail(u"ファイルが大きすぎます"_s);
    // Only what the file holds: asking for the limit would reserve that much for every picture.
    const qint64 wanted = device->isSequential() ? MaxFileSize + 1 : device->size() - device->pos();
    QByteArray data = device->read(wanted);
    data.squeeze();
    if (data.size() > MaxFileSize)
        return fail(u"ファイルが大きすぎます"_s);
    return read(data);
}

Picture PictureLoader::read(const QByteArray &data) {
    m_error.clear();
    if (data.isEmpty())
        return fail(u"ファイルが空です"_s);
    const auto format = detectFormat(data);
    if (!format)
        return fail(u"読み込める形式の絵ではありません"_s);
    switch (*format) {
    case PictureFormat::Bmp:
        return readBitmap(data);
    case PictureFormat::Ico:
        return readIcon(data);
    case PictureFormat::Wmf: {
        QString why;
        auto doc = WmfDocument::parse(data, &why);
        if (!doc)
            return fail(why);
        return Picture(PictureFormat::Wmf, doc->toImage(), doc);
    }
    case PictureFormat::Svg:
        return readSvg(data);
    case PictureFormat::Jpeg: {
        // The JPEG decoder fills a cut-off picture with grey instead of failing; a whole file
        // has its end-of-image mark after the last scan. Looked for from the end: the last
        // end mark must have a scan before it and none after it. (Searching a photo's
        // megabytes backwards for the last scan would cost as much as a third of its decode.)
        const qsizetype end = data.lastIndexOf("\xFF\xD9");
        const qsizetype scan = data.indexOf("\xFF\xDA");
        if (end < 0 || scan < 0 || scan > end || data.indexOf("\xFF\xDA", end) >= 0)
            return fail(u"JPEG ファイルが途中で切れています"_s);
        return readRaster(data, *format);
    }
    case PictureFormat::Gif:
        // Every GIF ends with its trailer byte; without it frames are missing.
        if (!endsWithGifTrailer(data))
            return fail(u"GIF ファイルが途中で切れています"_s);
        return readRaster(data, *format);
    case PictureFormat::Webp:
        // Read through Qt's image-format plugins (Debian: qt6-image-formats-plugins).
        if (!QImageReader::supportedImageFormats().contains("webp"))
            return fail(u"WebP の絵を読む部品がありません（qt6-image-formats-plugins）"_s);
        return readRaster(data, *format);
    case PictureFormat::Png:
        if (!pngChunksComplete(data))
            return fail(u"PNG ファイルが途中で切れています"_s);
        return readRaster(data, *format);
    }
    return fail(u"読み込める形式の絵ではありません"_s);
}

Picture PictureLoader::fail(const QString &why) {
    m_error = why;
    return {};
}

Picture PictureLoader::readRaster(const QByteArray &data, PictureFormat format) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    const char *name = format == PictureFormat::Png    ? "png"
                       : format == PictureFormat::Jpeg ? "jpeg"
                       : format == PictureFormat::Webp ? "webp"
                                                       : "gif";
    QImageReader reader(&buffer, name);
    // Said here with the size: the decoder's own refusal of a picture bomb names no reason.
    if (const QSize declared = reader.size();
        declared.isValid() && qint64(declared.width()) * declared.height() * 4 >
                                  qint64(QImageReader::allocationLimit()) * 1024 * 1024)
        return fail(u"絵が大きすぎます（%1 × %2）"_s.arg(declared.width()).arg(declared.height()));
    // A photo stored sideways or upside down (as a phone stores one taken upright) comes the
    // right way up; its natural size is the upright one, the size every fitting works with.
    reader.setAutoTransform(true);
    QSize natural;
    if (format == PictureFormat::Jpeg && m_sizeRule) {
        const bool sideways = reader.transformation() & QImageIOHandler::TransformationRotate90;
        natural = sideways ? reader.size().transposed() : reader.size();
        const QSize wanted = natural.isValid() ? m_sizeRule(natural) : QSize();
        if (!wanted.isEmpty() && wanted.width() < natural.width() &&
            wanted.height() < natural.height())
            reader.setScaledSize(sideways ? wanted.transposed() : wanted); // before the turn
        else
            natural = QSize();
    }
    QImage image = reader.read();
    if (image.isNull())
        return fail(u"絵を読み込めません（%1）"_s.arg(reader.errorString()));
    if (natural.isValid())
        return Picture(format, std::move(image), natural);
    return Picture(format, std::move(image));
}

Picture PictureLoader::readBitmap(const QByteArray &data) {
    if (data.size() < 14 + 12)
        return fail(u"ビットマップファイルが途中で切れています"_s);
    const quint32 bitsOffset = qFromLittleEndian<quint32>(data.constData() + 10);
    if (bitsOffset < 14 + 12 || bitsOffset > quint32(data.size()))
        return fail(u"ビットマップファイルが途中で切れています"_s);
    QString why;
    QImage image = decodeDib(QByteArrayView(data).sliced(14), qsizetype(bitsOffset) - 14, &why);
    if (image.isNull())
        return fail(why);
    return Picture(PictureFormat::Bmp, std::move(image));
}

Picture PictureLoader::readIcon(const QByteArray &data) {
    // Check the directory ourselves: every image it lists must lie inside the file.
    const char *d = data.constData();
    if (data.size() < 6)
        return fail(u"アイコンファイルが途中で切れています"_s);
    const int count = qFromLittleEndian<quint16>(d + 4);
    if (count == 0)
        return fail(u"アイコンファイルに絵がありません"_s);
    if (data.size() < 6 + 16 * qsizetype(count))
        return fail(u"アイコンファイルが途中で切れています"_s);
    for (int i = 0; i < count; ++i) {
        const char *entry = d + 6 + 16 * i;
        const qint64 bytes = qFromLittleEndian<quint32>(entry + 8);
        const qint64 offset = qFromLittleEndian<quint32>(entry + 12);
        if (bytes == 0 || offset + bytes > data.size())
            return fail(u"アイコンファイルが途中で切れています"_s);
    }

    // Of several sizes take the largest, and of those the one with most colours: the picture
    // is shown far larger than an icon anyway.
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage best;
    for (int i = 0; i < reader.imageCount() && i < count; ++i) {
        if (!reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        const qint64 area = qint64(image.width()) * image.height();
        const qint64 bestArea = qint64(best.width()) * best.height();
        if (best.isNull() || area > bestArea || (area == bestArea && image.depth() > best.depth()))
            best = image;
    }
    if (best.isNull())
        return fail(u"アイコンを読み込めません（%1）"_s.arg(reader.errorString()));
    return Picture(PictureFormat::Ico, std::move(best));
}

Picture PictureLoader::readSvg(const QByteArray &data) {
    auto svg = std::make_shared<SvgSource>(data);
    if (!svg->isValid())
        return fail(u"SVG ファイルを読み込めません"_s);
    QSizeF natural = svg->naturalSize();
    if (natural.isEmpty())
        natural = QSizeF(256, 256);
    if (natural.width() > MaxVectorSide || natural.height() > MaxVectorSide)
        natural.scale(MaxVectorSide, MaxVectorSide, Qt::KeepAspectRatio);
    const QSize size(qMax(1, qRound(natural.width())), qMax(1, qRound(natural.height())));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg->render(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return Picture(PictureFormat::Svg, std::move(image), svg);
}

} // namespace pikoro
