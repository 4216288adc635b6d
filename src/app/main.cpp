#include "app/LocalSocketSingleInstance.h"
#include "app/Logging.h"
#include "app/SessionBus.h"
#include "app/SignalQuit.h"
#include "app/Startup.h"
#include "core/AppState.h"
#include "core/ApplicationPlace.h"
#include "core/KeptSetup.h"
#include "core/MainLayout.h"
#include "core/UserStore.h"
#include "media/AudioOutput.h"
#include "media/FluidSequencer.h"
#include "media/MediaServices.h"
#include "media/MidiDevice.h"
#include "media/Speech.h"
#include "media/WavePlayer.h"
#include "play/PlayController.h"
#include "ui/CalmScreens.h"
#include "ui/HelpViewer.h"
#include "ui/InstructionsWindow.h"
#include "ui/KeyboardLockKeeper.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"
#include "ui/StayAwake.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QScreen>
#include <QStandardPaths>
#include <csignal>
#include <fontconfig/fontconfig.h>
#include <thread>

using namespace Qt::StringLiterals;

int main(int argc, char **argv) {
    pikoro::useOnlyDesktopSessionBus(); // before the sound system and Qt connect to it
    // Started for the splash's sound-card check, kept up for the sound output.
    pikoro::AudioSystemStart audioStart;
    // Reading the font configuration is a good part of the start: it is done on the second core
    // while Qt connects to the display, and is ready when the splash asks for its first font.
    std::thread fontConfiguration([] { FcInit(); });
    QApplication app(argc, argv);
    fontConfiguration.join();
    // The program's title, shown by message boxes without a title of their own. Only the name is
    // set: an explicit display name would be appended to every window title ("設定 — ピコロ").
    QApplication::setApplicationName(u"ピコロ"_s);
    // The Wayland app id names the desktop entry, so that a desktop can keep the parent's answer
    // to its "allow inhibiting shortcuts" question.
    QGuiApplication::setDesktopFileName(u"io.github.pikoro.Pikoro"_s);
    // Every text is Japanese: in a Japanese font by default, kana and kanji take their Japanese
    // forms whatever the desktop's language, and no text waits for a search through the fonts
    // for one that has them.
    QFont japanese = QApplication::font();
    japanese.setFamilies({u"Noto Sans CJK JP"_s, japanese.family()});
    QApplication::setFont(japanese);
    pikoro::SignalQuit signalQuit;
    // A save that meets the file-size limit must fail with a message, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Qt's own dialog texts in Japanese, before the first window is made.
    const auto qtTexts = pikoro::installJapaneseQtTexts();

    pikoro::AppState state;
    // Installed, the program's files are under share/ and the user's settings in the XDG config
    // folder; run from the build folder, everything sits beside the executable.
    const pikoro::ApplicationPlace place = pikoro::locateApplication(
        QCoreApplication::applicationDirPath(), pikoro::ProfileUserStore::defaultFolder(),
        QStringLiteral(PIKORO_INSTALLED_DATA_FOLDER));
    state.applicationFolder = place.applicationFolder;
    qCInfo(pikoro::lcApp) << "application folder" << state.applicationFolder;
    state.userSettingsFile = place.userSettingsFile;
    state.userDataFile = pikoro::userDataFilePath();
    state.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(state.documentsFolder).isDir())
        state.documentsFolder = QDir::homePath();

    pikoro::QtDialogs dialogs;
    pikoro::ProfileUserStore store;
    pikoro::LocalSocketSingleInstance instance;

    // Sound, speech and the windows are made only once this copy knows it is the one to run: a
    // second start then ends at once, without opening the audio device or loading a SoundFont.
    struct Running {
        pikoro::SdlAudioOutput audio;
        pikoro::AudioWavePlayer wave{audio};
        // The SoundFont is read once the play screen is drawn: read beside it (taking memory by
        // the megabyte on the second core), it held the first paint back by up to 100 ms.
        std::unique_ptr<pikoro::FluidSequencer> ownSequencer =
            std::make_unique<pikoro::FluidSequencer>(audio, QString(),
                                                     pikoro::FluidSequencer::Loading::WhenAsked);
        pikoro::FluidSequencer &sequencer = *ownSequencer;
        pikoro::SequencerMidiDevice midi{std::move(ownSequencer)};
        pikoro::EspeakSpeech speech{audio};
        pikoro::MediaServices media{audio, wave, midi, speech};
        pikoro::HelpWindowViewer help;
        std::jthread soundFileLibrary; // opened beside the first frames, not by the first key
    };
    std::unique_ptr<Running> running;
    std::unique_ptr<pikoro::MainWindow> window;

    const QSize screen = QGuiApplication::primaryScreen()->size();
    const auto showInstructions = [&] {
        pikoro::InstructionsWindow::showAndWait(store, dialogs,
                                                pikoro::InstructionsWindow::Opening::AtStartup);
    };
    pikoro::Startup startup({state, dialogs, store, instance,
                             [&] { return audioStart.playbackDeviceCount(); }, showInstructions,
                             [&] {
                                 if (!signalQuit.quitRequested())
                                     window->loadAndShow();
                             }});
    // A signal that came while a start-up message was open has only closed that message: the
    // program ends here instead of going on to the main screen.
    if (!startup.splashLoad(screen, pikoro::automaticZoom(screen)) || signalQuit.quitRequested())
        return 0;

    running = std::make_unique<Running>();
    window =
        std::make_unique<pikoro::MainWindow>(state, dialogs, running->media, store, running->help);
    dialogs.setParentWindow(window.get());
    QObject::connect(&window->play(), &pikoro::PlayController::openingStarting, &app,
                     [&startup] { startup.closeSplash(); });
    window->afterFirstPaint = [&r = *running] {
        r.sequencer.startLoading();
        r.soundFileLibrary = std::jthread(pikoro::openSoundFileLibrary);
    };
    // The desktop's shortcuts stay away from the play screen while it is in front.
    const auto keyboardLock = pikoro::KeyboardLockKeeper::forPlatform(*window);
    if (keyboardLock)
        keyboardLock->tellAdult = [w = window.get()](const QString &text) {
            qCInfo(pikoro::lcApp) << "keyboard lock:" << text;
            w->play().setStatusText(text);
        };
    // Calm pictures over the other monitors; the screen stays on while the child plays.
    const pikoro::CalmScreens calmScreens(*window);
    const auto stayAwake = pikoro::StayAwake::forPlatform(*window);
    QObject::connect(&instance, &pikoro::SingleInstance::activationRequested, window.get(),
                     [w = window.get(), lock = keyboardLock.get()] {
                         if (lock) // the second copy's message must be answerable
                             lock->pause(std::chrono::seconds(15));
                         w->showFullScreen();
                         w->raise();
                         w->activateWindow();
                     });
    return app.exec();
}
