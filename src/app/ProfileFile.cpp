#include "app/ProfileFile.h"

#include "app/SafeWrite.h"

#include <QFile>

namespace pikoro {
namespace {

bool isSectionLine(const QString &trimmed)
{
    return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString sectionName(const QString &trimmed)
{
    return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

bool sameName(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// A value enclosed in matching quotes loses them, as profile readers have always done.
QString unquote(QString value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

bool ProfileFile::load(const QString &path)
{
    m_lines.clear();
    m_encoding = TextEncoding::Utf8;
    m_error.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    return load(&file);
}

bool ProfileFile::load(QIODevice *device)
{
    m_lines.clear();
    m_error.clear();
    const QByteArray bytes = device->readAll();
    if (auto *file = qobject_cast<QFileDevice *>(device);
        file && file->error() != QFileDevice::NoError) {
        m_error = file->errorString();
        return false;
    }
    const DecodedText decoded = decodeText(bytes);
    m_encoding = decoded.encoding;
    QString text = decoded.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.back().isEmpty())
        m_lines.removeLast(); // the line end of the last line
    return true;
}

ProfileFile::Location ProfileFile::find(const QString &section, const QString &key) const
{
    Location where;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString trimmed = m_lines.at(i).trimmed();
        if (isSectionLine(trimmed)) {
            if (where.sectionLine >= 0)
                break; // the first section of that name is the one that counts
            if (sameName(sectionName(trimmed), section)) {
                where.sectionLine = i;
                where.lastLine = i;
            }
            continue;
        }
        if (where.sectionLine < 0)
            continue;
        if (!trimmed.isEmpty())
            where.lastLine = i;
        if (isComment(trimmed))
            continue;
        const int eq = trimmed.indexOf(u'=');
        if (eq > 0 && sameName(trimmed.left(eq), key)) {
            where.keyLine = i;
            return where;
        }
    }
    return where;
}

bool ProfileFile::contains(const QString &section, const QString &key) const
{
    return find(section, key).keyLine >= 0;
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    const Location where = find(section, key);
    QString value = defaultValue;
    if (where.keyLine >= 0) {
        const QString &line = m_lines.at(where.keyLine);
        value = unquote(line.mid(line.indexOf(u'=') + 1).trimmed());
    }
    return value.left(ValueCapacity);
}

int ProfileFile::readInt(const QString &section, const QString &key, int defaultValue) const
{
    if (!contains(section, key))
        return defaultValue;
    const QString value = readString(section, key);
    qsizetype i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) {
        negative = value[i] == u'-';
        ++i;
    }
    qint64 number = 0;
    for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
        number = number * 10 + (value[i].unicode() - u'0');
        if (number > qint64(INT_MAX) + 1)
            number = qint64(INT_MAX) + 1; // saturate rather than wrap on absurd values
    }
    if (negative)
        number = -number;
    return int(qBound(qint64(INT_MIN), number, qint64(INT_MAX)));
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const QString line = key.trimmed() + u'=' + value;
    const Location where = find(section, key);
    if (where.keyLine >= 0) {
        m_lines[where.keyLine] = line;
    } else if (where.sectionLine >= 0) {
        m_lines.insert(where.lastLine + 1, line);
    } else {
        m_lines.append(u'[' + section.trimmed() + u']');
        m_lines.append(line);
    }
}

bool ProfileFile::save(const QString &path)
{
    m_error.clear();
    const QString text = m_lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
    auto bytes = encodeText(text, m_encoding);
    if (!bytes) {
        // A value Shift-JIS cannot hold: keep the setting by moving the whole file to UTF-8,
        // which the reader recognises, rather than dropping characters.
        m_encoding = TextEncoding::Utf8;
        bytes = text.toUtf8();
    }
    return writeFileSafely(path, *bytes, &m_error);
}

} // namespace pikoro
