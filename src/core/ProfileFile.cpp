#include "core/ProfileFile.h"

#include "core/SafeWrite.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace pikoro {

QString trimBlanks(const QString &text) {
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return begin == 0 && end == text.size() ? text : text.sliced(begin, end - begin);
}

namespace {

bool isSectionLine(const QString &trimmed) {
    return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString sectionName(const QString &trimmed) {
    return trimBlanks(trimmed.mid(1, trimmed.indexOf(u']') - 1));
}

bool isComment(const QString &trimmed) {
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// Names compare without regard to case and surrounding blanks.
QString folded(const QString &name) {
    return trimBlanks(name).toCaseFolded();
}

// The folded name of the key a line inside a section defines; empty for any other line.
QString keyOf(const QString &trimmed) {
    if (isComment(trimmed))
        return {};
    const qsizetype eq = trimmed.indexOf(u'=');
    return eq > 0 ? folded(trimmed.left(eq)) : QString();
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
    const BoundedRead read = readBoundedFile(path, MaxFileSize);
    if (read.status == BoundedRead::Status::Unreadable) {
        m_error = read.error;
        return false;
    }
    setBytes(read.bytes);
    return true;
}

bool ProfileFile::load(QIODevice *device) {
    *this = ProfileFile();
    const QByteArray bytes = device->read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize) {
        m_error = u"ファイルが大きすぎます（%1 バイトまで）"_s.arg(MaxFileSize);
        return false;
    }
    if (auto *file = qobject_cast<QFileDevice *>(device);
        file && file->error() != QFileDevice::NoError) {
        m_error = file->errorString();
        return false;
    }
    setBytes(bytes);
    return true;
}

void ProfileFile::setBytes(const QByteArray &bytes) {
    DecodedLines decoded = decodeLines(bytes);
    m_lines = std::move(decoded.lines);
    m_encoding = decoded.encoding;
    m_byteOrderMark = decoded.byteOrderMark;
    m_lineEnd = decoded.lineEnd;
    buildIndex();
}

void ProfileFile::buildIndex() {
    m_sections.clear();
    std::optional<QString> current; // the section being indexed; none before the first one
                                    // and inside a repeated one
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString trimmed = trimBlanks(m_lines.at(i).text);
        if (isSectionLine(trimmed)) {
            current = folded(sectionName(trimmed));
            if (m_sections.contains(*current))
                current.reset();
            else
                m_sections.insert(*current, {i, i, {}});
        } else if (current) {
            indexLine(m_sections[*current], i, trimmed);
        }
    }
}

void ProfileFile::indexLine(SectionIndex &section, int line, const QString &trimmed) {
    if (trimmed.isEmpty())
        return;
    section.lastLine = line;
    if (const QString key = keyOf(trimmed); !key.isEmpty() && !section.keys.contains(key))
        section.keys.insert(key, line); // the first of two equal keys is the one that counts
}

void ProfileFile::insertLine(int at, const DecodedLine &line, const QString &section) {
    m_lines.insert(at, line);
    const QString trimmed = trimBlanks(line.text);
    if (isSectionLine(trimmed)) { // a key that looks like a section: let the file decide
        buildIndex();
        return;
    }
    for (SectionIndex &index : m_sections) {
        for (int *number : {&index.headerLine, &index.lastLine}) {
            if (*number >= at)
                ++*number;
        }
        for (int &number : index.keys) {
            if (number >= at)
                ++number;
        }
    }
    indexLine(m_sections[folded(section)], at, trimmed);
}

int ProfileFile::keyLine(const QString &section, const QString &key) const {
    const auto found = m_sections.constFind(folded(section));
    return found == m_sections.cend() ? -1 : found->keys.value(folded(key), -1);
}

bool ProfileFile::contains(const QString &section, const QString &key) const {
    return keyLine(section, key) >= 0;
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &defaultValue) const {
    const int line = keyLine(section, key);
    QString value = defaultValue;
    if (line >= 0) {
        const QString &text = m_lines.at(line).text;
        value = unquote(trimBlanks(text.mid(text.indexOf(u'=') + 1)));
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
    const DecodedLine line{{}, trimBlanks(key) + u'=' + value, {}};
    const auto found = m_sections.constFind(folded(section));
    if (found == m_sections.cend()) {
        m_lines.append({{}, u'[' + trimBlanks(section) + u']', {}});
        m_lines.append(line);
        buildIndex();
        return;
    }
    if (const int at = found->keys.value(folded(key), -1); at >= 0) {
        // The same text again keeps the line's bytes.
        if (m_lines.at(at).text != line.text)
            m_lines[at] = line;
        return;
    }
    insertLine(found->lastLine + 1, line, section);
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
    buildIndex(); // a value holding a line break is more than one line now
    return true;
}

} // namespace pikoro
