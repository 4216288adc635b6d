#pragma once

#include "play/DanceAnimation.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace pikoro {

// The button arrays of the main screen that the play controller switches, focuses or hears from.
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

// What the play controller tells the main window to show. The window only renders: it never
// answers a question about the game's state, so the controller runs without a display.
class MainScreenView : public DanceView {
public:
    // Enables or disables one button of an array.
    virtual void setButtonEnabled(ScreenButton array, int index, bool enabled) = 0;
    // Gives the input focus to a letter or digit button; the window colours its caption
    // red and the caption of the button that lost the focus black.
    virtual void focusButton(ScreenButton array, int index) = 0;

    // Sets the text of the status line.
    virtual void setStatusLine(const QString &text) = 0;

    // Size of the picture frame in twips.
    virtual QSize pictureFrameSize() const = 0;
    // Where the picture area is now, in twips relative to the frame.
    virtual QRect pictureArea() const = 0;
    // Moves the picture area to `area` (twips, relative to the frame), shows `image` stretched
    // over it and makes the area visible. The image already has the area's size in pixels.
    virtual void showPicture(const QImage &image, const QRect &area) = 0;

    // The key memory of the side column: its counter, playback button and switch.
    virtual void setMemoryCounter(const QString &text) = 0;
    virtual void setMemoryPlaybackEnabled(bool enabled) = 0;
    virtual void setMemorySwitchOn(bool on) = 0;
    // The mascot's blink frame (0 open, 1 half closed, 2 closed).
    virtual void showMascotFrame(int frame) = 0;
};

} // namespace pikoro
