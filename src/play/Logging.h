#pragma once

#include <QLoggingCategory>

namespace pikoro {

// The log of the play library ("pikoro.play"); QT_LOGGING_RULES="pikoro.*=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcPlay)

} // namespace pikoro
