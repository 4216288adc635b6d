#pragma once

#include "media/Picture.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace pikoro {

// Keeps decoded key pictures, so a picture shown once is ready at the next key press without
// decoding again. An entry is valid while its file keeps the same modification time and size.
// The cache holds at most maxBytes of pixels (originals and their scaled copies). When room is
// needed, pictures not on the last preload list (a set no longer in use) go first, then the
// least recently used. One picture larger than the whole budget is returned but not kept.
//
// With a size rule, a raster picture is kept at the size the rule gives only (the size it is
// shown at), so a large photo costs no more than the picture area and needs no scaling later.
//
// preload() decodes a list of pictures on a worker thread, in order; the results join the cache
// on the cache's own thread, pushing out pictures of an earlier list, never one of their own.
// Asking for a picture that is being decoded in the background waits for that decode instead
// of starting another; one still queued is decoded at once by the caller, ahead of the queue.
class PictureCache : public QObject {
    Q_OBJECT
public:
    // Decodes one file, ideally at the size the rule gives (the rule may be empty); on failure
    // returns a null Picture and sets the error text. Runs on the worker thread too.
    using Decoder = std::function<Picture(const QString &path, const PictureSizeRule &size,
                                          QString *errorString)>;

    static constexpr qsizetype DefaultMaxBytes = 128 * 1024 * 1024;
    // The least budget budgetFor gives, however small the picture area.
    static constexpr qsizetype MinimumBudget = 16 * 1024 * 1024;

    // A budget for slotCount pictures shown at up to pictureSize (32-bit pixels), never less
    // than MinimumBudget.
    static qsizetype budgetFor(const QSize &pictureSize, int slotCount);

    // With no decoder the cache reads files with PictureLoader.
    explicit PictureCache(qsizetype maxBytes = DefaultMaxBytes, Decoder decoder = {},
                          QObject *parent = nullptr);
    ~PictureCache() override;

    // The picture at path, decoded now or taken from the cache. A null Picture (and the
    // reason in errorString) when the file is missing or not a picture.
    Picture picture(const QString &path, QString *errorString = nullptr);

    // The picture at path stretched to exactly size, ready to draw. The last few sizes asked
    // for are kept with the picture, so repainting a shown picture copies pixels only.
    QImage scaled(const QString &path, const QSize &size, QString *errorString = nullptr);

    // Sets the size raster pictures are kept at; pictures kept by an earlier rule are dropped.
    void setSizeRule(PictureSizeRule rule);
    // Changes the budget, dropping the least recently used pictures beyond it.
    void setMaxBytes(qsizetype maxBytes);

    // Decodes the pictures at paths in the background, first ones first, replacing any earlier
    // list not yet decoded. Pictures already kept are skipped. Kept pictures not on this list
    // make room for it; decoding stops at the first picture that would fit only by pushing out
    // one of the list's own.
    void preload(const QStringList &paths);
    // Background decodes are queued, under way, or not yet taken into the cache.
    bool isPreloading() const;

    void clear();
    qsizetype totalBytes() const { return m_totalBytes; }
    qsizetype maxBytes() const { return m_maxBytes; }
    int count() const { return int(m_entries.size()); }
    bool contains(const QString &path) const;

signals:
    // The last picture of a preload list was decoded (or the list was given up).
    void preloadFinished();

private:
    struct Entry {
        QDateTime modified;
        qint64 fileSize = 0;
        Picture picture;
        QList<QImage> scaled; // newest first
        quint64 lastUse = 0;
        qsizetype bytes() const;
    };
    // A background decode, from its queueing to its joining the cache.
    struct Job {
        QString key;
        QDateTime modified;
        qint64 fileSize = 0;
        quint64 generation = 0;
        PictureSizeRule sizeRule;
        Picture picture;
        QImage prepared;
        QString error;
    };

    Entry *lookup(const QString &path, QString *errorString);
    // Decodes with the size rule applied: a raster picture comes at the wanted size; for a
    // vector picture `prepared` (if given) receives its copy drawn at that size.
    static Picture decode(const Decoder &decoder, const QString &path,
                          const PictureSizeRule &sizeRule, QString *errorString, QImage *prepared);
    // Keeps a decoded picture; null (and nothing kept) when it is larger than the budget.
    Entry *insert(const QString &key, const QDateTime &modified, qint64 fileSize, Picture picture,
                  const QImage &prepared = {});
    // Drops pictures until the total fits the budget: first those off the preload list, least
    // recently used first, then (unless onlyOffList) any other but `keep`.
    void trim(const QString &keep, bool onlyOffList = false);
    bool onList(const QString &key) const { return m_listed.count(key) != 0; }
    // Moves finished background decodes into the cache. A job for `waitFor` that is queued is
    // taken back (the caller decodes it), one under way is waited for; its result is returned.
    std::optional<Job> takeDecoded(const QString &waitFor = {});
    void runWorker();

    qsizetype m_maxBytes;
    Decoder m_decoder;
    PictureSizeRule m_sizeRule;
    // Node-based so an entry stays put while others are evicted.
    std::unordered_map<QString, Entry> m_entries;
    // A picture too large to keep, handed out once by the call that decoded it.
    Picture m_lastUncached;
    qsizetype m_totalBytes = 0;
    quint64 m_clock = 0;
    // The pictures of the last preload list: the set in use.
    std::unordered_set<QString> m_listed;

    // Shared with the worker thread, under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_workAdded;
    std::condition_variable m_jobDone;
    std::deque<Job> m_queue;
    QString m_inFlight;
    std::deque<Job> m_done;
    quint64 m_generation = 0;
    bool m_quit = false;
    std::thread m_worker;
};

} // namespace pikoro
