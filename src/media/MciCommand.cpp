#include "media/MciCommand.h"

#include <QList>

namespace pikoro {

namespace {

// Splits at blanks; a double-quoted word keeps its blanks and loses its quotes.
std::uint32_t splitWords(QStringView text, QList<QString> *words) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n)
            break;
        if (text[i] == u'"') {
            const qsizetype end = text.indexOf(u'"', i + 1);
            if (end < 0)
                return MciError::NoClosingQuote;
            words->append(text.mid(i + 1, end - i - 1).toString());
            i = end + 1;
        } else {
            const qsizetype start = i;
            while (i < n && !text[i].isSpace())
                ++i;
            words->append(text.mid(start, i - start).toString());
        }
    }
    return MciError::None;
}

bool sameWord(const QString &word, QStringView keyword) {
    return word.compare(keyword, Qt::CaseInsensitive) == 0;
}

} // namespace

std::uint32_t parseMciCommand(QStringView text, MciCommand *command) {
    QList<QString> words;
    if (const std::uint32_t error = splitWords(text, &words))
        return error;
    if (words.isEmpty())
        return MciError::MissingCommandString;

    MciCommand parsed;
    const QString &verb = words.first();
    if (sameWord(verb, u"open"))
        parsed.verb = MciCommand::Verb::Open;
    else if (sameWord(verb, u"play"))
        parsed.verb = MciCommand::Verb::Play;
    else if (sameWord(verb, u"stop"))
        parsed.verb = MciCommand::Verb::Stop;
    else if (sameWord(verb, u"pause"))
        parsed.verb = MciCommand::Verb::Pause;
    else if (sameWord(verb, u"close"))
        parsed.verb = MciCommand::Verb::Close;
    else
        return MciError::UnrecognizedCommand;

    if (words.size() < 2 || words[1].isEmpty())
        return MciError::MissingParameter;
    parsed.device = words[1];

    if (parsed.verb != MciCommand::Verb::Open) {
        if (words.size() > 2)
            return MciError::UnrecognizedKeyword;
        parsed.alias = parsed.device;
        *command = parsed;
        return MciError::None;
    }

    for (qsizetype i = 2; i < words.size(); i += 2) {
        const bool isType = sameWord(words[i], u"type");
        if (!isType && !sameWord(words[i], u"alias"))
            return MciError::UnrecognizedKeyword;
        if (i + 1 >= words.size() || words[i + 1].isEmpty())
            return MciError::MissingParameter;
        (isType ? parsed.deviceType : parsed.alias) = words[i + 1];
    }
    // Without an alias the device is addressed by its file name, as in MCI.
    if (parsed.alias.isEmpty())
        parsed.alias = parsed.device;
    *command = parsed;
    return MciError::None;
}

} // namespace pikoro
