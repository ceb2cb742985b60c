// Whole runs played on the run model alone: counters, grades, lamps, the
// clocks, putting off and repeating, the exam and the protocol entries.
#include "DocxDocument.h"
#include "ProtocolDocument.h"
#include "programstate.h"
#include "runmodel.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace
{
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
void writeSubject(const BankFiles &bank, const std::vector<Topic> &topics)
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

GivenAnswer ticks(std::vector<bool> t)
{
    return {{}, std::move(t), {}};
}
GivenAnswer typed(const QString &text)
{
    return {text, {}, {}};
}
GivenAnswer numbers(const QStringList &n)
{
    return {{}, {}, n};
}

QString lampsOf(const RunModel &m)
{
    QString s;
    for (bool on : m.controls().lamps)
        s += on ? u'1' : u'0';
    return s;
}

// The number of the question on screen, from its key.
int shownNumber(const RunModel &m)
{
    return m.questionKey().section(u'_', 3).toInt();
}

const Topic fiveTypes{
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
const Topic tenQuestions{
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
const QStringList twelve = {"7", "10", "1", "12", "3", "11", "5", "2", "9", "4", "8", "6"};
Topic longRanking()
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
QString describe(const ProtocolEntry &e)
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

QString cellText(const DocumentModel::Table &t, int r, int c)
{
    QString s;
    for (const auto &run : t.cell(r, c))
        s += run.text;
    return s;
}
} // namespace

Q_DECLARE_METATYPE(Steps)

class RunModelTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    RandomGen gen{7};

    BankFiles bank() const { return BankFiles(dir.path()); }

    void play(RunModel &m, const Step &s, int now)
    {
        if (s.aids)
            s.aids(m);
        if (QTest::currentTestFailed())
            return;
        m.answer(s.given, now);
        QCOMPARE(m.Podskazano(), s.hints);
        QCOMPARE(m.WerWop(), s.right);
        QCOMPARE(m.WerBal(), s.points);
        QCOMPARE(m.pointsAsked(), s.asked);
        QCOMPARE(m.Ocenka(), s.grade);
        QCOMPARE(m.TekOcenka(), s.runningGrade);
        QCOMPARE(lampsOf(m), s.lamps);
    }

private slots:
    void init()
    {
        glo() = Glo{};
        glo().TekPapka = dir.path();
        glo().LimitWopr = 20;
        writeSubject(bank(), {fiveTypes, {"Пустая тема", {}}, tenQuestions, longRanking()});
    }

    void fiveTypesPlayed_data()
    {
        QTest::addColumn<bool>("prompting");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QStringList>("shownRight"); // the rows dimmed each time training shows the right options
        const auto inPlace = [](RunModel &m) { QCOMPARE(m.rowDown("1"), "2"); };
        QTest::newRow("all right") << false
                                   << Steps{{ticks({1, 1, 0, 0}), 0, 1, 5, 5, "2", "5", "01000"},
                                            {typed("1941 "), 0, 2, 7, 7, "2", "5", "01000"},
                                            {{}, 0, 3, 10, 10, "3", "5", "01100", inPlace},
                                            {numbers({"1", "2", "2"}), 0, 4, 13, 13, "5", "5", "01101"},
                                            {numbers({"2", "1", "3"}), 0, 5, 15, 15, "5", "5", "01101"}}
                                   << QStringList{};
        // 1 of 2 ticks of 5 points is 2.5, which goes to the even 2.
        QTest::newRow("partly right") << false
                                      << Steps{{ticks({1, 0, 0, 0}), 0, 0, 2, 5, "2", "2", "10000"},
                                               {typed("1941 г."), 0, 0, 2, 7, "2", "2", "10000"},
                                               {{}, 0, 0, 2, 10, "2", "2", "10000"},
                                               {numbers({"1", " 2 ", "1"}), 0, 0, 4, 13, "2", "2", "10000"},
                                               {numbers({"2", "3", "1"}), 0, 0, 5, 15, "2", "2", "11000"}}
                                      << QStringList{}; // no training without hints
        QTest::newRow("wrong") << true
                               << Steps{{ticks({1, 1, 1, 0}), 0, 0, 0, 5, "2", "2", "00000"}, // a wrong tick voids
                                        {typed("1945"), 0, 0, 0, 7, "2", "2", "00000"},
                                        {{}, 0, 0, 0, 10, "2", "2", "00000"},
                                        {numbers({"2", "1", "1"}), 0, 0, 0, 13, "2", "2", "00000"},
                                        {numbers({"3", "2", "1"}), 0, 0, 0, 15, "2", "2", "00000"}}
                               << QStringList{"3 4"};
        const auto removeTwice = [](RunModel &m) {
            QCOMPARE(m.removeAnError({}), 3);
            QCOMPARE(m.removeAnError({}), 4);
            QCOMPARE(m.removeAnError({}), std::nullopt); // nothing left to remove costs nothing
            QVERIFY(m.optionRows()[2].removed && m.optionRows()[3].removed && !m.optionRows()[0].removed);
        };
        const auto wholeAnswer = [](RunModel &m) {
            QCOMPARE(m.hintExact(" 19"), "1941");
            QCOMPARE(m.hintExact("1945"), std::nullopt);
        };
        const auto sortTwice = [](RunModel &m) {
            m.putInPlace();
            m.putInPlace(); // already in place: no hint
        };
        const auto revealTwo = [](RunModel &m) {
            m.revealNumber();
            m.revealNumber();
            QCOMPARE(m.Soot().cell(3, 1) + m.Soot().cell(3, 2) + m.Soot().cell(3, 3), "12?");
        };
        const auto fillOne = [](RunModel &m) { QCOMPARE(m.removeAnError({"2", "", ""}), 2); };
        QTest::newRow("hints") << true
                               << Steps{{ticks({1, 0, 0, 0}), 2, 0, 2, 5, "2", "2", "10000", removeTwice},
                                        {typed("1941"), 3, 1, 4, 7, "2", "3", "10000", wholeAnswer},
                                        {{}, 4, 2, 7, 10, "2", "4", "11000", sortTwice},
                                        {numbers({"1", "2", "?"}), 6, 2, 9, 13, "3", "3", "11100", revealTwo},
                                        {numbers({"2", "1", ""}), 7, 2, 10, 15, "3", "3", "11100", fillOne}}
                               << QStringList{"3 4"};
    }
    void fiveTypesPlayed()
    {
        QFETCH(bool, prompting);
        QFETCH(Steps, steps);
        QFETCH(QStringList, shownRight);
        RunModel m(gen);
        m.setPrompting(prompting);
        m.begin(false, 100);
        m.startTopic(bank(), "1", "1", 100);
        QCOMPARE(m.KWopr(), 5);
        QCOMPARE(m.WseBal(), 15);
        QStringList dimmed;
        connect(&m, &RunModel::rightOptionsShown, this, [&](const std::vector<int> &rows) {
            QStringList r;
            for (int row : rows)
                r << QString::number(row);
            dimmed << r.join(u' ');
        });
        for (size_t i = 0; i < steps.size(); ++i) {
            QCOMPARE(m.NWopr(), int(i) + 1);
            play(m, steps[i], 100 + int(i));
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("after answer %1").arg(i + 1)));
        }
        QCOMPARE(dimmed, shownRight);
        QVERIFY(!m.running());
        QCOMPARE(m.questionText(), RunModel::closedText);
        QCOMPARE(m.questionsLeft(), 0);
        QVERIFY(!m.controls().answer && !m.controls().repeat && m.controls().printProtocol);
    }

    void puttingOffAndRepeating_data()
    {
        QTest::addColumn<QList<int>>("deferred");
        QTest::newRow("none") << QList<int>{};
        QTest::newRow("third and last") << QList<int>{3, 10};
        QTest::newRow("first and last") << QList<int>{1, 10};
        QTest::newRow("last two") << QList<int>{9, 10};
        QTest::newRow("two in the middle") << QList<int>{4, 8};
    }
    void puttingOffAndRepeating()
    {
        QFETCH(QList<int>, deferred);
        const std::map<int, GivenAnswer> answers = {
            {1, typed("Полтава")},         {2, ticks({1, 1, 0, 0})}, // 2 of 3 of 2 points: 1.33 -> 1
            {3, typed("Нарва")},                                     // wrong
            {4, numbers({"3", "2", "1"})},                           // 1 of 3 of 2 points: 0.67 -> 1
            {5, typed("Полтава")},         {6, ticks({1, 0})},
            {7, typed(" Полтава")},        {8, numbers({"2", "1", "1"})}, // 2 of 3 of 3 points
            {9, typed("Полтава")},         {10, {}}};                     // the matching is answered in its grid
        RunModel m(gen);
        m.setPrompting(false);
        m.begin(false, 0);
        m.startTopic(bank(), "1", "3", 0);
        QCOMPARE(m.KWopr(), 10);
        auto ready = [&](int q) {
            if (q == 10)
                m.rowDown("1");
            return answers.at(q);
        };
        auto answerShown = [&] {
            m.answer(ready(shownNumber(m)), 0);
            QVERIFY(m.WerWop() <= m.KWopr());
            QVERIFY(m.WerBal() <= m.WseBal());
        };
        for (int q = 1; q <= 10; ++q) {
            QCOMPARE(shownNumber(m), q);
            QCOMPARE(m.NWopr(), q);
            if (deferred.contains(q)) {
                ready(q); // the answer stands there when the question is put off
                m.putOff(0);
            } else {
                answerShown();
            }
        }
        if (!deferred.isEmpty()) {
            QCOMPARE(m.deferred(), 2);
            QCOMPARE(m.deferredLine(), "     2");
            QVERIFY(m.controls().repeat && !m.controls().answer);
            if (deferred.contains(10)) {
                // The last one stays on screen, running, and its time runs out to no effect.
                QVERIFY(m.running() && !m.controls().putOff);
                QCOMPARE(shownNumber(m), 10);
                const int right = m.WerWop();
                m.timeOver({}, 0);
                QCOMPARE(m.WerWop(), right);
                QCOMPARE(m.NWopr(), 10);
            } else {
                QVERIFY(!m.running());
            }
            const int right = m.WerWop(), points = m.WerBal(), asked = m.pointsAsked();
            m.repeat(0);
            QCOMPARE(m.WerWop(), right); // the repeat judges nothing
            QCOMPARE(m.WerBal(), points);
            QCOMPARE(m.pointsAsked(), asked);
            QCOMPARE(m.deferred(), 0);
            QCOMPARE(m.WopTabl().rowCount(), 3);
            for (int i = 0; i < 2; ++i) {
                QCOMPARE(m.NWopr(), 9 + i); // set to 8, then on to 10
                QCOMPARE(shownNumber(m), deferred[i]);
                answerShown();
            }
        }
        QCOMPARE(m.WerWop(), 6);
        QCOMPARE(m.WerBal(), 13);
        QCOMPARE(m.WseBal(), 19);
        QCOMPARE(m.pointsAsked(), 19);
        QCOMPARE(m.Ocenka(), "3"); // 68 %
        QCOMPARE(m.TekOcenka(), "3");
        QVERIFY(!m.running() && !m.controls().answer && !m.controls().repeat);
    }

    void questionTimeRunsOut_data()
    {
        QTest::addColumn<int>("start");
        QTest::newRow("in the day") << 1000;
        QTest::newRow("across midnight") << 86380;
    }
    void questionTimeRunsOut()
    {
        QFETCH(int, start);
        auto at = [&](int s) { return (start + s) % 86400; };
        RunModel m(gen);
        m.begin(false, start);
        m.startTopic(bank(), "1", "1", start);
        QCOMPARE(m.questionClock().limit(), 50); // 30 + 4 options x 5
        QCOMPARE(m.timeLimitText(), "50");
        QVERIFY(!m.tick(at(49)));
        QCOMPARE(m.questionClock().shown(), 1);
        QVERIFY(m.tick(at(50)));
        QVERIFY(!m.tick(at(51)));                // ran out once
        m.timeOver(ticks({1, 1, 0, 0}), at(51)); // answered as it stands
        QCOMPARE(m.WerBal(), 5);
        QCOMPARE(m.NWopr(), 2);
        QCOMPARE(m.questionClock().limit(), 35);
        QCOMPARE(m.topicClock().elapsed(), 51);
        QVERIFY(!m.tick(at(85)));
        QVERIFY(m.tick(at(86)));
    }

    void zeroLimitNeverEnds()
    {
        glo().SekWopr = glo().SekOtw = 0;
        RunModel m(gen);
        m.begin(false, 0);
        m.startTopic(bank(), "1", "1", 0);
        QCOMPARE(m.questionClock().limit(), 0);
        QVERIFY(!m.questionClock().countsDown());
        for (int s = 1; s <= 9; ++s)
            QVERIFY(!m.tick(s * 20000 % 86400));
        QVERIFY(m.questionClock().running() && m.controls().answer);
        QCOMPARE(m.NWopr(), 1);
    }

    void stopAndStartAgain_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stop");
        QTest::addColumn<QString>("spent");
        QTest::newRow("in the middle") << 36000 << 36125 << "0:02:05";
        QTest::newRow("across midnight") << 86390 << 20 << "0:00:30";
    }
    void stopAndStartAgain()
    {
        QFETCH(int, start);
        QFETCH(int, stop);
        QFETCH(QString, spent);
        RunModel m(gen);
        m.begin(false, start);
        m.startTopic(bank(), "1", "1", start);
        m.answer(ticks({1, 1, 0, 0}), start);
        m.putOff(start);
        QCOMPARE(m.typeText(), "Соответствие"); // stopped with a grid on screen
        m.stop(stop);
        QCOMPARE(m.timeSpent(), spent);
        QCOMPARE(m.questionText(), RunModel::closedText);
        const RunControls &c = m.controls();
        QVERIFY(!c.running && !c.answer && !c.putOff && !c.repeat); // only the close offers the repeat
        QVERIFY(c.printProtocol && c.subjectChoice && c.topicChoice && c.modeChoice);
        QVERIFY(!m.questionClock().running() && !m.topicClock().running());
        QVERIFY(!m.tick(stop + 100));
        m.timeOver(GivenAnswer{}, stop + 100);
        QCOMPARE(m.KWopr(), 5);
        QCOMPARE(m.NWopr(), 3);
        QCOMPARE(m.WerWop(), 1);

        // A new run starts from nothing, even one without questions, which
        // must not judge what the last run left on screen.
        m.begin(false, stop);
        m.startTopic(bank(), "1", "2", stop);
        QVERIFY(m.running() && c.answer);
        QCOMPARE(m.KWopr(), 0);
        QCOMPARE(m.WerWop() + m.WerBal() + m.Podskazano() + m.deferred() + m.NWopr(), 0);
        QCOMPARE(lampsOf(m), "00000");
        m.answer(GivenAnswer{}, stop);
        QVERIFY(!m.running());
        QCOMPARE(m.WerWop(), 0);
        QCOMPARE(m.WerBal(), 0);
        QCOMPARE(m.pointsAsked(), 0);
        QCOMPARE(m.Ocenka(), ""); // no points: no grade
        QCOMPARE(m.TekOcenka(), "");
    }

    void rankingOfTwelve()
    {
        RunModel m(gen);
        m.begin(false, 0);
        m.startTopic(bank(), "1", "4", 0);
        QCOMPARE(m.typeText(), "Ранжирование");
        QCOMPARE(m.KOtw(), "12");
        QCOMPARE(m.KPraw(), "12");
        QCOMPARE(m.timeLimitText(), "90");
        QCOMPARE(m.PrawKody(), twelve);
        QVERIFY(
            std::all_of(m.optionRows().begin(), m.optionRows().end(), [](const OptionRow &r) { return r.numberBox; }));
        QStringList right = twelve;
        right[1] = " 10 ";
        m.answer(numbers(right), 0);
        QCOMPARE(m.WerWop(), 1);
        QCOMPARE(m.WerBal(), 2);
        // Three right; "1" is not "12" nor "11". 2 + 2 x 3/12 = 2.5 goes to the even 2.
        m.answer(numbers({"7", "10", "1", "1", "12", "1", "6", "5", "2", "9", "4", "8"}), 0);
        QCOMPARE(m.WerWop(), 1);
        QCOMPARE(m.WerBal(), 2);
        QCOMPARE(m.pointsAsked(), 4);
        QCOMPARE(m.TekOcenka(), "2");
    }

    void pointsThatAreNoNumberCountNothing()
    {
        // A blank Ball raises the conversion error; pressing again never counts the answer.
        writeSubject(bank(), {{"Без баллов", {{"", "Год?", {{"Ф", "1", "1709"}}}}}});
        RunModel m(gen);
        m.begin(false, 0);
        m.startTopic(bank(), "1", "1", 0);
        for (int press = 0; press < 3; ++press) {
            QVERIFY_THROWS_EXCEPTION(TrivoError, m.answer(typed("1709"), 0));
            QCOMPARE(m.WerWop(), 0);
            QVERIFY(m.WerBal() <= m.WseBal());
        }
    }

    void theRunReportsWhatHappened()
    {
        writeSubject(bank(), {{"Три вопроса",
                               {{"2", "Первый", {{"Ф", "1", "1709"}}},
                                {"2", "Второй", {{"Ф", "1", "1812"}}},
                                {"2", "Третий", {{"Ф", "1", "1945"}}}}}});
        RunModel m(gen);
        std::vector<RunResult> reported;
        connect(&m, &RunModel::runEnded, this, [&](const RunResult &r) { reported.push_back(r); });
        m.setIdentity({"Петров П.", "2", "W", {}, "История", "Три вопроса"});
        m.begin(false, 86380); // across midnight
        m.startTopic(bank(), "1", "1", 86380);
        m.answer(typed("1709"), 86390); // 10 s, right
        m.putOff(5);                    // 15 s
        QVERIFY(m.hintExact(QString()));
        m.answer(typed("1900"), 15); // 10 s, wrong, one hint
        QCOMPARE(int(reported.size()), 1);
        m.repeat(20);
        m.answer(typed("1812"), 40); // 20 s more for the second, 35 in all
        QCOMPARE(int(reported.size()), 2);
        QCOMPARE(reported[1].id, reported[0].id); // the same run, reported again whole

        const RunResult &r = reported[1];
        QCOMPARE(r.pupil, "Петров П.");
        QCOMPARE(r.userCode + r.access + r.subject + r.topic, "2WИсторияТри вопроса");
        QCOMPARE(r.seconds, 60);
        const QList<int> counts{r.asked, r.answered, r.right, r.putOff, r.pointsPossible, r.pointsEarned, r.hints};
        QCOMPARE(counts, QList<int>({3, 3, 2, 1, 6, 4, 1}));
        QCOMPARE(r.grade + r.runningGrade, m.Ocenka() + m.TekOcenka());
        QCOMPARE(int(r.questions.size()), 3);
        const QStringList expected = {"1_1_1_1 Точный ответ 2/2 right 0 hints 10 s",
                                      "1_1_1_2 Точный ответ 2/2 right 0 hints 35 s",
                                      "1_1_1_3 Точный ответ 0/2 wrong 1 hints 10 s"};
        for (size_t i = 0; i < r.questions.size(); ++i) {
            const QuestionResult &q = r.questions[i];
            QCOMPARE(QStringLiteral("%1 %2 %3/%4 %5 %6 hints %7 s")
                         .arg(q.key, q.answerType)
                         .arg(q.pointsEarned)
                         .arg(q.pointsPossible)
                         .arg(q.right ? "right" : "wrong")
                         .arg(q.hints)
                         .arg(q.seconds),
                     expected[int(i)]);
        }
    }

    void wholeSubjectExam()
    {
        std::vector<Topic> subject(3);
        for (int q = 1; q <= 3; ++q)
            subject[0].questions.push_back({"1", "Год?", {{"Ф", "1", QStringLiteral("1.%1").arg(q)}}});
        for (int q = 1; q <= 4; ++q)
            subject[1].questions.push_back({"2", "Отметьте", {{"+", "1", "да"}, {"", "2", "нет"}, {"+", "3", "да"}}});
        for (int q = 1; q <= 2; ++q)
            subject[2].questions.push_back({"3", "По порядку", {{"1", "2", "б"}, {"1", "1", "а"}, {"1", "3", "в"}}});
        for (int t = 0; t < 3; ++t)
            subject[size_t(t)].name = QStringLiteral("Тема %1").arg(t + 1);
        writeSubject(bank(), subject);
        bank().exam.rewrite(std::vector<ExamRec>{
            {"1", "1", "Тема 1", "3", "2"}, {"1", "2", "Тема 2", "4", "1"}, {"1", "3", "Тема 3", "2", "2"}});
        StringTable topics(3, 1);
        topics.setDataRows({{"1", "1", "Тема 1"}, {"1", "2", "Тема 2"}, {"1", "3", "Тема 3"}});

        RunModel m(gen);
        m.setTopics(topics);
        m.begin(true, 0);
        m.showAnswerRows();
        m.startExam(bank(), 0);
        QStringList drawn;
        for (const WoprosRec &q : bank().temp.readAll<WoprosRec>())
            drawn << q.Tema;
        QCOMPARE(drawn, QStringList({"1", "1", "2", "3", "3"}));
        QVERIFY(m.exam() && m.controls().topicChoice);
        QCOMPARE(m.KWopr(), 5);
        QCOMPARE(m.WseBal(), 10);
        for (int i = 1; i <= 5; ++i) {
            const int tema = m.questionKey().section(u'_', 1, 1).toInt();
            QCOMPARE(m.questionTopic(), subject[size_t(tema - 1)].name);
            const Q &q = subject[size_t(tema - 1)].questions[size_t(shownNumber(m) - 1)];
            GivenAnswer g = typed(q.opts[0].text);
            for (const Opt &o : q.opts) {
                g.ticks.push_back(o.code == u"+");
                g.numbers << o.label;
            }
            m.answer(g, i);
        }
        QVERIFY(!m.running());
        QCOMPARE(m.WerWop(), 5);
        QCOMPARE(m.WerBal(), 10);
        QCOMPARE(m.Ocenka(), "5");
    }

    void protocolOfARun_data()
    {
        QTest::addColumn<bool>("prompting");
        QTest::newRow("without hints") << false;
        QTest::newRow("with hints: the right labels too") << true;
    }
    void protocolOfARun()
    {
        QFETCH(bool, prompting);
        const QString h1 = prompting ? "1" : "", h2 = prompting ? "2" : "", h3 = prompting ? "3" : "";
        RunModel m(gen);
        m.setPrompting(prompting);
        m.setProtocol(true, "Петров П. 10 А");
        m.begin(false, 36000);
        m.startTopic(bank(), "1", "1", 36000);
        m.answer(ticks({1, 0, 1, 0}), 36100); // a wrong tick voids it
        m.answer(typed(" 1941 "), 36200);
        m.rowDown("1");
        m.answer({}, 36300);
        m.answer(numbers({"1", "2", "2"}), 36400);
        m.answer(numbers({"2", "1", "3"}), 36754); // and the run closes
        QStringList entries;
        for (const ProtocolEntry &e : m.protocol())
            entries << describe(e);
        QCOMPARE(entries, QStringList({
                              "Q 1. Кто из них правил в России?",
                              "B¶ в+ :  Пётр I",
                              "B¶ -+ :  Иван IV",
                              "P¶ в- :  Наполеон",
                              "P¶ -- :  Цезарь",
                              "Q 2. В каком году началась Великая Отечественная война?",
                              "B→ ++ :  1941 Вы 1941",
                              "Q 3. Соотнесите события и годы",
                              "T 23/200/200/23: 1|Крещение Руси|988|" + h1 + " ; 2|Полтавская битва|1709|" + h2,
                              "Q 4. Отнесите правителей к династиям",
                              "T 23/200/200/23/23: 1|Рюриковичи|Иван III|1|" + h1 + " ; 2|Романовы|Пётр I|2|" + h2 +
                                  " ; ||Екатерина II|2|" + h2,
                              "Q 5. Расположите по порядку",
                              "T 23/23/200: 2|" + h2 + "|Полтавская битва ; 1|" + h1 + "|Куликовская битва ; 3|" + h3 +
                                  "|Бородинское сражение",
                          }));

        // 4 of 5 questions right, 10 of 15 points.
        m.addSummary("История", "Все виды", "01.09.2024  09:00:00");
        QCOMPARE(describe(m.protocol().back()),
                 "S : Дата время|01.09.2024  09:00:00 ; Предмет|История ; Тема|Все виды ; Задано вопросов|5 ; "
                 "Получено правильных ответов|4 ; Оценка|3   Процент 80 ; Из всех баллов|15 ; Набрано баллов|10 ; "
                 "Оценка по баллам|3   Процент 67 ; Затрачено времени|0:12:34 ; Отвечал на вопросы|Петров П. 10 А");

        DocxDocument doc;
        writeProtocol(doc, m.protocol());
        const DocumentModel &d = doc.model();
        QCOMPARE(d.tableCount(), 4);
        QCOMPARE(d.tableAt(1).widths, std::vector<double>({23, 200, 200, 23}));
        QCOMPARE(d.tableAt(3).widths, std::vector<double>({23, 23, 200}));
        for (int k = 1; k <= 3; ++k)
            QVERIFY2(!d.tableAt(k).borders, qPrintable(QString::number(k)));
        const DocumentModel::Table &summary = d.tableAt(4);
        QVERIFY(summary.borders);
        QCOMPARE(summary.rows, 11);
        QCOMPARE(summary.columns, 2);
        QCOMPARE(cellText(summary, 6, 2), "3   Процент 80");
        QCOMPARE(cellText(summary, 11, 2), "Петров П. 10 А");
        const QString text = d.characters();
        QVERIFY(text.endsWith(protocolSignatureLine() + u'\n'));
        QVERIFY(text.contains("2. В каком году началась Великая Отечественная война?++ :  1941 Вы 1941\n"));
        QVERIFY(!d.isBoldAt(int(text.indexOf("в- :  Наполеон")) + 1));
        QVERIFY(d.isBoldAt(int(text.indexOf("-+ :  Иван IV")) + 1));
        QCOMPARE(d.fontSize(), 10.0);
    }

    void summaryOfARunWithoutQuestions()
    {
        RunModel m(gen);
        m.setProtocol(true, "Иванов И.");
        m.begin(false, 0);
        m.startTopic(bank(), "1", "2", 0);
        m.answer({}, 0);
        m.addSummary("История", "Пустая тема", "01.09.2024  09:00:00");
        QCOMPARE(m.protocol().size(), size_t(1));
        QCOMPARE(describe(m.protocol().back()),
                 "S : Дата время|01.09.2024  09:00:00 ; Предмет|История ; Тема|Пустая тема ; Задано вопросов|0 ; "
                 "Получено правильных ответов|0 ; Оценка| ; Из всех баллов|0 ; Набрано баллов|0 ; "
                 "Оценка по баллам| ; Затрачено времени|0:00:00 ; Отвечал на вопросы|Иванов И.");
        DocxDocument doc;
        writeProtocol(doc, m.protocol());
        QCOMPARE(doc.model().tableCount(), 1);
        QVERIFY(doc.model().tableAt(1).borders);
        QVERIFY(doc.model().characters().endsWith(protocolSignatureLine() + u'\n'));
    }
};

QTEST_GUILESS_MAIN(RunModelTest)
#include "test_runmodel.moc"
