#pragma once

#include <QString>

namespace pikoro {

// Where the program finds its own files and where it keeps the user's settings.
struct ApplicationPlace {
    QString applicationFolder; // pikoro.hlp, PIKORO.ini (defaults when installed), the content
    QString userSettingsFile;  // the user's own PIKORO.ini; empty when it is the one above
};

// An installed program (the executable in <prefix>/bin) has its application folder at
// executableFolder/installedDataFolder ("../share/pikoro") when that folder holds pikoro.hlp;
// the user's settings then live in userFolder/PIKORO.ini. Anywhere else, as in the build folder,
// the executable's own folder is the application folder and holds the settings file.
ApplicationPlace locateApplication(const QString &executableFolder, const QString &userFolder,
                                   const QString &installedDataFolder);

} // namespace pikoro
