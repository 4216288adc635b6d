#pragma once

#include "core/Dialogs.h"

#include <deque>
#include <variant>

namespace pikoro {

// Dialogs for tests: records every dialog the program asks for and answers from a queue that
// the test fills beforehand. A dialog asked for with an empty queue or answered with the wrong
// kind of answer, and answers still queued when the object dies, are reported with a qWarning
// starting with "ScriptedDialogs:" (a test turns it into a failure with QTest::failOnWarning);
// the dialog is then closed the way Escape would close it.
class ScriptedDialogs : public Dialogs {
public:
    // One dialog as the program asked for it: a message box, or an open or save dialog.
    struct Call {
        MessageBoxRequest message = {};
        FileDialogRequest file = {};
    };

    ScriptedDialogs() = default;
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    // Queues the answer to the next message box; it must be one of the box's buttons.
    void answerButton(DialogButton button) { m_answers.emplace_back(button); }
    // Queues the text typed into the next input box or the path chosen in the next file dialog.
    void answerText(const QString &text) { m_answers.emplace_back(text); }
    // Queues Cancel for the next input box or file dialog.
    void answerCancel() { m_answers.emplace_back(Cancelled{}); }

    const QList<Call> &calls() const { return m_calls; }
    QStringList messageTexts() const { return m_messageTexts; } // message boxes so far, in order
    // Every pointer change in order, and the pointer now.
    const QList<MousePointer> &pointerChanges() const { return m_pointers; }
    MousePointer mousePointer() const {
        return m_pointers.isEmpty() ? MousePointer::Normal : m_pointers.last();
    }

    DialogButton messageBox(const MessageBoxRequest &request) override;
    using Dialogs::messageBox;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &defaultText = {}) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    void setMousePointer(MousePointer pointer) override { m_pointers << pointer; }

private:
    struct Cancelled {};
    using Answer = std::variant<DialogButton, QString, Cancelled>;
    // The queued answer for the dialog just recorded, or nothing after reporting a failure.
    std::optional<Answer> takeAnswer(const QString &what);
    // A typed text or chosen path; Cancel and a missing or wrong answer give nothing.
    std::optional<QString> textAnswer(const QString &what);

    QList<Call> m_calls;
    QStringList m_messageTexts;
    std::deque<Answer> m_answers;
    QList<MousePointer> m_pointers;
};

} // namespace pikoro
