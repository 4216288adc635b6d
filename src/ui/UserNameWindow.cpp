#include "ui/UserNameWindow.h"

#include "core/Dialogs.h"
#include "ui/QtDialogs.h"
#include "ui/ThreeDControls.h"
#include "core/Twips.h"
#include "core/UserStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

constexpr int YesNoQuestion = 4 + 32;

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

    Label1 = new QLabel(u"登録するユーザー名を設定してください"_s, m_panel);
    Label1->setGeometry(twips(525, 525, 6420, 330));
    Label1->setFont(gothic(12, true));

    Label2 = new QLabel(u"設定可能文字数は１０文字です"_s, m_panel);
    Label2->setGeometry(twips(840, 945, 5790, 330));
    Label2->setFont(gothic(13.5, true));
    Label2->setAutoFillBackground(true);
    QPalette labelGrey = Label2->palette();
    labelGrey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    Label2->setPalette(labelGrey);

    PASSW = new QLineEdit(m_panel);
    PASSW->setGeometry(twips(945, 1365, 5370, 435));
    PASSW->setFont(gothic(12, false));
    PASSW->setMaxLength(UserName::MaxLength);

    cmdOK = new ThreeDButton(m_panel);
    cmdOK->setCaption(u"OK"_s);
    cmdOK->setGeometryTwips(2940, 2100, 1485, 435);
    connect(cmdOK, &ThreeDControl::clicked, this, [this] { cmdOK_Click(); });
    // Return in the name box means OK, as the dialog's default button did.
    connect(PASSW, &QLineEdit::returnPressed, this, [this] { cmdOK_Click(); });

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this,
            [this] { Timer1_Tick(int(QRandomGenerator::global()->bounded(16))); });
    Timer1->start();

    PASSW->setText(UserName::read(m_store));
    m_dialogs.setMousePointer(MousePointer::Normal);
}

QColor UserNameWindow::standardColor(int c) {
    static const QRgb palette16[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                       0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                       0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    return QColor(palette16[c & 15]);
}

void UserNameWindow::Timer1_Tick(int c) {
    if (c < 0 || c > 15 || c == 7 || c == 15)
        return;
    QPalette colours = Label1->palette();
    colours.setColor(QPalette::WindowText, standardColor(c));
    Label1->setPalette(colours);
}

void UserNameWindow::cmdOK_Click() {
    const QString name = PASSW->text();
    if (name.isEmpty()) {
        m_dialogs.messageBox(u"登録名が設定されていません　ユーザー名は必ず登録してください"_s, 0);
        PASSW->setFocus();
        return;
    }
    const QString question = u"登録名は　"_s + name + u"　です　よろしいですか？"_s;
    if (m_dialogs.messageBox(question, YesNoQuestion, u"確認"_s) != DialogButton::Yes)
        return;
    if (!m_store.write(UserName::application(), UserName::section(), UserName::key(), name)) {
        m_dialogs.messageBox(u"ユーザー名を保存できませんでした。"_s, 0);
        return;
    }
    accept();
}

void UserNameWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    centreOnScreen(this);
}

} // namespace pikoro
