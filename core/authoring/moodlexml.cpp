// Moodle XML question files: a <quiz> of <question type="..."> elements; a
// question of type "category" names the category of those that follow.
#include "errors.h"
#include "interchangekit.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <map>

namespace
{

// Nesting deeper than this is refused: a question file is a few levels deep.
constexpr int MaxXmlDepth = 64;
// Elements kept of one question; a real one has a few hundred at most.
constexpr int MaxQuestionElements = 2000;

// An element with the attributes we read, its own character data and its children.
struct Node {
    QString name;
    QXmlStreamAttributes attrs;
    QString data;
    std::vector<Node> kids;
    bool cut = false; // of a question: it had more elements than were kept

    const Node *child(QStringView n) const
    {
        for (const Node &k : kids)
            if (k.name == n)
                return &k;
        return nullptr;
    }
    std::vector<const Node *> children(QStringView n) const
    {
        std::vector<const Node *> out;
        for (const Node &k : kids)
            if (k.name == n)
                out.push_back(&k);
        return out;
    }
    QString attr(const QString &n) const { return attrs.value(n).toString(); }
    // The raw text of a child element <n><text>...</text></n>, or of <n> itself when it has no <text>.
    QString textOf(QStringView n) const
    {
        const Node *c = child(n);
        if (!c)
            return {};
        const Node *t = c->child(u"text");
        return t ? t->data : c->data;
    }
};

[[noreturn]] void tooDeep(const QXmlStreamReader &x)
{
    throw TrivoError(
        QStringLiteral("Файл XML, строка %1: элементы вложены глубже %2 уровней").arg(x.lineNumber()).arg(MaxXmlDepth));
}

// Reads one element of <quiz> with everything inside it, as deep as a
// question file goes and as many elements as a question may have.
class ElementReader
{
public:
    explicit ElementReader(QXmlStreamReader &x) : m_x(x) {}

    // The element the reader stands on; `depth` counts <quiz> as 1.
    Node read(int depth)
    {
        Node n = element(depth);
        n.cut = m_kept > MaxQuestionElements;
        return n;
    }

private:
    Node element(int depth)
    {
        if (depth > MaxXmlDepth)
            tooDeep(m_x);
        ++m_kept;
        Node n{m_x.name().toString(), wantedAttributes(), {}, {}};
        while (m_x.readNext() != QXmlStreamReader::Invalid) {
            if (m_x.isStartElement()) {
                if (m_kept < MaxQuestionElements)
                    n.kids.push_back(element(depth + 1));
                else
                    readPast(depth + 1);
            } else if (m_x.isCharacters()) {
                n.data += m_x.text();
            } else if (m_x.isEndElement()) {
                break;
            }
        }
        return n;
    }

    // Reads through the element the reader stands on, keeping nothing.
    void readPast(int depth)
    {
        m_kept = MaxQuestionElements + 1;
        for (int level = depth; level >= depth && m_x.readNext() != QXmlStreamReader::Invalid;) {
            if (m_x.isStartElement() && ++level > MaxXmlDepth)
                tooDeep(m_x);
            else if (m_x.isEndElement())
                --level;
        }
    }

    QXmlStreamAttributes wantedAttributes() const
    {
        QXmlStreamAttributes kept;
        for (const QXmlStreamAttribute &a : m_x.attributes())
            if (a.name() == u"type" || a.name() == u"format" || a.name() == u"fraction")
                kept.append(a);
        return kept;
    }

    QXmlStreamReader &m_x;
    int m_kept = 0;
};

// The shown text of an element holding <text>: HTML turned into plain text.
QString shownText(const Node *holder)
{
    if (!holder)
        return {};
    const Node *t = holder->child(u"text");
    const QString raw = t ? t->data : holder->data;
    return holder->attr(QStringLiteral("format")) == u"html" ? plainOfHtml(raw) : oneLine(raw);
}

bool hasPicture(const Node *holder)
{
    if (!holder)
        return false;
    const Node *t = holder->child(u"text");
    return holder->child(u"file") || htmlHasPicture(t ? t->data : holder->data);
}

class XmlReader
{
public:
    explicit XmlReader(Reading &r) : m_r(r) {}

