// The neutral topic of the interchange formats and its mapping to and from
// the bank's records.
#include "decoder.h"
#include "editortables.h"
#include "errors.h"
#include "interchangekit.h"
#include "numbers.h"
#include "text.h"
#include "textimport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <cmath>

// ---- helpers of the readers and writers ----

QString decodeQuestionFile(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(view);
    return utf8.hasError() ? fromCp1251(view.data(), view.size()) : text;
}

namespace
{

// A text as a note shows it: on one line, its first 40 characters.
QString shownInNote(const QString &text)
{
    const QString line = oneLine(text.left(4096));
    return line.size() > 40 ? line.left(40) + QStringLiteral("…") : line;
}

} // namespace

QString noteAbout(const QString &number, const QString &text, const QString &what)
{
    return QStringLiteral("вопрос %1 «%2»: %3").arg(number, shownInNote(text), what);
}

void requireQuestionFileSize(qint64 size)
{
    if (size > MaxQuestionFileSize)
        throw TrivoError(QStringLiteral("Файл вопросов занимает %1 МБ, а читается файл не больше %2 МБ")
                             .arg((size + 1024 * 1024 - 1) / (1024 * 1024))
                             .arg(MaxQuestionFileSize / (1024 * 1024)));
}

void countEntry(int &entries, const QString &format, qint64 line)
{
    if (++entries > MaxFileEntries)
        throw TrivoError(
            QStringLiteral("Файл %1, строка %2: в файле больше %3 вопросов и категорий, в одну тему столько не войдёт")
                .arg(format)
                .arg(line)
                .arg(MaxFileEntries));
}

qsizetype optionRowsOf(const Item &item)
{
    const auto n = qsizetype(item.options.size());
    return item.type == ItemType::Matching ? 2 * n : n;
}

QString tooManyOptions(qsizetype rows)
{
    return QStringLiteral("вариантов ответа %1, а главное окно показывает не больше %2").arg(rows).arg(MaxItemOptions);
}

QString oneLine(const QString &text)
{
    return text.simplified();
}

QString plainOfHtml(const QString &html)
{
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br|/p|/div|/li|/h\\d)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression entities(QStringLiteral("&(#\\d+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    QString s = html;
    s.replace(breaks, QStringLiteral(" "));
    s.remove(tags);
    QString out;
    qsizetype from = 0;
    for (auto it = entities.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(s).mid(from, m.capturedStart() - from);
        const QString name = m.captured(1);
        QString ch;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint code = name.at(1).toLower() == u'x' ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok);
            if (ok && code > 0 && code < 0x110000)
                ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        } else {
            static const QHash<QString, QString> named{
                {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
                {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
                {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QStringLiteral(" ")},
                {QStringLiteral("laquo"), QStringLiteral("«")}, {QStringLiteral("raquo"), QStringLiteral("»")},
                {QStringLiteral("mdash"), QStringLiteral("—")}, {QStringLiteral("ndash"), QStringLiteral("–")},
            };
            ch = named.value(name, m.captured(0));
        }
        out += ch;
        from = m.capturedEnd();
    }
    out += QStringView(s).mid(from);
    return oneLine(out);
}

bool htmlHasPicture(const QString &html)
{
    static const QRegularExpression embedded(QStringLiteral("<\\s*(img|object|embed|video|audio)\\b|@@PLUGINFILE@@"),
                                             QRegularExpression::CaseInsensitiveOption);
    return embedded.match(html).hasMatch();
}

int pointsOfGrade(const QString &grade, int number, const QString &text, QStringList &notes)
{
    if (grade.trimmed().isEmpty())
        return 1;
    bool ok = false;
    const double g = grade.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(g)) {
        notes << noteAbout(number, text, QStringLiteral("баллы «%1» не число, поставлен 1 балл").arg(grade.trimmed()));
        return 1;
    }
    const int points = int(std::clamp(std::lround(g), 0L, 99L));
    if (double(points) != g)
        notes << noteAbout(
            number, text,
            QStringLiteral("баллы %1 записаны как %2 (только целые от 0 до 99)").arg(grade.trimmed()).arg(points));
    return points;
}

void requireQuestions(const Reading &reading)
{
    if (reading.topic.items.empty())
        throw TrivoError(QStringLiteral("В файле нет ни одного вопроса, который можно перенести"));
}

