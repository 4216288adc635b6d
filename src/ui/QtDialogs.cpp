#include "ui/QtDialogs.h"

#include "ui/CapsLock.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace pikoro {

std::unique_ptr<QTranslator> installJapaneseQtTexts() {
    auto translator = std::make_unique<QTranslator>();
    // "qt_ja" is the catalogue that pulls in qtbase_ja and the other modules' texts.
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), u"qt"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get()))
        return nullptr;
    return translator;
}

void centreOnScreen(QWidget *window) {
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.left() + (area.width() - size.width()) / 2,
                 area.top() + (area.height() - size.height()) / 2);
}

namespace {

// A dialog that centres itself once its final size is known, before it is mapped.
template <class Dialog> class Centred : public Dialog {
public:
    using Dialog::Dialog;

protected:
    void showEvent(QShowEvent *event) override {
        Dialog::showEvent(event);
        centreOnScreen(this);
    }
};

// While a busy pointer is set, a dialog still gets the ordinary arrow: the user has to point
// at its buttons.
class ArrowWhileOpen {
public:
    explicit ArrowWhileOpen(bool busy) : m_busy(busy) {
        if (m_busy)
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileOpen() {
        if (m_busy)
            QGuiApplication::restoreOverrideCursor();
    }
    ArrowWhileOpen(const ArrowWhileOpen &) = delete;
    ArrowWhileOpen &operator=(const ArrowWhileOpen &) = delete;

private:
    bool m_busy;
};

QString titleOrApplication(const QString &title) {
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

// Message texts break lines with CR alone or CR LF.
QString withLineFeeds(QString text) {
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

struct ButtonLook {
    QMessageBox::StandardButton standard;
    QString text;
};

ButtonLook lookOf(DialogButton button) {
    switch (button) {
    case DialogButton::Ok:
        return {QMessageBox::Ok, u"OK"_s};
    case DialogButton::Cancel:
        return {QMessageBox::Cancel, u"キャンセル"_s};
    case DialogButton::Abort:
        return {QMessageBox::Abort, u"中止(&A)"_s};
    case DialogButton::Retry:
        return {QMessageBox::Retry, u"再試行(&R)"_s};
    case DialogButton::Ignore:
        return {QMessageBox::Ignore, u"無視(&I)"_s};
    case DialogButton::Yes:
        return {QMessageBox::Yes, u"はい(&Y)"_s};
    case DialogButton::No:
        return {QMessageBox::No, u"いいえ(&N)"_s};
    }
    return {QMessageBox::Ok, u"OK"_s};
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtDialogs::~QtDialogs() {
    setMousePointer(MousePointer::Normal);
}

DialogButton QtDialogs::messageBox(const MessageBoxRequest &request) {
    Centred<QMessageBox> box(m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(titleOrApplication(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(withLineFeeds(request.text));
    box.setIcon(qtIcon(request.icon));

    QList<std::pair<QAbstractButton *, DialogButton>> buttons;
    for (DialogButton button : buttonsOf(request.buttons)) {
        const ButtonLook look = lookOf(button);
        QPushButton *pushButton = box.addButton(look.standard);
        pushButton->setText(look.text);
        buttons.append({pushButton, button});
        if (button == request.defaultButton)
            box.setDefaultButton(pushButton);
    }

    const ArrowWhileOpen arrow(m_overrideActive);
    box.exec();

    QAbstractButton *clicked = box.clickedButton();
    for (const auto &[widget, button] : buttons) {
        if (widget == clicked)
            return button;
    }
    // Closed without a button (no escape button was found): the last button stands for it.
    return buttons.last().second;
}

std::optional<QString> QtDialogs::inputBox(const QString &prompt, const QString &title,
                                           const QString &defaultText) {
    Centred<QInputDialog> dialog(m_parent);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(titleOrApplication(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(withLineFeeds(prompt));
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(u"OK"_s);
    dialog.setCancelButtonText(u"キャンセル"_s);
    // The box asks for the user name, compared exactly: a line under the field says when Caps
    // Lock is on. The dialog lays out its label, field and buttons in one column.
    auto *column = qobject_cast<QBoxLayout *>(dialog.layout());
    auto *field = dialog.findChild<QLineEdit *>();
    if (column && field && column->indexOf(field) >= 0)
        column->insertWidget(column->indexOf(field) + 1, new CapsLockNotice(field, &dialog));

    const ArrowWhileOpen arrow(m_overrideActive);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtDialogs::openFile(const FileDialogRequest &request) {
    return fileDialog(false, request);
}

std::optional<QString> QtDialogs::saveFile(const FileDialogRequest &request) {
    return fileDialog(true, request);
}

std::optional<QString> QtDialogs::fileDialog(bool save, const FileDialogRequest &request) {
    Centred<QFileDialog> dialog(m_parent, titleOrApplication(request.title), request.initialFolder);
    dialog.setWindowModality(Qt::ApplicationModal);
    // Qt's own dialog: the same look, centring and filters on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save                   ? QFileDialog::AnyFile
                       : request.chooseFolder ? QFileDialog::Directory
                                              : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, request.chooseFolder);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    const QStringList filters = qtNameFilters(request.fileTypes);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);

    const ArrowWhileOpen arrow(m_overrideActive);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty())
        return std::nullopt;
    return save ? withDefaultExtension(chosen, request.defaultExtension) : chosen;
}

void QtDialogs::setMousePointer(MousePointer pointer) {
    if (pointer == MousePointer::Normal) {
        if (m_overrideActive)
            QGuiApplication::restoreOverrideCursor();
        m_overrideActive = false;
        return;
    }
    const QCursor cursor(pointer == MousePointer::Hourglass ? Qt::WaitCursor : Qt::BusyCursor);
    // One override of our own, changed in place, so any number of busy calls is undone by one
    // Normal.
    if (m_overrideActive) {
        QGuiApplication::changeOverrideCursor(cursor);
    } else {
        QGuiApplication::setOverrideCursor(cursor);
        m_overrideActive = true;
    }
}

} // namespace pikoro
