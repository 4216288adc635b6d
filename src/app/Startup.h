#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <functional>
#include <memory>

namespace pikoro {

struct AppState;
class Dialogs;
class SingleInstance;
class SplashWindow;
class UserStore;

// The road from launch to the main screen: the splash with its sound-card check and
// second-instance guard, then, as soon as the event loop runs, the start-up instructions (unless
// switched off while a user name is stored) and the main window's load.
class Startup : public QObject {
    Q_OBJECT
public:
    struct Services {
        AppState &state;
        Dialogs &dialogs;
        UserStore &store;
        SingleInstance &instance;
        std::function<int()> playbackDeviceCount;
        std::function<void()> showInstructions; // modal instructions window; may be empty
        std::function<void()> loadMainWindow;   // the main window's load sequence
    };

    explicit Startup(Services services, QObject *parent = nullptr);
    ~Startup() override;

    // Shows the splash, checks the sound output and looks for a running copy. Returns false
    // when another copy runs: it has been asked to come to the front, the user has been told,
    // and this copy must end now.
    bool splashLoad(QSize screenPixels, double zoom);

    // The splash timer's tick (once, when the event loop first runs after splashLoad):
    // instructions, then the main window's load. The splash stays up until closeSplash().
    void splashTimerTick();

    void closeSplash();
    SplashWindow *splash() const { return m_splash.get(); }
    const QTimer &splashTimer() const { return m_timer; }

protected:
    // While the splash is up, every dialog or modal window that opens (the start-up messages,
    // the instructions, a load error) is brought over it.
    bool eventFilter(QObject *watched, QEvent *event) override;

    static QString soundCardMissingMessage(); // "サウンドカードのチェック：WAV を再生できません"
    static QString soundCardPresentText(); // "サウンドカードのチェック：WAV を再生できます"
    static QString alreadyRunningMessage(); // "ピコロはすでに起動しています"

private:
    Services m_services;
    std::unique_ptr<SplashWindow> m_splash;
    QTimer m_timer;
};

} // namespace pikoro
