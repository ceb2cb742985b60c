// GIFT question files: one question a paragraph, the answers in braces.
//   // a comment line            $CATEGORY: $course$/top/Name
//   ::name:: text {=right ~wrong}                 multiple choice
//   text {~%50%a ~%50%b ~%-100%c}                 several right answers
//   text {=answer}   text {T}   text {=a -> b =c -> d}   text {#5:1}   text {}
// GIFT has no points: we write them as a comment line "// Баллы: N" before
// the question and read that line back.
#include "errors.h"
#include "interchangekit.h"

#include <QRegularExpression>

namespace
{

// Characters that mean something to a GIFT reader wherever they stand.
const QString specials = QStringLiteral("~=#{}:\\");
// What a backslash makes plain text of: the specials, and what other writers
// escape (an arrow, a weight's %, a format mark's brackets). Before any other
// character a backslash stands for itself, as it does to other readers.
const QString escapable = QStringLiteral("~=#{}:\\->%[]");

// A format mark at the start of a question or an answer: how its text is written.
const QRegularExpression &formatMark()
{
    static const QRegularExpression mark(QStringLiteral("^\\s*\\[(html|moodle|plain|markdown)\\]"));
    return mark;
}

// The position of `what` at or after `from` that no backslash escapes; -1 when none.
qsizetype findUnescaped(const QString &s, QStringView what, qsizetype from = 0)
{
    for (qsizetype i = from; i < s.size(); ++i) {
        if (s.at(i) == u'\\') {
            ++i;
            continue;
        }
        if (QStringView(s).mid(i).startsWith(what))
            return i;
    }
    return -1;
}

QString unescaped(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const QChar next = i + 1 < s.size() ? s.at(i + 1) : QChar();
        if (c == u'\\' && next == u'n') {
            out += u' ';
            ++i;
        } else if (c == u'\\' && !next.isNull() && escapable.contains(next)) {
            out += next;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// The text with every special escaped; a line end as "\n", which keeps a
// blank line from ending the question and a "//" from starting a comment.
QString escaped(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\\n");
            if (c == u'\r' && i + 1 < s.size() && s.at(i + 1) == u'\n')
                ++i;
            continue;
        }
        if (specials.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

// The question text as written. A text that starts like a comment line ("//")
// or like a format mark ("[html]") would not read back as itself: the plain
// format mark first keeps it a question's text.
QString questionTextOut(const QString &text)
{
    const QString e = escaped(text);
    const QString t = e.trimmed();
    return t.startsWith(u"//") || formatMark().match(t).hasMatch() ? QStringLiteral("[plain]") + t : e;
}

// An answer, or the left-hand item of a pair, as written after its mark and
// weight: a leading format mark would be taken for its format and, where no
// answer is a choice (a typed answer, a pair), an arrow for a pair's.
QString answerOut(const QString &text, bool arrows)
{
    QString e = escaped(text);
    if (arrows)
        e.replace(QStringLiteral("->"), QStringLiteral("-\\>"));
    return formatMark().match(e).hasMatch() ? QStringLiteral("[plain]") + e.trimmed() : e;
}

// A typed answer: its stars escaped for the other system's comparison, and a
// leading % kept from reading as a weight by the weight written before it.
QString typedAnswerGift(const QString &answer)
{
    const QString e = answerOut(typedAnswerOut(answer), true);
    return e.trimmed().startsWith(u'%') ? QStringLiteral("%100%") + e.trimmed() : e;
}

struct Answer {
    QChar mark; // '=' or '~'
    double weight = 0;
    QString text, feedback;
    QString unweighted;       // the text as it stands before a weight is taken off
    std::optional<bool> html; // a format mark of its own: HTML or not
};

struct Block {
    QString text;
    int line = 0; // the block's first line in the file, from 1
    std::optional<int> points;
};

class GiftReader
{
public:
    explicit GiftReader(Reading &r) : m_r(r) {}

    void read(const QString &all)
    {
        QString text = all;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        static const QRegularExpression pointsLine(QStringLiteral("^//\\s*(Баллы|points)\\s*:\\s*(\\S+)\\s*$"),
                                                   QRegularExpression::CaseInsensitiveOption);
        Block block;
        std::optional<int> points;
        auto flush = [&] {
            if (!block.text.trimmed().isEmpty()) {
                countEntry(m_entries, QStringLiteral("GIFT"), block.line);
                question(block);
            }
            block = {};
        };
        // Line by line through the text: a list of all lines would cost more
        // than the file itself when the lines are short.
        int n = 0;
        for (qsizetype from = 0; from <= text.size(); ++n) {
            qsizetype end = text.indexOf(u'\n', from);
            if (end < 0)
                end = text.size();
            const QStringView line = QStringView(text).mid(from, end - from);
            from = end + 1;
            const QStringView t = line.trimmed();
            if (t.startsWith(u"//")) {
                if (const auto m = pointsLine.match(t); m.hasMatch())
                    (block.text.isEmpty() ? points : block.points) = pointNumber(m.captured(2), n + 1);
                continue;
            }
            if (t.isEmpty()) {
                flush();
                continue;
            }
            if (block.text.isEmpty() && t.startsWith(u"$CATEGORY:", Qt::CaseInsensitive)) {
                countEntry(m_entries, QStringLiteral("GIFT"), n + 1);
                takeCategory(m_r, t.mid(10).trimmed().toString());
                continue;
            }
            if (block.text.isEmpty()) {
                block.line = n + 1;
                block.points = points;
                points.reset();
            } else {
                block.text += u'\n';
            }
            block.text += line;
        }
        flush();
    }

private:
    [[noreturn]] void fail(int line, const QString &what)
    {
        throw TrivoError(QStringLiteral("Файл GIFT, строка %1: %2").arg(line).arg(what));
    }

    int pointNumber(const QString &text, int line)
    {
        bool ok = false;
        const int p = text.toInt(&ok);
        if (!ok || p < 0 || p > 99)
            fail(line, QStringLiteral("баллы «%1» должны быть целым числом от 0 до 99").arg(text));
        return p;
    }

    void note(const QString &what) { m_r.notes << noteAbout(m_number, m_text, what); }
    void skip(const QString &what) { note(what + QStringLiteral(", вопрос не перенесён")); }
    void lacking(const QString &kind, const QString &what)
    {
        countLacking(m_r, kind);
        skip(what);
    }

    void question(const Block &b)
    {
        ++m_number;
        QString s = b.text.trimmed();
        if (s.startsWith(QStringLiteral("::"))) {
            const qsizetype end = findUnescaped(s, u"::", 2);
            if (end < 0)
                fail(b.line, QStringLiteral("название вопроса не закрыто знаками ::"));
            s = s.mid(end + 2).trimmed(); // the name: we keep no names
        }
        bool html = false;
        if (const auto m = formatMark().match(s); m.hasMatch()) {
            html = m.captured(1) == u"html";
            s = s.mid(m.capturedLength());
        }
        const qsizetype open = findUnescaped(s, u"{");
        const qsizetype close = findUnescaped(s, u"}");
        auto plain = [html](const QString &t) { return html ? plainOfHtml(unescaped(t)) : oneLine(unescaped(t)); };
        if (open < 0) {
            if (close >= 0)
                fail(b.line, QStringLiteral("лишняя скобка }"));
            m_text = plain(s);
            return lacking(QStringLiteral("description"), QStringLiteral("описание без ответа"));
        }
        if (close < open)
            fail(b.line, close < 0 ? QStringLiteral("нет закрывающей скобки }") : QStringLiteral("лишняя скобка }"));
        if (findUnescaped(s, u"{", open + 1) >= 0 || findUnescaped(s, u"}", close + 1) >= 0)
            fail(b.line, QStringLiteral("в вопросе больше одной пары скобок { }"));
        const QString after = s.mid(close + 1).trimmed();
        m_text = plain(s.left(open)) + (after.isEmpty() ? QString() : QStringLiteral(" _____ ") + plain(after));
        m_text = oneLine(m_text);
        if (html && htmlHasPicture(s))
            note(QStringLiteral("рисунки не переносятся"));

        QString part = s.mid(open + 1, close - open - 1);
        if (const qsizetype general = findUnescaped(part, u"####"); general >= 0) {
            if (!part.mid(general + 4).trimmed().isEmpty())
                note(QStringLiteral("общий отзыв не переносится"));
            part = part.left(general);
        }
        part = part.trimmed();
        Item item;
        item.text = m_text;
        item.number = QString::number(m_number);
        item.points = b.points.value_or(1);
        if (part.isEmpty())
            return lacking(QStringLiteral("essay"), QStringLiteral("эссе (ответ в свободной форме)"));
        if (part.startsWith(u'#'))
            return lacking(QStringLiteral("numerical"), QStringLiteral("числовой ответ"));
        if (trueFalse(part, item))
            return add(std::move(item));
        qsizetype count = 0;
        const std::vector<Answer> answers = answersOf(part, b.line, count);
        if (count > MaxItemOptions)
            return skip(tooManyOptions(count));
        if (std::any_of(answers.begin(), answers.end(), [](const Answer &a) { return !a.feedback.isEmpty(); }))
            note(QStringLiteral("отзывы к ответам не переносятся"));
        const bool choice = std::any_of(answers.begin(), answers.end(), [](const Answer &a) { return a.mark == u'~'; });
        // An arrow makes a matching question only where no answer is a wrong choice.
        const bool matching = !choice && std::any_of(answers.begin(), answers.end(), [](const Answer &a) {
            return findUnescaped(a.unweighted, u"->") >= 0;
        });
        // An answer is written in the question's format unless it names its own.
        auto shown = [html](const QString &text, std::optional<bool> own) {
            return own.value_or(html) ? plainOfHtml(unescaped(text)) : oneLine(unescaped(text));
        };
        if (matching)
            fillMatching(answers, item, b.line, shown);
        else if (choice)
            fillChoice(answers, item, shown);
        else
            fillTyped(answers, item);
        if (!item.options.empty())
            add(std::move(item));
    }

    void add(Item item)
    {
        if (const qsizetype rows = optionRowsOf(item); rows > MaxItemOptions)
            return skip(tooManyOptions(rows));
        m_r.topic.items.push_back(std::move(item));
    }

    bool trueFalse(const QString &part, Item &item)
    {
        const qsizetype hash = findUnescaped(part, u"#");
        const QString word = part.left(hash).trimmed().toUpper();
        if (word != u"T" && word != u"TRUE" && word != u"F" && word != u"FALSE")
            return false;
        if (hash >= 0 && !unescaped(part.mid(hash + 1)).remove(u'#').trimmed().isEmpty())
            note(QStringLiteral("отзывы к ответам не переносятся"));
        const bool isTrue = word.startsWith(u'T');
        item.type = ItemType::Ticks;
        item.options = {{QStringLiteral("Верно"), QString(), isTrue}, {QStringLiteral("Неверно"), QString(), !isTrue}};
        return true;
    }

    // The answers of a question, at most one more than a question may have:
    // further ones are only counted in `count`.
    std::vector<Answer> answersOf(const QString &part, int line, qsizetype &count)
    {
        std::vector<Answer> out;
        QString lead;
        QString *into = &lead; // the text being read; none past the answers kept
        count = 0;
        for (qsizetype i = 0; i < part.size(); ++i) {
            const QChar c = part.at(i);
            if (c == u'\\' && i + 1 < part.size()) {
                if (into)
                    *into += QStringView(part).mid(i, 2);
                ++i;
            } else if (c == u'=' || c == u'~') {
                into = nullptr;
                if (++count <= MaxItemOptions + 1) {
                    out.push_back({c, 0, {}, {}, {}, {}});
                    into = &out.back().text;
                }
            } else if (into) {
                *into += c;
            }
        }
        // Text before the first mark is an answer of its own, as other readers
        // take it: a right one ("{Москва}") unless the others are choices.
        if (!lead.trimmed().isEmpty()) {
            const bool choice = std::any_of(out.begin(), out.end(), [](const Answer &a) { return a.mark == u'~'; });
            if (++count <= MaxItemOptions + 1)
                out.insert(out.begin(), Answer{choice ? u'~' : u'=', 0, lead, {}, {}, {}});
        }
        if (out.empty())
            fail(line, QStringLiteral("в скобках нет ни одного ответа"));
        static const QRegularExpression weight(QStringLiteral("^\\s*%(-?\\d+(?:[.,]\\d+)?)%"));
        for (Answer &a : out) {
            if (const qsizetype hash = findUnescaped(a.text, u"#"); hash >= 0) {
                a.feedback = unescaped(a.text.mid(hash + 1)).trimmed();
                a.text = a.text.left(hash);
            }
            a.unweighted = a.text;
            if (const auto m = weight.match(a.text); m.hasMatch()) {
                a.weight = m.captured(1).replace(u',', u'.').toDouble();
                a.text = a.text.mid(m.capturedLength());
            } else {
                a.weight = a.mark == u'=' ? 100 : 0;
            }
            a.text = withoutFormat(a.text, a.html);
        }
        return out;
    }

    static QString withoutFormat(const QString &text, std::optional<bool> &html)
    {
        const auto m = formatMark().match(text);
        if (!m.hasMatch())
            return text;
        html = m.captured(1) == u"html";
        return text.mid(m.capturedLength());
    }

    template <class Shown> void fillChoice(const std::vector<Answer> &answers, Item &item, Shown shown)
    {
        // With "=" one answer is chosen: only full marks make an option right.
        // Without it any positive share does, as several are ticked.
        const bool single = std::any_of(answers.begin(), answers.end(), [](const Answer &a) { return a.mark == u'='; });
        bool partial = false;
        item.type = ItemType::Ticks;
        for (const Answer &a : answers) {
            const bool right = single ? a.weight >= 100 : a.weight > 0;
            partial = partial || (single && a.weight > 0 && a.weight < 100);
            item.options.push_back({shown(a.text, a.html), QString(), right});
        }
        if (partial)
            note(QStringLiteral("частично верные ответы записаны неверными"));
        if (std::none_of(item.options.begin(), item.options.end(), [](const ItemOption &o) { return o.right; })) {
            item.options.clear();
            skip(QStringLiteral("нет ни одного верного ответа"));
        }
    }

    void fillTyped(const std::vector<Answer> &answers, Item &item)
    {
        item.type = ItemType::Typed;
        TypedAnswers seen;
        for (const Answer &a : answers)
            addTypedAnswer(item, oneLine(unescaped(a.text)), a.weight, seen);
        const TypedAnswerNotes said = typedAnswerNotes(item, seen);
        if (!said.skip.isEmpty())
            return skip(said.skip);
        if (!said.note.isEmpty())
            note(said.note);
    }

    // Pairs carry no weight: a leading "%50%" is part of the left-hand item,
    // which may name its format; the right-hand one is plain text.
    template <class Shown> void fillMatching(const std::vector<Answer> &answers, Item &item, int line, Shown shown)
    {
        item.type = ItemType::Matching;
        int extra = 0;
        for (const Answer &a : answers) {
            const qsizetype arrow = findUnescaped(a.unweighted, u"->");
            if (arrow < 0)
                fail(line, QStringLiteral("в вопросе на соответствие каждый ответ пишется как =левое -> правое"));
            std::optional<bool> html;
            const QString left = withoutFormat(a.unweighted.left(arrow), html);
            addMatchingPair(item, shown(left, html), oneLine(unescaped(a.unweighted.mid(arrow + 2))), extra);
        }
        if (extra > 0)
            note(unpairedNote(extra));
        if (item.options.empty())
            skip(QStringLiteral("нет ни одной пары"));
    }

    Reading &m_r;
    int m_number = 0, m_entries = 0;
    QString m_text;
};

} // namespace

Reading readGift(const QByteArray &bytes, const QString &fallbackName)
{
    requireQuestionFileSize(bytes.size());
    Reading r;
    GiftReader(r).read(decodeQuestionFile(bytes));
    if (r.topic.name.isEmpty())
        r.topic.name = fallbackName;
    requireQuestions(r);
    return r;
}

QByteArray writeGift(const Topic &topic, QStringList &notes)
{
    QString out = QStringLiteral("// Тема «%1». Баллы вопроса записаны в строке \"// Баллы: N\" перед ним.\n")
                      .arg(oneLine(topic.name));
    out += QStringLiteral("$CATEGORY: %1\n\n").arg(categoryOfTopic(topic.name));
    int n = 0;
    for (const Item &item : topic.items) {
        ++n;
        const QString number = item.number.isEmpty() ? QString::number(n) : item.number;
        if (const QString why = whyNotWritten(InterFormat::Gift, item); !why.isEmpty()) {
            notes << noteAbout(number, item.text, why + QStringLiteral(", вопрос не записан"));
            continue;
        }
        QString q =
            QStringLiteral("// Баллы: %1\n").arg(item.points) + questionTextOut(item.text) + QStringLiteral(" {");
        switch (item.type) {
        case ItemType::Typed:
            q += u'=' + typedAnswerGift(item.options.empty() ? QString() : item.options[0].text) + u'}';
            break;
        case ItemType::Ticks: {
            const auto k = std::count_if(item.options.begin(), item.options.end(), [](auto &o) { return o.right; });
            for (const ItemOption &o : item.options)
                q += QStringLiteral("\n\t~%") + (o.right ? rightShare(int(k)) : QStringLiteral("-100")) +
                     QStringLiteral("%") + answerOut(o.text, false);
            q += QStringLiteral("\n}");
            break;
        }
        case ItemType::Matching:
            for (const ItemOption &o : item.options)
                q += QStringLiteral("\n\t=") + answerOut(o.text, true) + QStringLiteral(" -> ") + escaped(o.pair);
            q += QStringLiteral("\n}");
            break;
        case ItemType::Ranking:
            break;
        }
        out += q + QStringLiteral("\n\n");
    }
    return out.toUtf8();
}
