#include "ui/InstructionsWindow.h"

#include "core/Dialogs.h"
#include "core/Twips.h"
#include "core/UserStore.h"
#include "play/ExitLock.h"
#include "ui/CapsLock.h"
#include "ui/QtDialogs.h"
#include "ui/SplashWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

int px(int twips) {
    return twipsToPixels(twips, 1.0);
}

QFont gothic(double points, bool bold) {
    QFont font;
    // The design's font first; the desktop's Japanese font where it is not installed.
    font.setFamilies({u"ＭＳ Ｐゴシック"_s, u"Noto Sans CJK JP"_s});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The designed place of each control, in twips.
struct Design {
    int top, width, height;
};
constexpr int Left = 120;
constexpr int ClientWidth = 6330;
constexpr Design LabelDesign[3] = {{240, 5535, 735}, {1320, 5775, 375}, {1680, 6015, 375}};
constexpr Design CheckDesign = {2280, 4575, 375};
constexpr int ButtonLeft = 5040, ButtonWidth = 1095, ButtonHeight = 495;
constexpr int BottomMargin = 2865 - 2280 - 495;
constexpr int RightMargin = ClientWidth - ButtonLeft - ButtonWidth;

} // namespace

InstructionsWindow::InstructionsWindow(UserStore &store, Dialogs &dialogs, Opening opening,
                                       QWidget *parent)
    : QDialog(parent), m_store(store), m_dialogs(dialogs) {
    setWindowTitle(u"メッセージ"_s);
    setModal(true);

    const QString texts[3] = {
        u"終了する場合は、ボタン，マスコット以外の  適当な処で「Ctrlキー」を押しながら右クリックしてください。"_s,
        u"設定フォームを開く場合は、ボタン，マスコット以外の"_s,
        u"適当な処で「Ｓｈｉｆｔキー」を押しながら左クリックしてください。"_s,
    };
    for (int i = 0; i < 3; ++i) {
        m_lines[i] = new QLabel(keepPhrasesWhole(texts[i]), this);
        m_lines[i]->setFont(gothic(12, false));
        m_lines[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    m_lines[0]->setWordWrap(true);

    // The exit asks for the user name: without one registered the adult could not leave. At
    // the start the adult is there and registers it here, before the child plays.
    if (UserName::read(m_store).isEmpty()) {
        const bool here = opening == Opening::AtStartup;
        registerFirst =
            new QLabel(keepPhrasesWhole(here ? registerHereText() : registerFirstText()), this);
        registerFirst->setFont(gothic(12, true));
        registerFirst->setWordWrap(true);
        QPalette red = registerFirst->palette();
        red.setColor(QPalette::WindowText, QColor(0x80, 0, 0));
        registerFirst->setPalette(red);
        if (here) {
            m_nameEdit = new QLineEdit(this);
            m_nameEdit->setFont(gothic(12, false));
            m_nameEdit->setMaxLength(UserName::MaxLength);
            m_capsLockNotice = new CapsLockNotice(m_nameEdit, this);
        }
    }

    m_dontShowAgainCheck = new QCheckBox(u"今後、このメッセージを表示しない"_s, this);
    m_dontShowAgainCheck->setVisible(opening == Opening::AtStartup);

    m_okButton = new QPushButton(u"ＯＫ"_s, this);
    m_okButton->setFont(gothic(12, true));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &InstructionsWindow::onOkClicked);
    arrange();
    if (m_nameEdit)
        m_nameEdit->setFocus();
}

QString InstructionsWindow::registerFirstText() {
    return u"はじめに、設定フォームのメニューからユーザー名を登録してください。"_s;
}

QString InstructionsWindow::registerHereText() {
    return u"はじめに、ユーザー名（１０文字まで）を登録してください。ピコロを終了するときに入力します。"_s;
}

QString InstructionsWindow::keepPhrasesWhole(const QString &text) {
    // A label may wrap between any two Japanese characters, and "「Ctrlキー」" came apart. A
    // line may break only after a blank, a comma, a full stop or a closing bracket, and before
    // an opening one: a word joiner binds every other pair of characters.
    static constexpr QStringView breakAfter = u" 　、，。」";
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text[i];
        const bool last = i + 1 == text.size();
        if (!last && !breakAfter.contains(text[i]) && text[i + 1] != u'「' && text[i + 1] != u' ')
            result += QChar(0x2060);
    }
    return result;
}

void InstructionsWindow::onOkClicked() {
    if (m_nameEdit && !m_registrationSettled) {
        switch (registerUserName(m_dialogs, m_store, m_nameEdit->text())) {
        case Registration::Empty:
            m_nameEdit->setFocus();
            return;
        case Registration::NotConfirmed:
            return;
        case Registration::Stored:
        case Registration::NotStored: // said so; play must not wait for a store that fails
            m_registrationSettled = true;
            break;
        }
    }
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    accept();
}

