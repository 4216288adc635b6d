#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>

namespace pikoro::test {

// A throw-away application folder and XDG config and data folders for one test.
// XDG_CONFIG_HOME and XDG_DATA_HOME point into it while the object lives, so nothing touches the
// user's real settings or kept keys.
class TempFolder {
public:
    TempFolder() {
        QDir().mkpath(configHome());
        qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
        qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
    }
    ~TempFolder() {
        for (const auto &[name, old] : {std::pair("XDG_CONFIG_HOME", m_oldConfigHome),
                                        std::pair("XDG_DATA_HOME", m_oldDataHome)}) {
            if (old)
                qputenv(name, *old);
            else
                qunsetenv(name);
        }
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
    static std::optional<QByteArray> variable(const char *name) {
        return qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    std::optional<QByteArray> m_oldConfigHome = variable("XDG_CONFIG_HOME");
    std::optional<QByteArray> m_oldDataHome = variable("XDG_DATA_HOME");
};

} // namespace pikoro::test
