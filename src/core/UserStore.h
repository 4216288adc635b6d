#pragma once

#include "core/ProfileFile.h"

#include <QMap>
#include <QString>

namespace pikoro {

// The per-user settings store: texts addressed by application, section and key, names compared
// without regard to case ("PIKORO" and "Pikoro" are one application).
class UserStore {
public:
    virtual ~UserStore() = default;
    virtual QString read(const QString &application, const QString &section, const QString &key,
                         const QString &defaultValue) const = 0;
    // Returns false when the value could not be stored.
    virtual bool write(const QString &application, const QString &section, const QString &key,
                       const QString &value) = 0;
};

// Keeps each application's values in a profile file <config>/pikoro/<application>.ini, where
// <config> is $XDG_CONFIG_HOME or ~/.config. A value reads back exactly as it was written,
// blanks at either end and quotes included; a value with a line break is refused.
class ProfileUserStore : public UserStore {
public:
    // folder: where the files live; empty means the XDG config folder above.
    explicit ProfileUserStore(const QString &folder = {});

    QString read(const QString &application, const QString &section, const QString &key,
                 const QString &defaultValue) const override;
    bool write(const QString &application, const QString &section, const QString &key,
               const QString &value) override;

    QString fileFor(const QString &application) const;
    static QString defaultFolder();

private:
    QString m_folder;
};

// Where the user name lives in the per-user store: application "Pikoro", section "ユーザー登録",
// key "名前". It is the word that unlocks the exit.
namespace UserName {
QString application(); // "Pikoro"
QString section();     // "ユーザー登録"
QString key();         // "名前"
inline constexpr int MaxLength = 10;
QString read(const UserStore &store);
} // namespace UserName

} // namespace pikoro
