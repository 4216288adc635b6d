#include "core/KeptSetup.h"

#include "core/AppState.h"
#include "core/DataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

QString cleanAbsolute(const QString &path) {
    const QFileInfo info(path);
    // Links resolved where the file is there, so a link into the prepared folder counts as in it.
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString userDataFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/pikoro/keys.pik"_s;
}

bool isPreparedDataFile(const AppState &state, const QString &path) {
    if (state.applicationFolder.isEmpty())
        return false;
    const QString folder = cleanAbsolute(state.applicationFolder);
    return cleanAbsolute(path).startsWith(folder + u'/');
}

Outcome keepSetup(AppState &state, bool parentChoseStartupFile) {
    QStringList targets;
    if (!state.dataFileInUse.isEmpty() && !isPreparedDataFile(state, state.dataFileInUse))
        targets << state.dataFileInUse;
    if (!state.userDataFile.isEmpty() && !targets.contains(state.userDataFile))
        targets << state.userDataFile;
    Outcome written = Outcome::failure(u"設定を残すデータファイルがありません。"_s);
    for (const QString &target : targets) {
        QDir().mkpath(QFileInfo(target).absolutePath());
        written = DataFile::write(target, state.tables);
        if (!written)
            continue;
        state.dataFileInUse = target;
        if (!parentChoseStartupFile)
            state.startupDataFile = target;
        break;
    }
    return written;
}

QString dataFileInUseText(const AppState &state) {
    return u"使用中のデータファイル："_s + (state.dataFileInUse.isEmpty()
                                                ? u"なし"_s
                                                : QDir::toNativeSeparators(state.dataFileInUse));
}

} // namespace pikoro
