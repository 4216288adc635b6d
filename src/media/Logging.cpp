#include "media/Logging.h"

namespace pikoro {

// Warnings show by default; the informational lines only when switched on.
Q_LOGGING_CATEGORY(lcMedia, "pikoro.media", QtWarningMsg)

} // namespace pikoro
