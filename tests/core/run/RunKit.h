#pragma once
// A small subject written for the run suites, the answers a pupil gives, and
// how a run looks from outside: its lamps, the number shown, its protocol.
#include "DocxDocument.h"
#include "ProtocolDocument.h"
#include "programstate.h"
#include "runmodel.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

struct Opt {
    QString code, label, text;
};
struct Q {
    QString ball, text;
    std::vector<Opt> opts;
};
struct Topic {
    QString name;
    std::vector<Q> questions;
};

// Subject "1", topics numbered from 1, questions of test "1" numbered from 1.
inline void writeSubject(const BankFiles &bank, const std::vector<Topic> &topics)
{
    std::vector<TemaRec> temas;
    std::vector<WoprosRec> qs;
    std::vector<OtwetRec> os;
    for (size_t t = 0; t < topics.size(); ++t) {
        const QString tema = QString::number(t + 1);
        temas.push_back({"1", tema, topics[t].name});
        for (size_t q = 0; q < topics[t].questions.size(); ++q) {
            const Q &question = topics[t].questions[q];
            const QString wopr = QString::number(q + 1);
            qs.push_back({"1", tema, "1", wopr, question.text, "", question.ball, ""});
            for (const Opt &o : question.opts)
                os.push_back({"1", tema, "1", wopr, o.label, o.code, o.text});
        }
    }
    bank.tema.rewrite(temas);
    bank.wopros.rewrite(qs);
    bank.otwet.rewrite(os);
}

inline GivenAnswer ticks(std::vector<bool> t)
{
    return {{}, std::move(t), {}};
}
inline GivenAnswer typed(const QString &text)
{
    return {text, {}, {}};
}
inline GivenAnswer numbers(const QStringList &n)
{
    return {{}, {}, n};
}

inline QString lampsOf(const RunModel &m)
{
    QString s;
    for (bool on : m.controls().lamps)
        s += on ? u'1' : u'0';
    return s;
}

// The number of the question on screen, from its key.
inline int shownNumber(const RunModel &m)
{
    return m.questionKey().section(u'_', 3).toInt();
}

inline const Topic fiveTypes{
    "Все виды",
    {{"5",
      "Кто из них правил в России?",
      {{"+", "1", "Пётр I"}, {"+", "2", "Иван IV"}, {"", "3", "Наполеон"}, {"", "4", "Цезарь"}}},
     {"2", "В каком году началась Великая Отечественная война?", {{"Ф", "1", "1941"}}},
     {"3",
      "Соотнесите события и годы",
      {{"-", "1", "Крещение Руси"}, {"-", "2", "Полтавская битва"}, {"+", "2", "1709"}, {"+", "1", "988"}}},
     {"3",
      "Отнесите правителей к династиям",
      {{"-", "1", "Рюриковичи"},
       {"-", "2", "Романовы"},
       {"+", "1", "Иван III"},
       {"+", "2", "Пётр I"},
       {"+", "2", "Екатерина II"}}},
     {"2",
      "Расположите по порядку",
      {{"1", "2", "Полтавская битва"}, {"1", "1", "Куликовская битва"}, {"1", "3", "Бородинское сражение"}}}}};

// Ten questions of every type: 19 points, of which the answers below earn 13
// with six questions right. No partial credit is an exact half, so the order
// of answering cannot change the total.
inline const Topic tenQuestions{
    "Десять",
    {{"1", "Вопрос 1", {{"Ф", "1", "Полтава"}}},
     {"2", "Вопрос 2", {{"+", "1", "а"}, {"+", "2", "б"}, {"+", "3", "в"}, {"", "4", "г"}}},
     {"3", "Вопрос 3", {{"Ф", "1", "Полтава"}}},
     {"2", "Вопрос 4", {{"1", "3", "третий"}, {"1", "1", "первый"}, {"1", "2", "второй"}}},
     {"2", "Вопрос 5", {{"Ф", "1", "Полтава"}}},
     {"1", "Вопрос 6", {{"+", "1", "да"}, {"", "2", "нет"}}},
     {"1", "Вопрос 7", {{"Ф", "1", "Полтава"}}},
     {"3",
      "Вопрос 8",
      {{"-", "1", "Класс 1"}, {"-", "2", "Класс 2"}, {"+", "2", "x"}, {"+", "1", "y"}, {"+", "2", "z"}}},
     {"2", "Вопрос 9", {{"Ф", "1", "Полтава"}}},
     {"2", "Вопрос 10", {{"-", "1", "А"}, {"-", "2", "Б"}, {"+", "2", "б"}, {"+", "1", "а"}}}}};

// Twelve events to rank: right numbers of two characters among them.
inline const QStringList twelve = {"7", "10", "1", "12", "3", "11", "5", "2", "9", "4", "8", "6"};
inline Topic longRanking()
{
    Q q{"2", "Расположите по порядку", {}};
    for (const QString &n : twelve)
        q.opts.push_back({"1", n, QStringLiteral("Событие ") + n});
    return {"Двенадцать", {q, q}};
}

// One answer of a played run: the aids used, the answer given, then what the
// run shows after it.
struct Step {
    GivenAnswer given;
    int hints, right, points, asked;
    QString grade, runningGrade, lamps;
    std::function<void(RunModel &)> aids = {};
};
using Steps = std::vector<Step>;

// An entry in one line: "Q text", "B¶ text" (a bold answer line in a new
// paragraph; "P" plain, "→" appended to the line before), "T widths: cells".
inline QString describe(const ProtocolEntry &e)
{
    using K = ProtocolEntry::Kind;
    if (e.kind == K::Question)
        return QStringLiteral("Q ") + e.text;
    if (e.kind == K::Answer)
        return QString(e.bold ? u'B' : u'P') + (e.newParagraph ? u'¶' : u'→') + u' ' + e.text;
    QStringList widths, rows;
    for (double w : e.widths)
        widths << QString::number(w);
    for (const QStringList &r : e.cells)
        rows << r.join(u'|');
    return (e.kind == K::Table ? QStringLiteral("T ") : QStringLiteral("S ")) + widths.join(u'/') +
           QStringLiteral(": ") + rows.join(QStringLiteral(" ; "));
}

inline QString cellText(const DocumentModel::Table &t, int r, int c)
{
    QString s;
    for (const auto &run : t.cell(r, c))
        s += run.text;
    return s;
}

// A fresh program state over a subject of four topics in folder: the five
// kinds, an empty topic, ten questions and a long ranking.
inline void startWithFourTopics(const QString &folder)
{
    glo() = Glo{};
    glo().TekPapka = folder;
    glo().LimitWopr = 20;
    writeSubject(BankFiles(folder), {fiveTypes, {"Пустая тема", {}}, tenQuestions, longRanking()});
}
