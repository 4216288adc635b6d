#include "ui/VoiceRecorderPanel.h"

#include "core/Dialogs.h"
#include "core/SafeWrite.h"
#include "core/SettingsSession.h"
#include "media/AudioCapture.h"
#include "media/MediaServices.h"
#include "media/VoiceRecording.h"
#include "media/WavePlayer.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace pikoro {

VoiceRecorderPanel::VoiceRecorderPanel(SettingsSession &session, Dialogs &dialogs, WavePlayer &wave,
                                       QTableWidget *waveGrid, QWidget *parent)
    : QWidget(parent), m_session(session), m_dialogs(dialogs), m_wave(wave), m_waveGrid(waveGrid),
      m_capture(std::make_unique<SdlAudioCapture>()) {
    m_recordButton = new QPushButton(u"録音"_s, this);
    m_stopButton = new QPushButton(u"停止"_s, this);
    m_playButton = new QPushButton(u"再生"_s, this);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_recordButton, m_stopButton, m_playButton})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(m_statusLabel, 1);

    // Samples are collected often enough that the five seconds end on time.
    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(50);
    connect(m_pollTimer, &QTimer::timeout, this, &VoiceRecorderPanel::onPollElapsed);
    connect(m_recordButton, &QPushButton::clicked, this, &VoiceRecorderPanel::onRecordClicked);
    connect(m_stopButton, &QPushButton::clicked, this, &VoiceRecorderPanel::onStopClicked);
    connect(m_playButton, &QPushButton::clicked, this, &VoiceRecorderPanel::onPlayClicked);
    connect(m_waveGrid, &QTableWidget::currentCellChanged, this, &VoiceRecorderPanel::refresh);
    refresh();
}

VoiceRecorderPanel::~VoiceRecorderPanel() = default;

void VoiceRecorderPanel::setCapture(std::unique_ptr<AudioCapture> capture) {
    m_capture = std::move(capture);
}

int VoiceRecorderPanel::selectedRow() const {
    return m_session.currentRow(ListKind::Wave);
}

QString VoiceRecorderPanel::pendingPath(int row) const {
    return m_pendingFolder ? m_pendingFolder->filePath(VoiceRecording::fileName(row)) : QString();
}

void VoiceRecorderPanel::onRecordClicked() {
    // A key sound still playing would be recorded too.
    m_wave.stop();
    if (!m_capture->start(VoiceRecording::SampleRate, VoiceRecording::MaxFrames)) {
        m_dialogs.messageBox(
            u"マイクが見つかりません。マイクをつないでから、もう一度「録音」を押してください。"_s,
            {}, MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    m_recordingRow = selectedRow();
    m_samples.clear();
    m_pollTimer->start();
    refresh();
}

void VoiceRecorderPanel::onPollElapsed() {
    const std::vector<float> fresh = m_capture->take();
    m_samples.insert(m_samples.end(), fresh.begin(), fresh.end());
    if (m_samples.size() >= std::size_t(VoiceRecording::MaxFrames))
        finishRecording();
    else
        refresh();
}

void VoiceRecorderPanel::onStopClicked() {
    if (isRecording())
        finishRecording();
}

void VoiceRecorderPanel::finishRecording() {
    m_pollTimer->stop();
    m_capture->stop();
    const std::vector<float> rest = m_capture->take();
    m_samples.insert(m_samples.end(), rest.begin(), rest.end());
    m_samples.resize(std::min(m_samples.size(), std::size_t(VoiceRecording::MaxFrames)));
    const int row = std::exchange(m_recordingRow, -1);
    const VoiceRecording::Prepared voice = VoiceRecording::prepare(m_samples);
    m_samples.clear();
    if (voice.wave.isEmpty()) {
        refresh();
        m_dialogs.messageBox(
            u"声が聞こえませんでした。マイクに近づいて話しながら、もう一度録音してください。"_s, {},
            MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    if (!m_pendingFolder)
        m_pendingFolder = std::make_unique<QTemporaryDir>();
    QFile file(pendingPath(row));
    if (!m_pendingFolder->isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(voice.wave) != voice.wave.size()) {
        refresh();
        m_dialogs.messageBox(u"録音した声を一時ファイルに書き込めませんでした。"_s, {},
                             MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    m_pendingSeconds[row] = voice.seconds;
    refresh();
}

void VoiceRecorderPanel::onPlayClicked() {
    const int row = selectedRow();
    if (isRecording() || !m_pendingSeconds.contains(row))
        return;
    m_wave.play(pendingPath(row), WavePlayer::Repeat::Once);
}

void VoiceRecorderPanel::assignRecordings() {
    if (isRecording())
        finishRecording();
    const QString folder = VoiceRecording::folder();
    for (const auto &[row, seconds] : m_pendingSeconds) {
        const QString target = folder + u'/' + VoiceRecording::fileName(row);
        QFile pending(pendingPath(row));
        QString error;
        const bool kept = QDir().mkpath(folder) && pending.open(QIODevice::ReadOnly) &&
                          writeFileSafely(target, pending.readAll(), &error);
        if (kept) {
            m_session.assignSound(row, target);
        } else {
            m_dialogs.messageBox(u"録音した声を保存できませんでした。\n%1\n%2"_s.arg(
                                     QDir::toNativeSeparators(target), error),
                                 {}, MessageButtons::Ok, MessageIcon::Exclamation);
        }
    }
    discard();
}

void VoiceRecorderPanel::discard() {
    if (isRecording()) {
        m_pollTimer->stop();
        m_capture->stop();
        m_capture->take();
        m_recordingRow = -1;
        m_samples.clear();
    }
    m_pendingSeconds.clear();
    m_pendingFolder.reset(); // removes the recordings
    refresh();
}

void VoiceRecorderPanel::refresh() {
    const int row = selectedRow();
    const QString key = gridKeyName(ListKind::Wave, row);
    m_recordButton->setEnabled(!isRecording());
    m_stopButton->setEnabled(isRecording());
    m_playButton->setEnabled(!isRecording() && m_pendingSeconds.contains(row));
    if (isRecording()) {
        m_statusLabel->setText(u"「%1」の声を録音中… %2 秒（5 秒まで）"_s
                                   .arg(gridKeyName(ListKind::Wave, m_recordingRow))
                                   .arg(m_samples.size() / VoiceRecording::SampleRate));
    } else if (m_pendingSeconds.contains(row)) {
        m_statusLabel->setText(
            u"「%1」の声を録音しました（%2 秒）。OK で登録します。"_s.arg(key).arg(
                m_pendingSeconds.at(row), 0, 'f', 1));
    } else {
        m_statusLabel->setText(u"「%1」の声を録音できます。"_s.arg(key));
    }
}

} // namespace pikoro
