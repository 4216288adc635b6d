#include "ScriptedDialogs.h"

#include <QDebug>

using namespace Qt::StringLiterals;

namespace pikoro {

ScriptedDialogs::~ScriptedDialogs() {
    if (!m_answers.empty())
        fail(u"%1 queued answer(s) never asked for"_s.arg(m_answers.size()));
}

QStringList ScriptedDialogs::messageTexts() const {
    QStringList texts;
    for (const Call &call : m_calls) {
        if (call.kind == Kind::MessageBox)
            texts << call.message.text;
    }
    return texts;
}

void ScriptedDialogs::setFailureHandler(std::function<void(const QString &)> handler) {
    m_failureHandler = std::move(handler);
}

void ScriptedDialogs::fail(const QString &message) {
    m_failures << message;
    if (m_failureHandler)
        m_failureHandler(message);
    else
        qWarning().noquote() << u"ScriptedDialogs: "_s + message;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::takeAnswer(const QString &what) {
    if (m_answers.empty()) {
        fail(u"no answer queued for %1"_s.arg(what));
        return std::nullopt;
    }
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

DialogButton ScriptedDialogs::messageBox(const MessageBoxRequest &request) {
    Call call;
    call.kind = Kind::MessageBox;
    call.message = request;
    call.title = request.title;
    m_calls << call;

    const QList<DialogButton> offered = buttonsOf(request.buttons);
    // Without a usable answer the box is closed the way Escape would close it.
    const DialogButton escape = offered.contains(DialogButton::Cancel) ? DialogButton::Cancel
                                : offered.contains(DialogButton::No)   ? DialogButton::No
                                                                       : offered.last();
    const auto answer = takeAnswer(u"message box \"%1\""_s.arg(request.text));
    if (!answer)
        return escape;
    const DialogButton *button = std::get_if<DialogButton>(&*answer);
    if (!button) {
        fail(u"message box \"%1\" answered with text or cancel instead of a button"_s.arg(
            request.text));
        return escape;
    }
    if (!offered.contains(*button)) {
        fail(u"message box \"%1\" has no button %2"_s.arg(request.text).arg(int(*button)));
        return escape;
    }
    return *button;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString &prompt, const QString &title,
                                                 const QString &defaultText) {
    Call call;
    call.kind = Kind::InputBox;
    call.prompt = prompt;
    call.title = title;
    call.defaultText = defaultText;
    m_calls << call;

    const auto answer = takeAnswer(u"input box \"%1\""_s.arg(prompt));
    if (!answer || std::holds_alternative<Cancelled>(*answer))
        return std::nullopt;
    if (const QString *text = std::get_if<QString>(&*answer))
        return *text;
    fail(u"input box \"%1\" answered with a button"_s.arg(prompt));
    return std::nullopt;
}

std::optional<QString> ScriptedDialogs::fileAnswer(Kind kind, const FileDialogRequest &request) {
    Call call;
    call.kind = kind;
    call.title = request.title;
    call.file = request;
    m_calls << call;

    const QString what = kind == Kind::OpenFile ? u"open dialog \"%1\""_s : u"save dialog \"%1\""_s;
    const auto answer = takeAnswer(what.arg(request.title));
    if (!answer || std::holds_alternative<Cancelled>(*answer))
        return std::nullopt;
    if (const QString *path = std::get_if<QString>(&*answer))
        return *path;
    fail(what.arg(request.title) + u" answered with a button"_s);
    return std::nullopt;
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogRequest &request) {
    return fileAnswer(Kind::OpenFile, request);
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogRequest &request) {
    // The real save dialog adds the default extension; the scripted one keeps that promise.
    const auto path = fileAnswer(Kind::SaveFile, request);
    if (!path)
        return std::nullopt;
    return withDefaultExtension(*path, request.defaultExtension);
}

} // namespace pikoro