QString topicNameOfCategory(const QString &path)
{
    // Parts are divided by single slashes; "//" is a slash inside a name.
    QStringList parts{QString()};
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) != u'/') {
            parts.last() += path.at(i);
        } else if (i + 1 < path.size() && path.at(i + 1) == u'/') {
            parts.last() += u'/';
            ++i;
        } else {
            parts << QString();
        }
    }
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        const QString p = parts.at(i).trimmed();
        if (!p.isEmpty() && !p.startsWith(u'$') && p != u"top")
            return p;
    }
    return {};
}

void takeCategory(Reading &reading, const QString &path)
{
    const QString name = topicNameOfCategory(path);
    if (name.isEmpty())
        return;
    if (reading.topic.name.isEmpty())
        reading.topic.name = name;
    else if (name != reading.topic.name)
        reading.notes << QStringLiteral("категория «%1» слита с темой «%2»")
                             .arg(shownInNote(name), shownInNote(reading.topic.name));
}

QString categoryOfTopic(const QString &name)
{
    QString n = oneLine(name);
    n.replace(u'/', QStringLiteral("//"));
    return QStringLiteral("$course$/top/") + n;
}

void addMatchingPair(Item &item, const QString &left, const QString &right, int &unpaired)
{
    if (left.isEmpty())
        ++unpaired;
    else
        item.options.push_back({left, right, false});
}

QString unpairedNote(int unpaired)
{
    return unpaired > 0 ? QStringLiteral("лишние правые элементы без пары (%1) не переносятся").arg(unpaired)
                        : QString();
}

void addTypedAnswer(Item &item, const QString &text, double grade, int &leftOut)
{
    if (grade >= 100 && item.options.empty())
        item.options.push_back({text, QString(), true});
    else
        ++leftOut;
}

TypedAnswerNotes typedAnswerNotes(const Item &item, int leftOut)
{
    if (item.options.empty())
        return {QStringLiteral("нет ответа с полной оценкой"), {}};
    if (leftOut > 0)
        return {{}, QStringLiteral("принимается только первый верный ответ, ещё %1 не перенесены").arg(leftOut)};
    return {};
}

QString rightShare(int k)
{
    // The percentages the other system accepts for equal shares of 1 to 10 options.
    static const char *const shares[] = {"100",      "50",       "33.33333", "25",       "20",
                                         "16.66667", "14.28571", "12.5",     "11.11111", "10"};
    if (k >= 1 && k <= 10)
        return QString::fromLatin1(shares[k - 1]);
    return QString::number(100.0 / std::max(k, 1), 'f', 5);
}

QString whyNotWritten(InterFormat format, const Item &item)
{
    if (format == InterFormat::Gift && item.type == ItemType::Ranking)
        return QStringLiteral("в GIFT нет ранжирования");
    const size_t n = item.options.size();
    switch (item.type) {
    case ItemType::Typed:
        return n >= 1 && !item.options[0].text.isEmpty() ? QString() : QStringLiteral("нет ожидаемого ответа");
    case ItemType::Ticks:
        if (std::count_if(item.options.begin(), item.options.end(), [](const ItemOption &o) { return o.right; }) > 10)
            return QStringLiteral("верных вариантов больше десяти, такие доли оценки там не принимают");
        return n >= 2 ? QString() : QStringLiteral("вариантов меньше двух");
    case ItemType::Matching:
        return n >= 3 ? QString() : QStringLiteral("пар меньше трёх, а меньше там не принимают");
    case ItemType::Ranking:
        break;
    }
    return n >= 2 ? QString() : QStringLiteral("вариантов меньше двух");
}

// ---- formats ----

std::optional<InterFormat> interFormatNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == u"gift")
        return InterFormat::Gift;
    if (n == u"aiken")
        return InterFormat::Aiken;
    if (n == u"xml")
        return InterFormat::MoodleXml;
    return std::nullopt;
}

