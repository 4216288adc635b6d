#pragma once

#include "core/AppState.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace pikoro::test {

// Every entry different, so an entry in the wrong row or table cannot go unnoticed.
inline AssignmentTables distinctTables() {
    AssignmentTables t;
    const auto fill = [](auto &table, const char *name) {
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = QStringLiteral("/t/") + QString::fromLatin1(name).arg(i);
    };
    fill(t.digitPictures, "digit%1.bmp");
    fill(t.digitSounds, "digit%1.wav");
    fill(t.keyPictures, "key%1.bmp");
    fill(t.keySounds, "key%1.wav");
    fill(t.midiPieces, "piece%1.mid");
    return t;
}

// What a file name may stand for that is no readable file and must be refused unread.
inline const char *const unreadableKinds[] = {"folder", "pipe", "link to /dev/zero", "50 MB file"};
inline bool makeUnreadable(const QString &kind, const QString &path) {
    if (kind == QLatin1String("folder"))
        return QDir().mkdir(path);
    if (kind == QLatin1String("pipe"))
        return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind.startsWith(QLatin1String("link")))
        return QFile::link(QStringLiteral("/dev/zero"), path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(50 << 20);
}

// Runs write() with files limited to `bytes`, as a full disk would cut it short.
template <typename Write> auto underFileSizeLimit(rlim_t bytes, Write write) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limited{bytes, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    const auto result = write();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

} // namespace pikoro::test
