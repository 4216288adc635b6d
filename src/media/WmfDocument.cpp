#include "media/WmfDocument.h"

#include "media/WmfPlayer.h"

#include <QPainter>
#include <QPicture>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

constexpr int MaxNaturalSide = 4096;

// The first viewport, else the first window a plain file sets; an empty rectangle if neither.
QRectF declaredFrame(const WmfFile &file) {
    QPointF windowOrg, viewportOrg;
    std::optional<QSizeF> windowExt, viewportExt;
    for (const WmfRecord &record : file.records) {
        WmfParams params(file.data, record);
        const QPointF v = params.point();
        if (!params.ok())
            continue;
        if (record.function == SetWindowOrg && !windowExt)
            windowOrg = v;
        else if (record.function == SetWindowExt && !windowExt)
            windowExt = QSizeF(v.x(), v.y());
        else if (record.function == SetViewportOrg && !viewportExt)
            viewportOrg = v;
        else if (record.function == SetViewportExt && !viewportExt)
            viewportExt = QSizeF(v.x(), v.y());
    }
    if (viewportExt && !viewportExt->isEmpty())
        return QRectF(viewportOrg, *viewportExt).normalized();
    if (windowExt && windowExt->width() != 0 && windowExt->height() != 0)
        return QRectF(windowOrg, *windowExt).normalized();
    return {};
}

} // namespace

std::shared_ptr<const WmfDocument> WmfDocument::parse(const QByteArray &data,
                                                      QString *errorString) {
    std::optional<WmfFile> file = readWmfFile(data, errorString);
    if (!file)
        return {};
    std::shared_ptr<WmfDocument> doc(new WmfDocument(std::move(*file)));
    const WmfFile &f = doc->m_file;
    doc->m_frame = f.placeable ? f.placeableBox : declaredFrame(f);
    if (!f.placeable && doc->m_frame.isEmpty()) {
        // No frame given: measure what the records draw.
        QPicture measure;
        QPainter painter(&measure);
        playWmf(f, QRectF(0, 0, 1, 1), painter);
        painter.end();
        // Edges are taken one by one: a drawing out to the end of the int range has a width
        // and height an int cannot hold.
        const QRect box = measure.boundingRect();
        doc->m_frame = QRectF(QPointF(box.left(), box.top()),
                              QPointF(qreal(box.right()) + 1, qreal(box.bottom()) + 1));
    }
    if (doc->m_frame.width() <= 0 || doc->m_frame.height() <= 0) {
        if (errorString)
            *errorString = u"メタファイルに描くものがありません"_s;
        return {};
    }

    QSizeF natural = doc->m_frame.size();
    if (f.placeable)
        natural *= 96.0 / (f.unitsPerInch > 0 ? f.unitsPerInch : 1440);
    if (natural.width() > MaxNaturalSide || natural.height() > MaxNaturalSide)
        natural.scale(MaxNaturalSide, MaxNaturalSide, Qt::KeepAspectRatio);
    doc->m_naturalSize = QSize(qMax(1, qRound(natural.width())), qMax(1, qRound(natural.height())));
    return doc;
}

void WmfDocument::render(QPainter &painter, const QRectF &target) const {
    if (target.isEmpty())
        return;
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / m_frame.width(), target.height() / m_frame.height());
    painter.translate(-m_frame.topLeft());
    playWmf(m_file, m_frame, painter);
    painter.restore();
}

QImage WmfDocument::toImage() const {
    QImage image(m_naturalSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    render(painter, QRectF(QPointF(0, 0), QSizeF(m_naturalSize)));
    return image;
}

} // namespace pikoro
