#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace pikoro::test {

// A throw-away application folder and XDG config folder for one test. XDG_CONFIG_HOME points
// into it while the object lives, so nothing touches the user's real settings.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString configHome() const { return m_dir.filePath(QStringLiteral(".config")); }

    // Writes raw bytes to a file in the folder (creating sub-folders) and returns its path.
    QString write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfigHome;
    bool m_hadConfigHome = false;
};

} // namespace pikoro::test
