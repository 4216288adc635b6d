#pragma once

#include "ManualAudioOutput.h"
#include "MemoryUserStore.h"
#include "RecordingMedia.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"

#include "core/AppState.h"
#include "core/KeptSetup.h"
#include "media/MediaServices.h"
#include "ui/HelpViewer.h"
#include "ui/MainWindow.h"

#include <QImage>

namespace pikoro::test {

// What the program's windows are built on: a throw-away application folder, the shared state,
// dialogs (scripted unless given), recording media, a user store in memory, a noting help viewer.
template <class DialogsType = ScriptedDialogs> struct WindowServices {
    WindowServices() {
        state.applicationFolder = folder.path();
        state.userDataFile = userDataFilePath();
    }
    // A one-colour picture file in the folder, in the format its name ends with.
    QString picture(const QString &name, Qt::GlobalColor colour) const {
        QImage image(16, 8, QImage::Format_RGB32);
        image.fill(colour);
        image.save(folder.write(name, {}));
        return folder.file(name);
    }

    TempFolder folder;
    AppState state;
    DialogsType dialogs;
    ManualAudioOutput audio;
    RecordingWavePlayer wave;
    RecordingMidiDevice midi;
    RecordingSpeech speech;
    MediaServices media{audio, wave, midi, speech};
    MemoryUserStore users;
    RecordingHelpViewer help;
};

} // namespace pikoro::test
