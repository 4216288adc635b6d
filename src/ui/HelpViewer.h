#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QWidget;
class QTextBrowser;

namespace pikoro {

// What the help viewer is asked to do: show the help file's contents, or close it again.
enum class HelpCommand { Contents, Quit };

// The help viewer: opens the program's help file on its contents and closes it again.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void runHelpCommand(QWidget *owner, const QString &helpFile, HelpCommand command) = 0;
};

// The real viewer: a window of its own that shows a text or HTML help file, or says why it
// cannot. A second Contents reloads the file and raises the same window.
class HelpWindowViewer : public HelpViewer {
public:
    HelpWindowViewer() = default;
    ~HelpWindowViewer() override;
    HelpWindowViewer(const HelpWindowViewer &) = delete;
    HelpWindowViewer &operator=(const HelpWindowViewer &) = delete;

    void runHelpCommand(QWidget *owner, const QString &helpFile, HelpCommand command) override;

    // The window while it is open, else null.
    QWidget *window() const;
    // What the window shows now (plain text of the page or the message).
    QString shownText() const;

private:
    QPointer<QTextBrowser> m_window;
};

// For tests: remembers every call as (file, command).
class RecordingHelpViewer : public HelpViewer {
public:
    struct Call {
        QString helpFile;
        HelpCommand command = HelpCommand::Contents;
        bool operator==(const Call &) const = default;
    };
    void runHelpCommand(QWidget *, const QString &helpFile, HelpCommand command) override {
        calls.append({helpFile, command});
    }
    QList<Call> calls;
};

} // namespace pikoro
