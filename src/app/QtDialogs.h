#pragma once

#include "app/Dialogs.h"

#include <QPointer>
#include <QWidget>

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

// Moves a top-level window so that it sits in the middle of its screen.
void centreOnScreen(QWidget *window);

} // namespace pikoro
