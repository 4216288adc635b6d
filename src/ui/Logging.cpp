#include "ui/Logging.h"

namespace pikoro {

// Warnings show by default; the informational lines only when switched on.
Q_LOGGING_CATEGORY(lcUi, "pikoro.ui", QtWarningMsg)

} // namespace pikoro
