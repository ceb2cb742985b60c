// The bank checker reads a subject's files whole and follows every link
// between their records the way a run follows them: codes matched as trimmed
// text, a question's options in file order, its type from their role codes.
#include "bankcheck.h"
#include "bank.h"
#include "errors.h"
#include "installfolder.h"
#include "questionfiles.h"
#include "text.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>

namespace
{

const QString PredmetName = QStringLiteral("Predmet.dat");
const QString TemaName = QStringLiteral("Tema.dat");
const QString WoprosName = QStringLiteral("Wopros.dat");
const QString OtwetName = QStringLiteral("Otwet.dat");
const QString ExamName = QStringLiteral("Exam.dat");
const QString FotoName = QStringLiteral("Foto");

int fileRank(const QString &file)
{
    const QStringList order = {PredmetName, TemaName, WoprosName, OtwetName, ExamName, FotoName};
    return int(order.indexOf(file));
}

// A code as its author may have meant it: no blanks anywhere, no leading
// zeros. Codes that agree only in this form are still different codes.
QString looseCode(const QString &code)
{
    QString s;
    for (const QChar c : code)
        if (c.unicode() > 32)
            s += c;
    qsizetype zeros = 0;
    while (zeros + 1 < s.size() && s[zeros] == u'0')
        ++zeros;
    return s.mid(zeros);
}

QString joinedCodes(const QStringList &codes, QString (*each)(const QString &), QChar separator)
{
    QStringList t;
    for (const QString &c : codes)
        t << each(c);
    return t.join(separator);
}

QString shownKey(const QStringList &codes)
{
    return joinedCodes(codes, trimmed, u'_');
}

// Keys that records are matched by: the codes one by one, as a run matches them.
QString matchKey(const QStringList &codes)
{
    return joinedCodes(codes, trimmed, u'\x1f');
}

QString looseKey(const QStringList &codes)
{
    return joinedCodes(codes, looseCode, u'\x1f');
}

QString quotedList(const QStringList &texts)
{
    QStringList q;
    for (const QString &t : texts)
        q << QStringLiteral("«%1»").arg(t);
    return q.join(QStringLiteral(", "));
}

// Records by their codes: the first record (from 1) of every key, exactly
// and loosely.
class CodeIndex
{
public:
    void add(const QStringList &codes, int record)
    {
        if (!m_exact.contains(matchKey(codes)))
            m_exact.insert(matchKey(codes), record);
        if (!m_loose.contains(looseKey(codes)))
            m_loose.insert(looseKey(codes), record);
    }
    int find(const QStringList &codes) const { return m_exact.value(matchKey(codes)); }
    int findLoosely(const QStringList &codes) const { return m_loose.value(looseKey(codes)); }

private:
    QHash<QString, int> m_exact, m_loose;
};

struct Table {
    QString file;
    std::vector<QStringList> codes; // the codes of each record, in file order
    const char *one;                // "тема", ...
    const char *two;                // "две разные темы", ...
};

class Checker
{
public:
    explicit Checker(const QString &folder) : m_bank(folder), m_foto(QDir(folder).filePath(FotoName)) {}

    std::vector<BankFinding> run()
    {
        read();
        for (const RecordFile *f : {&m_bank.predmet, &m_bank.tema, &m_bank.wopros, &m_bank.otwet, &m_bank.exam})
            checkWhole(*f);
        indexCodes(m_sectionTable);
        m_topicIndex = indexCodes(m_topicTable);
        m_questionIndex = indexCodes(m_questionTable);
        indexCodes(m_examTable);

        checkTopics();
        checkOptions();
        checkQuestions();
        for (size_t i = 0; i < m_exam.size(); ++i)
            checkExamRow(int(i) + 1, m_exam[i]);
        checkFotoFolder();

        std::stable_sort(m_out.begin(), m_out.end(), [](const BankFinding &a, const BankFinding &b) {
            return std::pair(fileRank(a.file), a.record) < std::pair(fileRank(b.file), b.record);
        });
        return std::move(m_out);
    }

private:
    void read()
    {
        for (const PredmetRec &r : m_bank.predmet.readAll<PredmetRec>())
            m_sectionTable.codes.push_back({r.Predm, r.Test});
        m_topics = m_bank.tema.readAll<TemaRec>();
        for (const TemaRec &r : m_topics)
            m_topicTable.codes.push_back({r.Predm, r.Tema});
        m_questions = m_bank.wopros.readAll<WoprosRec>();
        for (const WoprosRec &r : m_questions) {
            m_questionTable.codes.push_back({r.Predm, r.Tema, r.Test, r.Wopr});
            ++m_perTopic[matchKey({r.Predm, r.Tema})];
        }
        m_options = m_bank.otwet.readAll<OtwetRec>();
        m_exam = m_bank.exam.readAll<ExamRec>();
        for (const ExamRec &r : m_exam)
            m_examTable.codes.push_back({r.Predm, r.Tema});
    }

