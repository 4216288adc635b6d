#pragma once

#include "core/PhotoFolder.h"

#include <QDialog>
#include <optional>
#include <utility>

class QDialogButtonBox;

namespace pikoro {

class Dialogs;

// "写真フォルダから": the pictures of a folder chosen by the parent, shown on the keys they will
// go to (see planPhotoFolder) before OK puts them there.
class PhotoFolderDialog : public QDialog {
    Q_OBJECT
public:
    using Assignments = QList<std::pair<int, QString>>; // picture-list row, path

    PhotoFolderDialog(const QString &folder, const PhotoFolderPlan &plan, bool kana,
                      QWidget *parent = nullptr);

    // Asks for a folder and shows where its pictures go; returns them when the parent presses
    // OK. Cancel, or a folder without pictures (which is said), returns nothing.
    static std::optional<Assignments> choose(Dialogs &dialogs, bool kana, QWidget *parent);

    // The picture files a folder is searched for: JPEG and PNG, and WebP, HEIC and HEIF where
    // Qt's image plugins read them.
    static QStringList photoPatterns();

    QDialogButtonBox *m_buttons = nullptr;

private:
    Assignments m_assignments;
};

} // namespace pikoro