    void question(const Node &q)
    {
        const QString type = q.attr(QStringLiteral("type"));
        if (type == u"category") {
            takeCategory(m_r, q.textOf(u"category"));
            return;
        }
        ++m_number;
        const Node *qt = q.child(u"questiontext");
        Item item;
        item.text = shownText(qt);
        item.number = QString::number(m_number);
        m_text = item.text;
        if (q.cut) {
            skip(QStringLiteral("в вопросе больше %1 элементов XML").arg(MaxQuestionElements));
            return;
        }
        if (hasPicture(qt))
            note(QStringLiteral("рисунки и файлы не переносятся"));
        if (!shownText(q.child(u"generalfeedback")).isEmpty())
            note(QStringLiteral("общий отзыв не переносится"));
        for (const char16_t *fb : {u"correctfeedback", u"partiallycorrectfeedback", u"incorrectfeedback"})
            if (!shownText(q.child(fb)).isEmpty()) {
                note(QStringLiteral("отзывы о верном и неверном ответе не переносятся"));
                break;
            }
        for (const Node *h : q.children(u"hint"))
            if (!shownText(h).isEmpty()) {
                note(QStringLiteral("подсказки не переносятся"));
                break;
            }
        if (const Node *tags = q.child(u"tags"); tags && !tags->kids.empty())
            note(QStringLiteral("метки не переносятся"));
        item.points = pointsOfGrade(q.textOf(u"defaultgrade"), m_number, m_text, m_r.notes);
        answerFeedback(q);

        bool ok = false;
        if (type == u"multichoice")
            ok = choice(q, item);
        else if (type == u"truefalse")
            ok = trueFalse(q, item);
        else if (type == u"shortanswer")
            ok = typed(q, item);
        else if (type == u"matching")
            ok = matching(q, item);
        else if (type == u"ordering")
            ok = ordering(q, item);
        else
            lacking(type);
        if (ok && optionRowsOf(item) > MaxItemOptions)
            ok = skip(tooManyOptions(optionRowsOf(item)));
        if (ok)
            m_r.topic.items.push_back(std::move(item));
    }

private:
    void note(const QString &what) { m_r.notes << noteAbout(m_number, m_text, what); }
    bool skip(const QString &what)
    {
        note(what + QStringLiteral(", вопрос не перенесён"));
        return false;
    }
    void lacking(const QString &type)
    {
        countLacking(m_r, type);
        skip(QStringLiteral("тип «%1» здесь не встречается").arg(type));
    }

    void answerFeedback(const Node &q)
    {
        std::vector<const Node *> answers = q.children(u"answer");
        for (const Node *s : q.children(u"subquestion"))
            answers.push_back(s);
        bool feedback = false, picture = false;
        for (const Node *a : answers) {
            feedback = feedback || !shownText(a->child(u"feedback")).isEmpty();
            picture = picture || hasPicture(a);
        }
        if (feedback)
            note(QStringLiteral("отзывы к ответам не переносятся"));
        if (picture)
            note(QStringLiteral("рисунки в ответах не переносятся"));
    }

    static double fraction(const Node *a) { return a->attr(QStringLiteral("fraction")).toDouble(); }

    bool choice(const Node &q, Item &item)
    {
        // A single-answer question: only full marks make an option right; with
        // several answers to tick any positive share does.
        const QString single = q.textOf(u"single").trimmed().toLower();
        const bool one = single == u"true" || single == u"1";
        item.type = ItemType::Ticks;
        bool partial = false;
        for (const Node *a : q.children(u"answer")) {
            const double f = fraction(a);
            partial = partial || (one && f > 0 && f < 100);
            item.options.push_back({shownText(a), QString(), one ? f >= 100 : f > 0});
        }
        if (partial)
            note(QStringLiteral("частично верные ответы записаны неверными"));
        if (item.options.empty())
            return skip(QStringLiteral("нет вариантов ответа"));
        if (std::none_of(item.options.begin(), item.options.end(), [](const ItemOption &o) { return o.right; }))
            return skip(QStringLiteral("нет ни одного верного ответа"));
        return true;
    }

    bool trueFalse(const Node &q, Item &item)
    {
        bool isTrue = false, known = false;
        for (const Node *a : q.children(u"answer"))
            if (fraction(a) >= 100) {
                isTrue = a->textOf(u"text").trimmed().toLower() == u"true" || oneLine(a->data).toLower() == u"true";
                known = true;
            }
        if (!known)
            return skip(QStringLiteral("не указано, верно утверждение или нет"));
        item.type = ItemType::Ticks;
        item.options = {{QStringLiteral("Верно"), QString(), isTrue}, {QStringLiteral("Неверно"), QString(), !isTrue}};
        return true;
    }

