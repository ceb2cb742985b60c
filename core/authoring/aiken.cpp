// Aiken question files: multiple choice with one right answer, as
//   Question text
//   A. first option        (or "A) first option")
//   B. second option
//   ANSWER: B
// with a blank line or none between questions.
#include "errors.h"
#include "interchangekit.h"

#include <QRegularExpression>

namespace
{

[[noreturn]] void fail(int line, const QString &what)
{
    throw TrivoError(QStringLiteral("Файл Aiken, строка %1: %2").arg(line).arg(what));
}

struct Pending {
    QString text;
    int line = 0;
    QStringList letters, options;
};

} // namespace

Reading readAiken(const QByteArray &bytes, const QString &fallbackName)
{
    static const QRegularExpression optionLine(QStringLiteral("^([A-Z])[.)]\\s+(.*)$"));
    static const QRegularExpression answerLine(QStringLiteral("^ANSWER\\s*:\\s*(\\S*)\\s*$"));
    requireQuestionFileSize(bytes.size());
    Reading r;
    r.topic.name = fallbackName;
    QString all = decodeQuestionFile(bytes);
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');

    Pending q;
    int entries = 0, lineNo = 0;
    // Line by line: a list of all lines would cost more than the file when they are short.
    for (qsizetype from = 0; from <= all.size();) {
        qsizetype end = all.indexOf(u'\n', from);
        if (end < 0)
            end = all.size();
        const QString line = QStringView(all).mid(from, end - from).trimmed().toString();
        from = end + 1;
        ++lineNo;
        if (line.isEmpty())
            continue;
        if (const auto m = answerLine.match(line); m.hasMatch()) {
            if (q.text.isEmpty())
                fail(lineNo, QStringLiteral("строка ANSWER без вопроса"));
            if (q.options.isEmpty())
                fail(lineNo, QStringLiteral("у вопроса нет вариантов ответа"));
            const qsizetype right = q.letters.indexOf(m.captured(1));
            if (right < 0)
                fail(lineNo, QStringLiteral("ответ «%1» не назван среди вариантов").arg(m.captured(1)));
            countEntry(entries, QStringLiteral("Aiken"), lineNo);
            Item item;
            item.type = ItemType::Ticks;
            item.text = oneLine(q.text);
            item.number = QString::number(r.topic.items.size() + 1);
            for (qsizetype k = 0; k < q.options.size(); ++k)
                item.options.push_back({oneLine(q.options.at(k)), QString(), k == right});
            r.topic.items.push_back(std::move(item));
            q = {};
            continue;
        }
        if (const auto m = optionLine.match(line); m.hasMatch() && !q.text.isEmpty()) {
            if (q.letters.contains(m.captured(1)))
                fail(lineNo, QStringLiteral("вариант %1 повторяется").arg(m.captured(1)));
            q.letters << m.captured(1);
            q.options << m.captured(2);
            continue;
        }
        if (!q.options.isEmpty())
            fail(lineNo, QStringLiteral("после вариантов ответа нет строки ANSWER"));
        // The format wants the question on one line; a text that goes on is joined.
        if (q.text.isEmpty())
            q.line = lineNo;
        q.text += (q.text.isEmpty() ? QString() : QStringLiteral(" ")) + line;
    }
    if (!q.text.isEmpty())
        fail(q.line, QStringLiteral("у вопроса нет строки ANSWER"));
    requireQuestions(r);
    return r;
}
