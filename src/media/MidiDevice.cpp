#include "media/MidiDevice.h"

#include "media/Logging.h"

#include "core/SafeWrite.h"

#include <QFileInfo>
#include <QtEndian>

namespace pikoro {

namespace {

// Old MIDI files are small; this refuses huge non-MIDI files before reading them whole.
constexpr qint64 MaxMidiFileSize = 16 * 1024 * 1024;

bool isStandardMidi(const QByteArray &bytes) {
    return bytes.size() >= 14 && bytes.startsWith("MThd");
}

// Returns the "data" chunk of a RIFF RMID file, or an empty array.
QByteArray rmidData(const QByteArray &bytes) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID")
        return {};
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        if (bytes.mid(at, 4) == "data")
            return bytes.mid(at + 8, qMin<qsizetype>(size, bytes.size() - at - 8));
        at += 8 + qsizetype(size) + (size & 1);
    }
    return {};
}

QString existingPath(const QString &path) {
    if (QFileInfo(path).isFile() || !path.contains(u'\\'))
        return path;
    QString slashed = path;
    slashed.replace(u'\\', u'/');
    return slashed;
}

} // namespace

MidiError readMidiFile(const QString &path, QByteArray *smf) {
    const BoundedRead file = readBoundedFile(existingPath(path), MaxMidiFileSize);
    if (file.status == BoundedRead::Status::Missing)
        return MidiError::FileNotFound;
    // A pipe or a device is no file to play; one too large is no MIDI file of ours.
    if (file.status == BoundedRead::Status::Unreadable)
        return QFileInfo(existingPath(path)).isFile() ? MidiError::InvalidFile
                                                      : MidiError::FileNotFound;
    return midiData(file.bytes, smf);
}

MidiError midiData(const QByteArray &bytes, QByteArray *smf) {
    if (isStandardMidi(bytes)) {
        *smf = bytes;
        return MidiError::None;
    }
    const QByteArray data = rmidData(bytes);
    if (isStandardMidi(data)) {
        *smf = data;
        return MidiError::None;
    }
    return MidiError::InvalidFile;
}

SequencerMidiDevice::SequencerMidiDevice(std::unique_ptr<MidiSequencer> sequencer)
    : m_sequencer(std::move(sequencer)) {
    // The sequencer ends pieces on the audio thread; the notice is handled where the calls
    // come from, after whatever they did in the meantime.
    m_sequencer->setEndCallback([this] {
        QMetaObject::invokeMethod(this, &SequencerMidiDevice::sequencerReachedEnd,
                                  Qt::QueuedConnection);
    });
}

SequencerMidiDevice::~SequencerMidiDevice() {
    // The sequencer goes first, while its end notices still have a whole device to reach.
    m_sequencer.reset();
}

void SequencerMidiDevice::sequencerReachedEnd() {
    if (m_open && m_sequencer->hasPlayedToEnd())
        emit pieceEnded();
}

MidiError SequencerMidiDevice::open(const QString &path) {
    if (m_open)
        return MidiError::DeviceOpen;
    QByteArray smf;
    if (const MidiError error = readMidiFile(path, &smf); error != MidiError::None) {
        qCWarning(lcMedia) << "MIDI file not opened:" << path;
        return error;
    }
    if (!m_sequencer->load(smf)) {
        qCWarning(lcMedia) << "MIDI file not playable:" << path;
        return MidiError::InvalidFile;
    }
    m_open = true;
    return MidiError::None;
}

MidiError SequencerMidiDevice::play() {
    if (!m_open)
        return MidiError::NotOpen;
    m_sequencer->play();
    return MidiError::None;
}

MidiError SequencerMidiDevice::stop() {
    if (!m_open)
        return MidiError::NotOpen;
    m_sequencer->stop();
    return MidiError::None;
}

MidiError SequencerMidiDevice::pause() {
    if (!m_open)
        return MidiError::NotOpen;
    m_sequencer->pause();
    return MidiError::None;
}

MidiError SequencerMidiDevice::close() {
    if (!m_open)
        return MidiError::NotOpen;
    m_sequencer->unload();
    m_open = false;
    return MidiError::None;
}

} // namespace pikoro
