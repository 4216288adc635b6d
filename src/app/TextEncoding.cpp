#include "app/TextEncoding.h"

#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace pikoro {
namespace {

// Runs iconv over the whole input. When skipInvalid is set an undecodable byte is replaced by
// U+FFFD (given in UTF-8) and conversion goes on; otherwise the first such byte fails.
std::optional<QByteArray> convert(const char *to, const char *from, const QByteArray &input,
                                  bool skipInvalid)
{
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

} // namespace

DecodedText decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return {text, TextEncoding::Utf8};
    }
    const auto converted = convert("UTF-8", "CP932", bytes, true);
    return {converted ? QString::fromUtf8(*converted) : QString(), TextEncoding::ShiftJis};
}

std::optional<QByteArray> encodeText(const QString &text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    return convert("CP932", "UTF-8", text.toUtf8(), false);
}

} // namespace pikoro
