#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace pikoro {

// The main window's see-through switch. Mode 3 lets the desktop show through the window's
// background (the controls stay solid); every other mode, 0 in practice, is opaque.
class Transparency {
public:
    static constexpr int SeeThrough = 3;
    static constexpr int Opaque = 0;

    virtual ~Transparency() = default;
    // Switches the mode at once, also while the window is on screen.
    virtual void setMode(int mode) = 0;
    virtual int mode() const = 0;
};

// True when the desktop can blend translucent windows: a compositing manager runs on X11, or
// the platform composites by itself (Wayland). Unknown platforms count as not compositing.
bool desktopComposites();

// The real switch on a top-level window. Without a compositing desktop mode 3 keeps the window
// opaque, since the background would otherwise show as black. A change while the window is on
// screen gives it a new native window: it is hidden and shown again in the same state.
class WindowTransparency : public Transparency {
public:
    using CompositingCheck = std::function<bool()>;

    explicit WindowTransparency(QWidget *window, CompositingCheck composites = desktopComposites);

    void setMode(int mode) override;
    int mode() const override { return m_mode; }
    // True when the background is see-through now.
    bool isSeeThrough() const;

private:
    QPointer<QWidget> m_window;
    CompositingCheck m_composites;
    int m_mode = Opaque;
    bool m_hadNoSystemBackground = false;
    bool m_hadAutoFill = false;
};

// For tests: remembers every mode set.
class RecordedTransparency : public Transparency {
public:
    void setMode(int mode) override { m_modes << mode; }
    int mode() const override { return m_modes.isEmpty() ? Opaque : m_modes.last(); }
    const QList<int> &modes() const { return m_modes; }

private:
    QList<int> m_modes;
};

} // namespace pikoro
