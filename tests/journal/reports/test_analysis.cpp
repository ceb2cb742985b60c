// The analysis of a topic's questions, on small journals whose figures are
// worked out by hand: first as a pure function, then the same runs written to
// the embedded database and to a real server and read back in one pass; and
// the pages of a pupil and of a class.
#include "JournalKit.h"
#include "pupilpages.h"
#include "questionanalysis.h"
#include "scoreline.h"

namespace
{
// Five runs of three one-point questions; the scores worked out by hand:
//        Q1 Q2 Q3   rest of the run for Q1 / Q2 / Q3
//   R1    1  1  1   1   1   1
//   R2    1  1  0   .5  .5  1
//   R3    1  0  0   0   .5  .5
//   R4    0  1  0   .5  0   .5
//   R5    1  0  1   .5  1   .5
// Q1: r = (5*2 - 4*2.5) / ... = 0
// Q2: r = (5*1.5 - 3*3) / sqrt((5*3 - 9) * (5*2.5 - 9)) = -1.5 / sqrt(21)
// Q3: r = (5*1.5 - 2*3.5) / sqrt((5*2 - 4) * (5*2.75 - 12.25)) = 0.5 / 3
// Alpha: item variances .2 + .3 + .3 = .8, totals 3 2 1 1 2 vary by .7:
// 3/2 * (1 - .8/.7) = -3/14.
const int scores[5][3] = {{1, 1, 1}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 1}};

AskedQuestion asked(const QString &key, int earned, int possible = 1)
{
    AskedQuestion q;
    q.key = key;
    q.text = QStringLiteral("Текст вопроса ") + key;
    q.answerType = QStringLiteral("Точный ответ");
    q.pointsPossible = possible;
    q.pointsEarned = earned;
    q.right = earned == possible;
    q.seconds = 10 * earned + 20;
    return q;
}

std::vector<AnalysedRun> handWorkedRuns()
{
    std::vector<AnalysedRun> runs;
    for (int r = 0; r < 5; ++r) {
        AnalysedRun run{
            QStringLiteral("История"), QStringLiteral("Смута"), QDateTime(QDate(2027, 2, 1 + r), QTime(9, 0)), {}};
        for (int q = 0; q < 3; ++q)
            run.questions.push_back(asked(QStringLiteral("Q%1").arg(q + 1), scores[r][q]));
        runs.push_back(std::move(run));
    }
    return runs;
}

// Ticks with options A to D, A and C right; a typed answer 1941.
std::vector<AnalysedRun> wrongAnswerRuns()
{
    std::vector<AnalysedRun> runs;
    const QStringList ticked = {"A\nB", "B", "A\nC", "D", ""};
    const QStringList typed = {"1942", "1942", "1941", "1914", ""};
    for (int r = 0; r < 5; ++r) {
        AskedQuestion t = asked("T", ticked[r] == "A\nC" ? 1 : 0);
        t.answerType = QStringLiteral("Птички поставить");
        t.given = ticked[r];
        t.rightAnswer = "A\nC";
        AskedQuestion e = asked("E", typed[r] == "1941" ? 1 : 0);
        e.given = typed[r];
        e.rightAnswer = "1941";
        AskedQuestion easy = asked("L", 1), hard = asked("H", 0, 2);
        runs.push_back({QStringLiteral("История"),
                        QStringLiteral("Даты"),
                        QDateTime(QDate(2027, 3, 1 + r), QTime(9, 0)),
                        {t, e, easy, hard}});
    }
    return runs;
}

const QuestionFigures &figures(const QuestionAnalysis &a, const QString &key)
{
    for (const QuestionFigures &f : a.questions)
        if (f.key == key)
            return f;
    static const QuestionFigures none;
    return none;
}

QString wrongList(const QuestionFigures &f)
{
    QStringList out;
    for (const WrongAnswer &w : f.wrongAnswers)
        out << QStringLiteral("%1:%2").arg(w.answer, QString::number(w.times));
    return out.join(u' ');
}