InterFormat guessInterFormat(const QString &path, const QByteArray &bytes)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"xml")
        return InterFormat::MoodleXml;
    if (ext == u"gift")
        return InterFormat::Gift;
    const QString text = decodeQuestionFile(bytes.left(64 * 1024));
    if (text.trimmed().startsWith(QStringLiteral("<?xml")) || text.trimmed().startsWith(QStringLiteral("<quiz")))
        return InterFormat::MoodleXml;
    static const QRegularExpression aikenAnswer(QStringLiteral("^\\s*ANSWER\\s*:\\s*[A-Z]\\s*$"),
                                                QRegularExpression::MultilineOption);
    static const QRegularExpression giftBraces(QStringLiteral("[^\\\\]\\{"));
    if (aikenAnswer.match(text).hasMatch() && !giftBraces.match(text).hasMatch())
        return InterFormat::Aiken;
    return InterFormat::Gift;
}

Reading readInterchange(InterFormat format, const QByteArray &bytes, const QString &fallbackName)
{
    switch (format) {
    case InterFormat::Gift:
        return readGift(bytes, fallbackName);
    case InterFormat::Aiken:
        return readAiken(bytes, fallbackName);
    case InterFormat::MoodleXml:
        break;
    }
    return readMoodleXml(bytes, fallbackName);
}

Reading readInterchangeFile(InterFormat format, const QString &path)
{
    QFile f(path);
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly))
        throw TrivoError(cannotReadText(path, f.errorString()));
    requireQuestionFileSize(f.size());
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw TrivoError(cannotReadText(path, f.errorString()));
    return readInterchange(format, bytes, QFileInfo(path).completeBaseName());
}

// ---- topic to records ----

namespace
{

// Field capacities of the records (characters).
constexpr int TopicNameCapacity = 120, QuestionCapacity = 210, OptionCapacity = 150, MaxQuestions = 999;

// The text as a field of `capacity` stores it, with a note when something is lost.
QString fitted(const QString &text, int capacity, const QString &number, const QString &questionText,
               const QString &what, QStringList &notes)
{
    QString t = text;
    if (t.size() > capacity) {
        notes << noteAbout(number, questionText, QStringLiteral("%1 обрезан до %2 знаков").arg(what).arg(capacity));
        t = t.left(capacity);
    }
    if (fromCp1251(toCp1251(t)) != t)
        notes << noteAbout(number, questionText,
                           QStringLiteral("%1: знаки вне кодировки windows-1251 заменены на «?»").arg(what));
    return t;
}

// One place round: the item of right place 2 comes first, the first one last.
template <class T> std::vector<T> turnedOnce(std::vector<T> v)
{
    if (v.size() >= 2)
        std::rotate(v.begin(), v.begin() + 1, v.end());
    return v;
}

QString tickLabel(int n)
{
    const QString letter = wLedOptionLetter(n);
    return letter.isEmpty() ? QString::number(n) : letter;
}

} // namespace

TopicRecords recordsOfTopic(const Topic &topic, const QString &predm, const QString &tema, QStringList &notes)
{
    if (topic.items.size() > size_t(MaxQuestions))
        throw TrivoError(QStringLiteral("В теме не может быть больше %1 вопросов, а в файле их %2")
                             .arg(MaxQuestions)
                             .arg(topic.items.size()));
    TopicRecords r;
    QString name = oneLine(topic.name);
    if (name.size() > TopicNameCapacity) {
        notes << QStringLiteral("название темы обрезано до %1 знаков").arg(TopicNameCapacity);
        name = name.left(TopicNameCapacity);
    }
    r.tema = {predm, tema, name};
    const QString section = QStringLiteral("1");
    int n = 0;
    for (const Item &item : topic.items) {
        const QString wopr = QString::number(++n);
        const QString text =
            fitted(item.text, QuestionCapacity, wopr, item.text, QStringLiteral("текст вопроса"), notes);
        r.questions.push_back(
            {predm, tema, section, wopr, text, QString(), QString::number(std::clamp(item.points, 0, 99)), QString()});
        auto option = [&](const QString &label, const QString &code, const QString &optionText) {
            r.options.push_back({predm, tema, section, wopr, label, code,
                                 fitted(optionText, OptionCapacity, wopr, item.text, QStringLiteral("ответ"), notes)});
        };
        switch (item.type) {
        case ItemType::Typed:
            option(QStringLiteral("1"), QStringLiteral("Ф"), item.options.empty() ? QString() : item.options[0].text);
            break;
        case ItemType::Ticks:
            for (size_t i = 0; i < item.options.size(); ++i)
                option(tickLabel(int(i) + 1), item.options[i].right ? QStringLiteral("+") : QString(),
                       item.options[i].text);
            break;
        case ItemType::Matching: {
            std::vector<int> places;
            for (size_t i = 0; i < item.options.size(); ++i) {
                option(QString::number(i + 1), QStringLiteral("-"), item.options[i].text);
                places.push_back(int(i));
            }
            for (int i : turnedOnce(places))
                option(QString::number(i + 1), QStringLiteral("+"), item.options[size_t(i)].pair);
            break;
        }
        case ItemType::Ranking: {
            std::vector<int> places;
            for (size_t i = 0; i < item.options.size(); ++i)
                places.push_back(int(i));
            for (int i : turnedOnce(places))
                option(QString::number(i + 1), QStringLiteral("1"), item.options[size_t(i)].text);
            break;
        }
        }
    }
    return r;
}

