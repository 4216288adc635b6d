#include "ui/PlatformKeyboardLock.h"

#include "ui/WaylandKeyboardLock.h"
#include "ui/X11KeyboardLock.h"

#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace pikoro {

std::unique_ptr<KeyboardLock> createPlatformKeyboardLock() {
    const QString platform = QGuiApplication::platformName();
#ifdef PIKORO_HAVE_XCB
    if (platform == u"xcb"_s)
        return std::make_unique<X11KeyboardLock>();
#endif
#ifdef PIKORO_HAVE_WAYLAND
    if (platform.startsWith(u"wayland"_s))
        return std::make_unique<WaylandKeyboardLock>();
#endif
    Q_UNUSED(platform);
    return nullptr;
}

} // namespace pikoro
