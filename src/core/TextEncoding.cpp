#include "core/TextEncoding.h"

#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace pikoro {
namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

// Runs iconv over the whole input. When skipInvalid is set an undecodable byte is replaced by
// U+FFFD (given in UTF-8) and conversion goes on; otherwise the first such byte fails.
std::optional<QByteArray> convert(const char *to, const char *from, const QByteArray &input,
                                  bool skipInvalid) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out;
    out.reserve(input.size() * 2 + 16);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = size_t(input.size());
    char buffer[4096];
    std::optional<QByteArray> result;
    while (true) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, inLeft ? &in : nullptr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (rc != size_t(-1)) {
            if (inLeft == 0) {
                result = out;
                break;
            }
            continue;
        }
        if (errno == E2BIG)
            continue;
        if ((errno == EILSEQ || errno == EINVAL) && skipInvalid && inLeft > 0) {
            out.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
            continue;
        }
        break;
    }
    iconv_close(cd);
    return result;
}

std::optional<QString> exactUtf8(const QByteArray &bytes) {
    // The mark is kept as a character: only the one at the start of the file is dropped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> exactShiftJis(const QByteArray &bytes) {
    const auto converted = convert("UTF-8", "CP932", bytes, false);
    if (!converted)
        return std::nullopt;
    return QString::fromUtf8(*converted);
}

std::optional<QString> exactIn(const QByteArray &bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? exactUtf8(bytes) : exactShiftJis(bytes);
}

TextEncoding other(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? TextEncoding::ShiftJis : TextEncoding::Utf8;
}

bool isAscii(const QByteArray &bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

qsizetype lineEndLength(const QByteArray &line) {
    if (line.endsWith("\r\n"))
        return 2;
    return line.endsWith('\n') || line.endsWith('\r') ? 1 : 0;
}

// Neither a CR nor an LF byte can be part of a Shift-JIS character, so lines split the same in
// both encodings.
QList<QByteArray> splitLines(const QByteArray &bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        lines << bytes.mid(start, i + 1 - start);
        start = i + 1;
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

DecodedLine decodeLine(const QByteArray &bytes, TextEncoding preferred) {
    DecodedLine line{bytes, {}, {}};
    const QByteArray content = bytes.left(bytes.size() - lineEndLength(bytes));
    for (TextEncoding encoding : {preferred, other(preferred)}) {
        if (std::optional<QString> text = exactIn(content, encoding)) {
            line.text = *text;
            line.exactIn = encoding;
            return line;
        }
    }
    if (preferred == TextEncoding::Utf8)
        line.text = QString::fromUtf8(content);
    else
        line.text = QString::fromUtf8(convert("UTF-8", "CP932", content, true).value_or(""));
    return line;
}

} // namespace

QByteArray DecodedLine::lineEnd() const {
    return bytes.right(lineEndLength(bytes));
}

DecodedLines decodeLines(const QByteArray &bytes) {
    DecodedLines decoded;
    decoded.byteOrderMark = bytes.startsWith(Utf8Bom);
    const QList<QByteArray> lines = splitLines(bytes.mid(decoded.byteOrderMark ? 3 : 0));
    int utf8Votes = 0;
    int shiftJisVotes = 0;
    for (const QByteArray &line : lines) {
        if (isAscii(line))
            continue;
        if (exactUtf8(line))
            ++utf8Votes;
        else if (exactShiftJis(line))
            ++shiftJisVotes;
    }
    if (!decoded.byteOrderMark && shiftJisVotes > utf8Votes)
        decoded.encoding = TextEncoding::ShiftJis;
    for (const QByteArray &line : lines)
        decoded.lines << decodeLine(line, decoded.encoding);
    const auto ended = std::find_if(lines.begin(), lines.end(),
                                    [](const QByteArray &line) { return lineEndLength(line) > 0; });
    if (ended != lines.end())
        decoded.lineEnd = ended->right(lineEndLength(*ended));
    return decoded;
}

DecodedText decodeText(const QByteArray &bytes) {
    const DecodedLines decoded = decodeLines(bytes);
    QString text;
    for (const DecodedLine &line : decoded.lines)
        text += line.text + QString::fromLatin1(line.lineEnd());
    return {text, decoded.encoding};
}

std::optional<QByteArray> encodeText(const QString &text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    return convert("CP932", "UTF-8", text.toUtf8(), false);
}

} // namespace pikoro