void InstructionsWindow::showAndWait(UserStore &store, Dialogs &dialogs, Opening opening,
                                     QWidget *parent) {
    InstructionsWindow window(store, dialogs, opening, parent);
    window.exec();
}

void InstructionsWindow::arrange() {
    // The design's fonts were narrower than today's Japanese fonts: the window widens until the
    // one-line texts fit whole, and the wrapped ones grow downwards, pushing the rest down.
    const QFontMetrics metrics(m_lines[1]->font());
    double stretch = 1.0;
    for (int i : {1, 2}) {
        const int needed = metrics.horizontalAdvance(m_lines[i]->text()) + px(30);
        stretch = qMax(stretch, needed / double(px(LabelDesign[i].width)));
    }
    if (registerFirst) {
        const int needed =
            QFontMetrics(registerFirst->font()).horizontalAdvance(registerFirst->text()) + px(30);
        stretch = qMax(stretch, needed / double(px(LabelDesign[2].width)));
    }
    const auto wide = [stretch](int twips) { return qRound(px(twips) * stretch); };

    int shift = 0;
    if (registerFirst) {
        const int width = wide(LabelDesign[2].width);
        const int height = registerFirst->heightForWidth(width);
        registerFirst->setGeometry(px(Left), px(LabelDesign[0].top), width, height);
        shift = height + px(120);
    }
    if (m_nameEdit) {
        const int top = px(LabelDesign[0].top) + shift;
        const int fieldHeight = qMax(px(435), m_nameEdit->sizeHint().height());
        m_nameEdit->setGeometry(px(Left), top, wide(3600), fieldHeight);
        const int width = wide(LabelDesign[2].width);
        const int noticeHeight = m_capsLockNotice->heightForWidth(width);
        m_capsLockNotice->setGeometry(px(Left), top + fieldHeight + px(30), width, noticeHeight);
        shift += fieldHeight + px(30) + noticeHeight + px(180);
    }
    int below = 0; // the first line free below the label above
    for (int i = 0; i < 3; ++i) {
        const Design &d = LabelDesign[i];
        const int width = wide(d.width);
        const int height = qMax(px(d.height), i == 0 ? m_lines[i]->heightForWidth(width)
                                                     : m_lines[i]->sizeHint().height());
        const int top = qMax(px(d.top) + shift, below);
        m_lines[i]->setGeometry(px(Left), top, width, height);
        below = top + height;
        shift = below - px(d.top + d.height);
    }

    const int rowTop = px(CheckDesign.top) + shift;
    const QSize checkSize(qMax(wide(CheckDesign.width), m_dontShowAgainCheck->sizeHint().width()),
                          qMax(px(CheckDesign.height), m_dontShowAgainCheck->sizeHint().height()));
    const QSize buttonSize(qMax(wide(ButtonWidth), m_okButton->sizeHint().width()),
                           qMax(px(ButtonHeight), m_okButton->sizeHint().height()));
    const int clientWidth = qMax(wide(ClientWidth), px(Left) + checkSize.width() + px(240) +
                                                        buttonSize.width() + px(RightMargin));
    m_dontShowAgainCheck->setGeometry(QRect(QPoint(px(Left), rowTop), checkSize));
    m_okButton->setGeometry(
        QRect(QPoint(clientWidth - px(RightMargin) - buttonSize.width(), rowTop), buttonSize));
    setFixedSize(clientWidth,
                 rowTop + qMax(checkSize.height(), buttonSize.height()) + px(BottomMargin) + 4);
}

void InstructionsWindow::done(int result) {
    // A name is registered before the child plays: the close box and Escape wait for it too.
    if (m_nameEdit && !m_registrationSettled) {
        m_dialogs.messageBox(u"登録名が設定されていません　ユーザー名は必ず登録してください"_s);
        m_nameEdit->setFocus();
        return;
    }
    // Closed by the button, the close box or Escape: a ticked box switches the instructions off.
    if (!m_closed) {
        m_closed = true;
        if (m_dontShowAgainCheck->isChecked() &&
            !m_store.write(UserName::application(), UserName::section(), storeKey(), u"1"_s))
            m_dialogs.messageBox(u"設定を保存できませんでした。"_s);
        m_dialogs.setMousePointer(MousePointer::Normal);
    }
    QDialog::done(result);
}

void InstructionsWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    m_closed = false;
    centreOnScreen(this);
    // At start-up the splash is centred too: the instructions go below it, so that its picture
    // and text stay in sight, as far down as the screen allows.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!qobject_cast<SplashWindow *>(window) || !window->isVisible() ||
            !window->frameGeometry().intersects(frameGeometry()))
            continue;
        const QRect screenArea = screen() ? screen()->geometry() : QRect();
        const int below = window->frameGeometry().bottom() + 1 + px(120);
        const int top =
            qMax(screenArea.top(), qMin(below, screenArea.bottom() + 1 - frameGeometry().height()));
        move(x(), top);
    }
}

} // namespace pikoro
