#include "ui/UserNameWindow.h"

#include "core/Dialogs.h"
#include "core/Twips.h"
#include "core/UserStore.h"
#include "play/ExitLock.h"
#include "ui/CapsLock.h"
#include "ui/QtDialogs.h"
#include "ui/ThreeDControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// The colours the prompt blinks in.
constexpr Qt::GlobalColor blinkColours[] = {
    Qt::black,       Qt::darkBlue,   Qt::darkGreen, Qt::darkCyan, Qt::darkRed,
    Qt::darkMagenta, Qt::darkYellow, Qt::darkGray,  Qt::blue,     Qt::green,
    Qt::cyan,        Qt::red,        Qt::magenta,   Qt::yellow};

QRect twips(int left, int top, int width, int height) {
    const auto px = [](int t) { return twipsToPixels(t, 1.0); };
    return {px(left), px(top), px(width), px(height)};
}

QFont gothic(double points, bool bold) {
    QFont font(u"ＭＳ ゴシック"_s);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

UserNameWindow::UserNameWindow(UserStore &store, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_store(store), m_dialogs(dialogs) {
    setWindowTitle(u"ユーザー登録"_s);
    setModal(true);
    setFixedSize(twips(0, 0, 7680, 3135).size());
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(grey);
    setAutoFillBackground(true);

    m_panel = new ThreeDPanel(this);
    m_panel->setGeometryTwips(105, 105, 7470, 2955);

    m_headingLabel = new QLabel(u"登録するユーザー名を設定してください"_s, m_panel);
    m_headingLabel->setGeometry(twips(525, 525, 6420, 330));
    m_headingLabel->setFont(gothic(12, true));

    m_lengthHintLabel = new QLabel(u"設定可能文字数は１０文字です"_s, m_panel);
    m_lengthHintLabel->setGeometry(twips(840, 945, 5790, 330));
    m_lengthHintLabel->setFont(gothic(13.5, true));
    m_lengthHintLabel->setAutoFillBackground(true);
    QPalette labelGrey = m_lengthHintLabel->palette();
    labelGrey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    m_lengthHintLabel->setPalette(labelGrey);

    m_nameEdit = new QLineEdit(m_panel);
    m_nameEdit->setGeometry(twips(945, 1365, 5370, 435));
    m_nameEdit->setFont(gothic(12, false));
    m_nameEdit->setMaxLength(UserName::MaxLength);

    // The name is compared exactly, so a Caps Lock left on by a child is said under the field.
    m_capsLockNotice = new CapsLockNotice(m_nameEdit, m_panel);
    m_capsLockNotice->setGeometry(twips(525, 1815, 6420, 270));
    m_capsLockNotice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_okButton = new ThreeDButton(m_panel);
    m_okButton->setCaption(u"OK"_s);
    m_okButton->setGeometryTwips(2940, 2100, 1485, 435);
    connect(m_okButton, &ThreeDControl::clicked, this, [this] { onOkClicked(); });
    // Return in the name box means OK, as the dialog's default button did.
    connect(m_nameEdit, &QLineEdit::returnPressed, this, [this] { onOkClicked(); });

    m_blinkTimer = new QTimer(this);
    m_blinkTimer->setInterval(1000);
    connect(m_blinkTimer, &QTimer::timeout, this, &UserNameWindow::onPromptBlink);
    m_blinkTimer->start();

    m_nameEdit->setText(UserName::read(m_store));
    m_dialogs.setMousePointer(MousePointer::Normal);
}

void UserNameWindow::onPromptBlink() {
    const auto &colour =
        blinkColours[QRandomGenerator::global()->bounded(int(std::size(blinkColours)))];
    QPalette colours = m_headingLabel->palette();
    colours.setColor(QPalette::WindowText, colour);
    m_headingLabel->setPalette(colours);
}

void UserNameWindow::onOkClicked() {
    switch (registerUserName(m_dialogs, m_store, m_nameEdit->text())) {
    case Registration::Stored:
        accept();
        break;
    case Registration::Empty:
        m_nameEdit->setFocus();
        break;
    case Registration::NotConfirmed: // the window stays open for a correction
    case Registration::NotStored:
        break;
    }
}

void UserNameWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    centreOnScreen(this);
}

} // namespace pikoro
