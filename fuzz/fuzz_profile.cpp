// PIKORO.ini reader and writer: a file that is only read is saved back byte for byte, a value
// written reads back the same before and after saving, and a write changes no other setting.

#include "FuzzInput.h"
#include "core/ProfileFile.h"
#include "core/TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace pikoro;
using namespace pikoro::fuzz;
using namespace Qt::StringLiterals;

namespace {

QString scratchFile() {
    // In memory where there is a tmpfs: saves flush to disk, which would slow fuzzing down.
    static const QTemporaryDir folder((QDir(QStringLiteral("/dev/shm")).exists()
                                           ? QStringLiteral("/dev/shm")
                                           : QDir::tempPath()) +
                                      QStringLiteral("/fuzz_profile-XXXXXX"));
    return folder.filePath(QStringLiteral("PIKORO.ini"));
}

ProfileFile loaded(const QByteArray &bytes) {
    InputDevice device(bytes);
    ProfileFile profile;
    if (!profile.load(&device))
        fail("reading from memory failed");
    return profile;
}

QByteArray savedBytes(ProfileFile &profile) {
    if (!profile.save(scratchFile()))
        fail("saving failed");
    QFile file(scratchFile());
    if (!file.open(QIODevice::ReadOnly))
        fail("the saved file cannot be read");
    return file.readAll();
}

struct Setting {
    QString section;
    QString key;
};

// The settings the program keeps in PIKORO.ini.
QList<Setting> programSettings() {
    QList<Setting> settings;
    const auto table = [&settings](const char *section, const char *key, int count) {
        for (int i = 0; i < count; ++i)
            settings.append({QLatin1String(section), QStringLiteral("%1 %2").arg(key).arg(i)});
    };
    table("BMPFile", "BMPOp", 33);
    table("SoundFile", "SoundOp", 32);
    table("MIDIFile", "MIDIOp", 22);
    for (const char *flag : {"SoundFlag", "RENFlag", "OPENFlag", "CDFlag", "AIUEOFlag"})
        settings.append({QLatin1String(flag), QLatin1String(flag)});
    return settings;
}

// A value made of characters a path may hold (Japanese, half-width kana, characters
// Shift-JIS cannot hold and the ones the file format treats specially), chosen by bytes.
QString valueFrom(QByteArrayView bytes) {
    static const QList<uint> alphabet =
        QStringLiteral("abcXYZ019 .\\:_-,;=[]#\"'\t絵音曲ねこピアノｱﾃｽ①🎹").toUcs4();
    QList<uint> value;
    for (const char byte : bytes)
        value.append(alphabet.at(uchar(byte) % alphabet.size()));
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(value.constData()), value.size());
}

// A value the program could store: one line, no surrounding blanks or quotes, at most the
// capacity of a read.
QString storableValue(QString value) {
    value.remove(u'\r').remove(u'\n');
    value = value.left(ProfileFile::ValueCapacity).trimmed();
    while (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
           value.back() == value.front())
        value = value.mid(1).trimmed();
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    ProfileFile profile = loaded(bytes);
    if (savedBytes(profile) != bytes)
        fail("a file that was only read was not saved back byte for byte");

    // The program's settings as read, to compare after an edit.
    const QList<Setting> settings = programSettings();
    QStringList before;
    for (const Setting &s : settings)
        before.append(profile.readString(s.section, s.key));

    // One edit, chosen by the input: the setting and its value.
    const qsizetype changed = qsizetype(qHash(bytes) % quint64(settings.size()));
    const auto &[section, key] = settings.at(changed);
    const QString value = storableValue(valueFrom(bytes.right(40)));
    const QString edit = u'[' + section + u"] "_s + key + u'=' + value;

    const TextEncoding encodingBefore = profile.encoding();
    profile.writeString(section, key, value);
    if (profile.readString(section, key) != value)
        fail("a written value reads back different before saving", edit);
    ProfileFile reread = loaded(savedBytes(profile));
    // The file's encoding is judged again on reading, by its lines' votes; an edit that changes
    // the votes (a Shift-JIS line that is also valid UTF-8, an overwritten line) can move a
    // file whose votes were close. And once it moves, lines that decode in neither encoding
    // keep their bytes and may read differently (a Shift-JIS trail byte "]" closes a section
    // in UTF-8). Both are left to the text-encoding rules; only a clean move is checked here.
    if (reread.encoding() != encodingBefore &&
        (encodeText(value, encodingBefore) ||
         decodeText(bytes).text.contains(QChar::ReplacementCharacter)))
        return 0;
    if (reread.readString(section, key) != value)
        fail("a written value reads back different after saving", edit);
    for (qsizetype i = 0; i < settings.size(); ++i) {
        const Setting &s = settings.at(i);
        // A line with undecodable bytes keeps them, and they may read differently once the
        // file's encoding moves.
        if (i == changed ||
            (s.section + s.key + before.at(i)).contains(QChar::ReplacementCharacter))
            continue;
        if (reread.readString(s.section, s.key) != before.at(i))
            fail("a write changed another setting", edit + u" changed "_s + s.key);
    }
    return 0;
}