    void checkTopics()
    {
        for (size_t i = 0; i < m_topics.size(); ++i)
            if (m_perTopic.value(matchKey(m_topicTable.codes[i])) == 0)
                add(TemaName, int(i) + 1, shownKey(m_topicTable.codes[i]),
                    QStringLiteral("в теме нет ни одного вопроса"));
    }

    // Options by question, in file order, and options that belong to none.
    void checkOptions()
    {
        for (size_t i = 0; i < m_options.size(); ++i) {
            const OtwetRec &o = m_options[i];
            const QStringList codes = {o.Predm, o.Tema, o.Test, o.Wopr};
            if (m_questionIndex.find(codes) == 0)
                add(OtwetName, int(i) + 1, shownKey(codes),
                    QStringLiteral("вариант ответа не относится ни к одному вопросу") +
                        nearHint(m_questionTable, m_questionIndex, codes));
            m_optionsOf[matchKey(codes)].push_back(&o);
        }
    }

    void checkQuestions()
    {
        for (size_t i = 0; i < m_questions.size(); ++i) {
            const WoprosRec &q = m_questions[i];
            const QStringList &codes = m_questionTable.codes[i];
            const QString key = shownKey(codes);
            const int record = int(i) + 1;
            if (m_topicIndex.find({q.Predm, q.Tema}) == 0)
                add(WoprosName, record, key,
                    QStringLiteral("вопрос не относится ни к одной теме: в прогоне темы его не задают") +
                        nearHint(m_topicTable, m_topicIndex, {q.Predm, q.Tema}));
            qint64 points = 0;
            if (!parseInt(q.Ball, points))
                add(WoprosName, record, key,
                    QStringLiteral("Ball «%1» — не целое число: ответ на вопрос не засчитать").arg(q.Ball));
            if (m_questionIndex.find(codes) == record) // a key taken twice is reported once, as such
                for (const QString &fault : answerFaults(m_optionsOf.value(matchKey(codes))))
                    add(WoprosName, record, key, fault);
            checkQuestionFiles(record, key, q.Nazwan);
        }
    }

    void add(const QString &file, int record, const QString &key, const QString &message)
    {
        m_out.push_back({file, record, key, message});
    }

    // A trailing piece shorter than a record is never read.
    void checkWhole(const RecordFile &f)
    {
        const QString name = QFileInfo(f.path()).fileName();
        const qint64 rest = QFileInfo(f.path()).size() % f.recordSize();
        if (f.exists() && rest != 0)
            add(name, int(f.count()) + 1, QString(),
                QStringLiteral("лишние байты в конце файла (%1) не составляют целой записи: файл обрезан, "
                               "они не читаются")
                    .arg(rest));
    }

    // Keys taken twice, and keys that differ from an earlier one only by
    // blanks or leading zeros.
    CodeIndex indexCodes(const Table &t)
    {
        CodeIndex index;
        for (size_t i = 0; i < t.codes.size(); ++i) {
            const int record = int(i) + 1;
            const QStringList &codes = t.codes[i];
            if (const int first = index.find(codes))
                add(t.file, record, shownKey(codes),
                    QStringLiteral("ключ занят дважды: %1 с теми же кодами уже есть в строке %2")
                        .arg(QString::fromUtf8(t.one))
                        .arg(first));
            else if (const int near = index.findLoosely(codes))
                add(t.file, record, shownKey(codes),
                    QStringLiteral("коды отличаются от кодов %1 в строке %2 только пробелами или ведущими нулями; "
                                   "коды сравниваются как текст, поэтому это %3")
                        .arg(shownKey(t.codes[size_t(near - 1)]))
                        .arg(near)
                        .arg(QString::fromUtf8(t.two)));
            index.add(codes, record);
        }
        return index;
    }

    // The record a reference may have meant when it misses by blanks or leading zeros.
    static QString nearHint(const Table &t, const CodeIndex &index, const QStringList &codes)
    {
        const int near = index.findLoosely(codes);
        if (near == 0)
            return {};
        return QStringLiteral("; в %1 есть %2 %3 (строка %4), но коды сравниваются как текст")
            .arg(t.file, QString::fromUtf8(t.one), shownKey(t.codes[size_t(near - 1)]))
            .arg(near);
    }

