#include "media/MciDevice.h"

#include <QFile>
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

std::uint32_t readMidiFile(const QString &path, QByteArray *smf) {
    QFile file(existingPath(path));
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
        return MciError::FileNotFound;
    if (file.size() > MaxMidiFileSize)
        return MciError::InvalidFile;
    const QByteArray bytes = file.readAll();
    if (isStandardMidi(bytes)) {
        *smf = bytes;
        return MciError::None;
    }
    const QByteArray data = rmidData(bytes);
    if (isStandardMidi(data)) {
        *smf = data;
        return MciError::None;
    }
    return MciError::InvalidFile;
}

SequencerMciDevice::SequencerMciDevice(std::unique_ptr<MidiSequencer> sequencer)
    : m_sequencer(std::move(sequencer)) {
    // The sequencer ends pieces on the audio thread; the notice is handled where the commands
    // come from, after whatever they did in the meantime.
    m_sequencer->setEndCallback([this] {
        QMetaObject::invokeMethod(this, &SequencerMciDevice::sequencerReachedEnd,
                                  Qt::QueuedConnection);
    });
}

SequencerMciDevice::~SequencerMciDevice() {
    // The sequencer goes first, while its end notices still have a whole device to reach.
    m_sequencer.reset();
}

void SequencerMciDevice::sequencerReachedEnd() {
    if (!m_alias.isEmpty() && m_sequencer->hasPlayedToEnd())
        emit pieceEnded();
}

std::uint32_t SequencerMciDevice::sendString(const QString &text) {
    MciCommand command;
    if (const std::uint32_t error = parseMciCommand(text, &command))
        return error;
    if (command.verb == MciCommand::Verb::Open)
        return open(command);
    if (m_alias.isEmpty() || command.alias.compare(m_alias, Qt::CaseInsensitive) != 0)
        return MciError::InvalidDeviceName;

    switch (command.verb) {
    case MciCommand::Verb::Play:
        m_sequencer->play();
        break;
    case MciCommand::Verb::Stop:
        m_sequencer->stop();
        break;
    case MciCommand::Verb::Pause:
        m_sequencer->pause();
        break;
    case MciCommand::Verb::Close:
        m_sequencer->unload();
        m_alias.clear();
        break;
    case MciCommand::Verb::Open:
        break;
    }
    return MciError::None;
}

std::uint32_t SequencerMciDevice::open(const MciCommand &command) {
    if (!command.deviceType.isEmpty() &&
        command.deviceType.compare(u"sequencer", Qt::CaseInsensitive) != 0)
        return MciError::InvalidDeviceName;
    if (!m_alias.isEmpty()) {
        // The sequencer cannot be shared: one piece at a time.
        return command.alias.compare(m_alias, Qt::CaseInsensitive) == 0 ? MciError::DuplicateAlias
                                                                        : MciError::DeviceOpen;
    }
    QByteArray smf;
    if (const std::uint32_t error = readMidiFile(command.device, &smf))
        return error;
    if (!m_sequencer->load(smf))
        return MciError::InvalidFile;
    m_alias = command.alias;
    return MciError::None;
}

} // namespace pikoro
