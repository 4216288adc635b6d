#include "core/Logging.h"

namespace pikoro {

// Warnings show by default; the informational lines only when switched on.
Q_LOGGING_CATEGORY(lcCore, "pikoro.core", QtWarningMsg)

} // namespace pikoro
