#pragma once

#include "media/Picture.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <unordered_map>

namespace pikoro {

// Keeps decoded key pictures, so a picture shown once is ready at the next key press without
// decoding again. An entry is valid while its file keeps the same modification time and size.
// The cache holds at most maxBytes of pixels (originals and their scaled copies); the least
// recently used pictures go first. One picture larger than the whole budget is returned but
// not kept.
class PictureCache {
public:
    // Decodes one file; on failure returns a null Picture and sets the error text.
    using Decoder = std::function<Picture(const QString &path, QString *errorString)>;

    static constexpr qsizetype DefaultMaxBytes = 128 * 1024 * 1024;

    // With no decoder the cache reads files with PictureLoader.
    explicit PictureCache(qsizetype maxBytes = DefaultMaxBytes, Decoder decoder = {});

    // The picture at path, decoded now or taken from the cache. A null Picture (and the
    // reason in errorString) when the file is missing or not a picture.
    Picture picture(const QString &path, QString *errorString = nullptr);

    // The picture at path stretched to exactly size, ready to draw. The last few sizes asked
    // for are kept with the picture, so repainting a shown picture copies pixels only.
    QImage scaled(const QString &path, const QSize &size, QString *errorString = nullptr);

    void clear();
    qsizetype totalBytes() const { return m_totalBytes; }
    qsizetype maxBytes() const { return m_maxBytes; }
    int count() const { return int(m_entries.size()); }
    bool contains(const QString &path) const;

private:
    struct Entry {
        QDateTime modified;
        qint64 fileSize = 0;
        Picture picture;
        QList<QImage> scaled; // newest first
        quint64 lastUse = 0;
        qsizetype bytes() const;
    };

    Entry *lookup(const QString &path, QString *errorString);
    void trim(const QString &keep);

    qsizetype m_maxBytes;
    Decoder m_decoder;
    // Node-based so an entry stays put while others are evicted.
    std::unordered_map<QString, Entry> m_entries;
    // A picture too large to keep, handed out once by the call that decoded it.
    Picture m_lastUncached;
    qsizetype m_totalBytes = 0;
    quint64 m_clock = 0;
};

} // namespace pikoro
