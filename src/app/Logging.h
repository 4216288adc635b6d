#pragma once

#include <QLoggingCategory>

namespace pikoro {

// The log of the app library ("pikoro.app"); QT_LOGGING_RULES="pikoro.*=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace pikoro
