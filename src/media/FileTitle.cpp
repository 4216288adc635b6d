#include "media/FileTitle.h"

namespace pikoro {

std::optional<QString> fileTitle(const QString &path) {
    const qsizetype separator = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const QString title = path.mid(separator + 1);
    if (title.isEmpty() || title == u"." || title == u"..")
        return std::nullopt;
    for (const QChar c : title) {
        if (c.unicode() < 0x20 || QStringView(u"<>:\"|?*").contains(c))
            return std::nullopt;
    }
    return title;
}

} // namespace pikoro
