#pragma once

#include "core/AppState.h"

#include <QString>
#include <QStringList>
#include <array>

namespace pikoro {

// The three lists of the settings window: pictures, WAVE sounds and MIDI pieces.
enum class ListKind { Picture = 0, Wave = 1, Midi = 2 };
inline constexpr std::array<ListKind, 3> AllListKinds{ListKind::Picture, ListKind::Wave,
                                                      ListKind::Midi};

// Entries a list uses: 43 pictures (digits, keys, opening), 42 sounds, 22 MIDI pieces.
int listRowCount(ListKind kind);

// Name in column 0 of the list's grid for entry `row` (0-based): "０".."９", "A".."Z",
// "スペース" ... for pictures; "0", "１".."９", ... for WAVE; "オープニングMIDI", "ESC", ... for
// MIDI.
QString gridKeyName(ListKind kind, int row);

// Header of the grid's file column ("　 　　BMPファイル名" ...); column 0 is "ボタン名".
QString gridFileHeader(ListKind kind);
QString gridKeyHeader();

// Entry `row` of the key-name list on the Options tab (lstBMPKind, lstSoundKind, ListMIDIKIND).
QString kindListName(ListKind kind, int row);

// The settings window's working copies of the five assignment tables, each list with the row
// its own grid shows selected. Picture entries 0-9 are the digits and 10-42 the key slots 0-32;
// sound entries 0-9 the digits and 10-41 the key slots; MIDI entries the 22 MIDI slots.
class WorkingLists {
public:
    WorkingLists();

    // Copies all five tables in and selects the first row of every list.
    void loadFrom(const AssignmentTables &tables);
    // Copies only the sound tables (or only the picture tables) in and selects their first row.
    void loadSounds(const AssignmentTables &tables);
    void loadPictures(const AssignmentTables &tables);
    // Copies every list back into the tables.
    void storeInto(AssignmentTables &tables) const;

    const QStringList &entries(ListKind kind) const { return m_lists[index(kind)]; }
    QString entry(ListKind kind, int row) const { return entries(kind).at(row); }
    void setEntry(ListKind kind, int row, const QString &path);

    // The row last selected in this list's own grid (0 after loading).
    int currentRow(ListKind kind) const { return m_rows[index(kind)]; }
    // Selects a row; rows outside the list are ignored.
    void setCurrentRow(ListKind kind, int row);

    // Empties every entry of the list.
    void clear(ListKind kind);

private:
    static int index(ListKind kind) { return int(kind); }

    std::array<QStringList, 3> m_lists;
    std::array<int, 3> m_rows{};
};

} // namespace pikoro
