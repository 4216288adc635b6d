#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

namespace pikoro::test {

// A throw-away application folder for one test. XDG_CONFIG_HOME and XDG_DATA_HOME point into it
// while the object lives, so nothing touches the user's real settings or kept keys.
class TempFolder {
public:
    TempFolder() {
        QDir().mkpath(file(QStringLiteral(".config")));
        for (auto &[name, sub, old] : m_variables) {
            old = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
            qputenv(name, QFile::encodeName(file(QLatin1String(sub))));
        }
    }
    ~TempFolder() {
        for (const auto &[name, sub, old] : m_variables)
            old ? qputenv(name, *old) : qunsetenv(name);
    }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

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
    struct Variable {
        const char *name;
        const char *sub;
        std::optional<QByteArray> old;
    };
    QTemporaryDir m_dir;
    Variable m_variables[2] = {{"XDG_CONFIG_HOME", ".config", {}},
                               {"XDG_DATA_HOME", ".local/share", {}}};
};

} // namespace pikoro::test
