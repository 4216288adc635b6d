#include "MemoryUserStore.h"

namespace pikoro {

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
