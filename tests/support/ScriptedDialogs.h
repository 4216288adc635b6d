#pragma once

#include "core/Dialogs.h"

#include <deque>
#include <variant>

namespace pikoro {

// Dialogs for tests: records every dialog asked for and answers from a queue the test fills. An
// empty queue, a wrong kind of answer or answers left unasked give a qWarning "ScriptedDialogs:"
// (QTest::failOnWarning makes it a failure), and the dialog closes as Escape would close it.
class ScriptedDialogs : public Dialogs {
public:
    // A message box, or an open or save dialog.
    struct Call {
        MessageBoxRequest message = {};
        FileDialogRequest file = {};
    };

    ScriptedDialogs() = default;
    ~ScriptedDialogs() override;
    Q_DISABLE_COPY(ScriptedDialogs)

    // The next message box's button; the next input box's text or file dialog's path; Cancel.
    void answerButton(DialogButton button) { m_answers.emplace_back(button); }
    void answerText(const QString &text) { m_answers.emplace_back(text); }
    void answerCancel() { m_answers.emplace_back(Cancelled{}); }

    const QList<Call> &calls() const { return m_calls; }
    QStringList messageTexts() const { return m_messageTexts; }
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
    std::optional<Answer> takeAnswer(const QString &what);
    // A typed text or chosen path; Cancel and a missing or wrong answer give nothing.
    std::optional<QString> textAnswer(const QString &what);

    QList<Call> m_calls;
    QStringList m_messageTexts;
    std::deque<Answer> m_answers;
    QList<MousePointer> m_pointers;
};

} // namespace pikoro
