#include "play/MascotAnimation.h"

#include <array>

namespace pikoro {

int mascotFrameForPosition(int position) {
    static constexpr std::array<int, 4> frames{1, 2, 1, 0};
    return frames.at(std::size_t(position) % frames.size());
}

bool mascotPressShowsInstructions(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    return button == Qt::LeftButton && (modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
}

MascotAnimation::MascotAnimation(std::function<void(int frame)> showFrame, QObject *parent)
    : QObject(parent), m_showFrame(std::move(showFrame)) {
    m_timer.setInterval(FrameInterval);
    connect(&m_timer, &QTimer::timeout, this, &MascotAnimation::onFrameTick);
    m_timer.start();
}

void MascotAnimation::onFrameTick() {
    const int frame = mascotFrameForPosition(m_position);
    m_position = (m_position + 1) % 4;
    if (m_showFrame)
        m_showFrame(frame);
}

} // namespace pikoro
