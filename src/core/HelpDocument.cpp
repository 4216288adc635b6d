#include "core/HelpDocument.h"

#include "core/SafeWrite.h"
#include "core/TextEncoding.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// No help text is anywhere near this long; a larger file is not a help page we can show.
constexpr qint64 MaxHelpSize = 8 * 1024 * 1024;

bool looksLikeHtml(const QString &text) {
    const QString head = text.left(4096).toLower();
    return head.contains(u"<html"_s) || head.contains(u"<!doctype html"_s) ||
           head.contains(u"<body"_s);
}

} // namespace

HelpDocument HelpDocument::load(const QString &path) {
    const QString shown = QDir::toNativeSeparators(path);
    const BoundedRead file = readBoundedFile(path, MaxHelpSize);
    if (file.status == BoundedRead::Status::Missing) {
        return {Kind::Missing, {}, u"ヘルプファイルが見つかりません。\n%1"_s.arg(shown)};
    }
    if (file.status == BoundedRead::Status::Unreadable) {
        return {Kind::Unsupported,
                {},
                u"ヘルプファイルを読めません。\n%1\n%2"_s.arg(shown, file.error)};
    }
    const QByteArray &bytes = file.bytes;
    // Compiled Windows help starts with the bytes 3F 5F 03 00; RTF sources and other binary
    // files are no better for a text view.
    const bool windowsHelp = bytes.startsWith(QByteArray("\x3f\x5f\x03\x00", 4));
    if (windowsHelp || bytes.startsWith("{\\rtf") || bytes.contains('\0')) {
        return {Kind::Unsupported,
                {},
                u"このヘルプファイルは表示できない形式です"
                u"（テキストまたは HTML のファイルだけを表示できます）。\n%1"_s.arg(shown)};
    }
    const QString text = decodeText(bytes).text;
    return {looksLikeHtml(text) ? Kind::Html : Kind::PlainText, text, {}};
}

} // namespace pikoro
