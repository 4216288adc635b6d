#include "core/PhotoFolder.h"

#include "core/KeySlots.h"

#include <algorithm>
#include <array>
#include <optional>

namespace pikoro {
namespace {

constexpr int FirstLetterRow = DigitCount;

// The key a name points at by its first character, as a picture-list row.
std::optional<int> namedRow(const QString &fileName, bool kana) {
    // Compatibility decomposition: "Ａ" is "A", "ば" is "は" with its voicing mark, "ｶ" is "カ".
    const QString decomposed = fileName.normalized(QString::NormalizationForm_KD);
    if (decomposed.isEmpty())
        return std::nullopt;
    char16_t first = decomposed.front().unicode();
    if (first >= u'a' && first <= u'z')
        first = char16_t(first - u'a' + u'A');
    if (first >= u'A' && first <= u'Z')
        return FirstLetterRow + (first - u'A');
    if (!kana)
        return std::nullopt;
    if (first >= 0x30A1 && first <= 0x30F6) // katakana to hiragana
        first = char16_t(first - 0x60);
    const auto &captions = kanaCaptions();
    const auto found = std::find(captions.begin(), captions.end(), QString(QChar(first)));
    if (found == captions.end())
        return std::nullopt;
    return FirstLetterRow + int(found - captions.begin());
}

// Name order as a parent reads it, the same in every locale: letters without regard to case and
// runs of digits by their value ("IMG_2" before "IMG_10").
bool comesBefore(const QString &a, const QString &b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const auto digits = [](const QString &s, qsizetype &at) {
                while (at < s.size() && s[at] == u'0' && at + 1 < s.size() && s[at + 1].isDigit())
                    ++at;
                const qsizetype from = at;
                while (at < s.size() && s[at].isDigit())
                    ++at;
                return s.mid(from, at - from);
            };
            const QString x = digits(a, i);
            const QString y = digits(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (x != y)
                return x < y;
            continue;
        }
        const QChar x = a[i++].toCaseFolded();
        const QChar y = b[j++].toCaseFolded();
        if (x != y)
            return x < y;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    return a < b;
}

} // namespace

PhotoFolderPlan planPhotoFolder(QStringList fileNames, bool kana) {
    std::sort(fileNames.begin(), fileNames.end(), comesBefore);

    std::array<QString, FirstLetterRow + LetterSlotCount> byRow;
    QStringList rest;
    for (const QString &name : std::as_const(fileNames)) {
        const std::optional<int> row = namedRow(name, kana);
        if (row && byRow[std::size_t(*row)].isEmpty())
            byRow[std::size_t(*row)] = name;
        else
            rest << name;
    }
    // Letters first: they are the keys a child finds first.
    std::array<int, FirstLetterRow + LetterSlotCount> fillOrder{};
    for (int i = 0; i < LetterSlotCount; ++i)
        fillOrder[std::size_t(i)] = FirstLetterRow + i;
    for (int d = 0; d < DigitCount; ++d)
        fillOrder[std::size_t(LetterSlotCount + d)] = d;
    qsizetype next = 0;
    for (int row : fillOrder)
        if (byRow[std::size_t(row)].isEmpty() && next < rest.size())
            byRow[std::size_t(row)] = rest[next++];

    PhotoFolderPlan plan;
    for (int row = 0; row < int(byRow.size()); ++row)
        if (!byRow[std::size_t(row)].isEmpty())
            plan.placements.append({row, byRow[std::size_t(row)]});
    plan.leftOut = rest.mid(next);
    return plan;
}

} // namespace pikoro
