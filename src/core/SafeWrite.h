#pragma once

#include <QByteArray>
#include <QString>

namespace pikoro {

// Replaces the file at path with bytes through a temporary file in the same folder. The target
// changes only when every byte reached the disk; otherwise it stays as it was, the temporary file
// is removed, and false is returned with *error (when given) saying why.
//
// A symbolic link at path is written through: its target gets the bytes and the link stays.
// A link whose target cannot be created because the target's folder is gone is replaced by a
// plain file (and put back when that write fails too).
bool writeFileSafely(const QString &path, const QByteArray &bytes, QString *error = nullptr);

} // namespace pikoro
