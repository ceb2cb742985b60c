// Aiken question files: multiple choice with one right answer, as
//   Question text
//   A. first option        (or "A) first option")
//   B. second option
//   ANSWER: B
// with a blank line or none between questions.
#include "errors.h"
#include "interchangekit.h"

#include <QRegularExpression>
#include <utility>

namespace
{

[[noreturn]] void fail(int line, const QString &what)
{
    throw TrivoError(QStringLiteral("Файл Aiken, строка %1: %2").arg(line).arg(what));
}

// The question being read: its text, or options standing where a question
// should have been (orphan, from that line).
struct Pending {
    QString text;
    int line = 0;
    QStringList letters, options;
    int orphan = 0;
    QString orphanText;
};

class AikenReader
{
public:
    explicit AikenReader(Reading &r) : m_r(r) {}

    void line(const QString &line, int lineNo)
    {
        static const QRegularExpression optionLine(QStringLiteral("^([A-Z])[.)]\\s+(.*)$"));
        static const QRegularExpression answerLine(QStringLiteral("^ANSWER\\s*:\\s*(\\S*)\\s*$"));
        if (line.isEmpty()) {
            m_blank = true;
            return;
        }
        const bool afterBlank = std::exchange(m_blank, false);
        if (const auto m = answerLine.match(line); m.hasMatch())
            return answer(m.captured(1), lineNo);
        if (const auto m = optionLine.match(line); m.hasMatch()) {
            if (m_q.text.isEmpty() && !m_q.orphan) {
                m_q.orphan = lineNo;
                m_q.orphanText = line;
            }
            if (m_q.letters.contains(m.captured(1)))
                fail(lineNo, QStringLiteral("вариант %1 повторяется").arg(m.captured(1)));
            m_q.letters << m.captured(1);
            m_q.options << m.captured(2);
            return;
        }
        if (m_q.orphan) {
            dropOrphan();
        } else if (!m_q.options.isEmpty()) {
            fail(lineNo, QStringLiteral("после вариантов ответа нет строки ANSWER"));
        } else if (!m_q.text.isEmpty() && afterBlank) {
            // A question's text runs on to its options: text cut off from them
            // by a blank line belongs to no question.
            dropStray();
        }
        // The format wants the question on one line; a text that goes on is joined.
        if (m_q.text.isEmpty())
            m_q.line = lineNo;
        m_q.text += (m_q.text.isEmpty() ? QString() : QStringLiteral(" ")) + line;
    }

    void end()
    {
        if (m_q.orphan)
            dropOrphan();
        else if (!m_q.options.isEmpty())
            fail(m_q.line, QStringLiteral("у вопроса нет строки ANSWER"));
        else if (!m_q.text.isEmpty())
            dropStray();
    }

private:
    void answer(const QString &letter, int lineNo)
    {
        if (m_q.orphan)
            return dropOrphan();
        if (m_q.text.isEmpty())
            fail(lineNo, QStringLiteral("строка ANSWER без вопроса"));
        if (m_q.options.isEmpty())
            fail(lineNo, QStringLiteral("у вопроса нет вариантов ответа"));
        const qsizetype right = m_q.letters.indexOf(letter);
        if (right < 0)
            fail(lineNo, QStringLiteral("ответ «%1» не назван среди вариантов").arg(letter));
        countEntry(m_entries, QStringLiteral("Aiken"), lineNo);
        if (m_q.options.size() < 2) {
            m_r.notes << noteAboutLine(m_q.line, m_q.text,
                                       QStringLiteral("у вопроса один вариант ответа, вопрос не перенесён"));
            m_q = {};
            return;
        }
        Item item;
        item.type = ItemType::Ticks;
        item.text = oneLine(m_q.text);
        item.number = QString::number(m_r.topic.items.size() + 1);
        for (qsizetype k = 0; k < m_q.options.size(); ++k)
            item.options.push_back({oneLine(m_q.options.at(k)), QString(), k == right});
        m_r.topic.items.push_back(std::move(item));
        m_q = {};
    }

    // What is dropped counts as an entry too: a file of nothing else stays bounded.
    void dropOrphan()
    {
        countEntry(m_entries, QStringLiteral("Aiken"), m_q.orphan);
        m_r.notes << noteAboutLine(m_q.orphan, m_q.orphanText,
                                   QStringLiteral("варианты ответа без вопроса перед ними, пропущены"));
        m_q = {};
    }

    void dropStray()
    {
        countEntry(m_entries, QStringLiteral("Aiken"), m_q.line);
        m_r.notes << noteAboutLine(m_q.line, m_q.text,
                                   QStringLiteral("текст без вариантов ответа и строки ANSWER, пропущен"));
        m_q = {};
    }

    Reading &m_r;
    Pending m_q;
    bool m_blank = false;
    int m_entries = 0;
};

} // namespace

Reading readAiken(const QByteArray &bytes, const QString &fallbackName)
{
    requireQuestionFileSize(bytes.size());
    Reading r;
    r.topic.name = fallbackName;
    QString all = decodeQuestionFile(bytes);
    all.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');

    AikenReader reader(r);
    int lineNo = 0;
    // Line by line: a list of all lines would cost more than the file when they are short.
    for (qsizetype from = 0; from <= all.size();) {
        qsizetype end = all.indexOf(u'\n', from);
        if (end < 0)
            end = all.size();
        reader.line(QStringView(all).mid(from, end - from).trimmed().toString(), ++lineNo);
        from = end + 1;
    }
    reader.end();
    requireQuestions(r);
    return r;
}
