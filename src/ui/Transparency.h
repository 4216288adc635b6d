#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

namespace pikoro {

// True when the desktop can blend translucent windows: a compositing manager runs on X11, or
// the platform composites by itself (Wayland). Unknown platforms count as not compositing.
bool desktopComposites();

// The main window's see-through switch: the desktop shows through the window's background (the
// controls stay solid). Without a compositing desktop the window stays
// opaque, since the background would otherwise show as black. A change while the window is on
// screen gives it a new native window: it is hidden and shown again in the same state.
class WindowTransparency {
public:
    using CompositingCheck = std::function<bool()>;

    explicit WindowTransparency(QWidget *window, CompositingCheck composites = desktopComposites);

    // Switches at once, also while the window is on screen.
    void setSeeThrough(bool on);
    // The last switch asked for (the window itself may have stayed opaque).
    bool seeThroughRequested() const { return m_seeThroughRequested; }
    // True when the background is see-through now.
    bool isSeeThrough() const;

private:
    QPointer<QWidget> m_window;
    CompositingCheck m_composites;
    bool m_seeThroughRequested = false;
    bool m_hadNoSystemBackground = false;
    bool m_hadAutoFill = false;
};

} // namespace pikoro
