#pragma once

#include <QLoggingCategory>

namespace pikoro {

// The log of the ui library ("pikoro.ui"); QT_LOGGING_RULES="pikoro.*=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcUi)

} // namespace pikoro
