#pragma once

#include "ui/CapsLock.h"

namespace pikoro {

// Caps Lock as a test says it is: asked, it answers `on`; key events say nothing.
struct ScriptedCapsLock : CapsLockState {
    std::optional<bool> query() const override { return on; }
    std::optional<bool> fromKeyEvent(const QKeyEvent &) const override { return std::nullopt; }
    bool on = false;
};

} // namespace pikoro
