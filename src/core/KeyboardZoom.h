#pragma once

#include "core/Outcome.h"

#include <QList>
#include <QSize>
#include <QString>

namespace pikoro {

class ProfileFile;
struct AppState;

// The main screen's keyboard size lives in PIKORO.ini under a section of its own, [Keyboard],
// key "Zoom": 0 (or nothing) sizes the keyboard to the screen, any other value is the factor.
namespace KeyboardZoom {

QString section(); // "Keyboard"
QString key();     // "Zoom"

// The factors the settings window offers after "automatic" (0) on a screen of screenPixels:
// only those at which the keyboard and the picture frame still fit it side by side.
QList<double> choices(QSize screenPixels);

// The stored factor; 0 for automatic, and for a missing, unreadable or out-of-range value.
double read(const ProfileFile &profile);

// The value text stored for a factor ("0" for automatic).
QString text(double zoom);

// Puts `zoom` into the settings being written (saveSettings writes the file once).
void write(ProfileFile &profile, double zoom);

} // namespace KeyboardZoom
} // namespace pikoro