// ---- records to topic ----

namespace
{

// The question text without an explanation reference "File#name#"; the name
// is handed back in `explanation`.
QString withoutExplanation(const QString &text, QString &explanation)
{
    const qsizetype at = text.indexOf(QStringLiteral("File#"));
    if (at < 0)
        return text;
    const qsizetype end = text.indexOf(u'#', at + 5);
    explanation = text.mid(at + 5, end < 0 ? -1 : end - at - 5);
    return text.left(at) + (end < 0 ? QString() : text.mid(end + 1));
}

std::optional<Item> itemOf(const WoprosRec &q, const std::vector<const OtwetRec *> &opts, QStringList &notes)
{
    const QString number = trimmed(q.Wopr);
    Item item;
    item.number = number;
    QString explanation;
    item.text = oneLine(withoutExplanation(q.Nazwan, explanation));
    auto note = [&](const QString &what) { notes << noteAbout(number, item.text, what); };
    if (!explanation.isEmpty())
        note(QStringLiteral("файл пояснения %1 не переносится").arg(explanation));
    qint64 points = 0;
    if (parseInt(q.Ball, points) && points >= 0) {
        item.points = int(points);
    } else {
        note(QStringLiteral("баллы «%1» не число, записан 1 балл").arg(trimmed(q.Ball)));
        item.points = 1;
    }
    if (trimmed(q.Test) != u"1")
        note(QStringLiteral("раздел %1 не переносится").arg(trimmed(q.Test)));

    QStringList codes;
    for (const OtwetRec *o : opts)
        codes << o->Kod_P;
    const AnswerType type = opts.empty() ? AnswerType::Ticks : answerTypeOf(codes);
    auto skip = [&](const QString &why) {
        note(why + QStringLiteral(", вопрос не перенесён"));
        return std::nullopt;
    };
    switch (type) {
    case AnswerType::Classification:
        return skip(QStringLiteral("тип «Проставить номера» нигде больше не встречается"));
    case AnswerType::Exact:
        item.type = ItemType::Typed;
        item.options.push_back({trimmed(opts.front()->Nazwan), QString(), true});
        if (opts.size() > 1)
            note(QStringLiteral("ожидается только первый ответ, ещё %1 не переносятся").arg(opts.size() - 1));
        return item;
    case AnswerType::Matching: {
        item.type = ItemType::Matching;
        QSet<const OtwetRec *> used;
        for (const OtwetRec *left : opts) {
            if (trimmed(left->Kod_P) != u"-")
                continue;
            const OtwetRec *found = nullptr;
            int same = 0;
            for (const OtwetRec *right : opts)
                if (trimmed(right->Kod_P) == u"+" && sameCode(right->Otwe, left->Otwe)) {
                    found = right;
                    ++same;
                }
            if (same != 1 || used.contains(found))
                return skip(QStringLiteral("у левого элемента «%1» нет своей пары").arg(trimmed(left->Otwe)));
            used.insert(found);
            item.options.push_back({trimmed(left->Nazwan), trimmed(found->Nazwan), false});
        }
        return item;
    }
    case AnswerType::Ranking: {
        item.type = ItemType::Ranking;
        std::vector<const OtwetRec *> byPlace(opts.size(), nullptr);
        for (const OtwetRec *o : opts) {
            qint64 place = 0;
            const QString label = trimmed(o->Otwe.left(2));
            if (!parseInt(label, place) || place < 1 || place > qint64(opts.size()) || byPlace[size_t(place - 1)])
                return skip(QStringLiteral("места ранжирования пропущены или повторяются"));
            byPlace[size_t(place - 1)] = o;
        }
        for (const OtwetRec *o : byPlace)
            item.options.push_back({trimmed(o->Nazwan), QString(), false});
        return item;
    }
    case AnswerType::Ticks:
        break;
    }
    item.type = ItemType::Ticks;
    int neutral = 0;
    for (const OtwetRec *o : opts) {
        const QString code = trimmed(o->Kod_P);
        neutral += !code.isEmpty() && code != u"+";
        item.options.push_back({trimmed(o->Nazwan), QString(), code == u"+"});
    }
    if (neutral > 0)
        note(QStringLiteral("вариантов, которые не засчитываются ни верными, ни неверными: %1; они записаны неверными")
                 .arg(neutral));
    if (opts.empty())
        return skip(QStringLiteral("нет вариантов ответа"));
    if (std::none_of(item.options.begin(), item.options.end(), [](const ItemOption &o) { return o.right; }))
        return skip(QStringLiteral("нет ни одного верного варианта"));
    return item;
}

} // namespace

