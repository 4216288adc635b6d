#pragma once

#include "core/Dialogs.h"

#include <QPointer>
#include <QTranslator>
#include <QWidget>

#include <memory>

namespace pikoro {

// The real dialogs: QMessageBox, QInputDialog and QFileDialog, modal over the parent window and
// centred on its screen, and the busy pointer as an application override cursor.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *parentWindow = nullptr) : m_parent(parentWindow) {}
    ~QtDialogs() override;
    QtDialogs(const QtDialogs &) = delete;
    QtDialogs &operator=(const QtDialogs &) = delete;

    // The window the dialogs are modal to; may change once the main window exists.
    void setParentWindow(QWidget *parentWindow) { m_parent = parentWindow; }

    DialogButton messageBox(const MessageBoxRequest &request) override;
    using Dialogs::messageBox;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText = {}) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    void setMousePointer(MousePointer pointer) override;

private:
    std::optional<QString> fileDialog(bool save, const FileDialogRequest &request);

    QPointer<QWidget> m_parent;
    bool m_overrideActive = false;
};

// Installs Qt's Japanese translation on the application, whatever the desktop's language, so
// that Qt's own texts in the dialogs ("Look in", "Open", "Cancel" ...) read in Japanese beside
// the program's Japanese titles. The translation stays installed while the returned translator
// lives; nullptr when it is not installed on this system.
std::unique_ptr<QTranslator> installJapaneseQtTexts();

// Moves a top-level window so that it sits in the middle of its screen.
void centreOnScreen(QWidget *window);

} // namespace pikoro
