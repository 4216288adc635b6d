#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace pikoro {

// Replaces the file at path with bytes through a temporary file in the same folder. The target
// changes only when every byte reached the disk; otherwise it stays as it was, the temporary file
// is removed, and false is returned with *error (when given) saying why. An existing file keeps
// its permissions.
//
// A symbolic link at path is written through: its target gets the bytes and the link stays.
// A link whose target cannot be created because the target's folder is gone is replaced by a
// plain file (and put back when that write fails too).
//
// The temporary file is named after the target: "<name>.pikoro-save-" and six letters or digits.
// One left behind by a save that was killed half-way is removed by the next save of the target.
bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Removes the temporary files that killed saves of path left beside it (beside its link target
// for a link). Nothing else is touched.
void removeStaleSaveFiles(const QString &path);

// The settings and data files are a few kilobytes; anything near this is not one of ours.
inline constexpr qint64 MaxTextFileSize = 1024 * 1024;

struct BoundedRead {
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Missing;
    QByteArray bytes; // Read: the whole file
    QString error;    // Unreadable: why, to be shown to the user
};

// Reads the file at path (following links) when it is a regular file of at most limit bytes.
// Pipes, devices, folders and larger files are refused at once without waiting on them, and
// never more than limit + 1 bytes are read, however the file grows meanwhile. A missing file,
// a link that leads nowhere included, is Missing.
BoundedRead readBoundedFile(const QString &path, qint64 limit = MaxTextFileSize);

struct BoundedFile {
    BoundedRead::Status status = BoundedRead::Status::Missing;
    std::unique_ptr<QFile> file; // Read: open for reading, at its start
    QString error;               // Unreadable: why, to be shown to the user
};

// Opens the file at path for a reader that takes only the parts it needs (a sound decoder),
// under the same checks as readBoundedFile: a regular file of at most limit bytes, refused at
// once otherwise.
BoundedFile openBoundedFile(const QString &path, qint64 limit);

} // namespace pikoro
