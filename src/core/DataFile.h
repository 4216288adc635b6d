#pragma once

#include "core/AppState.h"
#include "core/Outcome.h"

#include <QDate>
#include <QString>
#include <optional>

class QIODevice;

namespace pikoro {

// Data files (*.pik) hold one whole assignment of the five tables in 113 lines: the header, the
// date, "ピクチャーデータ", 10 digit and 33 key pictures, "サウンドデータ", 10 digit and 32 key
// sounds, "MIDIデータ", 22 MIDI pieces and the end mark "PIKORO_DATA_FILE".
namespace DataFile {

QString header();               // "## ピコロVersion 4データファイル"
QString endMark();              // "PIKORO_DATA_FILE"
QString wrongVersionMessage();  // "バージョンが違います"
QString notPikoroFileMessage(); // "ピコロのファイルではありません"
inline constexpr int LineCount = 113;

enum class HeaderCheck { Version4, None };

// Reads a data file into tables. The tables change only when the whole file was read and the
// end mark matched; on any failure they are left exactly as they were and the outcome's message
// is the one to show ("バージョンが違います" for another header when checking Version4,
// "ピコロのファイルではありません" otherwise). A path that is no regular file or is larger than
// MaxTextFileSize is refused at once, as an unreadable file; for a file that cannot be read the
// message goes on with the path and the reason, on lines of their own. With applicationFolder
// given, an entry beginning with "." is completed with it, as PIKORO.ini's paths are
// (resolveStoredPath).
Outcome read(const QString &path, HeaderCheck check, AssignmentTables &tables,
             const QString &applicationFolder = {});
Outcome read(QIODevice *device, HeaderCheck check, AssignmentTables &tables,
             const QString &applicationFolder = {});

// How an entry is written on its line: as it stands, or in double quotes when a comma or
// surrounding blanks would otherwise change how it reads back. Nothing when it cannot be written
// so that it reads back unchanged (a line break, or a double quote in an entry that needs quotes).
std::optional<QString> encodeEntry(const QString &entry);

// The 113 lines of tables, without line ends.
std::optional<QStringList> lines(const AssignmentTables &tables, const QDate &date);

// Writes tables to path in UTF-8 with CR LF line ends. The file is replaced only when every line
// was written, so a failed save leaves an existing file whole; an entry that cannot be written
// is refused before anything is written. The outcome's message names the file or the entry.
Outcome write(const QString &path, const AssignmentTables &tables,
              const QDate &date = QDate::currentDate());

} // namespace DataFile
} // namespace pikoro
