#include "app/UserStore.h"

#include <QDir>

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

QString MemoryUserStore::address(const QString &application, const QString &section,
                                 const QString &key) {
    return (application.trimmed() + u'\n' + section.trimmed() + u'\n' + key.trimmed()).toLower();
}

QString MemoryUserStore::read(const QString &application, const QString &section,
                              const QString &key, const QString &defaultValue) const {
    return m_values.value(address(application, section, key), defaultValue);
}

bool MemoryUserStore::write(const QString &application, const QString &section, const QString &key,
                            const QString &value) {
    m_values.insert(address(application, section, key), value);
    return true;
}

} // namespace pikoro
