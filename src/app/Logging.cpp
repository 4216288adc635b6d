#include "app/Logging.h"

namespace pikoro {

// Warnings show by default; the informational lines only when switched on.
Q_LOGGING_CATEGORY(lcApp, "pikoro.app", QtWarningMsg)

} // namespace pikoro