    // What keeps a question from being answered as its author meant it.
    static QStringList answerFaults(const std::vector<const OtwetRec *> &options)
    {
        if (options.empty())
            return {QStringLiteral("у вопроса нет ни одного варианта ответа")};
        QStringList codes;
        for (const OtwetRec *o : options)
            codes << o->Kod_P;
        const AnswerType type = answerTypeOf(codes);
        QStringList faults;

        int right = 0, exact = 0;
        QStringList unfit;
        for (const OtwetRec *o : options) {
            const QString code = trimmed(o->Kod_P);
            right += code == u"+";
            exact += code.contains(u'Ф');
            bool fits = true;
            if (type == AnswerType::Matching || type == AnswerType::Classification)
                fits = code == u"+" || code == u"-";
            else if (type == AnswerType::Exact)
                fits = code.contains(u'Ф');
            else if (type == AnswerType::Ranking)
                fits = code == u"1";
            if (!fits && !unfit.contains(code))
                unfit << code;
        }
        if (!unfit.isEmpty())
            faults << QStringLiteral("варианты с кодами %1 не подходят к типу «%2», который дают остальные коды: "
                                     "они не используются как задумано")
                          .arg(quotedList(unfit), answerTypeText(type));

        switch (type) {
        case AnswerType::Ticks:
            if (right == 0)
                faults << QStringLiteral("нет ни одного верного варианта («+»): верным засчитывается ответ без "
                                         "единой птички");
            if (options.size() == 1)
                faults << QStringLiteral("вариант ответа всего один: выбирать не из чего");
            faults << emptyRightFault(options);
            break;
        case AnswerType::Matching:
            faults << matchingFault(options);
            if (options.size() == 2)
                faults << QStringLiteral("пара всего одна: сопоставлять не с чем");
            break;
        case AnswerType::Classification:
            faults << classificationFaults(options);
            break;
        case AnswerType::Exact: {
            if (exact > 1)
                faults << QStringLiteral("вариантов с кодом «Ф» %1: ответом считается только текст первого "
                                         "варианта вопроса")
                              .arg(exact);
            const OtwetRec &first = *options.front();
            if (!trimmed(first.Kod_P).contains(u'Ф'))
                faults << QStringLiteral("ответ берётся из первого варианта вопроса, а у него код «%1», не «Ф»")
                              .arg(trimmed(first.Kod_P));
            else if (trimmed(first.Nazwan).isEmpty())
                faults << QStringLiteral("текст ответа пуст: верным засчитывается пустая строка");
            break;
        }
        case AnswerType::Ranking:
            faults << rankingFault(options);
            break;
        }
        faults.removeAll(QString());
        return faults;
    }

    // A right option without text: the pupil sees an empty row to tick.
    static QString emptyRightFault(const std::vector<const OtwetRec *> &options)
    {
        QStringList labels;
        for (const OtwetRec *o : options)
            if (trimmed(o->Kod_P) == u"+" && trimmed(o->Nazwan).isEmpty())
                labels << o->Otwe;
        if (labels.isEmpty())
            return {};
        return QStringLiteral("у верного варианта %1 нет текста: отметить надо пустую строку").arg(quotedList(labels));
    }

    // A matching answer is right when every left label faces the same label
    // on the right, as stored: the two columns must hold the same labels.
    static QString matchingFault(const std::vector<const OtwetRec *> &options)
    {
        QStringList unpairedLeft, unpairedRight;
        for (const OtwetRec *o : options)
            if (trimmed(o->Kod_P) == u"-")
                unpairedLeft << o->Otwe;
        for (const OtwetRec *o : options)
            if (trimmed(o->Kod_P) == u"+" && !unpairedLeft.removeOne(o->Otwe))
                unpairedRight << o->Otwe;
        if (unpairedRight.isEmpty())
            return {};
        return QStringLiteral("соответствие не составить: метки правого столбца %1 не совпадают с метками "
                              "левого %2 (метки сравниваются как записаны, с пробелами)")
            .arg(quotedList(unpairedRight), quotedList(unpairedLeft));
    }

