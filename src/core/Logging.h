#pragma once

#include <QLoggingCategory>

namespace pikoro {

// The log of the core library ("pikoro.core"); QT_LOGGING_RULES="pikoro.*=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcCore)

} // namespace pikoro
