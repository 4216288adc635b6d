#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pikoro {

// Button sets of a message box.
enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };

// Icons of a message box.
enum class MessageIcon { None, Critical, Question, Exclamation, Information };

// The button that closed a message box, numbered like the classic results.
enum class DialogButton { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Mouse pointer shapes the windows switch between while they work.
enum class MousePointer { Normal = 0, Hourglass = 11, ArrowHourglass = 13 };

// The buttons of a set, left to right.
QList<DialogButton> buttonsOf(MessageButtons buttons);

// One message box: text, title (empty = the application's title), buttons, icon and the
// button that Return presses.
struct MessageBoxRequest {
    QString text{};
    QString title{};
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    DialogButton defaultButton = DialogButton::Ok;

    bool operator==(const MessageBoxRequest &) const = default;
};

// One entry of a file dialog's type list: "データ" with {"*.pik"}.
struct FileType {
    QString description;
    QStringList patterns;

    bool operator==(const FileType &) const = default;
};

// One open or save file dialog.
struct FileDialogRequest {
    QString title{};
    QList<FileType> fileTypes{};  // empty = every file
    QString defaultExtension{};   // without the dot; appended to a name typed without one
    QString initialFolder{};      // empty = the dialog's own choice
    QString fileName{};           // name shown at first
    bool confirmOverwrite = true; // save only: ask before replacing an existing file
    bool chooseFolder = false;    // open only: a folder is chosen instead of a file

    bool operator==(const FileDialogRequest &) const = default;
};

// The modal dialogs and the busy mouse pointer of the program. Windows call these instead of
// the toolkit so that tests can answer them (ScriptedDialogs) and check every text shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows a modal message box and returns the button that closed it.
    virtual DialogButton messageBox(const MessageBoxRequest &request) = 0;

    // Shows a modal input box; returns the typed text, or nothing when it was cancelled.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &defaultText = {}) = 0;

    // Shows a modal open dialog; returns the chosen path, or nothing when it was cancelled.
    virtual std::optional<QString> openFile(const FileDialogRequest &request) = 0;

    // Shows a modal save dialog; returns the chosen path (with the default extension added
    // when the name had none), or nothing when it was cancelled.
    virtual std::optional<QString> saveFile(const FileDialogRequest &request) = 0;

    // Sets the application-wide mouse pointer; Normal gives the pointer back to each window.
    virtual void setMousePointer(MousePointer pointer) = 0;

    // Message box whose Return presses the first button.
    DialogButton messageBox(const QString &text, const QString &title = {},
                            MessageButtons buttons = MessageButtons::Ok,
                            MessageIcon icon = MessageIcon::None) {
        return messageBox(
            MessageBoxRequest{text, title, buttons, icon, buttonsOf(buttons).first()});
    }
};

// Converts file types into Qt name filters, "description (patterns)" one per type. Each
// extension pattern also matches its lower- and upper-case spelling, "*.*" matches every file
// and a type without patterns matches every file.
QStringList qtNameFilters(const QList<FileType> &fileTypes);

// Appends "." + extension to path when its file name has no extension of its own. An empty
// path or extension leaves path unchanged.
QString withDefaultExtension(const QString &path, const QString &extension);

} // namespace pikoro
