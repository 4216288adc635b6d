#include "play/Logging.h"

namespace pikoro {

// Warnings show by default; the informational lines only when switched on.
Q_LOGGING_CATEGORY(lcPlay, "pikoro.play", QtWarningMsg)

} // namespace pikoro