void checkHandWorked(const QuestionAnalysis &a)
{
    QCOMPARE(a.questions.size(), size_t(3));
    const double expected[3][3] = {{0.8, 0, 0}, {0.6, -1.5 / std::sqrt(21.0), 0}, {0.4, 0.5 / 3, 0}};
    for (int q = 0; q < 3; ++q) {
        const QuestionFigures &f = figures(a, QStringLiteral("Q%1").arg(q + 1));
        QCOMPARE(f.asked, 5);
        QCOMPARE(f.text, QStringLiteral("Текст вопроса Q%1").arg(q + 1));
        QVERIFY(qAbs(f.shareRight - expected[q][0]) < 1e-9);
        QVERIFY(qAbs(f.facility - expected[q][0]) < 1e-9);
        QVERIFY(f.discrimination.has_value());
        QVERIFY2(qAbs(*f.discrimination - expected[q][1]) < 1e-9, qPrintable(QString::number(*f.discrimination)));
        QVERIFY(qAbs(f.averageSeconds - (20 + 10 * expected[q][0])) < 1e-9);
    }
    // Q2 runs against the rest of the run, but five answers are too few to say so.
    QCOMPARE(figures(a, "Q2").flags, QStringList());
    QVERIFY(!figures(a, "Q2").keySuspect);
    QCOMPARE(a.topics.size(), size_t(1));
    const TopicReliability &t = a.topics[0];
    QCOMPARE(t.topic, QStringLiteral("Смута"));
    QCOMPARE((QList<int>{t.runs, t.questions, t.pool, t.pairs}), (QList<int>{5, 3, 3, 3}));
    QCOMPARE(t.basis, ReliabilityBasis::SameQuestions);
    QVERIFY(t.alpha.has_value());
    QVERIFY(qAbs(*t.alpha + 3.0 / 14) < 1e-9);
}

// Ten runs of a drawn test: each asks four of the questions A to E and
// leaves out one ("-"), each question left out twice.
//   A B C D E        A B C D E
//   - 1 1 1 1        - 0 0 0 0
//   0 - 1 1 0        1 - 1 0 1
//   1 1 - 1 1        0 0 - 1 0
//   0 0 1 - 0        1 1 1 - 1
//   1 1 1 1 -        0 1 0 0 -
// Each question was asked in 8 runs; the squared deviations from its mean
// over them are A 2, B 15/8, C 3/2, D 15/8, E 2: 37/4 over 5 * 7 = 35, so
// v = 37/140. Each pair was asked together in 6 runs; the products of the
// deviations from their means over those runs are AB 1, AC 1/2, AD 0, AE
// 3/2, BC 1/3, BD 1/3, BE 3/2, CD 1, CE 1/2, DE 0: 20/3 over 10 * 5 = 50, so
// c = 2/15. With four questions a run: 4c / (v + 3c) = 224/279.
std::vector<AnalysedRun> drawnRuns()
{
    const char *const rows[] = {"-1111", "0-110", "11-11", "001-0", "1111-",
                                "-0000", "1-101", "00-10", "111-1", "0100-"};
    std::vector<AnalysedRun> runs;
    for (int r = 0; r < 10; ++r) {
        AnalysedRun run{
            QStringLiteral("История"), QStringLiteral("Экзамен"), QDateTime(QDate(2027, 6, 1 + r), QTime(9, 0)), {}};
        for (int q = 0; q < 5; ++q)
            if (rows[r][q] != '-')
                run.questions.push_back(asked(QString(QChar(u'A' + q)), rows[r][q] - '0'));
        runs.push_back(std::move(run));
    }
    return runs;
}

