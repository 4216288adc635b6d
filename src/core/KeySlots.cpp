#include "core/KeySlots.h"

#include <QtGlobal>

namespace pikoro {
namespace {

std::array<QString, LetterSlotCount> makeLetterCaptions() {
    std::array<QString, LetterSlotCount> captions;
    for (int n = 0; n < LetterSlotCount; ++n)
        captions[n] = QChar(u'A' + n);
    return captions;
}

std::array<QString, LetterSlotCount> makeKanaCaptions() {
    static constexpr const char16_t *kana[LetterSlotCount] = {
        u"ち", u"こ", u"そ", u"し", u"い", u"は", u"き", u"く", u"に", u"ま", u"の", u"り", u"も",
        u"み", u"ら", u"せ", u"た", u"す", u"と", u"か", u"な", u"ひ", u"て", u"さ", u"ん", u"つ"};
    std::array<QString, LetterSlotCount> captions;
    for (int n = 0; n < LetterSlotCount; ++n)
        captions[n] = QString::fromUtf16(kana[n]);
    return captions;
}

// Names of the six extra keys, slots 26-31, as the settings window lists them.
constexpr const char16_t *extraKeyNames[6] = {u"ｽﾍﾟｰｽ", u"ﾘﾀｰﾝ", u"↓", u"↑", u"→", u"←"};

QString keySlotName(int slot) {
    if (slot < LetterSlotCount)
        return letterCaptions()[slot];
    if (slot < OpeningPictureSlot)
        return QString::fromUtf16(extraKeyNames[slot - LetterSlotCount]);
    return QStringLiteral("ｵｰﾌﾟﾆﾝｸﾞ");
}

} // namespace

const std::array<QString, LetterSlotCount> &letterCaptions() {
    static const auto captions = makeLetterCaptions();
    return captions;
}

const std::array<QString, LetterSlotCount> &kanaCaptions() {
    static const auto captions = makeKanaCaptions();
    return captions;
}

QString pictureListName(int row) {
    Q_ASSERT(row >= 0 && row < PictureListRows);
    if (row < DigitCount)
        return QChar(u'０' + row); // full-width digits in the picture list
    return keySlotName(row - DigitCount);
}

QString soundListName(int row) {
    Q_ASSERT(row >= 0 && row < SoundListRows);
    if (row < DigitCount)
        return QString::number(row);
    return keySlotName(row - DigitCount);
}

QString midiListName(int slot) {
    Q_ASSERT(slot >= 0 && slot < MidiSlotCount);
    static constexpr const char16_t *special[10] = {
        u"オープニングMIDI", u"ESC",  u"TAB",  u"CTR",  u"SHIFT",
        u"SHIFT2",           u"NFER", u"XFER", u"CTRL", u"CAPS"};
    if (slot < FirstFunctionMidiSlot)
        return QString::fromUtf16(special[slot]);
    return QStringLiteral("F%1").arg(slot - FirstFunctionMidiSlot + 1);
}

} // namespace pikoro
