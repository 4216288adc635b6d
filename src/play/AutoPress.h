#pragma once

#include <QImage>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace pikoro {

class Dialogs;

// The key rows the automatic mode presses: the digit keys 0-9 and the letter keys.
enum class AutoKeyRow { Digit, Letter };

// One automatic key press: a digit key 0-9 or a letter key 0-21 (A-V).
struct AutoPressChoice {
    AutoKeyRow row = AutoKeyRow::Digit;
    int index = 0;
    bool operator==(const AutoPressChoice &) const = default;
};

// Number of outcomes of one automatic tick: ten digits, the letters A-V and one idle tick.
inline constexpr int AutoPressOutcomes = 33;

// The key pressed for the draw `draw` (0-32): 0-9 the digit keys, 10-31 the letters A-V,
// 32 nothing.
std::optional<AutoPressChoice> autoPressChoice(int draw);

// The question the double-click on the mascot asks.
QString autoPressQuestion();

// What the automatic mode needs of the window.
class AutoPressView {
public:
    virtual ~AutoPressView() = default;
    // Gives the keyboard focus to the key (its caption turns red).
    virtual void focusKey(AutoKeyRow row, int index) = 0;
    // Runs the key's click, as a click by the child would.
    virtual void clickKey(AutoKeyRow row, int index) = 0;
};

// The automatic button mode: while on, a random digit or letter key is pressed every 2.5 s.
// It is switched only by the question after a double-click on the mascot.
class AutoPress : public QObject {
    Q_OBJECT
public:
    static constexpr int PressInterval = 2500; // ms

    // The random source is seeded from the clock.
    AutoPress(AutoPressView &view, Dialogs &dialogs, QObject *parent = nullptr);

    // The double-click on the mascot: stops the mode, asks whether to switch it on and starts it
    // again (with a full interval) on Yes.
    void askToSwitch();
    bool isRunning() const { return m_timer.isActive(); }
    const QTimer &pressTimer() const { return m_timer; }
    // Makes the presses repeatable.
    void setRandomSeed(quint32 seed) { m_random.seed(seed); }

public slots:
    // One tick of the press timer: focuses and clicks the chosen key, or does nothing.
    void onPressTick();

private:
    AutoPressView &m_view;
    Dialogs &m_dialogs;
    QRandomGenerator m_random;
    QTimer m_timer;
};

// The message shown when the miss picture cannot be shown.
QString missPictureMissingMessage();

// A click on one of the unassigned punctuation keys: shows `picture` through `draw`, which
// returns false when it could not. An empty picture or a failed draw shows the missing-picture
// message (OK only, the program's title) instead. Returns true when the picture was shown: the
// click then counts as a key stroke (a memory playback under way stops). No sound is played.
bool showMissPicture(const QImage &picture, Dialogs &dialogs,
                     const std::function<bool(const QImage &)> &draw);

} // namespace pikoro
