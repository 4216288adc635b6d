#pragma once

#include <QString>

#include <optional>

namespace pikoro {

// The file title of a path: its last component, with "/" and "\" both taken as folder
// separators ("C:\snd\a.wav" and "/snd/a.wav" both give "a.wav"), since paths come from data
// files written on Windows too. No title (an invalid path) only for what no file system here
// accepts as a file name: an empty path, one that ends in a separator, a last component that
// is "." or "..", holds a NUL character or is longer than a file name can be (255 bytes).
// Any other character, ":" "?" "*" and the like included, is valid.
std::optional<QString> fileTitle(const QString &path);

// The path to open for a stored path: tables written on Windows may separate folders with "\",
// so a path holding "\" that names no file is opened with "/" instead. Key actions and the
// settings window's previews and tests all open files through this.
QString openablePath(const QString &path);

} // namespace pikoro
