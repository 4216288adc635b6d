#include "ScriptedDialogs.h"

#include <QDebug>

using namespace Qt::StringLiterals;

namespace pikoro {

static void fail(const QString &message) {
    qWarning().noquote() << u"ScriptedDialogs: "_s + message;
}

ScriptedDialogs::~ScriptedDialogs() {
    if (!m_answers.empty())
        fail(u"%1 queued answer(s) never asked for"_s.arg(m_answers.size()));
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::takeAnswer(const QString &what) {
    if (m_answers.empty()) {
        fail(u"no answer queued for "_s + what);
        return std::nullopt;
    }
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::textAnswer(const QString &what) {
    const auto answer = takeAnswer(what);
    if (answer && std::holds_alternative<DialogButton>(*answer))
        fail(what + u" answered with a button"_s);
    const QString *text = answer ? std::get_if<QString>(&*answer) : nullptr;
    return text ? std::optional<QString>(*text) : std::nullopt;
}

DialogButton ScriptedDialogs::messageBox(const MessageBoxRequest &request) {
    m_calls << Call{.message = request};
    m_messageTexts << request.text;
    const QList<DialogButton> offered = buttonsOf(request.buttons);
    const QString what = u"message box \"%1\""_s.arg(request.text);
    const auto answer = takeAnswer(what);
    const DialogButton *button = answer ? std::get_if<DialogButton>(&*answer) : nullptr;
    if (button && offered.contains(*button))
        return *button;
    if (answer)
        fail(what + u" has no such button"_s);
    // Closed the way Escape would close it.
    return offered.contains(DialogButton::Cancel) ? DialogButton::Cancel
           : offered.contains(DialogButton::No)   ? DialogButton::No
                                                  : offered.last();
}

std::optional<QString> ScriptedDialogs::inputBox(const QString &prompt, const QString &,
                                                 const QString &) {
    m_calls << Call{};
    return textAnswer(u"input box \"%1\""_s.arg(prompt));
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogRequest &request) {
    m_calls << Call{.file = request};
    return textAnswer(u"open dialog \"%1\""_s.arg(request.title));
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogRequest &request) {
    m_calls << Call{.file = request};
    // The real save dialog adds the default extension.
    const auto path = textAnswer(u"save dialog \"%1\""_s.arg(request.title));
    return path ? std::optional<QString>(withDefaultExtension(*path, request.defaultExtension))
                : std::nullopt;
}

} // namespace pikoro
