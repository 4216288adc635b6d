#pragma once

#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <QStringList>
#include <array>
#include <utility>

class QPushButton;

namespace pikoro {

class Dialogs;
class ThreeDButton;
class ThreeDPanel;
class WavePlayer;

// The how-to-quit page "ピコロ ＨＥＬＰ" (BMPHELP): a few lines painted on the window and a
// CLOSE button.
class QuitHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit QuitHelpWindow(Dialogs &dialogs, QWidget *parent = nullptr);

    // The painted lines with their print positions in twips, in painting order.
    static QList<std::pair<QPoint, QString>> lines();

    ThreeDButton *m_closeButton = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The room of painted line `index`, in pixels: from its print position to the right margin
    // and down to the next line. A line too long for it wraps there.
    QRect lineRoom(int index) const;
    // The font the lines are painted in: the window's, smaller if a line would not fit its room.
    QFont linesFont() const;

    Dialogs &m_dialogs;
};

// A staff picture of the version window: a 32 x 32 icon that reports left-button presses
// made without Shift or Ctrl.
class StaffPicture : public QLabel {
    Q_OBJECT
public:
    StaffPicture(int index, QWidget *parent);
signals:
    void plainLeftPress(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_index;
};

// The version window "ピコロのバージョン情報" (frmAbout). Pressing a staff picture plays
// iyan.wav from the application folder.
class AboutWindow : public QDialog {
    Q_OBJECT
public:
    AboutWindow(const QString &applicationFolder, WavePlayer &wave, Dialogs &dialogs,
                QWidget *parent = nullptr);

    // The sound the staff pictures play.
    QString staffSoundPath() const;

    QLabel *m_headingLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    std::array<StaffPicture *, 2> m_staffPictures{};
    QPushButton *m_plainOkButton = nullptr;
    ThreeDButton *m_okButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString m_folder;
    WavePlayer &m_wave;
    Dialogs &m_dialogs;
};

} // namespace pikoro
