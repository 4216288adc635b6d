#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pikoro::test {

TempFolder::TempFolder() {
    m_hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
    QDir().mkpath(configHome());
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
}

TempFolder::~TempFolder() {
    if (m_hadConfigHome)
        qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString TempFolder::write(const QString &name, const QByteArray &bytes) const {
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
    return path;
}

QByteArray TempFolder::read(const QString &name) const {
    QFile in(file(name));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

} // namespace pikoro::test
