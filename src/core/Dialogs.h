#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pikoro {

// Button sets of a message box, numbered like the classic message-box styles (style & 7).
enum class MessageButtons {
    Ok = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5
};

// Icons of a message box, numbered like the classic styles (style & 0x70).
enum class MessageIcon {
    None = 0,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64
};

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

    // Builds a request from a classic style number: buttons (0-5) + icon (16, 32, 48, 64) +
    // default button (0 first, 256 second, 512 third). Unknown bits fall back to OK / no icon;
    // a default beyond the last button falls back to the first.
    static MessageBoxRequest fromStyle(const QString &text, int style, const QString &title = {});

    bool operator==(const MessageBoxRequest &) const = default;
};

// One open or save file dialog.
struct FileDialogRequest {
    QString title{};
    QString filter{};             // "desc(*.pik)|*.pik|" pairs, as the classic dialog takes them
    QString defaultExtension{};   // without the dot; appended to a name typed without one
    QString initialFolder{};      // empty = the dialog's own choice
    QString fileName{};           // name shown at first
    bool confirmOverwrite = true; // save only: ask before replacing an existing file

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

    // Message box from a classic style number (see MessageBoxRequest::fromStyle).
    DialogButton messageBox(const QString &text, int style = 0, const QString &title = {}) {
        return messageBox(MessageBoxRequest::fromStyle(text, style, title));
    }
};

// Converts a classic "desc(*.a)|*.a|desc2|*.b;*.c|" filter into Qt name filters, one per pair.
// Each extension pattern also matches its lower- and upper-case spelling, "*.*" matches every
// file, and a trailing "(...)" in the description is replaced by the full pattern list.
// An empty filter gives an empty list.
QStringList qtNameFilters(const QString &classicFilter);

// Appends "." + extension to path when its file name has no extension of its own. An empty
// path or extension leaves path unchanged.
QString withDefaultExtension(const QString &path, const QString &extension);

} // namespace pikoro
