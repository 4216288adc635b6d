#include "core/WorkingLists.h"

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

QString fullWidthDigit(int d) {
    return QString(QChar(0xFF10 + d));
}

QString letter(int n) {
    return QString(QChar(u'A' + n));
}

// Names of the extra keys in the grids, spelled out in full-width kana.
const std::array<QString, 6> &extraKeyNames() {
    static const std::array<QString, 6> names{u"スペース"_s, u"リターン"_s, u"↓"_s,
                                              u"↑"_s,        u"→"_s,        u"←"_s};
    return names;
}

const std::array<QString, MidiSlotCount> &midiGridNames() {
    static const std::array<QString, MidiSlotCount> names{u"オープニングMIDI"_s,
                                                          u"ESC"_s,
                                                          u"TAB"_s,
                                                          u"CTR"_s,
                                                          u"SHIFT_右"_s,
                                                          u"SHIFT_左"_s,
                                                          u"Alt左"_s,
                                                          u"Alt右"_s,
                                                          u"CTRL"_s,
                                                          u"CAPS"_s,
                                                          u"F1"_s,
                                                          u"F2"_s,
                                                          u"F3"_s,
                                                          u"F4"_s,
                                                          u"F5"_s,
                                                          u"F6"_s,
                                                          u"F7"_s,
                                                          u"F8"_s,
                                                          u"F9"_s,
                                                          u"F10"_s,
                                                          u"F11"_s,
                                                          u"F12"_s};
    return names;
}

// Key slots 0-32 as the grids name them.
QString slotGridName(int slot) {
    if (slot < LetterSlotCount)
        return letter(slot);
    if (slot == OpeningPictureSlot)
        return u"オープニング"_s;
    return extraKeyNames()[std::size_t(slot - LetterSlotCount)];
}

} // namespace

int listRowCount(ListKind kind) {
    switch (kind) {
    case ListKind::Picture:
        return PictureListRows;
    case ListKind::Wave:
        return SoundListRows;
    case ListKind::Midi:
        return MidiSlotCount;
    }
    return 0;
}

QString gridKeyName(ListKind kind, int row) {
    if (kind == ListKind::Midi)
        return midiGridNames()[std::size_t(row)];
    if (row < DigitCount) {
        // The WAVE grid has always labelled its first row with a half-width "0".
        if (kind == ListKind::Wave && row == 0)
            return u"0"_s;
        return fullWidthDigit(row);
    }
    return slotGridName(row - DigitCount);
}

QString gridFileHeader(ListKind kind) {
    switch (kind) {
    case ListKind::Picture:
        return u"　 　　BMPファイル名"_s;
    case ListKind::Wave:
        return u"　 　　Waveファイル名"_s;
    case ListKind::Midi:
        return u"　 　　MIDIファイル名"_s;
    }
    return {};
}

QString gridKeyHeader() {
    return u"ボタン名"_s;
}

QString kindListName(ListKind kind, int row) {
    switch (kind) {
    case ListKind::Picture:
        return pictureListName(row);
    case ListKind::Wave:
        return soundListName(row);
    case ListKind::Midi:
        return midiListName(row);
    }
    return {};
}

WorkingLists::WorkingLists() {
    for (ListKind kind : AllListKinds)
        m_lists[index(kind)] = QStringList(listRowCount(kind));
}

void WorkingLists::loadFrom(const AssignmentTables &tables) {
    loadPictures(tables);
    loadSounds(tables);
    QStringList &midi = m_lists[index(ListKind::Midi)];
    for (int i = 0; i < MidiSlotCount; ++i)
        midi[i] = tables.midiPieces[std::size_t(i)];
    m_rows[index(ListKind::Midi)] = 0;
}

void WorkingLists::loadSounds(const AssignmentTables &tables) {
    QStringList &sounds = m_lists[index(ListKind::Wave)];
    for (int d = 0; d < DigitCount; ++d)
        sounds[d] = tables.digitSounds[std::size_t(d)];
    for (int n = 0; n < KeySoundCount; ++n)
        sounds[DigitCount + n] = tables.keySounds[std::size_t(n)];
    m_rows[index(ListKind::Wave)] = 0;
}

void WorkingLists::loadPictures(const AssignmentTables &tables) {
    QStringList &pictures = m_lists[index(ListKind::Picture)];
    for (int d = 0; d < DigitCount; ++d)
        pictures[d] = tables.digitPictures[std::size_t(d)];
    for (int n = 0; n < KeyPictureCount; ++n)
        pictures[DigitCount + n] = tables.keyPictures[std::size_t(n)];
    m_rows[index(ListKind::Picture)] = 0;
}

void WorkingLists::storeInto(AssignmentTables &tables) const {
    const QStringList &pictures = entries(ListKind::Picture);
    const QStringList &sounds = entries(ListKind::Wave);
    const QStringList &midi = entries(ListKind::Midi);
    for (int d = 0; d < DigitCount; ++d) {
        tables.digitPictures[std::size_t(d)] = pictures[d];
        tables.digitSounds[std::size_t(d)] = sounds[d];
    }
    for (int n = 0; n < KeyPictureCount; ++n)
        tables.keyPictures[std::size_t(n)] = pictures[DigitCount + n];
    for (int n = 0; n < KeySoundCount; ++n)
        tables.keySounds[std::size_t(n)] = sounds[DigitCount + n];
    for (int i = 0; i < MidiSlotCount; ++i)
        tables.midiPieces[std::size_t(i)] = midi[i];
}

void WorkingLists::setEntry(ListKind kind, int row, const QString &path) {
    m_lists[index(kind)][row] = path;
}

void WorkingLists::setCurrentRow(ListKind kind, int row) {
    if (row >= 0 && row < listRowCount(kind))
        m_rows[index(kind)] = row;
}

void WorkingLists::clear(ListKind kind) {
    m_lists[index(kind)] = QStringList(listRowCount(kind));
}

} // namespace pikoro
