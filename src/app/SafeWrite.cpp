#include "app/SafeWrite.h"

#include <QSaveFile>

namespace pikoro {

bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // Unbuffered, so a short write (disk full, size limit) shows in write()'s count: a buffered
    // QSaveFile flushes on commit and can report success for a truncated file.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace pikoro
