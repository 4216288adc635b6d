#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace pikoro {

// The button arrays of the main screen that the key actions switch, focus or click.
// Opening and StopPiece are single buttons; their index is always 0.
enum class ScreenButton {
    Letter,
    Digit,
    SpecialKey,
    FunctionKey,
    UnassignedKey,
    Opening,
    StopPiece
};

// What the key actions need of the main window. The window implements it; the key actions
// never touch a widget themselves, so they run without a display.
class MainScreenView {
public:
    virtual ~MainScreenView() = default;

    // Enables or disables one button of an array.
    virtual void setButtonEnabled(ScreenButton array, int index, bool enabled) = 0;
    // Whether that button is enabled now.
    virtual bool isButtonEnabled(ScreenButton array, int index) const = 0;
    // Gives the input focus to a letter or digit button; the window colours its caption
    // red and the caption of the button that lost the focus black.
    virtual void focusButton(ScreenButton array, int index) = 0;

    // Sets the caption of the sound-name status line.
    virtual void setSoundName(const QString &caption) = 0;

    // Size of the picture frame in twips.
    virtual QSize pictureFrameSize() const = 0;
    // Where the picture area is now, in twips relative to the frame.
    virtual QRect pictureArea() const = 0;
    // Moves the picture area to `area` (twips, relative to the frame), shows `image` stretched
    // over it and makes the area visible. The image already has the area's size in pixels.
    virtual void showPicture(const QImage &image, const QRect &area) = 0;

    // Shows the four dance sprites with their opening pictures and starts the dance timers.
    virtual void startDance() = 0;
    // Stops the dance timers and hides the sprites and their companions.
    virtual void stopDance() = 0;
    // Ends a key-memory playback in progress (switches its step timer off).
    virtual void endMemoryPlayback() = 0;

    // The start-up opening is about to run: the splash window may go.
    virtual void unloadSplash() {}
};

} // namespace pikoro
