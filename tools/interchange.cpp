// trivo-bank import and export: topics to and from other testing systems.
//   trivo-bank import FORMAT FILE FOLDER          FORMAT gift, aiken or xml: FILE becomes a new topic of FOLDER's bank
//   trivo-bank export FORMAT FOLDER TOPIC FILE    FORMAT gift or xml: the topic with code TOPIC is written to FILE
// What cannot be carried over is listed on standard error, one line each.
#include "interchange.h"
#include "durablefile.h"
#include "errors.h"
#include "text.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace
{

void say(FILE *to, const QString &text)
{
    std::fprintf(to, "%s\n", qUtf8Printable(text));
}

int failure(const QString &text)
{
    say(stderr, QStringLiteral("trivo-bank: ") + text);
    return 1;
}

void listNotes(const QStringList &notes)
{
    for (const QString &n : notes)
        say(stderr, QStringLiteral("trivo-bank: не перенесено: ") + n);
}

int importTopic(const QString &formatName, const QString &file, const QString &folder)
{
    const auto format = interFormatNamed(formatName);
    if (!format)
        return failure(QStringLiteral("формат «%1» не знаю: gift, aiken или xml").arg(formatName));
    // The file is read and checked whole before the bank is touched.
    Reading r = readInterchangeFile(*format, file);
    const AddedTopic added = addTopicToBank(folder, r.topic, r.notes);
    listNotes(r.notes);
    say(stdout, QStringLiteral("Добавлена тема %1 «%2»: вопросов %3, вариантов ответа %4")
                    .arg(added.tema, r.topic.name)
                    .arg(added.questions)
                    .arg(added.options));
    return 0;
}

int exportTopic(const QString &formatName, const QString &folder, const QString &topicCode, const QString &file)
{
    const auto format = interFormatNamed(formatName);
    if (!format || *format == InterFormat::Aiken)
        return failure(QStringLiteral("записать можно только в формате gift или xml, а не «%1»").arg(formatName));
    if (!QFileInfo(folder).isDir())
        return failure(QStringLiteral("нет папки банка %1").arg(folder));
    const BankFiles bank(QFileInfo(folder).absoluteFilePath());
    QStringList notes;
    const Topic topic = topicOfRecords(readBankTopic(bank, topicCode), notes, QDir(bank.folder).filePath("Foto"));
    const QByteArray bytes = *format == InterFormat::Gift ? writeGift(topic, notes) : writeMoodleXml(topic, notes);
    listNotes(notes);
    // A file without questions would look like a finished export.
    if (std::none_of(topic.items.begin(), topic.items.end(),
                     [&](const Item &i) { return whyNotWritten(*format, i).isEmpty(); }))
        return failure(QStringLiteral("в теме %1 нет ни одного вопроса, который можно записать в этом формате")
                           .arg(topicCode.trimmed()));
    replaceFile(file, bytes);
    say(stdout, QStringLiteral("Тема %1 «%2» записана в %3").arg(topicCode.trimmed(), topic.name, file));
    return 0;
}

} // namespace

int interchangeCommand(const QString &command, const QStringList &args)
{
    if (!cp1251Available())
        return failure(QStringLiteral("нет преобразователя текста windows-1251"));
    try {
        if (command == u"import" && args.size() == 3)
            return importTopic(args.at(0), args.at(1), args.at(2));
        if (command == u"export" && args.size() == 4)
            return exportTopic(args.at(0), args.at(1), args.at(2), args.at(3));
    } catch (const TrivoError &e) {
        return failure(e.text());
    }
    std::fputs("usage: trivo-bank import FORMAT FILE FOLDER          (FORMAT gift, aiken or xml)\n"
               "       trivo-bank export FORMAT FOLDER TOPIC FILE    (FORMAT gift or xml)\n",
               stderr);
    return 2;
}
