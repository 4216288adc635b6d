#include "app/ProfileFile.h"

#include "app/SafeWrite.h"

#include <QFile>
#include <QBuffer>

namespace pikoro {
namespace {

bool isSectionLine(const QString &trimmed) {
    return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString sectionName(const QString &trimmed) {
    return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

bool isComment(const QString &trimmed) {
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

bool sameName(const QString &a, const QString &b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// A value enclosed in matching quotes loses them, as profile readers have always done.
QString unquote(QString value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

bool ProfileFile::load(const QString &path) {
    *this = ProfileFile();
    // Only a regular file of reasonable size is read: a pipe, a device or a huge file named like
    // ours is refused at once instead of holding up the start.
    const BoundedRead read = readBoundedFile(path);
    if (read.status == BoundedRead::Status::Unreadable) {
        m_error = read.error;
        return false;
    }
    QByteArray bytes = read.bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return load(&buffer);
}

bool ProfileFile::load(QIODevice *device) {
    *this = ProfileFile();
    const QByteArray bytes = device->readAll();
    if (auto *file = qobject_cast<QFileDevice *>(device);
        file && file->error() != QFileDevice::NoError) {
        m_error = file->errorString();
        return false;
    }
    DecodedLines decoded = decodeLines(bytes);
    m_lines = std::move(decoded.lines);
    m_encoding = decoded.encoding;
    m_byteOrderMark = decoded.byteOrderMark;
    m_lineEnd = decoded.lineEnd;
    return true;
}

ProfileFile::Location ProfileFile::find(const QString &section, const QString &key) const {
    Location where;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString trimmed = m_lines.at(i).text.trimmed();
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

bool ProfileFile::contains(const QString &section, const QString &key) const {
    return find(section, key).keyLine >= 0;
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &defaultValue) const {
    const Location where = find(section, key);
    QString value = defaultValue;
    if (where.keyLine >= 0) {
        const QString &line = m_lines.at(where.keyLine).text;
        value = unquote(line.mid(line.indexOf(u'=') + 1).trimmed());
    }
    return value.left(ValueCapacity);
}

int ProfileFile::readInt(const QString &section, const QString &key, int defaultValue) const {
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

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value) {
    const DecodedLine line{{}, key.trimmed() + u'=' + value, {}};
    const Location where = find(section, key);
    if (where.keyLine >= 0) {
        // The same text again keeps the line's bytes.
        if (m_lines.at(where.keyLine).text != line.text)
            m_lines[where.keyLine] = line;
    } else if (where.sectionLine >= 0) {
        m_lines.insert(where.lastLine + 1, line);
    } else {
        m_lines.append({{}, u'[' + section.trimmed() + u']', {}});
        m_lines.append(line);
    }
}

QByteArray ProfileFile::encoded(TextEncoding encoding) const {
    QByteArray bytes = m_byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const DecodedLine &line : m_lines) {
        // A line that was read (lines are never empty, their line end or text is there) keeps
        // its bytes unless the file changes encoding and the line can be carried over exactly.
        if (!line.bytes.isEmpty() && (encoding == m_encoding || line.exactIn != m_encoding)) {
            bytes += line.bytes;
        } else {
            bytes += encodeText(line.text, encoding).value_or(QByteArray());
            bytes += line.bytes.isEmpty() ? m_lineEnd : line.lineEnd();
        }
        // The last line of a file may have had no line end.
        if (!bytes.endsWith('\n') && !bytes.endsWith('\r') && &line != &m_lines.back())
            bytes += m_lineEnd;
    }
    return bytes;
}

bool ProfileFile::save(const QString &path) {
    m_error.clear();
    TextEncoding encoding = m_encoding;
    for (const DecodedLine &line : m_lines) {
        // A value Shift-JIS cannot hold: keep the setting by moving the file to UTF-8, which
        // the reader recognises, rather than dropping characters.
        if (line.bytes.isEmpty() && !encodeText(line.text, encoding))
            encoding = TextEncoding::Utf8;
    }
    const QByteArray bytes = encoded(encoding);
    if (!writeFileSafely(path, bytes, &m_error))
        return false;
    // From now on the profile is what the file holds.
    DecodedLines saved = decodeLines(bytes);
    m_lines = std::move(saved.lines);
    m_encoding = saved.encoding;
    return true;
}

} // namespace pikoro