Topic topicOfRecords(const TopicRecords &records, QStringList &notes, const QString &fotoFolder)
{
    Topic topic;
    topic.name = trimmed(records.tema.Nazwan);
    if (topic.name.isEmpty())
        topic.name = QStringLiteral("Тема ") + trimmed(records.tema.Tema);
    for (const WoprosRec &q : records.questions) {
        std::vector<const OtwetRec *> opts;
        for (const OtwetRec &o : records.options)
            if (sameCode(o.Predm, q.Predm) && sameCode(o.Tema, q.Tema) && sameCode(o.Test, q.Test) &&
                sameCode(o.Wopr, q.Wopr))
                opts.push_back(&o);
        const QString key = questionKey(q.Predm, q.Tema, q.Test, q.Wopr);
        if (!fotoFolder.isEmpty() && QFileInfo::exists(QDir(fotoFolder).filePath(key + QStringLiteral(".gif"))))
            notes << noteAbout(trimmed(q.Wopr), oneLine(q.Nazwan),
                               QStringLiteral("рисунок %1.gif не переносится").arg(key));
        if (auto item = itemOf(q, opts, notes))
            topic.items.push_back(std::move(*item));
    }
    return topic;
}

// ---- the bank ----

TopicRecords readBankTopic(const BankFiles &bank, const QString &topicCode)
{
    TopicRecords r;
    bool found = false;
    if (bank.tema.exists())
        for (const TemaRec &t : bank.tema.readAll<TemaRec>())
            if (sameCode(t.Tema, topicCode)) {
                r.tema = t;
                found = true;
                break;
            }
    if (!found)
        throw TrivoError(QStringLiteral("В банке %1 нет темы с кодом «%2»").arg(bank.folder, trimmed(topicCode)));
    auto ours = [&r](const auto &rec) { return sameCode(rec.Predm, r.tema.Predm) && sameCode(rec.Tema, r.tema.Tema); };
    if (bank.wopros.exists())
        for (const WoprosRec &q : bank.wopros.readAll<WoprosRec>())
            if (ours(q))
                r.questions.push_back(q);
    if (bank.otwet.exists())
        for (const OtwetRec &o : bank.otwet.readAll<OtwetRec>())
            if (ours(o))
                r.options.push_back(o);
    return r;
}

QString nextTopicCode(const std::vector<TemaRec> &topics)
{
    if (topics.empty())
        return QStringLiteral("1");
    QSet<QString> taken;
    for (const TemaRec &t : topics)
        taken.insert(trimmed(t.Tema));
    // The code after the last topic, as the decoder gives it; a code that some
    // other topic has already would merge the new questions into that topic.
    int code = 0;
    try {
        code = NomerIz(topics.back().Tema) + 1;
    } catch (const TrivoError &) {
        throw TrivoError(QStringLiteral("Код последней темы «%1» не число: после него новой теме нет кода")
                             .arg(trimmed(topics.back().Tema)));
    }
    while (taken.contains(QString::number(code)))
        ++code;
    if (code < 1 || code > 999)
        throw TrivoError(QStringLiteral("Не осталось свободного кода темы"));
    return QString::number(code);
}

