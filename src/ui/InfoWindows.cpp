#include "ui/InfoWindows.h"

#include "core/Dialogs.h"
#include "core/Twips.h"
#include "media/WavePlayer.h"
#include "ui/QtDialogs.h"
#include "ui/ThreeDControls.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

int px(int twips) {
    return twipsToPixels(twips, 1.0);
}

QRect twips(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

QFont namedFont(const QString &family, double points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The design fonts are narrower than those found here: a label that would cut its text gets a
// smaller font.
void fitText(QLabel *label) {
    label->setFont(fontToFit(label->font(), label->text(), label->contentsRect().size(),
                             label->wordWrap() ? Qt::TextWordWrap : 0));
}

constexpr int LineFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

QuitHelpWindow::QuitHelpWindow(Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setWindowTitle(u"ピコロ ＨＥＬＰ"_s);
    setModal(true);
    setFixedSize(px(7095), px(2670));
    m_closeButton = new ThreeDButton(this);
    m_closeButton->setCaption(u"CLOSE"_s);
    m_closeButton->setCaptionFont(namedFont(u"Times New Roman"_s, 12, false));
    m_closeButton->setGeometryTwips(5400, 105, 1485, 435);
    connect(m_closeButton, &ThreeDControl::clicked, this, &QDialog::accept);
}

QList<std::pair<QPoint, QString>> QuitHelpWindow::lines() {
    // The heading follows the previous print, which leaves the position at the left edge.
    return {
        {{0, 100}, u"【終わり方】"_s},
        {{100, 500}, u"ボタン，マスコット以外の  適当な処で「Ctrl」キーを押しながら"_s},
        {{100, 750}, u"マウスを右クリックしてください"_s},
        {{100, 1000},
         u"Input　Boxに、登録されているユーザー名を入力して「ＯＫ」ボタンをクリックしてください"_s},
        {{100, 2000}, QString(56, u'*')},
    };
}

QRect QuitHelpWindow::lineRoom(int index) const {
    const auto all = lines();
    const QPoint at = all.at(index).first;
    const int bottom = index + 1 < all.size() ? all.at(index + 1).first.y() : 2670;
    return QRect(QPoint(px(at.x()), px(at.y())), QPoint(width() - px(100), px(bottom) - 1));
}

QFont QuitHelpWindow::linesFont() const {
    QFont fitted = font();
    const auto all = lines();
    for (int i = 0; i < all.size(); ++i)
        fitted = fontToFit(fitted, all.at(i).second, lineRoom(i).size(), LineFlags);
    return fitted;
}

void QuitHelpWindow::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(linesFont());
    const auto all = lines();
    for (int i = 0; i < all.size(); ++i)
        painter.drawText(lineRoom(i), LineFlags, all.at(i).second);
}

void QuitHelpWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    centreOnScreen(this);
    m_dialogs.setMousePointer(MousePointer::Normal);
}

StaffPicture::StaffPicture(int index, QWidget *parent) : QLabel(parent), m_index(index) {
    const QStyle::StandardPixmap icons[] = {QStyle::SP_MessageBoxInformation,
                                            QStyle::SP_DialogHelpButton};
    setPixmap(style()->standardIcon(icons[index & 1]).pixmap(32, 32));
    setFixedSize(32, 32);
}

void StaffPicture::mousePressEvent(QMouseEvent *event) {
    const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (event->button() == Qt::LeftButton && plain)
        emit plainLeftPress(m_index);
    QLabel::mousePressEvent(event);
}

AboutWindow::AboutWindow(const QString &applicationFolder, WavePlayer &wave, Dialogs &dialogs,
                         QWidget *parent)
    : QDialog(parent), m_folder(applicationFolder), m_wave(wave), m_dialogs(dialogs) {
    m_dialogs.setMousePointer(MousePointer::ArrowHourglass);
    setWindowTitle(u"ピコロのバージョン情報"_s);
    setModal(true);
    setFixedSize(px(7680), px(2250));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(grey);
    setAutoFillBackground(true);

    auto *panel = new ThreeDPanel(this);
    panel->setGeometryTwips(60, 60, 7560, 2130);

    m_headingLabel = new QLabel(u"Windowsの  ピコロ ３２"_s, panel);
    m_headingLabel->setGeometry(twips(960, 420, 6030, 375));
    m_headingLabel->setFont(namedFont(u"ＭＳ 明朝"_s, 12, true));
    fitText(m_headingLabel);

    // The version line may use the room up to the OK button.
    m_versionLabel = new QLabel(u"Version 3  for Windows95"_s, panel);
    m_versionLabel->setGeometry(twips(1695, 960, 6300 - 1695, 405));
    m_versionLabel->setFont(namedFont(u"Times New Roman"_s, 18, false));
    fitText(m_versionLabel);

    for (int i = 0; i < 2; ++i) {
        m_staffPictures[std::size_t(i)] = new StaffPicture(i, panel);
        m_staffPictures[std::size_t(i)]->move(px(240), px(420 + i * 840));
        connect(m_staffPictures[std::size_t(i)], &StaffPicture::plainLeftPress, this, [this] {
            // Played once in the background; a missing file is simply silent.
            m_wave.play(staffSoundPath(), WavePlayer::Repeat::Once);
        });
    }

    m_plainOkButton = new QPushButton(u"OK"_s, panel);
    m_plainOkButton->setGeometry(twips(6360, 960, 975, 615));
    m_plainOkButton->setFont(namedFont(u"ＭＳ Ｐゴシック"_s, 18, true));
    connect(m_plainOkButton, &QPushButton::clicked, this, &QDialog::accept);

    m_okButton = new ThreeDButton(panel);
    m_okButton->setCaption(u"OK"_s);
    m_okButton->setCaptionFont(namedFont(u"ＭＳ ゴシック"_s, 13.5, true));
    m_okButton->setGeometryTwips(5985, 1365, 1380, 540);
    connect(m_okButton, &ThreeDControl::clicked, this, &QDialog::accept);
    m_dialogs.setMousePointer(MousePointer::Normal);
}

QString AboutWindow::staffSoundPath() const {
    return m_folder + u"/iyan.wav"_s;
}

void AboutWindow::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    centreOnScreen(this);
    m_dialogs.setMousePointer(MousePointer::Normal);
}

} // namespace pikoro
