#include "ui/CapsLock.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>

#ifdef PIKORO_HAVE_XCB
#include <xcb/xcb.h>
#endif

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// The lock modifier's bit: X11's LockMask, and under Wayland the bit of xkb's "Lock" modifier,
// which the standard keymaps put in the same place.
constexpr quint32 LockBit = 0x2;

class PlatformCapsLock : public CapsLockState {
public:
    std::optional<bool> query() const override {
#ifdef PIKORO_HAVE_XCB
        const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (xcb_connection_t *connection = x11 ? x11->connection() : nullptr) {
            const xcb_window_t root =
                xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
            // The core modifier state includes the locked modifiers.
            xcb_query_pointer_reply_t *reply =
                xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
            if (reply) {
                const bool on = reply->mask & XCB_MOD_MASK_LOCK;
                free(reply);
                return on;
            }
        }
#endif
        return std::nullopt;
    }

    std::optional<bool> fromKeyEvent(const QKeyEvent &event) const override {
        const QString platform = QGuiApplication::platformName();
        if (platform != u"xcb"_s && !platform.startsWith(u"wayland"_s))
            return std::nullopt;
        // The Caps Lock key's own press still carries the state before it.
        if (event.key() == Qt::Key_CapsLock && event.type() == QEvent::KeyPress)
            return std::nullopt;
        return (event.nativeModifiers() & LockBit) != 0;
    }
};

} // namespace

const CapsLockState &platformCapsLock() {
    static const PlatformCapsLock platform; // holds nothing: every answer is asked afresh
    return platform;
}

CapsLockNotice::CapsLockNotice(QLineEdit *field, QWidget *parent, const CapsLockState &source)
    : QLabel(noticeText(), parent), m_source(&source) {
    QPalette red = palette();
    red.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
    setPalette(red);
    setWordWrap(true);
    QSizePolicy keepRoom = sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true); // the window does not jump when it comes and goes
    setSizePolicy(keepRoom);
    hide();
    field->installEventFilter(this);
}

QString CapsLockNotice::noticeText() {
    return u"Caps Lock がオンです（大文字と小文字は区別されます）"_s;
}

void CapsLockNotice::setSource(const CapsLockState &source) {
    m_source = &source;
    refresh();
}

void CapsLockNotice::refresh(const QKeyEvent *event) {
    std::optional<bool> on = m_source->query();
    if (!on && event)
        on = m_source->fromKeyEvent(*event);
    if (on)
        setVisible(*on);
}

bool CapsLockNotice::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        refresh(static_cast<QKeyEvent *>(event));
        break;
    case QEvent::FocusIn:
    case QEvent::Show:
        refresh();
        break;
    default:
        break;
    }
    return QLabel::eventFilter(watched, event);
}

} // namespace pikoro
