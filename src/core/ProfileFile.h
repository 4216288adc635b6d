#pragma once

#include "core/TextEncoding.h"

#include <QHash>
#include <QList>
#include <QString>

class QIODevice;

namespace pikoro {

// The text without the blanks and tabs around it; other white space (a full-width blank at the
// end of a name, say) belongs to the text.
QString trimBlanks(const QString &text);

// A Windows-style profile file ("[section]" lines and "key=value" lines) held in memory.
// Section and key names compare without regard to case and surrounding blanks and tabs; values
// lose the blanks and tabs around them. Writing a key rewrites its line in place and keeps every
// other line, comment and the order; a missing section is added at the end. Files are read as UTF-8
// or Shift-JIS (see decodeLines) and saved in the encoding they were read in (UTF-8 with CR LF for
// new files): lines that were not written are saved as the very bytes they were read as, written
// lines get the file's line end. Keys are found through an index of sections and keys built when
// the file is read, so a lookup does not depend on the file's length.
class ProfileFile {
public:
    // A value read through readString holds at most this many characters, like a 255-character
    // buffer with its terminating zero.
    static constexpr int ValueCapacity = 254;
    // Our settings files are some ten kilobytes. A larger file is refused: each of its lines
    // costs memory, and one made of nothing but short lines would take hundreds of megabytes.
    static constexpr qint64 MaxFileSize = 256 * 1024;

    // Reads the file at path. A missing file (a symbolic link to a missing file included) is an
    // empty profile and no error; a file that exists but cannot be read, is no regular file or
    // is larger than MaxFileSize returns false with errorString() set, without waiting.
    bool load(const QString &path);
    bool load(QIODevice *device);

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = {}) const;
    // The value's leading decimal number ("12abc" reads 12, "abc" reads 0); defaultValue when
    // the key is absent.
    int readInt(const QString &section, const QString &key, int defaultValue) const;
    bool contains(const QString &section, const QString &key) const;

    void writeString(const QString &section, const QString &key, const QString &value);

    // Replaces the file at path as a whole (see writeFileSafely), so a failed save leaves the
    // old file untouched. Returns false with errorString() on failure. A value Shift-JIS cannot
    // hold moves the file to UTF-8 rather than losing characters; lines that do not decode
    // exactly keep their bytes even then.
    bool save(const QString &path);

    TextEncoding encoding() const { return m_encoding; }
    QString errorString() const { return m_error; }

private:
    // Where the first section of a name stands; later sections of the same name never count.
    struct SectionIndex {
        int headerLine = -1;
        int lastLine = -1;        // last non-blank line of the section
        QHash<QString, int> keys; // case-folded key name -> line of its first occurrence
    };
    void setBytes(const QByteArray &bytes);
    void buildIndex();
    static void indexLine(SectionIndex &section, int line, const QString &trimmed);
    void insertLine(int at, const DecodedLine &line, const QString &section);
    int keyLine(const QString &section, const QString &key) const;
    QByteArray encoded(TextEncoding encoding) const;

    // Lines as read; a line written since has no bytes.
    QList<DecodedLine> m_lines;
    // Case-folded section name -> its lines, kept in step with m_lines.
    QHash<QString, SectionIndex> m_sections;
    TextEncoding m_encoding = TextEncoding::Utf8;
    bool m_byteOrderMark = false;
    QByteArray m_lineEnd = "\r\n";
    QString m_error;
};

} // namespace pikoro
