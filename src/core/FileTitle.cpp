#include "core/FileTitle.h"

#include <QFileInfo>

namespace pikoro {
namespace {

// The longest file name the Linux file systems accept, in bytes.
constexpr qsizetype NameMax = 255;

} // namespace

std::optional<QString> fileTitle(const QString &path) {
    const qsizetype separator = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString title = path.mid(separator + 1);
    if (title.isEmpty() || title == u"." || title == u".." || title.contains(QChar(0)) ||
        title.toUtf8().size() > NameMax)
        return std::nullopt;
    return title;
}

QString openablePath(const QString &path) {
    if (!path.contains(u'\\') || QFileInfo(path).isFile())
        return path;
    QString slashed = path;
    slashed.replace(u'\\', u'/');
    return slashed;
}

} // namespace pikoro
