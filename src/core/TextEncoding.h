#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace pikoro {

// The encodings of the text files PIKORO reads: files written here are UTF-8, files made on a
// Japanese Windows desktop are Shift-JIS (code page 932).
enum class TextEncoding { Utf8, ShiftJis };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

// One line of a text file.
struct DecodedLine {
    QByteArray
        bytes;    // as read, its line end ("\r\n", "\n" or "\r") included; the last may have none
    QString text; // without the line end
    // The encoding in which every byte of the line decoded; none when some byte fitted neither
    // encoding and was read as U+FFFD.
    std::optional<TextEncoding> exactIn;

    QByteArray lineEnd() const;
};

struct DecodedLines {
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false; // a UTF-8 byte-order mark stood before the first line
    QList<DecodedLine> lines;
    QByteArray lineEnd = "\r\n"; // the first line end of the file; CR LF for a file without one
};

// Reads a text file line by line. The file's encoding is judged by its lines, so that one
// stray byte cannot turn a file into the other encoding: it is Shift-JIS only when more of its
// non-ASCII lines are Shift-JIS and not UTF-8 than are UTF-8 (a byte-order mark means UTF-8).
// Each line is then decoded in the file's encoding when it fits, else in the other one when it
// fits that, else in the file's encoding with U+FFFD for the bytes that do not fit.
DecodedLines decodeLines(const QByteArray &bytes);

// The whole text of decodeLines, line ends kept and the byte-order mark dropped.
DecodedText decodeText(const QByteArray &bytes);

// Encodes text; nothing when a character has no Shift-JIS form.
std::optional<QByteArray> encodeText(const QString &text, TextEncoding encoding);

} // namespace pikoro
