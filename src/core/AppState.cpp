#include "core/AppState.h"

#include <QFileInfo>

namespace pikoro {

QString AppState::settingsPath() const {
    if (!userSettingsFile.isEmpty() && QFileInfo::exists(userSettingsFile))
        return userSettingsFile;
    return applicationFolder + QStringLiteral("/PIKORO.ini");
}

QString AppState::settingsSavePath() const {
    return userSettingsFile.isEmpty() ? applicationFolder + QStringLiteral("/PIKORO.ini")
                                      : userSettingsFile;
}

void applyKeyCaptions(AppState &state, bool kana) {
    state.keyCaptions = kana ? kanaCaptions() : letterCaptions();
}

} // namespace pikoro
