#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace pikoro::test {

// A throw-away application folder and XDG config and data folders for one test. XDG_CONFIG_HOME
// and XDG_DATA_HOME point into it while the object lives, so nothing touches the user's files.
class TempFolder {
public:
    TempFolder() {
        QDir().mkpath(configHome());
        qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    }
    ~TempFolder() {
        if (m_hadConfigHome)
            qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
        else
            qunsetenv("XDG_CONFIG_HOME");
        if (m_hadDataHome)
            qputenv("XDG_DATA_HOME", m_oldDataHome);
        else
            qunsetenv("XDG_DATA_HOME");
    }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString configHome() const { return m_dir.filePath(QStringLiteral(".config")); }
    QString dataHome() const { return m_dir.filePath(QStringLiteral(".local/share")); }

    // Writes raw bytes to a file in the folder (creating sub-folders) and returns its path.
    QString write(const QString &name, const QByteArray &bytes) const {
        const QString path = file(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(bytes) != bytes.size())
            qFatal("cannot write test file %s", qPrintable(path));
        return path;
    }
    QByteArray read(const QString &name) const {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    bool m_hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    QByteArray m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
    bool m_hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    QByteArray m_oldDataHome = qgetenv("XDG_DATA_HOME");
};

} // namespace pikoro::test
