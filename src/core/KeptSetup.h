#pragma once

#include "core/Outcome.h"

#include <QString>

namespace pikoro {

struct AppState;

// The user's own data file, where OK keeps what the parent set up:
// $XDG_DATA_HOME/pikoro/keys.pik (default ~/.local/share/pikoro/keys.pik).
QString userDataFilePath();

// True for a data file of the prepared content, which lies in the application folder and is
// never written over.
bool isPreparedDataFile(const AppState &state, const QString &path);

// OK with [Pikoro] KeepSetupInUserFile: writes the shared tables into the data file in use, or
// into the user's own one when that is prepared content, none, or cannot be written. The file
// written becomes the one in use and, unless the parent chose another one in the window
// (parentChoseStartupFile), the data file opened at start-up. When no file could be written the
// outcome says why and nothing else changes.
Outcome keepSetup(AppState &state, bool parentChoseStartupFile);

// "使用中のデータファイル：<path>", or "…：なし" when no data file is in use.
QString dataFileInUseText(const AppState &state);

} // namespace pikoro
