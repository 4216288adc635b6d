#include "ui/HelpViewer.h"

#include "core/HelpDocument.h"
#include "ui/QtDialogs.h"

#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace pikoro {

HelpWindowViewer::~HelpWindowViewer() {
    delete m_window.data();
}

void HelpWindowViewer::runHelpCommand(QWidget *owner, const QString &helpFile,
                                      HelpCommand command) {
    if (command == HelpCommand::Quit) {
        if (m_window)
            m_window->close();
        return;
    }
    if (!m_window) {
        m_window = new QTextBrowser;
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->setWindowTitle(u"ピコロ ヘルプ"_s);
        m_window->setOpenExternalLinks(false);
        m_window->resize(640, 560);
        centreOnScreen(m_window);
    }
    // A window of its own, but one of the owner's: a modal owner such as the settings window
    // blocks every window outside its own family, so a help window without an owner would take
    // neither keys nor clicks. Being a separate window, it stays open when the owner is hidden,
    // and it goes with the owner when the program ends.
    QWidget *ownerWindow = owner ? owner->window() : nullptr;
    if (m_window->parentWidget() != ownerWindow) {
        m_window->setParent(ownerWindow, Qt::Window);
        centreOnScreen(m_window);
    }
    const HelpDocument document = HelpDocument::load(helpFile);
    switch (document.kind) {
    case HelpDocument::Kind::Html:
        m_window->setHtml(document.text);
        break;
    case HelpDocument::Kind::PlainText:
        m_window->setPlainText(document.text);
        break;
    case HelpDocument::Kind::Missing:
    case HelpDocument::Kind::Unsupported:
        m_window->setPlainText(document.message);
        break;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QWidget *HelpWindowViewer::window() const {
    return m_window.data();
}

QString HelpWindowViewer::shownText() const {
    return m_window ? m_window->toPlainText() : QString();
}

} // namespace pikoro
