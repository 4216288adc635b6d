#include "ui/PhotoFolderDialog.h"

#include "core/Dialogs.h"
#include "core/KeySlots.h"
#include "media/PictureLoader.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace pikoro {
namespace {

constexpr int Columns = 6;
const QSize ThumbnailSize(96, 72);

QString keyCaption(int row, bool kana) {
    if (kana && row >= DigitCount && row < DigitCount + LetterSlotCount)
        return kanaCaptions()[std::size_t(row - DigitCount)];
    return pictureListName(row);
}

QLabel *thumbnail(const QString &path, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setFixedSize(ThumbnailSize);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PictureLoader loader;
    // Photos are decoded straight at about the thumbnail's size.
    loader.setSizeRule(
        [](const QSize &natural) { return natural.scaled(ThumbnailSize, Qt::KeepAspectRatio); });
    const Picture picture = loader.read(path);
    if (picture.isNull())
        label->setText(u"？"_s);
    else
        label->setPixmap(QPixmap::fromImage(picture.scaled(
            picture.size().scaled(ThumbnailSize - QSize(4, 4), Qt::KeepAspectRatio))));
    return label;
}

} // namespace

QStringList PhotoFolderDialog::photoPatterns() {
    QStringList patterns{u"*.jpg"_s, u"*.jpeg"_s, u"*.png"_s};
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    for (const char *optional : {"webp", "heic", "heif"})
        if (readable.contains(optional))
            patterns << u"*."_s + QLatin1String(optional);
    return patterns;
}

PhotoFolderDialog::PhotoFolderDialog(const QString &folder, const PhotoFolderPlan &plan, bool kana,
                                     QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(u"写真フォルダから"_s);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QDir::toNativeSeparators(folder), this));
    auto *grid = new QGridLayout;
    layout->addLayout(grid);
    int cell = 0;
    for (const PhotoPlacement &placement : plan.placements) {
        const QString path = QDir(folder).filePath(placement.fileName);
        m_assignments.append({placement.row, path});
        auto *box = new QVBoxLayout;
        box->addWidget(thumbnail(path, this));
        auto *name = new QLabel(keyCaption(placement.row, kana) + u"  "_s + placement.fileName);
        name->setMaximumWidth(ThumbnailSize.width() * 3 / 2);
        box->addWidget(name);
        grid->addLayout(box, cell / Columns, cell % Columns);
        ++cell;
    }
    if (!plan.leftOut.isEmpty())
        layout->addWidget(new QLabel(
            u"キーが足りないため、%1 枚の写真は入りません。"_s.arg(plan.leftOut.size()), this));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Cancel)->setText(u"ｷｬﾝｾﾙ"_s);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
}

std::optional<PhotoFolderDialog::Assignments> PhotoFolderDialog::choose(Dialogs &dialogs, bool kana,
                                                                        QWidget *parent) {
    FileDialogRequest request;
    request.title = u"写真フォルダの選択"_s;
    request.chooseFolder = true;
    request.initialFolder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const std::optional<QString> folder = dialogs.openFile(request);
    if (!folder || folder->isEmpty())
        return std::nullopt;
    const QStringList names =
        QDir(*folder).entryList(photoPatterns(), QDir::Files | QDir::Readable);
    if (names.isEmpty()) {
        dialogs.messageBox(u"このフォルダには写真（JPEG、PNG、WebP）がありません。\n%1"_s.arg(
            QDir::toNativeSeparators(*folder)));
        return std::nullopt;
    }
    PhotoFolderDialog preview(*folder, planPhotoFolder(names, kana), kana, parent);
    if (preview.exec() != QDialog::Accepted)
        return std::nullopt;
    return preview.m_assignments;
}

} // namespace pikoro
