#pragma once

#include <QByteArray>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;
class QTemporaryDir;
class QTimer;

namespace pikoro {

class AudioCapture;
class Dialogs;
class SettingsSession;
class WavePlayer;

// The settings window's voice recorder on the WAVE tab: "録音" records the key selected in the
// WAVE grid (up to five seconds, "停止" ends it sooner), "再生" plays the recording back. The
// recordings wait in a temporary folder; assignRecordings() (the window's OK) keeps them in the
// user's voices folder and gives them to their keys, discard() (Cancel, the close box) drops
// them without a trace.
class VoiceRecorderPanel : public QWidget {
    Q_OBJECT
public:
    VoiceRecorderPanel(SettingsSession &session, Dialogs &dialogs, WavePlayer &wave,
                       QTableWidget *waveGrid, QWidget *parent);
    ~VoiceRecorderPanel() override;

    // Records through `capture` from now on (the default is SDL's recording device).
    void setCapture(std::unique_ptr<AudioCapture> capture);
    // Ends a recording under way, writes every recording into the voices folder and assigns it
    // to its key in the session's WAVE list. A file that cannot be written is reported and its
    // key keeps its sound.
    void assignRecordings();
    // Ends a recording under way and forgets every recording.
    void discard();

    bool isRecording() const { return m_recordingRow >= 0; }

    QPushButton *m_recordButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_playButton = nullptr;
    QLabel *m_statusLabel = nullptr;

private:
    void onRecordClicked();
    void onStopClicked();
    void onPlayClicked();
    void onPollElapsed();
    void finishRecording();
    int selectedRow() const;
    QString pendingPath(int row) const;
    // Buttons and the status line for the selected key.
    void refresh();

    SettingsSession &m_session;
    Dialogs &m_dialogs;
    WavePlayer &m_wave;
    QTableWidget *m_waveGrid;
    std::unique_ptr<AudioCapture> m_capture;
    QTimer *m_pollTimer = nullptr;
    int m_recordingRow = -1; // the key being recorded, -1 when none
    std::vector<float> m_samples;
    std::map<int, double> m_pendingSeconds;         // WAVE row → length of its recording
    std::unique_ptr<QTemporaryDir> m_pendingFolder; // the recordings until OK
};

} // namespace pikoro
