#include "core/DataFile.h"

#include "core/SafeWrite.h"
#include "core/SettingsFile.h"
#include "core/TextEncoding.h"

#include <QDir>
#include <QFileDevice>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace pikoro::DataFile {
namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool isLineEnd(QChar c) {
    return c == u'\r' || c == u'\n';
}

// Reads the file item by item, the way it has always been read: blanks before an item are
// skipped; a quoted item runs to the closing quote and the rest up to the comma or line end is
// dropped; any other item runs to the next comma or line end. Reading past the end fails.
class ItemReader {
public:
    explicit ItemReader(const QString &text) : m_text(text) {}

    std::optional<QString> next() {
        const qsizetype size = m_text.size();
        if (m_pos >= size)
            return std::nullopt;
        while (m_pos < size && isBlank(m_text[m_pos]))
            ++m_pos;
        QString item;
        if (m_pos < size && m_text[m_pos] == u'"') {
            qsizetype close = m_pos + 1;
            while (close < size && m_text[close] != u'"' && !isLineEnd(m_text[close]))
                ++close;
            item = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close < size && m_text[close] == u'"' ? close + 1 : close;
            while (m_pos < size && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < size && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
                ++m_pos;
            item = m_text.mid(start, m_pos - start);
            while (!item.isEmpty() && isBlank(item.back()))
                item.chop(1);
        }
        skipSeparator();
        return item;
    }

private:
    void skipSeparator() {
        const qsizetype size = m_text.size();
        if (m_pos >= size)
            return;
        if (m_text[m_pos] == u',') {
            ++m_pos;
            return;
        }
        if (m_text[m_pos] == u'\r' && m_pos + 1 < size && m_text[m_pos + 1] == u'\n')
            ++m_pos;
        ++m_pos;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

template <std::size_t N> bool readInto(ItemReader &reader, std::array<QString, N> &table) {
    for (QString &entry : table) {
        auto item = reader.next();
        if (!item)
            return false;
        entry = *item;
    }
    return true;
}

template <std::size_t N> void resolveEntries(const QString &folder, std::array<QString, N> &table) {
    for (QString &entry : table)
        entry = resolveStoredPath(folder, entry);
}

Outcome readText(const QString &text, HeaderCheck check, AssignmentTables &tables,
                 const QString &folder) {
    ItemReader reader(text);
    const auto first = reader.next();
    if (!first)
        return Outcome::failure(notPikoroFileMessage());
    if (check == HeaderCheck::Version4 && *first != header())
        return Outcome::failure(wrongVersionMessage());

    AssignmentTables read;
    const bool complete = reader.next() && reader.next() // date, "ピクチャーデータ"
                          && readInto(reader, read.digitPictures) &&
                          readInto(reader, read.keyPictures) && reader.next() &&
                          readInto(reader, read.digitSounds) && readInto(reader, read.keySounds) &&
                          reader.next() && readInto(reader, read.midiPieces);
    const auto last = complete ? reader.next() : std::nullopt;
    if (!last || *last != endMark())
        return Outcome::failure(notPikoroFileMessage());
    if (!folder.isEmpty()) {
        resolveEntries(folder, read.digitPictures);
        resolveEntries(folder, read.keyPictures);
        resolveEntries(folder, read.digitSounds);
        resolveEntries(folder, read.keySounds);
        resolveEntries(folder, read.midiPieces);
    }
    tables = read;
    return Outcome::success();
}

template <std::size_t N>
bool appendEntries(QStringList &lines, const std::array<QString, N> &table) {
    for (const QString &entry : table) {
        const auto encoded = encodeEntry(entry);
        if (!encoded)
            return false;
        lines.append(*encoded);
    }
    return true;
}

} // namespace

QString header() {
    return u"## ピコロVersion 4データファイル"_s;
}

QString endMark() {
    return u"PIKORO_DATA_FILE"_s;
}

QString wrongVersionMessage() {
    return u"バージョンが違います"_s;
}

QString notPikoroFileMessage() {
    return u"ピコロのファイルではありません"_s;
}

Outcome read(const QString &path, HeaderCheck check, AssignmentTables &tables,
             const QString &applicationFolder) {
    // Only a regular file of reasonable size is read: a pipe, a device or a huge file is no
    // data file and must not hold up the window.
    const BoundedRead file = readBoundedFile(path);
    if (file.status != BoundedRead::Status::Read) {
        const QString why =
            file.status == BoundedRead::Status::Missing ? u"ファイルがありません"_s : file.error;
        return Outcome::failure(
            u"%1\n%2\n%3"_s.arg(notPikoroFileMessage(), QDir::toNativeSeparators(path), why));
    }
    return readText(decodeText(file.bytes).text, check, tables, applicationFolder);
}

Outcome read(QIODevice *device, HeaderCheck check, AssignmentTables &tables,
             const QString &applicationFolder) {
    const QByteArray bytes = device->readAll();
    if (auto *file = qobject_cast<QFileDevice *>(device);
        file && file->error() != QFileDevice::NoError)
        return Outcome::failure(notPikoroFileMessage());
    return readText(decodeText(bytes).text, check, tables, applicationFolder);
}

std::optional<QString> encodeEntry(const QString &entry) {
    if (entry.contains(u'\r') || entry.contains(u'\n'))
        return std::nullopt;
    const bool needsQuotes =
        entry.contains(u',') || entry.startsWith(u'"') ||
        (!entry.isEmpty() && (isBlank(entry.front()) || isBlank(entry.back())));
    if (!needsQuotes)
        return entry;
    if (entry.contains(u'"'))
        return std::nullopt;
    return u'"' + entry + u'"';
}

std::optional<QStringList> lines(const AssignmentTables &tables, const QDate &date) {
    QStringList out;
    out.reserve(LineCount);
    out << header()
        << QLocale(QLocale::Japanese, QLocale::Japan).toString(date, QLocale::ShortFormat)
        << u"ピクチャーデータ"_s;
    bool ok = appendEntries(out, tables.digitPictures) && appendEntries(out, tables.keyPictures);
    out << u"サウンドデータ"_s;
    ok = ok && appendEntries(out, tables.digitSounds) && appendEntries(out, tables.keySounds);
    out << u"MIDIデータ"_s;
    ok = ok && appendEntries(out, tables.midiPieces);
    out << endMark();
    if (!ok)
        return std::nullopt;
    return out;
}

Outcome write(const QString &path, const AssignmentTables &tables, const QDate &date) {
    const auto text = lines(tables, date);
    if (!text) {
        return Outcome::failure(
            u"改行または \" を含むファイル名があるため、保存できませんでした。\n%1"_s.arg(
                QDir::toNativeSeparators(path)));
    }
    const QByteArray bytes = (text->join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
    QString error;
    if (!writeFileSafely(path, bytes, &error)) {
        return Outcome::failure(u"ファイルを保存できませんでした。\n%1\n%2"_s.arg(
            QDir::toNativeSeparators(path), error));
    }
    return Outcome::success();
}

} // namespace pikoro::DataFile