    // Each right-column item carries the number of its class, one of the
    // left-column labels; a run compares the typed number with it trimmed.
    static QStringList classificationFaults(const std::vector<const OtwetRec *> &options)
    {
        QStringList classes, lost;
        int items = 0;
        for (const OtwetRec *o : options)
            if (trimmed(o->Kod_P) == u"-")
                classes << trimmed(o->Otwe);
        for (const OtwetRec *o : options) {
            if (trimmed(o->Kod_P) != u"+")
                continue;
            ++items;
            const QString cls = trimmed(o->Otwe.left(2));
            if (!classes.contains(cls) && !lost.contains(cls))
                lost << cls;
        }
        QStringList faults;
        if (!lost.isEmpty())
            faults << QStringLiteral("объекты отнесены к классам %1, которых нет среди классов %2")
                          .arg(quotedList(lost), quotedList(classes));
        if (classes.size() > items)
            faults << QStringLiteral("классов %1, а объектов %2: столбцы не равны, поэтому вопрос задаётся как "
                                     "«%3», и хотя бы один класс остаётся пустым")
                          .arg(classes.size())
                          .arg(items)
                          .arg(answerTypeText(AnswerType::Classification));
        return faults;
    }

    // The places of a ranking must be 1 to n, each once.
    static QString rankingFault(const std::vector<const OtwetRec *> &options)
    {
        QStringList places, repeated, missing;
        for (const OtwetRec *o : options) {
            const QString place = trimmed(o->Otwe.left(2));
            if (places.contains(place) && !repeated.contains(place))
                repeated << place;
            places << place;
        }
        for (int p = 1; p <= int(places.size()); ++p)
            if (!places.contains(QString::number(p)))
                missing << QString::number(p);
        if (repeated.isEmpty() && missing.isEmpty())
            return {};
        QString text =
            QStringLiteral("места вариантов %1 не образуют ряд от 1 до %2").arg(quotedList(places)).arg(places.size());
        if (!repeated.isEmpty())
            text += QStringLiteral("; повторены %1").arg(quotedList(repeated));
        if (!missing.isEmpty())
            text += QStringLiteral("; нет мест %1").arg(quotedList(missing));
        return text;
    }

    // The picture <key>.gif and the explanation file named in the text, both
    // taken from the Foto folder only.
    void checkQuestionFiles(int record, const QString &key, const QString &text)
    {
        const QString gif = key + QStringLiteral(".gif");
        const auto picture = fileInFolder(m_foto, gif);
        if (!picture) {
            if (QFileInfo::exists(m_foto + u'/' + gif))
                add(WoprosName, record, key,
                    QStringLiteral("рисунок %1 лежит вне папки Foto: его не покажут").arg(gif));
        } else if (!QFileInfo(*picture).isFile() && text.contains(QStringLiteral("рисун"), Qt::CaseInsensitive)) {
            add(WoprosName, record, key,
                QStringLiteral("в тексте вопроса говорится о рисунке, а файла Foto/%1 нет").arg(gif));
        }

        const std::optional<QString> name = explanationFileName(text);
        if (!name)
            return;
        m_explanations.insert(*name);
        if (name->isEmpty()) {
            add(WoprosName, record, key,
                QStringLiteral("ссылка «File#» не называет файла: в 20 знаках после неё нет закрывающего «#»"));
        } else if (const auto path = fileInFolder(m_foto, *name); !path) {
            add(WoprosName, record, key,
                QStringLiteral("файл пояснений «%1» лежит вне папки Foto: его не откроют").arg(*name));
        } else if (!QFileInfo(*path).isFile()) {
            add(WoprosName, record, key, QStringLiteral("нет файла пояснений Foto/%1").arg(*name));
        } else if (!name->endsWith(QStringLiteral("txt")) && !mayOpenFromBank(*path)) {
            add(WoprosName, record, key,
                QStringLiteral("файл пояснений «%1» не откроют: из банка открываются только документы и рисунки")
                    .arg(*name));
        }
    }

