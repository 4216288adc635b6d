#pragma once

#include "app/TextEncoding.h"

#include <QList>
#include <QString>

class QIODevice;

namespace pikoro {

// A Windows-style profile file ("[section]" lines and "key=value" lines) held in memory.
// Section and key names compare without regard to case and surrounding blanks; values are
// trimmed. Writing a key rewrites its line in place and keeps every other line, comment and the
// order; a missing section is added at the end. Files are read as UTF-8 or Shift-JIS (see
// decodeLines) and saved in the encoding they were read in (UTF-8 with CR LF for new files):
// lines that were not written are saved as the very bytes they were read as, written lines get
// the file's line end.
class ProfileFile {
public:
    // A value read through readString holds at most this many characters, like a 255-character
    // buffer with its terminating zero.
    static constexpr int ValueCapacity = 254;

    // Reads the file at path. A missing file (a symbolic link to a missing file included) is an
    // empty profile and no error; a file that exists but cannot be read, is no regular file or
    // is larger than MaxTextFileSize returns false with errorString() set, without waiting.
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
    struct Location {
        int sectionLine = -1; // index of the "[section]" line, -1 when the section is absent
        int keyLine = -1;     // index of the key's line, -1 when the key is absent
        int lastLine = -1;    // last non-blank line of the section
    };
    Location find(const QString &section, const QString &key) const;
    QByteArray encoded(TextEncoding encoding) const;

    // Lines as read; a line written since has no bytes.
    QList<DecodedLine> m_lines;
    TextEncoding m_encoding = TextEncoding::Utf8;
    bool m_byteOrderMark = false;
    QByteArray m_lineEnd = "\r\n";
    QString m_error;
};

} // namespace pikoro
