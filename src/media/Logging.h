#pragma once

#include <QLoggingCategory>

namespace pikoro {

// The log of the media library ("pikoro.media"); QT_LOGGING_RULES="pikoro.*=true" shows it.
Q_DECLARE_LOGGING_CATEGORY(lcMedia)

} // namespace pikoro
