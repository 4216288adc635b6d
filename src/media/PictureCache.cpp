#include "media/PictureCache.h"

#include "media/PictureLoader.h"

#include <QFileInfo>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;

namespace pikoro {

namespace {

// Scaled copies kept per picture: the picture area's size and one more, e.g. while the
// window is being resized.
constexpr int ScaledCopiesKept = 2;

} // namespace

qsizetype PictureCache::Entry::bytes() const {
    qsizetype total = picture.byteCost();
    for (const QImage &image : scaled) {
        // A copy at the decoded size shares the picture's pixels.
        if (image.cacheKey() != picture.image().cacheKey())
            total += image.sizeInBytes();
    }
    return total;
}

qsizetype PictureCache::budgetFor(const QSize &pictureSize, int slotCount) {
    const qsizetype perPicture = qsizetype(qMax(0, pictureSize.width())) *
                                 qMax(0, pictureSize.height()) * 4; // 32-bit pixels
    return qMax(MinimumBudget, perPicture * qMax(0, slotCount));
}

PictureCache::PictureCache(qsizetype maxBytes, Decoder decoder, QObject *parent)
    : QObject(parent), m_maxBytes(maxBytes), m_decoder(std::move(decoder)) {
    if (!m_decoder) {
        m_decoder = [](const QString &path, const PictureSizeRule &size, QString *errorString) {
            PictureLoader loader;
            loader.setSizeRule(size);
            Picture picture = loader.read(path);
            if (picture.isNull() && errorString)
                *errorString = loader.errorString();
            return picture;
        };
    }
}

PictureCache::~PictureCache() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_queue.clear();
    }
    m_workAdded.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

Picture PictureCache::decode(const Decoder &decoder, const QString &path,
                             const PictureSizeRule &sizeRule, QString *errorString,
                             QImage *prepared) {
    Picture picture = decoder(path, sizeRule, errorString);
    if (picture.isNull() || !sizeRule)
        return picture;
    const QSize wanted = sizeRule(picture.size());
    if (wanted.isEmpty() || wanted == picture.image().size())
        return picture;
    if (picture.isVector()) {
        // A drawing keeps its own size; its copy at the wanted size is drawn now if asked for.
        if (prepared)
            *prepared = picture.scaled(wanted);
        return picture;
    }
    // A raster picture is kept at the size it is shown at only: it is never drawn at another.
    return Picture(picture.format(), picture.scaled(wanted), picture.size());
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
            *errorString =
                info.exists() ? u"通常のファイルではありません"_s : u"ファイルがありません"_s;
        return nullptr;
    }
    const QDateTime modified = info.lastModified();
    const qint64 size = info.size();
    const auto valid = [&](std::unordered_map<QString, Entry>::iterator it) {
        return it != m_entries.end() && it->second.modified == modified &&
               it->second.fileSize == size;
    };
    auto it = m_entries.find(key);
    if (!valid(it)) {
        // The picture may be being decoded in the background right now.
        if (std::optional<Job> job = takeDecoded(key);
            job && job->modified == modified && job->fileSize == size) {
            it = m_entries.find(key);
            if (!valid(it)) {
                // Failed, or too large to keep.
                if (job->picture.isNull() && errorString)
                    *errorString = job->error;
                m_lastUncached = job->picture;
                return nullptr;
            }
        }
    }
    if (valid(it)) {
        it->second.lastUse = ++m_clock;
        return &it->second;
    }
    if (it != m_entries.end()) {
        m_totalBytes -= it->second.bytes();
        m_entries.erase(it);
    }

    QString why;
    Picture picture = decode(m_decoder, path, m_sizeRule, &why, nullptr);
    if (picture.isNull()) {
        if (errorString)
            *errorString = why;
        return nullptr;
    }
    Entry *kept = insert(key, modified, size, picture);
    if (!kept)
        m_lastUncached = picture;
    return kept;
}

PictureCache::Entry *PictureCache::insert(const QString &key, const QDateTime &modified,
                                          qint64 fileSize, Picture picture,
                                          const QImage &prepared) {
    if (picture.byteCost() > m_maxBytes)
        return nullptr;
    if (auto it = m_entries.find(key); it != m_entries.end()) {
        m_totalBytes -= it->second.bytes();
        m_entries.erase(it);
    }
    Entry entry;
    entry.modified = modified;
    entry.fileSize = fileSize;
    entry.picture = std::move(picture);
    entry.lastUse = ++m_clock;
    if (!prepared.isNull())
        entry.scaled.append(prepared);
    m_totalBytes += entry.bytes();
    Entry &kept = m_entries.insert_or_assign(key, std::move(entry)).first->second;
    trim(key);
    return &kept;
}

void PictureCache::trim(const QString &keep, bool onlyOffList) {
    for (const bool offListOnly : {true, false}) {
        if (!offListOnly && onlyOffList)
            break;
        while (m_totalBytes > m_maxBytes) {
            auto oldest = m_entries.end();
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
                if (it->first == keep || (offListOnly && onList(it->first)))
                    continue;
                if (oldest == m_entries.end() || it->second.lastUse < oldest->second.lastUse)
                    oldest = it;
            }
            if (oldest == m_entries.end())
                break;
            m_totalBytes -= oldest->second.bytes();
            m_entries.erase(oldest);
        }
    }
}