    bool typed(const Node &q, Item &item)
    {
        item.type = ItemType::Typed;
        if (q.textOf(u"usecase").trimmed() != u"1")
            note(QStringLiteral("там регистр букв в ответе не различался, здесь различается"));
        TypedAnswers seen;
        for (const Node *a : q.children(u"answer"))
            addTypedAnswer(item, shownText(a), fraction(a), seen);
        const TypedAnswerNotes said = typedAnswerNotes(item, seen);
        if (!said.skip.isEmpty())
            return skip(said.skip);
        if (!said.note.isEmpty())
            note(said.note);
        return true;
    }

    bool matching(const Node &q, Item &item)
    {
        item.type = ItemType::Matching;
        int extra = 0;
        for (const Node *s : q.children(u"subquestion")) {
            const Node *a = s->child(u"answer");
            addMatchingPair(item, shownText(s), a ? shownText(a) : QString(), extra);
        }
        if (extra > 0)
            note(unpairedNote(extra));
        if (item.options.empty())
            return skip(QStringLiteral("нет ни одной пары"));
        return true;
    }

    bool ordering(const Node &q, Item &item)
    {
        item.type = ItemType::Ranking;
        // The items come in their right order; a fraction, where every item has
        // its own, numbers that order.
        std::multimap<double, QString> byFraction;
        QStringList inOrder;
        for (const Node *a : q.children(u"answer")) {
            inOrder << shownText(a);
            byFraction.emplace(fraction(a), inOrder.last());
        }
        std::map<double, int> distinct;
        for (const auto &[f, t] : byFraction)
            ++distinct[f];
        if (distinct.size() == size_t(inOrder.size())) {
            inOrder.clear();
            for (const auto &[f, t] : byFraction)
                inOrder << t;
        }
        for (const QString &t : inOrder)
            item.options.push_back({t, QString(), false});
        const QString select = q.textOf(u"selecttype").trimmed();
        if (!select.isEmpty() && select != u"ALL")
            note(QStringLiteral("выбор части элементов не переносится: ранжируются все"));
        if (item.options.size() < 2)
            return skip(QStringLiteral("элементов меньше двух"));
        return true;
    }

    Reading &m_r;
    int m_number = 0;
    QString m_text;
};

// <element format="f"><text>text</text></element>
void writeTextElement(QXmlStreamWriter &w, const QString &element, const QString &text, const QString &format = {})
{
    w.writeStartElement(element);
    if (!format.isEmpty())
        w.writeAttribute(QStringLiteral("format"), format);
    w.writeTextElement(QStringLiteral("text"), text);
    w.writeEndElement();
}

void writeAnswer(QXmlStreamWriter &w, const QString &fraction, const QString &text, const QString &format)
{
    w.writeStartElement(QStringLiteral("answer"));
    w.writeAttribute(QStringLiteral("fraction"), fraction);
    w.writeAttribute(QStringLiteral("format"), format);
    w.writeTextElement(QStringLiteral("text"), text);
    w.writeEndElement();
}

const QString html = QStringLiteral("html");

void writeItem(QXmlStreamWriter &w, const Item &item, const QString &number)
{
    static const char *const types[] = {"shortanswer", "multichoice", "matching", "ordering"};
    w.writeStartElement(QStringLiteral("question"));
    w.writeAttribute(QStringLiteral("type"), QString::fromLatin1(types[int(item.type)]));
    const QString name = item.text.size() > 60 ? item.text.left(60) + QStringLiteral("…") : item.text;
    writeTextElement(w, QStringLiteral("name"), number + QStringLiteral(". ") + name);
    writeTextElement(w, QStringLiteral("questiontext"), item.text.toHtmlEscaped(), html);
    w.writeTextElement(QStringLiteral("defaultgrade"), QString::number(item.points));
    w.writeTextElement(QStringLiteral("hidden"), QStringLiteral("0"));
    switch (item.type) {
    case ItemType::Typed:
        // Our exact answers tell capitals from small letters, and a star is only a star.
        w.writeTextElement(QStringLiteral("usecase"), QStringLiteral("1"));
        writeAnswer(w, QStringLiteral("100"), typedAnswerOut(item.options.at(0).text),
                    QStringLiteral("moodle_auto_format"));
        break;
    case ItemType::Ticks: {
        const auto k = std::count_if(item.options.begin(), item.options.end(), [](auto &o) { return o.right; });
        w.writeTextElement(QStringLiteral("single"), QStringLiteral("false"));
        w.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("true"));
        w.writeTextElement(QStringLiteral("answernumbering"), QStringLiteral("abc"));
        for (const ItemOption &o : item.options)
            writeAnswer(w, o.right ? rightShare(int(k)) : QStringLiteral("-100"), o.text.toHtmlEscaped(), html);
        break;
    }
    case ItemType::Matching:
        w.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("true"));
        for (const ItemOption &o : item.options) {
            w.writeStartElement(QStringLiteral("subquestion"));
            w.writeAttribute(QStringLiteral("format"), html);
            w.writeTextElement(QStringLiteral("text"), o.text.toHtmlEscaped());
            writeTextElement(w, QStringLiteral("answer"), o.pair); // shown as plain text there
            w.writeEndElement();
        }
        break;
    case ItemType::Ranking:
        w.writeTextElement(QStringLiteral("layouttype"), QStringLiteral("VERTICAL"));
        w.writeTextElement(QStringLiteral("selecttype"), QStringLiteral("ALL"));
        w.writeTextElement(QStringLiteral("selectcount"), QStringLiteral("0"));
        // Each item in its own right place earns its share, as in our ranking.
        w.writeTextElement(QStringLiteral("gradingtype"), QStringLiteral("ABSOLUTE_POSITION"));
        w.writeTextElement(QStringLiteral("showgrading"), QStringLiteral("SHOW"));
        for (size_t i = 0; i < item.options.size(); ++i)
            writeAnswer(w, QString::number(i + 1), item.options[i].text.toHtmlEscaped(), html);
        break;
    }
    w.writeEndElement();
}

