#include "core/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

constexpr QLatin1StringView SaveFileMarker(".pikoro-save-");
constexpr int SaveFileSuffixLength = 6;
constexpr char SaveFileLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// The file a save of path replaces: the end of its chain of links (path itself for a loop).
QString finalTarget(const QString &path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

bool isSaveFileOf(const QString &fileName, const QString &targetName) {
    if (fileName.size() != targetName.size() + SaveFileMarker.size() + SaveFileSuffixLength ||
        !fileName.startsWith(targetName + SaveFileMarker))
        return false;
    const QStringView suffix = QStringView(fileName).last(SaveFileSuffixLength);
    return std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
        return c.unicode() < 128 && std::strchr(SaveFileLetters, char(c.unicode())) != nullptr;
    });
}

// Creates a new file beside target under a save-file name; -1 with errno on failure.
int createSaveFile(const QString &target, mode_t mode, QString *name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString suffix;
        for (int i = 0; i < SaveFileSuffixLength; ++i) {
            const int letter = QRandomGenerator::global()->bounded(int(sizeof SaveFileLetters) - 1);
            suffix += QLatin1Char(SaveFileLetters[letter]);
        }
        *name = target + SaveFileMarker + suffix;
        const int fd = ::open(QFile::encodeName(*name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeThrough(const QString &path, const QByteArray &bytes, QString *error) {
    const QString target = finalTarget(path);
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
    const mode_t mode = exists ? existing.st_mode & 07777 : 0666;
    QString saveFile;
    const int fd = createSaveFile(target, mode, &saveFile);
    if (fd < 0) {
        if (error)
            *error = qt_error_string(errno);
        return false;
    }
    qint64 done = 0;
    int failure = 0;
    while (done < bytes.size() && failure == 0) {
        const ssize_t count = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (count > 0)
            done += count;
        else if (count == 0 || errno != EINTR)
            failure = count == 0 ? -1 : errno;
    }
    if (failure == 0 && exists)
        ::fchmod(fd, mode); // the creation mask may have dropped some of the old permissions
    if (failure == 0 && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 &&
        ::rename(QFile::encodeName(saveFile).constData(), QFile::encodeName(target).constData()))
        failure = errno;
    if (failure == 0)
        return true;
    ::unlink(QFile::encodeName(saveFile).constData());
    if (error) {
        *error = failure > 0
                     ? qt_error_string(failure)
                     : u"only %1 of %2 bytes could be written"_s.arg(done).arg(bytes.size());
    }
    return false;
}

BoundedRead unreadable(const QString &why) {
    return {BoundedRead::Status::Unreadable, {}, why};
}

// Why a file cannot be read, in the user's words.
QString readFailure(int code) {
    switch (code) {
    case EACCES:
    case EPERM:
        return u"読み取りの許可がありません"_s;
    case EISDIR:
        return u"フォルダーです"_s;
    case ELOOP:
        return u"リンクが循環しています"_s;
    case ENAMETOOLONG:
        return u"パス名が長すぎます"_s;
    case EIO:
        return u"読み取り中にエラーが発生しました"_s;
    default:
        return u"読み取れません（%1）"_s.arg(qt_error_string(code));
    }
}

BoundedRead failedWith(int code) {
    if (code == ENOENT || code == ENOTDIR)
        return {};
    return unreadable(readFailure(code));
}

BoundedRead tooLarge(qint64 limit) {
    return unreadable(u"ファイルが大きすぎます（%1 バイトまで）"_s.arg(limit));
}

BoundedRead refused(const struct stat &info, qint64 limit) {
    if (!S_ISREG(info.st_mode))
        return unreadable(u"通常のファイルではありません"_s);
    if (info.st_size > limit)
        return tooLarge(limit);
    return {BoundedRead::Status::Read, {}, {}};
}

} // namespace

bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *error) {
    removeStaleSaveFiles(path);
    const QFileInfo info(path);
    const bool leadsNowhere = info.isSymLink() && !info.exists() &&
                              !QFileInfo(QFileInfo(info.symLinkTarget()).absolutePath()).isDir();
    if (!leadsNowhere)
        return writeThrough(path, bytes, error);

    std::error_code failed;
    const std::filesystem::path link = QFile::encodeName(path).toStdString();
    const std::filesystem::path target = std::filesystem::read_symlink(link, failed);
    if (failed || !QFile::remove(path))
        return writeThrough(path, bytes, error); // reports why the link's target cannot be made
    if (writeThrough(path, bytes, error))
        return true;
    std::filesystem::create_symlink(target, link, failed);
    return false;
}

void removeStaleSaveFiles(const QString &path) {
    const QFileInfo target(finalTarget(path));
    const QDir folder = target.absoluteDir();
    // Regular files only: a link or anything else under such a name is not one of ours.
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (isSaveFileOf(name, target.fileName()))
            QFile::remove(folder.filePath(name));
    }
}

namespace {

// Opens a regular file of at most limit bytes without waiting; the descriptor, or -1 with
// *refusal saying why.
int openRegularFile(const QString &path, qint64 limit, BoundedRead *refusal,
                    qint64 *size = nullptr) {
    const QByteArray name = QFile::encodeName(path);
    // Looked at before opening, so that opening a pipe or a device never waits or acts.
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        *refusal = failedWith(errno);
        return -1;
    }
    if (*refusal = refused(info, limit); refusal->status != BoundedRead::Status::Read)
        return -1;
    // Non-blocking all the same: the name may lead elsewhere by the time it is opened.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *refusal = failedWith(errno);
        return -1;
    }
    *refusal = ::fstat(fd, &info) != 0 ? failedWith(errno) : refused(info, limit);
    if (refusal->status != BoundedRead::Status::Read) {
        ::close(fd);
        return -1;
    }
    if (size)
        *size = info.st_size;
    return fd;
}

} // namespace

BoundedRead readBoundedFile(const QString &path, qint64 limit) {
    BoundedRead result;
    qint64 size = 0;
    const int fd = openRegularFile(path, limit, &result, &size);
    if (fd < 0)
        return result;
    result.bytes.reserve(size + 1); // one more: a file that grew is seen, without a new block
    char chunk[16 * 1024];
    while (result.status == BoundedRead::Status::Read && result.bytes.size() <= limit) {
        const qint64 wanted = qMin<qint64>(sizeof chunk, limit + 1 - result.bytes.size());
        const ssize_t count = ::read(fd, chunk, size_t(wanted));
        if (count == 0)
            break;
        if (count > 0)
            result.bytes.append(chunk, count);
        else if (errno != EINTR)
            result = unreadable(readFailure(errno));
    }
    ::close(fd);
    if (result.bytes.size() > limit) // it grew while we read it
        result = tooLarge(limit);
    return result;
}

BoundedFile openBoundedFile(const QString &path, qint64 limit) {
    BoundedRead refusal;
    const int fd = openRegularFile(path, limit, &refusal);
    if (fd < 0)
        return {refusal.status, nullptr, refusal.error};
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {BoundedRead::Status::Unreadable, nullptr, file->errorString()};
    }
    return {BoundedRead::Status::Read, std::move(file), {}};
}

} // namespace pikoro
