// PIKORO.ini reader and writer: a file that is only read is saved back byte for byte, a value
// written reads back the same before and after saving, and a write changes no other setting.

#include "core/ProfileFile.h"
#include "core/TextEncoding.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace pikoro;

namespace {

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "fuzz_profile: %s\n", what);
    std::abort();
}

QString scratchFile() {
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz_profile-XXXXXX"));
    return folder.filePath(QStringLiteral("PIKORO.ini"));
}

ProfileFile loaded(const QByteArray &bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ProfileFile profile;
    if (!profile.load(&buffer))
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

// The section and key names the file's own lines use, the way a reader of the file sees them.
QList<Setting> settingsIn(const QString &text) {
    QList<Setting> settings;
    QString section;
    for (const QString &line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.contains(u']'))
            section = trimmed.mid(1, trimmed.indexOf(u']') - 1);
        else if (const qsizetype eq = trimmed.indexOf(u'='); eq > 0)
            settings.append({section, trimmed.left(eq)});
    }
    return settings;
}

// A value the program could store: one line, no surrounding blanks or quotes, at most the
// capacity of a read.
QString storableValue(QString value) {
    value.remove(u'\r').remove(u'\n');
    value = value.trimmed().left(ProfileFile::ValueCapacity).trimmed();
    while (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
           value.back() == value.front())
        value.chop(1);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ProfileFile profile = loaded(bytes);
    if (savedBytes(profile) != bytes)
        fail("a file that was only read was not saved back byte for byte");

    // Settings as read, to compare after an edit.
    const QString text = decodeText(bytes).text;
    const QList<Setting> settings = settingsIn(text);
    QStringList before;
    for (const Setting &s : settings)
        before.append(profile.readString(s.section, s.key));

    // One edit, chosen by the input: an existing key, a new key in an existing section or a
    // new section; its value comes from the file's text, sometimes with a character Shift-JIS
    // cannot hold.
    const size_t hash = qHash(bytes);
    Setting target{QStringLiteral("新しい節"), QStringLiteral("MIDIOp 3")};
    if (!settings.isEmpty() && hash % 3 != 0) {
        target = settings.at(qsizetype(hash / 3 % quint64(settings.size())));
        if (hash % 3 == 2)
            target.key = QStringLiteral("BMPOp 7");
    }
    target.section = target.section.trimmed();
    if (target.section.contains(u']') || target.key.trimmed().startsWith(u'[') ||
        target.key.trimmed().startsWith(u';') || target.key.trimmed().startsWith(u'#') ||
        target.key.contains(u'\r') || target.key.contains(u'\n'))
        return 0; // names the program never writes
    QString value = storableValue(text.mid(qsizetype(hash / 7 % quint64(text.size() + 1)), 40));
    if (hash & 0x100)
        value += QStringLiteral("🎹");

    profile.writeString(target.section, target.key, value);
    if (profile.readString(target.section, target.key) != value)
        fail("a written value reads back different before saving");
    ProfileFile reread = loaded(savedBytes(profile));
    if (reread.readString(target.section, target.key) != value)
        fail("a written value reads back different after saving");
    const auto folded = [](const QString &name) { return name.trimmed().toCaseFolded(); };
    for (qsizetype i = 0; i < settings.size(); ++i) {
        const Setting &s = settings.at(i);
        if (folded(s.section) == folded(target.section) && folded(s.key) == folded(target.key))
            continue;
        if (before.at(i).contains(QChar::ReplacementCharacter))
            continue; // undecodable bytes may read differently once the file's encoding moves
        if (reread.readString(s.section, s.key) != before.at(i))
            fail("a write changed another setting");
    }
    return 0;
}
