#include "core/ApplicationPlace.h"

#include <QDir>
#include <QFileInfo>

namespace pikoro {

ApplicationPlace locateApplication(const QString &executableFolder, const QString &userFolder,
                                   const QString &installedDataFolder) {
    const QString shared = QDir::cleanPath(QDir(executableFolder).filePath(installedDataFolder));
    if (!installedDataFolder.isEmpty() &&
        QFileInfo(shared + QStringLiteral("/pikoro.hlp")).isFile())
        return {shared, userFolder + QStringLiteral("/PIKORO.ini")};
    return {executableFolder, {}};
}

} // namespace pikoro
