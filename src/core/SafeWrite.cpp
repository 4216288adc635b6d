#include "core/SafeWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace pikoro {
namespace {

bool writeThrough(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    // Unbuffered, so a short write (disk full, size limit) shows in write()'s count: a buffered
    // QSaveFile flushes on commit and can report success for a truncated file.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    // A short write reports no error of its own; writing the rest brings out the reason.
    qint64 done = 0;
    while (written && done < bytes.size()) {
        const qint64 count = file.write(bytes.constData() + done, bytes.size() - done);
        written = count > 0;
        done += qMax<qint64>(count, 0);
    }
    if (written && file.commit())
        return true;
    if (error) {
        *error = file.error() != QFileDevice::NoError
                     ? file.errorString()
                     : QStringLiteral("only %1 of %2 bytes could be written")
                           .arg(done)
                           .arg(bytes.size());
    }
    file.cancelWriting();
    return false;
}

} // namespace

bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *error) {
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

} // namespace pikoro
