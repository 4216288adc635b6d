#include "media/WmfReader.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr qsizetype PlaceableHeaderSize = 22;
constexpr qsizetype MetaHeaderSize = 18;

std::optional<WmfFile> fail(QString *errorString, const QString &why) {
    if (errorString)
        *errorString = why;
    return std::nullopt;
}

} // namespace

std::optional<WmfFile> readWmfFile(const QByteArray &data, QString *errorString) {
    WmfFile file;
    file.data = data;
    const char *d = data.constData();
    qsizetype pos = 0;
    if (data.size() >= 4 && qFromLittleEndian<quint32>(d) == PlaceableKey) {
        if (data.size() < PlaceableHeaderSize)
            return fail(errorString, u"メタファイルのヘッダーが途中で切れています"_s);
        const auto word = [d](int i) { return qFromLittleEndian<qint16>(d + 6 + 2 * i); };
        file.placeableBox =
            QRectF(QPointF(word(0), word(1)), QPointF(word(2), word(3))).normalized();
        file.unitsPerInch = quint16(word(4));
        file.placeable = true;
        pos = PlaceableHeaderSize;
    }
    if (data.size() - pos < MetaHeaderSize)
        return fail(errorString, u"メタファイルのヘッダーが途中で切れています"_s);
    const auto type = qFromLittleEndian<quint16>(d + pos);
    const auto headerWords = qFromLittleEndian<quint16>(d + pos + 2);
    const auto version = qFromLittleEndian<quint16>(d + pos + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return fail(errorString, u"Windows メタファイルではありません"_s);
    file.objectCount = qFromLittleEndian<quint16>(d + pos + 10);
    pos += MetaHeaderSize;

    while (pos < data.size()) {
        if (data.size() - pos < 6)
            return fail(errorString,
                        u"メタファイルの %1 バイト目のレコードが途中で切れています"_s.arg(pos));
        const qint64 bytes = qint64(qFromLittleEndian<quint32>(d + pos)) * 2;
        const auto function = qFromLittleEndian<quint16>(d + pos + 4);
        if (bytes < 6 || bytes > data.size() - pos)
            return fail(
                errorString,
                u"メタファイルの %1 バイト目のレコードの大きさが正しくありません"_s.arg(pos));
        file.records.append({pos + 6, qsizetype(bytes - 6), function});
        pos += bytes;
        if (function == MetaEof)
            return file;
    }
    return fail(errorString, u"メタファイルに終わりのレコードがありません（途中で切れています）"_s);
}

bool WmfParams::take(qsizetype n) {
    if (!m_ok || n > m_length - m_pos) {
        m_ok = false;
        return false;
    }
    m_pos += n;
    return true;
}

quint16 WmfParams::u16() {
    return take(2) ? qFromLittleEndian<quint16>(m_data + m_pos - 2) : 0;
}

quint32 WmfParams::u32() {
    return take(4) ? qFromLittleEndian<quint32>(m_data + m_pos - 4) : 0;
}

QByteArrayView WmfParams::bytes(qsizetype n) {
    if (n < 0 || !take(n))
        return {};
    return QByteArrayView(m_data + m_pos - n, n);
}

QPointF WmfParams::point() {
    const qint16 y = i16();
    const qint16 x = i16();
    return QPointF(x, y);
}

QRectF WmfParams::corners() {
    const QPointF bottomRight = point();
    const QPointF topLeft = point();
    return QRectF(topLeft, bottomRight);
}

} // namespace pikoro