// Attributes of one element: a question file needs three at most. The XML
// reader checks them against each other in time that grows with their square,
// so a file of elements with thousands of attributes is refused before it is
// read rather than left to hold the window for minutes.
constexpr int MaxAttributes = 256;

void requireFewAttributes(const QByteArray &bytes)
{
    int line = 1, attributes = 0;
    char quote = 0;
    bool inTag = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        line += c == '\n';
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (!inTag) {
            // Comments, declarations and character data hold no attributes.
            if (c == '<' && i + 1 < bytes.size() && bytes[i + 1] != '!' && bytes[i + 1] != '?') {
                inTag = true;
                attributes = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '=') {
            if (++attributes > MaxAttributes)
                throw TrivoError(
                    QStringLiteral("Файл XML, строка %1: у элемента больше %2 атрибутов").arg(line).arg(MaxAttributes));
        } else if (c == '>') {
            inTag = false;
        }
    }
}

} // namespace

Reading readMoodleXml(const QByteArray &bytes, const QString &fallbackName)
{
    requireQuestionFileSize(bytes.size());
    requireFewAttributes(bytes);
    Reading r;
    XmlReader reader(r);
    QXmlStreamReader x(bytes);
    bool quiz = false;
    int entries = 0;
    while (!x.atEnd() && !x.hasError()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (!quiz) {
            if (x.name() != u"quiz")
                throw TrivoError(QStringLiteral("Файл XML, строка %1: ждали <quiz>, а стоит <%2>")
                                     .arg(x.lineNumber())
                                     .arg(x.name()));
            quiz = true;
            continue;
        }
        const qint64 line = x.lineNumber();
        const Node n = ElementReader(x).read(2);
        if (x.hasError())
            break;
        if (n.name == u"question") {
            countEntry(entries, QStringLiteral("XML"), line);
            reader.question(n);
        }
    }
    if (!quiz && x.error() == QXmlStreamReader::PrematureEndOfDocumentError)
        throw TrivoError(QStringLiteral("В файле XML нет элемента <quiz>"));
    if (x.hasError())
        throw TrivoError(
            QStringLiteral("Файл XML, строка %1: разметка нарушена (%2)").arg(x.lineNumber()).arg(x.errorString()));
    if (!quiz)
        throw TrivoError(QStringLiteral("В файле XML нет элемента <quiz>"));
    if (r.topic.name.isEmpty())
        r.topic.name = fallbackName;
    requireQuestions(r);
    return r;
}

QByteArray writeMoodleXml(const Topic &topic, QStringList &notes)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("quiz"));
    w.writeStartElement(QStringLiteral("question"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("category"));
    writeTextElement(w, QStringLiteral("category"), categoryOfTopic(topic.name));
    w.writeEndElement();
    int n = 0;
    for (const Item &item : topic.items) {
        ++n;
        const QString number = item.number.isEmpty() ? QString::number(n) : item.number;
        if (const QString why = whyNotWritten(InterFormat::MoodleXml, item); !why.isEmpty()) {
            notes << noteAbout(number, item.text, why + QStringLiteral(", вопрос не записан"));
            continue;
        }
        writeItem(w, item, number);
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}