// A question K of `possible` points typed with the key 1941 and a question F
// of four points, in runs given as "points of K, points of F[, the answer
// typed to K when it was wrong]".
std::vector<AnalysedRun> keyRuns(const QStringList &rows, int possible)
{
    std::vector<AnalysedRun> runs;
    for (const QString &row : rows) {
        const QStringList part = row.split(u' ');
        AskedQuestion k = asked("K", part[0].toInt(), possible);
        k.rightAnswer = QStringLiteral("1941");
        k.given = k.right ? k.rightAnswer : part.value(2);
        runs.push_back({QStringLiteral("История"),
                        QStringLiteral("Ключи"),
                        QDateTime(QDate(2027, 7, 1), QTime(9, 0)).addSecs(60 * qint64(runs.size())),
                        {k, asked("F", part[1].toInt(), 4)}});
    }
    return runs;
}

QStringList repeated(const QString &row, int times)
{
    return QStringList(times, row);
}
} // namespace

class AnalysisTest : public QObject, JournalFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { startOrSkip(); }
    void cleanupTestCase() { pg.reset(); }

    void figuresWorkedOutByHand()
    {
        checkHandWorked(analyseQuestions(handWorkedRuns()));

        const QuestionAnalysis a = analyseQuestions(wrongAnswerRuns());
        QCOMPARE(wrongList(figures(a, "T")), QStringLiteral("B:2 D:1"));
        QCOMPARE(wrongList(figures(a, "E")), QStringLiteral("1942:2 1914:1"));
        QCOMPARE(figures(a, "T").rightAnswer, QStringLiteral("A\nC"));
        // Everyone right: nothing to correlate.
        QVERIFY(!figures(a, "L").discrimination.has_value());
        // A partly right answer counts its share of the points.
        AnalysedRun partial = handWorkedRuns()[0];
        partial.questions = {asked("P", 1, 4), asked("P2", 1)};
        const QuestionAnalysis p = analyseQuestions({partial});
        QCOMPARE(figures(p, "P").facility, 0.25);
        QCOMPARE(figures(p, "P").shareRight, 0.0);
        // Too few answers for flags, too few runs for the alpha.
        QCOMPARE(figures(p, "P").flags, QStringList());
        QVERIFY(!p.topics[0].alpha.has_value());
        QVERIFY(analyseQuestions(std::vector<AnalysedRun>{}).questions.empty());
    }

    // The flags of K in small journals; the discriminations worked out by
    // hand, the bounds by Fisher's z: tanh(atanh(r) + z / sqrt(n - 3)), z
    // 1.2816 for 90 %, 0.6745 for 75 %.
    void flagsNeedEvidence_data()
    {
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<int>("possible");
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QString>("strong");
        const QString easy = QStringLiteral("слишком лёгкий: набрано более 90 % баллов");
        const QString hard = QStringLiteral("слишком трудный: набрано менее 20 % баллов");
        const QString named = QStringLiteral("возможно, ошибка в ключе — сильные ученики чаще отвечают «%1»: "
                                             "проверьте ключ");

        // Difficulty goes by the share of the points: 2 of 3 in every run is 67 %.
        QTest::newRow("partial credit is not failure")
            << QStringList{"2 0", "2 1", "2 2", "2 3", "2 4", "2 1", "2 2", "2 3"} << 3 << QStringList() << QString();
        QTest::newRow("full marks") << repeated("1 2", 8) << 1 << QStringList{easy} << QString();
        // 29 of 32 points is 90.6 %, though only 7 of 8 runs were right.
        QTest::newRow("most points") << repeated("4 2", 7) + QStringList{"1 2"} << 4 << QStringList{easy} << QString();
        QTest::newRow("few points") << repeated("0 1", 6) + repeated("1 1", 2) << 2 << QStringList{hard} << QString();
        QTest::newRow("a fifth is not too hard") << repeated("1 2", 8) << 5 << QStringList() << QString();
        QTest::newRow("seven answers") << repeated("1 2", 7) << 1 << QStringList() << QString();

        // Right with F 0 0 1 1, wrong with F 1 1 1 1: r = -1 / sqrt(3) =
        // -0.577, bound tanh(-0.658 + 0.573) = -0.085 < 0. The six runs
        // with F 1 share the upper third: four typed 988, two the key.
        const QStringList reversed = {"1 0", "1 0", "1 1", "1 1", "0 1 988", "0 1 988", "0 1 988", "0 1 988"};
        QTest::newRow("reversed, answer named") << reversed << 1 << QStringList{named.arg("988")} << "988";
        QStringList untyped = reversed;
        untyped.replaceInStrings(" 988", "");
        QTest::newRow("reversed, nothing typed")
            << untyped << 1 << QStringList{QStringLiteral("отрицательная различающая сила: возможно, ошибка в ключе")}
            << QString();
        // Right with F 0 1 1 1: r = -1 / sqrt(7) = -0.378, bound
        // tanh(-0.398 + 0.573) = +0.17: chance.
        QTest::newRow("negative by chance")
            << QStringList{"1 0", "1 1", "1 1", "1 1", "0 1 988", "0 1 988", "0 1 988", "0 1 988"} << 1 << QStringList()
            << QString();

        // Fifteen runs, r = -2.2 / sqrt(3.6 * 16.4) = -0.286: the 90 % bound
        // tanh(-0.294 + 0.370) = +0.075 is not enough alone, the 75 % bound
        // tanh(-0.294 + 0.195) = -0.099 is with the upper third (the five
        // runs with F 4) typing the same wrong answer more often than the key.
        const QStringList strong = {"0 4 988", "0 4 988", "0 4 988", "1 4", "1 4", "0 3 1000", "0 3 1001", "1 3",
                                    "1 3",     "1 2",     "1 2",     "1 2", "1 2", "0 1 1002", "1 1"};
        QTest::newRow("strong pupils agree") << strong << 1 << QStringList{named.arg("988")} << "988";
        const QStringList weak = {"0 4 1003", "0 4 1004", "0 4 1005", "1 4", "1 4", "0 3 988", "0 3 988", "1 3",
                                  "1 3",      "1 2",      "1 2",      "1 2", "1 2", "0 1 988", "1 1"};
        QTest::newRow("weak pupils agree") << weak << 1 << QStringList() << QString();

        // No one right, so no discrimination. With the F above, the five with
        // F 4 type 1812, four more 1813, the rest answers of their own:
        // typing 1812 against F (mean 2.8) r = 6 / sqrt(10/3 * 16.4) = 0.81,
        // lower bound tanh(1.13 - 0.37) = 0.64 > 0. Then the other way round:
        // 1812 from the five at the bottom.
        QStringList none = strong, noneWeak = strong;
        for (int i = 0; i < 15; ++i) {
            const QString f = QStringLiteral("0 ") + strong[i].section(u' ', 1, 1) + u' ';
            none[i] = f + QString::number(i < 5 ? 1812 : i < 9 ? 1813 : 1000 + i);
            noneWeak[i] = f + QString::number(i >= 10 ? 1812 : i < 4 ? 1813 : 1000 + i);
        }
        QTest::newRow("no one right, strong agree") << none << 1 << QStringList{hard, named.arg("1812")} << "1812";
        QTest::newRow("no one right, weak agree") << noneWeak << 1 << QStringList{hard} << QString();
    }

    void flagsNeedEvidence()
    {
        QFETCH(QStringList, runs);
        QFETCH(int, possible);
        QFETCH(QStringList, flags);
        QFETCH(QString, strong);
        const QuestionFigures &k = figures(analyseQuestions(keyRuns(runs, possible)), "K");
        QCOMPARE(k.flags, flags);
        QCOMPARE(k.strongAnswer, strong);
        QCOMPARE(k.keySuspect, flags.join(u' ').contains(QStringLiteral("ключ")));
    }

    void reliabilityOfDrawnRuns()
    {
        const TopicReliability drawn = analyseQuestions(drawnRuns()).topics.at(0);
        QCOMPARE(drawn.basis, ReliabilityBasis::Pairs);
        QCOMPARE((QList<int>{drawn.runs, drawn.questions, drawn.pool, drawn.pairs}), (QList<int>{10, 4, 5, 10}));
        QVERIFY(drawn.alpha.has_value());
        QVERIFY2(qAbs(*drawn.alpha - 224.0 / 279) < 1e-12, qPrintable(QString::number(*drawn.alpha)));
        // Six runs of two questions: only AB and CD are asked together twice.
        std::vector<AnalysedRun> pairs;
        for (const char *two : {"AB", "AB", "CD", "CD", "AC", "BD"}) {
            const int r = int(pairs.size());
            pairs.push_back({QStringLiteral("История"),
                             QStringLiteral("Экзамен"),
                             QDateTime(QDate(2027, 6, 1 + r), QTime(9, 0)),
                             {asked(QString(QChar(two[0])), r % 2), asked(QString(QChar(two[1])), r / 3)}});
        }
        const TopicReliability few = analyseQuestions(pairs).topics.at(0);
        QCOMPARE((QList<int>{few.runs, few.questions, few.pool, few.pairs}), (QList<int>{6, 2, 4, 2}));
        QVERIFY(!few.alpha.has_value());

        QCOMPARE(reliabilityWord(0.8), QStringLiteral("высокая"));
        QCOMPARE(reliabilityWord(0.7951), QStringLiteral("высокая")); // shown as 0,80
        QCOMPARE(reliabilityWord(0.7949), QStringLiteral("достаточная"));
        QCOMPARE(reliabilityWord(0.7), QStringLiteral("достаточная"));
        QCOMPARE(reliabilityWord(0.6949), QStringLiteral("низкая"));
        QCOMPARE(reliabilityWord(-3.0 / 14), QStringLiteral("низкая"));
        QStringList counted;
        for (int n : {1, 3, 7, 11, 21, 22})
            counted << fewAnswersText(n);
        QCOMPARE(counted.join(u'|'), QStringLiteral("мало данных (1 ответ)|мало данных (3 ответа)|мало данных (7 "
                                                    "ответов)|мало данных (11 ответов)|мало данных (21 ответ)|мало "
                                                    "данных (22 ответа)"));
    }

    void journalGivesTheSameFigures()
    {
        Journal j(freshSettings());
        for (const std::vector<AnalysedRun> &set : {handWorkedRuns(), wrongAnswerRuns()})
            for (const AnalysedRun &run : set) {
                RunResult r = sampleResult(QStringLiteral("Ученик %1").arg(run.started.date().day()));
                r.topic = run.topic;
                r.started = run.started;
                r.questions.clear();
                for (const AskedQuestion &a : run.questions) {
                    QuestionResult q{a.key, a.answerType, a.pointsPossible, a.pointsEarned, true, a.right,
                                     0,     a.seconds};
                    q.text = a.text;
                    q.given = a.given;
                    q.rightAnswer = a.rightAnswer;
                    r.questions.push_back(q);
                }
                QCOMPARE(j.record(r), Journal::Recorded::InJournal);
            }
        auto check = [&] {
            QString error;
            const auto a = analyseQuestions(j, {.subject = "История", .topic = "Смута"}, error);
            QVERIFY2(a, qPrintable(error));
            checkHandWorked(*a);
            const auto b = analyseQuestions(j, {.topic = "Даты"}, error);
            QVERIFY(b);
            QCOMPARE(wrongList(figures(*b, "T")), QStringLiteral("B:2 D:1"));
            QCOMPARE(b->questions.size(), size_t(4));
            QVERIFY(analyseQuestions(j, {.topic = "Нет такой"}, error)->questions.empty());
        };
        check();
        // Runs kept before each run had its line of questions: their
        // question rows are read instead, to the same figures.
        QSqlQuery blank(j.database());
        QVERIFY(blank.exec("UPDATE results SET scores = '' WHERE id IN (SELECT id FROM results ORDER BY id LIMIT 5)"));
        QCOMPARE(blank.numRowsAffected(), 5);
        check();

        // The line keeps any answer whole, but for the two marks it is made of.
        RunResult r;
        r.questions = {{"K", "Точный ответ", 2, 1, true, false, 0, 7}, {"L", "Ранжирование", 1, 0, true, false, 0, 3}};
        r.questions[0].given = QStringLiteral("a\x1F"
                                              "b\nв «c»");
        r.questions[1].given = QStringLiteral("not kept");
        const auto back = askedFromScores(questionScores(r));
        QVERIFY(back && back->size() == 2);
        QCOMPARE(back->at(0).given, QStringLiteral("a b\nв «c»"));
        QCOMPARE(back->at(0).answerType, QStringLiteral("Точный ответ"));
        QCOMPARE(back->at(0).pointsEarned, 1);
        QCOMPARE(back->at(1).given, QString());
        QVERIFY(!askedFromScores(u"K\x1F"
                                 u"1\x1F"
                                 u"0"));
    }

    // The journal reads a question's text apart from its answers: the text,
    // type and right answer are still the latest run's, by its start and
    // not by when it was written, also when that run answered it right.
    void latestTextFromTheJournal()
    {
        std::vector<AnalysedRun> runs;
        for (int r = 0; r < 4; ++r) {
            AskedQuestion q = asked("K", r == 1 ? 1 : 0);
            q.text = QStringLiteral("Текст, редакция %1").arg(r);
            q.answerType = r == 1 ? QStringLiteral("Птички поставить") : QStringLiteral("Точный ответ");
            q.rightAnswer = QStringLiteral("ответ %1").arg(r);
            q.given = QStringLiteral("не то");
            // The second run written started last.
            const QDate day = QDate(2027, 5, r == 1 ? 9 : 1 + r);
            runs.push_back({QStringLiteral("История"),
                            QStringLiteral("Правки"),
                            QDateTime(day, QTime(9, 0)),
                            {asked("M", r % 2), q}});
        }
        Journal j(freshSettings());
        for (const AnalysedRun &run : runs) {
            RunResult r = sampleResult();
            r.topic = run.topic;
            r.started = run.started;
            r.questions.clear();
            for (const AskedQuestion &a : run.questions) {
                QuestionResult q{a.key, a.answerType, a.pointsPossible, a.pointsEarned, true, a.right, 0, a.seconds};
                q.text = a.text;
                q.given = a.given;
                q.rightAnswer = a.rightAnswer;
                r.questions.push_back(q);
            }
            QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        }
        QString error;
        const auto read = analyseQuestions(j, {.topic = "Правки"}, error);
        QVERIFY2(read, qPrintable(error));
        const QuestionAnalysis expected = analyseQuestions(runs);
        QCOMPARE(figures(expected, "K").text, QStringLiteral("Текст, редакция 1"));
        for (const char *key : {"K", "M"}) {
            const QuestionFigures &want = figures(expected, key), &got = figures(*read, key);
            QCOMPARE(got.asked, want.asked);
            QCOMPARE(got.text, want.text);
            QCOMPARE(got.answerType, want.answerType);
            QCOMPARE(got.rightAnswer, want.rightAnswer);
            QCOMPARE(wrongList(got), wrongList(want));
        }
    }

    void pagesOfAPupilAndOfAClass()
    {
        Journal j(freshSettings());
        const QDateTime day(QDate(2027, 4, 5), QTime(10, 0));
        // pupil, class, topic, grade, points earned of 4, days after the first
        const std::vector<std::tuple<QString, QString, QString, QString, int, int>> runs = {
            {"Аня", "9А", "Т1", "5", 4, 0},
            {"Аня", "9А", "Т2", "3", 2, 1},
            {"Аня", "", "Т1", "0", 0, 2},
            {"Боря", "9А", "Т1", "4", 3, 0},
            {"Вера", "9Б", "Т2", "2", 0, 0}};
        for (const auto &[pupil, className, topic, grade, earned, after] : runs) {
            RunResult r = sampleResult(pupil);
            r.className = className;
            r.topic = topic;
            r.grade = grade;
            r.started = day.addDays(after);
            QuestionResult q{"1_" + topic, "Точный ответ", 4, earned, grade != "0", earned == 4, 0, 30};
            r.questions = {q};
            QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        }
        QString error;
        const auto anya = pupilPage(j, "  аня ", {}, error, day.addDays(3));
        QVERIFY2(anya, qPrintable(error));
        QCOMPARE(anya->pupil, QStringLiteral("Аня"));
        QCOMPARE(anya->className, QStringLiteral("9А")); // the last run that named one
        QCOMPARE((QList<int>{anya->runs, anya->stopped, int(anya->grades.size())}), (QList<int>{3, 1, 2}));
        QCOMPARE(*anya->averageGrade, 4.0);
        QCOMPARE(anya->lastGrade, QStringLiteral("3"));
        QCOMPARE(anya->list.size(), size_t(3)); // the latest first
        QCOMPARE(anya->list[0].grade + anya->list[1].topic + anya->list[2].grade, QStringLiteral("0Т25"));
        // Т1 lost 4 in the stopped run, Т2 lost 2.
        QCOMPARE(anya->weakTopics.size(), size_t(2));
        QCOMPARE((QList<int>{anya->weakTopics[0].pointsLost, anya->weakTopics[0].runs, anya->weakTopics[1].pointsLost}),
                 (QList<int>{4, 2, 2}));
        QCOMPARE(anya->weakTopics[0].topic, QStringLiteral("Т1"));
        // Т2's mistake of day 1 is due on day 2: due and not yet repeated on day 3.
        QCOMPARE(anya->memory.size(), size_t(1));
        QCOMPARE((QList<int>{anya->memory[0].learnt, anya->memory[0].due, anya->memory[0].notRepeated}),
                 (QList<int>{0, 1, 1}));

        const auto nineA = classPage(j, "9А", {}, error);
        QVERIFY(nineA);
        QCOMPARE(nineA->size(), size_t(2)); // Аня's run without a class is not the class's
        QCOMPARE((QList<int>{(*nineA)[0].runs, (*nineA)[1].runs}), (QList<int>{2, 1}));
        QCOMPARE(*(*nineA)[0].averageGrade, 4.0);
        QCOMPARE((*nineA)[1].lastGrade, QStringLiteral("4"));
        const auto classes = classSummaries(j, {}, error);
        QVERIFY(classes);
        QCOMPARE(classes->size(), size_t(2));
        QCOMPARE((QList<int>{(*classes)[0].pupils, (*classes)[0].runs, (*classes)[1].runs}), (QList<int>{2, 3, 1}));
        QCOMPARE(*(*classes)[0].averageGrade, 4.0);
        QCOMPARE(*(*classes)[1].averageGrade, 2.0);
        QCOMPARE(journalClasses(j, {}), (QStringList{"9А", "9Б"}));
        // The filters narrow the classes and the results of a class alike.
        QCOMPARE(classSummaries(j, {.topic = "Т2"}, error)->size(), size_t(2));
        QCOMPARE(classPage(j, "9А", {.topic = "Т2"}, error)->size(), size_t(1));

        // The teacher's reset: the schedule is forgotten and the old answers no longer count.
        QCOMPARE(resetSchedule(j, "АНЯ", error), std::optional<int>(1));
        QVERIFY(pupilPage(j, "Аня", {}, error, day.addDays(3))->memory.empty());
        QTest::qWait(1100); // times are kept to the second
        RunResult again = sampleResult("Аня");
        again.started = QDateTime::currentDateTime().addSecs(2);
        again.questions = {{"1_Т1", "Точный ответ", 4, 4, true, true, 0, 30}};
        QCOMPARE(j.record(again), Journal::Recorded::InJournal);
        QCOMPARE(j.scheduledQuestions("Аня", "История")->size(), size_t(0)); // right from the first answer since
    }
};

QTEST_MAIN(AnalysisTest)
#include "test_analysis.moc"