AddedTopic addTopicToBank(const QString &folder, const Topic &topic, QStringList &notes)
{
    if (!QFileInfo(folder).isDir())
        throw TrivoError(QStringLiteral("Нет папки банка %1").arg(folder));
    const BankFiles bank(QFileInfo(folder).absoluteFilePath());
    const std::vector<TemaRec> topics = bank.tema.exists() ? bank.tema.readAll<TemaRec>() : std::vector<TemaRec>{};
    QString predm;
    if (!topics.empty())
        predm = topics.back().Predm;
    else if (bank.predmet.exists() && bank.predmet.count() > 0)
        predm = bank.predmet.readAll<PredmetRec>().front().Predm;
    if (trimmed(predm).isEmpty())
        predm = QStringLiteral("1");
    const QString code = nextTopicCode(topics);
    const TopicRecords recs = recordsOfTopic(topic, predm, code, notes);

    // The four files change together or not at all: a retry after a failure
    // meets the bank as it was and gives the same topic code.
    auto withRecords = [](const RecordFile &file, const auto &recs) {
        QByteArray bytes = file.exists() ? file.readRecords() : QByteArray();
        for (const auto &r : recs)
            bytes += r.encode();
        return std::pair{file.path(), bytes};
    };
    // The exam row counts the questions the topic really has, so that the
    // exam never draws more than there are. A missing Exam.dat is built from
    // the topics first, as opening the bank would build it.
    const int count = int(recs.questions.size());
    std::vector<ExamRec> exam;
    if (!bank.exam.exists())
        for (const TemaRec &t : topics)
            exam.push_back({t.Predm, t.Tema, t.Nazwan, QStringLiteral("5"), QStringLiteral("1")});
    exam.push_back({predm, code, recs.tema.Nazwan, QString::number(count), QString::number(std::min(count, 1))});
    std::vector<std::pair<QString, QByteArray>> files{
        withRecords(bank.otwet, recs.options), withRecords(bank.wopros, recs.questions),
        withRecords(bank.tema, std::vector<TemaRec>{recs.tema}), withRecords(bank.exam, exam)};
    if (!bank.predmet.exists())
        files.push_back({bank.predmet.path(), {}});
    replaceFiles(files);
    return {predm, code, count, int(recs.options.size())};
}

// ---- the editor's tables ----

QString addTopicToTables(const Topic &topic, StringTable &temaTabl, StringTable &wopTabl, StringTable &otwTabl,
                         QStringList &notes)
{
    const bool append = decoderAppends(temaTabl, wopTabl, otwTabl);
    const int last = temaTabl.rowCount() - 1;
    std::vector<TemaRec> topics;
    for (int r = 1; r <= last; ++r)
        topics.push_back({temaTabl.cell(0, r), temaTabl.cell(1, r), temaTabl.cell(2, r)});
    QString predm = last >= 1 ? topics.back().Predm : QString();
    if (trimmed(predm).isEmpty())
        predm = QStringLiteral("1");
    // In place of an empty bank's rows the new rows take the codes of its topic row.
    QString code = QStringLiteral("1");
    if (append)
        code = nextTopicCode(topics);
    else if (last >= 1 && !trimmed(topics.front().Tema).isEmpty())
        code = topics.front().Tema;
    const TopicRecords recs = recordsOfTopic(topic, predm, code, notes);

    auto add = [append](StringTable &t, const std::vector<QStringList> &rows) {
        if (!append) {
            t.setDataRows(rows);
            return;
        }
        t.beginUpdate();
        const int first = t.rowCount();
        t.setRowCount(first + int(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i)
            t.setRow(first + int(i), rows[i]);
        t.endUpdate();
    };
    std::vector<QStringList> rows;
    for (const WoprosRec &q : recs.questions)
        rows.push_back(rowOf(q));
    add(wopTabl, rows);
    rows.clear();
    for (const OtwetRec &o : recs.options)
        rows.push_back(rowOf(o));
    add(otwTabl, rows);
    if (append || last < 1)
        add(temaTabl, {rowOf(recs.tema)});
    else
        temaTabl.setCell(2, 1, recs.tema.Nazwan);
    return code;
}
