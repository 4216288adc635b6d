#pragma once

#include "core/UserStore.h"

#include <QMap>

namespace pikoro {

// Values in memory only, for tests; names ignore case and surrounding blanks.
class MemoryUserStore : public UserStore {
public:
    QString read(const QString &application, const QString &section, const QString &key,
                 const QString &defaultValue) const override {
        return m_values.value(address(application, section, key), defaultValue);
    }
    bool write(const QString &application, const QString &section, const QString &key,
               const QString &value) override {
        m_values.insert(address(application, section, key), value);
        return true;
    }

private:
    static QString address(const QString &app, const QString &section, const QString &key) {
        return (app.trimmed() + u'\n' + section.trimmed() + u'\n' + key.trimmed()).toLower();
    }
    QMap<QString, QString> m_values;
};

} // namespace pikoro