void PictureCache::setSizeRule(PictureSizeRule rule) {
    m_sizeRule = std::move(rule);
    clear();
}

void PictureCache::setMaxBytes(qsizetype maxBytes) {
    m_maxBytes = maxBytes;
    trim(QString());
    if (m_totalBytes > m_maxBytes)
        clear();
}

void PictureCache::preload(const QStringList &paths) {
    takeDecoded();
    std::deque<Job> jobs;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile())
            continue;
        Job job;
        job.key = info.absoluteFilePath();
        job.modified = info.lastModified();
        job.fileSize = info.size();
        const auto it = m_entries.find(job.key);
        const bool kept = it != m_entries.end() && it->second.modified == job.modified &&
                          it->second.fileSize == job.fileSize;
        const bool listed = std::any_of(jobs.begin(), jobs.end(),
                                        [&](const Job &other) { return other.key == job.key; });
        if (kept || listed)
            continue;
        job.sizeRule = m_sizeRule;
        jobs.push_back(std::move(job));
    }
    // The whole list is the set in use, also the pictures already kept.
    m_listed.clear();
    for (const QString &path : paths) {
        if (!path.isEmpty())
            m_listed.insert(QFileInfo(path).absoluteFilePath());
    }
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        for (Job &job : jobs) {
            job.generation = m_generation;
            // The picture under way is not decoded a second time.
            if (job.key != m_inFlight)
                m_queue.push_back(std::move(job));
        }
        m_queue.erase(
            std::remove_if(m_queue.begin(), m_queue.end(),
                           [this](const Job &job) { return job.generation != m_generation; }),
            m_queue.end());
        if (!m_worker.joinable() && !m_queue.empty())
            m_worker = std::thread([this] { runWorker(); });
    }
    m_workAdded.notify_all();
}

void PictureCache::runWorker() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_workAdded.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_quit)
            return;
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        m_inFlight = job.key;
        lock.unlock();
        job.picture = decode(m_decoder, job.key, job.sizeRule, &job.error, &job.prepared);
        lock.lock();
        m_inFlight.clear();
        m_done.push_back(std::move(job));
        m_jobDone.notify_all();
        QMetaObject::invokeMethod(
            this, [this] { takeDecoded(); }, Qt::QueuedConnection);
    }
}

std::optional<PictureCache::Job> PictureCache::takeDecoded(const QString &waitFor) {
    std::deque<Job> done;
    bool finished = false;
    bool decodeHere = false;
    quint64 generation = 0;
    {
        std::unique_lock lock(m_mutex);
        if (!waitFor.isEmpty()) {
            const auto queued = std::find_if(m_queue.begin(), m_queue.end(),
                                             [&](const Job &job) { return job.key == waitFor; });
            if (queued != m_queue.end()) {
                m_queue.erase(queued); // the caller decodes it now, ahead of the others
                decodeHere = true;
            }
            m_jobDone.wait(lock, [&] { return m_inFlight != waitFor; });
        }
        done.swap(m_done);
        generation = m_generation;
        finished = m_queue.empty() && m_inFlight.isEmpty();
    }
    std::optional<Job> wanted;
    bool overBudget = false;
    for (Job &job : done) {
        const bool current = job.generation == generation;
        if (job.key == waitFor && !decodeHere) {
            if (current && !job.picture.isNull())
                insert(job.key, job.modified, job.fileSize, job.picture, job.prepared);
            wanted = std::move(job);
            continue;
        }
        if (!current || job.picture.isNull() || overBudget)
            continue;
        // A preloaded picture pushes out pictures off the list only, never one of its own set:
        // a set larger than the budget keeps its first pictures.
        qsizetype listedBytes = 0;
        for (const auto &[key, entry] : m_entries) {
            if (key != job.key && onList(key))
                listedBytes += entry.bytes();
        }
        if (listedBytes + job.picture.byteCost() + job.prepared.sizeInBytes() > m_maxBytes) {
            overBudget = true;
            continue;
        }
        insert(job.key, job.modified, job.fileSize, job.picture, job.prepared);
    }
    if (overBudget) {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        finished = m_inFlight.isEmpty();
    }
    if (finished && !done.empty()) {
#ifdef __GLIBC__
        // Decoding left freed full-size pixels in the allocator's pools; give them back.
        malloc_trim(0);
#endif
        emit preloadFinished();
    }
    if (wanted && wanted->generation != generation)
        wanted.reset();
    return wanted;
}

bool PictureCache::isPreloading() const {
    std::lock_guard lock(m_mutex);
    return !m_queue.empty() || !m_inFlight.isEmpty() || !m_done.empty();
}

void PictureCache::clear() {
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        m_queue.clear();
    }
    m_entries.clear();
    m_listed.clear();
    m_totalBytes = 0;
}

bool PictureCache::contains(const QString &path) const {
    return m_entries.count(QFileInfo(path).absoluteFilePath()) != 0;
}

} // namespace pikoro
