#pragma once

#include "play/ScreenAwake.h"

#include <array>
#include <memory>
#include <optional>

namespace pikoro {

// The desktop's own ways to keep the screen on, all of those the session has: the screen-saver
// service or GNOME's session on the session bus, the X server's screen-saver and
// power-saving suspension, and the Wayland idle inhibitor on the window's surface (sway, KWin,
// wlroots compositors). What a session lacks is skipped without a word: the screen then
// blanks as the desktop is set up to.
class DesktopScreenAwake : public ScreenAwake {
public:
    DesktopScreenAwake();
    ~DesktopScreenAwake() override;

    void keepOn(QWindow &window) override;
    void letBlank() override;

private:
    struct Wayland;
    std::unique_ptr<Wayland> m_wayland;
    bool m_on = false;
    std::array<std::optional<unsigned>, 2> m_busCookies; // each bus service's answer to Inhibit
    bool m_x11Suspended = false;
};

} // namespace pikoro
