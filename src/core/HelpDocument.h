#pragma once

#include <QString>

namespace pikoro {

// The program's help file read for display. We show text and HTML documents; a compiled
// Windows help file or an RTF document cannot be shown, and the reader says so.
struct HelpDocument {
    enum class Kind { Html, PlainText, Missing, Unsupported };

    Kind kind = Kind::Missing;
    QString text;    // the document for Html and PlainText
    QString message; // for Missing and Unsupported: what to tell the reader, naming the file

    // Reads the file at path (UTF-8 or Shift-JIS) and tells its kind by its content.
    static HelpDocument load(const QString &path);
};

} // namespace pikoro
