// Question files of other systems and our bank records: a neutral topic made
// into the records of a new topic, a bank topic made into a neutral one, and a
// topic added to the bank files or to the editor's tables.
#include "decoder.h"
#include "editortables.h"
#include "errors.h"
#include "interchangekit.h"
#include "numbers.h"
#include "text.h"
#include "textimport.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

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
