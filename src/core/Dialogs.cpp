#include "core/Dialogs.h"

using namespace Qt::StringLiterals;

namespace pikoro {

QList<DialogButton> buttonsOf(MessageButtons buttons) {
    using B = DialogButton;
    switch (buttons) {
    case MessageButtons::Ok:
        return {B::Ok};
    case MessageButtons::OkCancel:
        return {B::Ok, B::Cancel};
    case MessageButtons::AbortRetryIgnore:
        return {B::Abort, B::Retry, B::Ignore};
    case MessageButtons::YesNoCancel:
        return {B::Yes, B::No, B::Cancel};
    case MessageButtons::YesNo:
        return {B::Yes, B::No};
    case MessageButtons::RetryCancel:
        return {B::Retry, B::Cancel};
    }
    return {B::Ok};
}

namespace {

// "*.bmp" -> "*.bmp *.BMP": Linux file names are case-sensitive, files from the old days
// often are not lower case.
QStringList expandPatterns(const QStringList &patterns) {
    QStringList result;
    const auto addOnce = [&result](const QString &p) {
        if (!p.isEmpty() && !result.contains(p))
            result << p;
    };
    for (QString pattern : patterns) {
        pattern = pattern.trimmed();
        if (pattern == u"*.*" || pattern == u"*") {
            addOnce(u"*"_s);
            continue;
        }
        addOnce(pattern);
        addOnce(pattern.toLower());
        addOnce(pattern.toUpper());
    }
    return result;
}

} // namespace

QStringList qtNameFilters(const QList<FileType> &fileTypes) {
    QStringList filters;
    for (const FileType &type : fileTypes) {
        QStringList expanded = expandPatterns(type.patterns);
        if (expanded.isEmpty())
            expanded << u"*"_s;
        const QString list = u"("_s + expanded.join(u' ') + u")"_s;
        const QString description = type.description.trimmed();
        filters << (description.isEmpty() ? list : description + u' ' + list);
    }
    return filters;
}

QString withDefaultExtension(const QString &path, const QString &extension) {
    QString ext = extension.trimmed();
    while (ext.startsWith(u'.'))
        ext.remove(0, 1);
    if (path.isEmpty() || ext.isEmpty())
        return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    QString name = path.mid(slash + 1);
    if (name.isEmpty())
        return path;
    const qsizetype dot = name.lastIndexOf(u'.');
    // A leading dot marks a hidden file, not an extension; a name ending in dots gets the
    // extension in place of them.
    if (dot > 0 && dot < name.size() - 1)
        return path;
    while (name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty())
        return path;
    return path.left(slash + 1) + name + u'.' + ext;
}

} // namespace pikoro
