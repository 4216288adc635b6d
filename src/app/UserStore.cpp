#include "app/UserStore.h"

#include <QDir>

namespace pikoro {

ProfileUserStore::ProfileUserStore(const QString &folder)
    : m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
}

QString ProfileUserStore::defaultFolder()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QLatin1String("/.config");
    return config + QLatin1String("/pikoro");
}

QString ProfileUserStore::fileFor(const QString &application) const
{
    return m_folder + u'/' + application.trimmed().toLower() + QLatin1String(".ini");
}

QString ProfileUserStore::read(const QString &application, const QString &section,
                               const QString &key, const QString &defaultValue) const
{
    ProfileFile profile;
    if (!profile.load(fileFor(application)))
        return defaultValue;
    return profile.readString(section, key, defaultValue);
}

bool ProfileUserStore::write(const QString &application, const QString &section,
                             const QString &key, const QString &value)
{
    const QString path = fileFor(application);
    ProfileFile profile;
    if (!QDir().mkpath(m_folder) || !profile.load(path))
        return false;
    profile.writeString(section, key, value);
    return profile.save(path);
}

QString MemoryUserStore::address(const QString &application, const QString &section,
                                 const QString &key)
{
    return (application.trimmed() + u'\n' + section.trimmed() + u'\n' + key.trimmed()).toLower();
}

QString MemoryUserStore::read(const QString &application, const QString &section,
                              const QString &key, const QString &defaultValue) const
{
    return m_values.value(address(application, section, key), defaultValue);
}

bool MemoryUserStore::write(const QString &application, const QString &section,
                            const QString &key, const QString &value)
{
    m_values.insert(address(application, section, key), value);
    return true;
}

} // namespace pikoro
