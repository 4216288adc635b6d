#include "ui/FileDropTarget.h"

#include "core/Dialogs.h"
#include "core/SafeWrite.h"
#include "media/PictureLoader.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTableWidget>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

// The first local file a drag carries, or nothing.
QString droppedFile(const QMimeData *mime) {
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

bool belongsIn(ListKind kind, const QString &path) {
    // Only a regular file, and only enough of its start for every format's mark (an SVG's root
    // element may come after a comment).
    const BoundedFile file = openBoundedFile(path, PictureLoader::MaxFileSize);
    if (file.status != BoundedRead::Status::Read)
        return false;
    const QByteArray head = file.file->read(4096);
    const QByteArray riffType = head.mid(8, 4);
    switch (kind) {
    case ListKind::Picture:
        return PictureLoader::detectFormat(head).has_value();
    case ListKind::Wave:
        return (head.startsWith("RIFF") || head.startsWith("RIFX") || head.startsWith("RF64")) &&
               riffType == "WAVE";
    case ListKind::Midi:
        return head.startsWith("MThd") || (head.startsWith("RIFF") && riffType == "RMID");
    }
    return false;
}

} // namespace

FileDropTarget::FileDropTarget(QTableWidget *grid, ListKind kind, Dialogs &dialogs, Assign assign)
    : QObject(grid), m_grid(grid), m_kind(kind), m_dialogs(dialogs), m_assign(std::move(assign)) {
    // Drops land on the viewport, which is where the rows are.
    grid->viewport()->setAcceptDrops(true);
    grid->viewport()->installEventFilter(this);
}

QString FileDropTarget::wrongKindMessage(ListKind kind, const QString &fileName) {
    const QString what = kind == ListKind::Picture ? u"絵"_s
                         : kind == ListKind::Wave  ? u"WAVE"_s
                                                   : u"MIDI"_s;
    return u"%1 のファイルではないため、登録できません。\n%2"_s.arg(what, fileName);
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        const bool onRow = m_grid->rowAt(drag->position().toPoint().y()) >= 0;
        if (onRow && !droppedFile(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const int row = m_grid->rowAt(drop->position().toPoint().y());
        const QString path = droppedFile(drop->mimeData());
        if (row < 0 || path.isEmpty())
            return true;
        drop->acceptProposedAction();
        if (belongsIn(m_kind, path))
            m_assign(row, path);
        else
            m_dialogs.messageBox(wrongKindMessage(m_kind, QFileInfo(path).fileName()));
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace pikoro
