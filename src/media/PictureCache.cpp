#include "media/PictureCache.h"

#include "media/PictureLoader.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

// Scaled copies kept per picture: the picture area's size and one more, e.g. while the
// window is being resized.
constexpr int ScaledCopiesKept = 2;

} // namespace

qsizetype PictureCache::Entry::bytes() const {
    qsizetype total = picture.byteCost();
    for (const QImage &image : scaled)
        total += image.sizeInBytes();
    return total;
}

PictureCache::PictureCache(qsizetype maxBytes, Decoder decoder)
    : m_maxBytes(maxBytes), m_decoder(std::move(decoder)) {
    if (!m_decoder) {
        m_decoder = [](const QString &path, QString *errorString) {
            PictureLoader loader;
            Picture picture = loader.read(path);
            if (picture.isNull() && errorString)
                *errorString = loader.errorString();
            return picture;
        };
    }
}

Picture PictureCache::picture(const QString &path, QString *errorString) {
    const Entry *entry = lookup(path, errorString);
    return entry ? entry->picture : m_lastUncached;
}

QImage PictureCache::scaled(const QString &path, const QSize &size, QString *errorString) {
    Entry *entry = lookup(path, errorString);
    if (!entry)
        return m_lastUncached.scaled(size);
    for (qsizetype i = 0; i < entry->scaled.size(); ++i) {
        if (entry->scaled[i].size() == size) {
            entry->scaled.move(i, 0);
            return entry->scaled.first();
        }
    }
    const QImage image = entry->picture.scaled(size);
    if (image.isNull() || entry->picture.byteCost() + image.sizeInBytes() > m_maxBytes)
        return image;
    const qsizetype before = entry->bytes();
    entry->scaled.prepend(image);
    while (entry->scaled.size() > ScaledCopiesKept)
        entry->scaled.removeLast();
    m_totalBytes += entry->bytes() - before;
    trim(QFileInfo(path).absoluteFilePath());
    return image;
}

PictureCache::Entry *PictureCache::lookup(const QString &path, QString *errorString) {
    m_lastUncached = Picture();
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    if (path.isEmpty() || !info.isFile()) {
        // A file that has gone away must fail like an uncached one would.
        if (auto it = m_entries.find(key); it != m_entries.end()) {
            m_totalBytes -= it->second.bytes();
            m_entries.erase(it);
        }
        if (errorString)
            *errorString = u"Cannot open %1: no such file"_s.arg(path);
        return nullptr;
    }
    const QDateTime modified = info.lastModified();
    const qint64 size = info.size();
    auto it = m_entries.find(key);
    if (it != m_entries.end() && it->second.modified == modified && it->second.fileSize == size) {
        it->second.lastUse = ++m_clock;
        return &it->second;
    }
    if (it != m_entries.end()) {
        m_totalBytes -= it->second.bytes();
        m_entries.erase(it);
    }

    QString why;
    Picture picture = m_decoder(path, &why);
    if (picture.isNull()) {
        if (errorString)
            *errorString = why;
        return nullptr;
    }
    if (picture.byteCost() > m_maxBytes) {
        m_lastUncached = picture;
        return nullptr;
    }
    Entry entry;
    entry.modified = modified;
    entry.fileSize = size;
    entry.picture = std::move(picture);
    entry.lastUse = ++m_clock;
    m_totalBytes += entry.bytes();
    Entry &kept = m_entries.insert_or_assign(key, std::move(entry)).first->second;
    trim(key);
    return &kept;
}

void PictureCache::trim(const QString &keep) {
    while (m_totalBytes > m_maxBytes && m_entries.size() > 1) {
        auto oldest = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->first != keep &&
                (oldest == m_entries.end() || it->second.lastUse < oldest->second.lastUse))
                oldest = it;
        }
        if (oldest == m_entries.end())
            break;
        m_totalBytes -= oldest->second.bytes();
        m_entries.erase(oldest);
    }
}

void PictureCache::clear() {
    m_entries.clear();
    m_totalBytes = 0;
}

bool PictureCache::contains(const QString &path) const {
    return m_entries.count(QFileInfo(path).absoluteFilePath()) != 0;
}

} // namespace pikoro