    void checkExamRow(int record, const ExamRec &e)
    {
        const QStringList codes = {e.Predm, e.Tema};
        const QString key = shownKey(codes);
        const bool topicThere = m_topicIndex.find(codes) != 0;
        if (!topicThere)
            add(ExamName, record, key,
                QStringLiteral("строка экзамена не называет ни одной темы") +
                    nearHint(m_topicTable, m_topicIndex, codes));
        qint64 woprosov = 0, nado = 0;
        const bool countOk = parseInt(e.Woprosov, woprosov), nadoOk = parseInt(e.Nado, nado);
        if (!countOk)
            add(ExamName, record, key,
                QStringLiteral("Woprosov «%1» — не целое число: экзамен не начнётся").arg(e.Woprosov));
        if (!nadoOk)
            add(ExamName, record, key, QStringLiteral("Nado «%1» — не целое число: экзамен не начнётся").arg(e.Nado));
        if (!countOk || !nadoOk || !topicThere)
            return;
        // The exam draws Nado of the topic's first Woprosov questions.
        const int has = m_perTopic.value(matchKey(codes));
        if (nado > has)
            add(ExamName, record, key,
                QStringLiteral("экзамен просит из темы больше вопросов, чем в ней есть: Nado %1, вопросов в теме %2")
                    .arg(nado)
                    .arg(has));
        else if (nado > woprosov)
            add(ExamName, record, key,
                QStringLiteral("Nado %1 больше Woprosov %2: экзамен возьмёт из темы не больше %2 вопросов")
                    .arg(nado)
                    .arg(woprosov));
        else if (woprosov > has && nado > 0)
            add(ExamName, record, key,
                QStringLiteral("Woprosov %1 больше числа вопросов темы (%2): экзамен может взять меньше %3 "
                               "вопросов; пересчитайте вопросы в окне набора экзамена")
                    .arg(woprosov)
                    .arg(has)
                    .arg(nado));
    }

    // Pictures named like a question key that no question has: a question
    // renumbered or retyped has lost its picture.
    void checkFotoFolder()
    {
        QSet<QString> keys, lowerKeys, looseKeys;
        for (const QStringList &codes : m_questionTable.codes) {
            keys.insert(shownKey(codes));
            lowerKeys.insert(shownKey(codes).toLower());
            looseKeys.insert(looseKey(codes));
        }
        const QDir foto(m_foto);
        for (const QString &name : foto.entryList(QDir::Files, QDir::Name)) {
            if (!name.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive) || m_explanations.contains(name))
                continue;
            const QString base = name.chopped(4);
            if (base.count(u'_') != 3 || (name.endsWith(QStringLiteral(".gif")) && keys.contains(base)))
                continue;
            QString message =
                QStringLiteral("рисунок не относится ни к одному вопросу: вопроса с ключом %1 нет").arg(base);
            if (lowerKeys.contains(base.toLower()))
                message = QStringLiteral("имя рисунка «%1» отличается от имени, которое ищет вопрос, только "
                                         "регистром букв: рисунок не покажут")
                              .arg(name);
            else if (looseKeys.contains(looseKey(base.split(u'_'))))
                message += QStringLiteral("; есть вопрос, чей ключ отличается только пробелами или ведущими нулями");
            add(FotoName, 0, base, message);
        }
    }

    BankFiles m_bank;
    QString m_foto;
    std::vector<TemaRec> m_topics;
    std::vector<WoprosRec> m_questions;
    std::vector<OtwetRec> m_options;
    std::vector<ExamRec> m_exam;
    Table m_sectionTable{PredmetName, {}, "раздел", "два разных раздела"};
    Table m_topicTable{TemaName, {}, "тема", "две разные темы"};
    Table m_questionTable{WoprosName, {}, "вопрос", "два разных вопроса"};
    Table m_examTable{ExamName, {}, "тема экзамена", "две разные темы экзамена"};
    CodeIndex m_topicIndex, m_questionIndex;
    QHash<QString, int> m_perTopic;                            // questions of each topic key
    QHash<QString, std::vector<const OtwetRec *>> m_optionsOf; // a question's options in file order
    QSet<QString> m_explanations; // names in "File#" references: not pictures of a question
    std::vector<BankFinding> m_out;
};

} // namespace

std::vector<BankFinding> checkBank(const QString &subjectFolder)
{
    const QFileInfo folder(subjectFolder);
    if (!folder.isDir())
        throw TrivoError(QStringLiteral("Папка %1 не найдена").arg(QDir::toNativeSeparators(subjectFolder)));
    if (!folder.isReadable() || !QDir(subjectFolder).isReadable())
        throw TrivoError(QStringLiteral("Папку %1 не удалось прочитать").arg(QDir::toNativeSeparators(subjectFolder)));
    const BankFiles bank(folder.absoluteFilePath());
    if (!bank.predmet.exists() && !bank.tema.exists() && !bank.wopros.exists() && !bank.otwet.exists() &&
        !bank.exam.exists())
        throw TrivoError(QStringLiteral("В папке %1 нет файлов банка (Tema.dat, Wopros.dat, Otwet.dat)")
                             .arg(QDir::toNativeSeparators(subjectFolder)));
    return Checker(folder.absoluteFilePath()).run();
}

QString findingLine(const BankFinding &f)
{
    const QString where = f.file + u':' + QString::number(f.record) + QStringLiteral(": ");
    return f.key.isEmpty() ? where + f.message : where + f.key + QStringLiteral(": ") + f.message;
}
