#include "core/UserStore.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// The profile reader trims a value and takes off one pair of enclosing quotes. A value that
// would lose something that way is written inside double quotes, so it reads back exactly, here
// and with any profile reader; every other value is written as it stands, as always.
QString protectedValue(const QString &value) {
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                        value.back() == value.front();
    return quoted || value.trimmed() != value ? u'"' + value + u'"' : value;
}

} // namespace

ProfileUserStore::ProfileUserStore(const QString &folder)
    : m_folder(folder.isEmpty() ? defaultFolder() : folder) {}

QString ProfileUserStore::defaultFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QLatin1String("/.config");
    return config + QLatin1String("/pikoro");
}

QString ProfileUserStore::fileFor(const QString &application) const {
    return m_folder + u'/' + application.trimmed().toLower() + QLatin1String(".ini");
}

QString ProfileUserStore::read(const QString &application, const QString &section,
                               const QString &key, const QString &defaultValue) const {
    ProfileFile profile;
    if (!profile.load(fileFor(application)))
        return defaultValue;
    return profile.readString(section, key, defaultValue);
}

bool ProfileUserStore::write(const QString &application, const QString &section, const QString &key,
                             const QString &value) {
    // One line holds one value: a line break cannot be stored.
    if (value.contains(u'\n') || value.contains(u'\r'))
        return false;
    const QString path = fileFor(application);
    ProfileFile profile;
    if (!QDir().mkpath(m_folder) || !profile.load(path))
        return false;
    profile.writeString(section, key, protectedValue(value));
    return profile.save(path);
}

namespace UserName {
QString application() {
    return u"Pikoro"_s;
}
QString section() {
    return u"ユーザー登録"_s;
}
QString key() {
    return u"名前"_s;
}
QString read(const UserStore &store) {
    return store.read(u"PIKORO"_s, section(), key(), {});
}
} // namespace UserName

} // namespace pikoro
