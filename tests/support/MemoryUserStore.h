#pragma once

#include "core/UserStore.h"

#include <QMap>

namespace pikoro {

// Values in memory only, for tests.
class MemoryUserStore : public UserStore {
public:
    QString read(const QString &application, const QString &section, const QString &key,
                 const QString &defaultValue) const override;
    bool write(const QString &application, const QString &section, const QString &key,
               const QString &value) override;

private:
    static QString address(const QString &application, const QString &section, const QString &key);
    QMap<QString, QString> m_values;
};

} // namespace pikoro
