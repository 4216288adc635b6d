#pragma once

#include <QByteArray>
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

// Decodes bytes as UTF-8 when they are valid UTF-8 (a leading byte-order mark is dropped),
// otherwise as Shift-JIS; undecodable bytes become U+FFFD.
DecodedText decodeText(const QByteArray &bytes);

// Encodes text; nothing when a character has no Shift-JIS form.
std::optional<QByteArray> encodeText(const QString &text, TextEncoding encoding);

} // namespace pikoro
