#pragma once

#include <QString>

#include <optional>

namespace pikoro {

// The file title of a path: its last component, with "/" and "\" both taken as folder
// separators ("C:\snd\a.wav" and "/snd/a.wav" both give "a.wav"). No title (an invalid path)
// when the path is empty, ends in a separator, names "." or "..", or its last component holds
// a character that no file name may hold (< > : " | ? * or a control character). Paths come
// from data files written on Windows too, so the Windows rules for names apply.
std::optional<QString> fileTitle(const QString &path);

} // namespace pikoro
