#pragma once

#include "core/WorkingLists.h"

#include <QObject>
#include <functional>

class QTableWidget;

namespace pikoro {

class Dialogs;

// Lets a file from the desktop be dropped on a row of one of the settings window's grids: a
// picture on the picture grid, a WAVE file on the WAVE grid, a MIDI file on the MIDI grid, told
// by the file's content. A file of another kind is refused with a message naming it.
class FileDropTarget : public QObject {
    Q_OBJECT
public:
    using Assign = std::function<void(int row, const QString &path)>;

    // Watches grid (and is owned by it); assign is called with the row dropped on.
    FileDropTarget(QTableWidget *grid, ListKind kind, Dialogs &dialogs, Assign assign);

    // The message for a file that does not belong in the list.
    static QString wrongKindMessage(ListKind kind, const QString &fileName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableWidget *m_grid;
    ListKind m_kind;
    Dialogs &m_dialogs;
    Assign m_assign;
};

} // namespace pikoro
