#include "play/AutoPress.h"

#include "core/Dialogs.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace pikoro {

std::optional<AutoPressChoice> autoPressChoice(int draw) {
    if (draw >= 0 && draw < 10)
        return AutoPressChoice{AutoKeyRow::Digit, draw};
    if (draw >= 10 && draw < 32)
        return AutoPressChoice{AutoKeyRow::Letter, draw - 10};
    return std::nullopt;
}

QString autoPressQuestion() {
    return u"自動ボタンＯＮにしますか？"_s;
}

AutoPress::AutoPress(AutoPressView &view, Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_view(view), m_dialogs(dialogs),
      m_random(quint32(QDateTime::currentMSecsSinceEpoch())) {
    m_timer.setInterval(PressInterval);
    connect(&m_timer, &QTimer::timeout, this, &AutoPress::onPressTick);
}

void AutoPress::askToSwitch() {
    m_timer.stop();
    const DialogButton answer =
        m_dialogs.messageBox({autoPressQuestion(), u"ピコロ"_s, MessageButtons::YesNo,
                              MessageIcon::Question, DialogButton::Yes});
    m_dialogs.setMousePointer(MousePointer::Normal);
    if (answer == DialogButton::Yes)
        m_timer.start();
}

void AutoPress::onPressTick() {
    const std::optional<AutoPressChoice> choice =
        autoPressChoice(int(m_random.bounded(AutoPressOutcomes)));
    if (!choice)
        return;
    m_view.focusKey(choice->row, choice->index);
    m_view.clickKey(choice->row, choice->index);
}

QString missPictureMissingMessage() {
    return u"カレントディレクトリーにPIK.BMPがありません"_s;
}

bool showMissPicture(const QImage &picture, Dialogs &dialogs,
                     const std::function<bool(const QImage &)> &draw) {
    if (picture.isNull() || !draw || !draw(picture)) {
        dialogs.messageBox(missPictureMissingMessage());
        return false;
    }
    return true;
}

} // namespace pikoro
