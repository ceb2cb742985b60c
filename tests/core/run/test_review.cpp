// The scheduling of a pupil's mistakes, played over two months with the dates
// passed in. The figures below were worked out by hand from the FSRS-4.5
// formulas and default parameters named in review.cpp (w0 = 0.4872,
// w4 = 5.1618, w5 = 1.2298, w6 = 0.8975, w7 = 0.031, w8 = 1.6474, w9 = 0.1367,
// w10 = 1.0461, w11 = 2.1072, w12 = 0.0793, w13 = 0.3246, w14 = 1.587,
// w15 = 0.2272), rounded to four places.
#include "review.h"

#include <QTest>

namespace
{
// In universal time: the days between answers are 24 hours whatever the
// zone of the machine running the test (its clock change falls in March).
const QDateTime firstDay(QDate(2027, 3, 1), QTime(10, 0), Qt::UTC);

ReviewAnswer answer(const QDateTime &at, bool right, bool hinted = false, const QString &hash = {})
{
    return {at, right, hinted, hash};
}
} // namespace

class ReviewTest : public QObject
{
    Q_OBJECT
private slots:
    // A pupil who gets a question wrong on 1 March and then answers it on
    // every day it comes due, wrong once more on 25 March.
    void twoMonthsOfAMistakeBeingLearnt_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("right");
        QTest::addColumn<double>("stability");
        QTest::addColumn<double>("difficulty");
        QTest::addColumn<int>("interval");
        // Wrong first: S0(Again) = w0 = 0.4872, D0(Again) = w4 + 2 w5 = 7.6214; back the next day.
        QTest::newRow("01.03 wrong") << QDate(2027, 3, 1) << false << 0.4872 << 7.6214 << 1;
        // t = 1: R = (1 + 19/81 / 0.4872)^-0.5 = 0.8216;
        // D = 0.031 * 5.1618 + 0.969 * 7.6214 = 7.5452;
        // S = 0.4872 (1 + e^1.6474 * 3.3786 * 0.4872^-0.1367 * (e^(1.0461 * 0.1784) - 1)) = 2.4225;
        // round(S) = 2, longer than the 1 before.
        QTest::newRow("02.03 right") << QDate(2027, 3, 2) << true << 2.4225 << 7.5452 << 2;
        // t = 2: R = 0.9153, S = 5.9911, D = 7.4713.
        QTest::newRow("04.03 right") << QDate(2027, 3, 4) << true << 5.9911 << 7.4713 << 6;
        // t = 6: R = 0.8999, S = 15.4832, D = 7.3997.
        QTest::newRow("10.03 right") << QDate(2027, 3, 10) << true << 15.4832 << 7.3997 << 15;
        // A lapse at t = 15, R = 0.9027: S = 2.1072 * 7.3997^-0.0793 * (16.4832^0.3246 - 1)
        // * e^(1.587 * 0.0973) = 3.1126 and D = 0.16002 + 0.969 (7.3997 + 1.795) = 9.0697;
        // FSRS would wait 3 days, the pupil sees it again the next day.
        QTest::newRow("25.03 wrong") << QDate(2027, 3, 25) << false << 3.1126 << 9.0697 << 1;
        // t = 1: R = 0.9643, S = 4.1286, D = 8.9485.
        QTest::newRow("26.03 right") << QDate(2027, 3, 26) << true << 4.1286 << 8.9485 << 4;
        // t = 4: R = 0.9027, S = 8.0122, D = 8.8311.
        QTest::newRow("30.03 right") << QDate(2027, 3, 30) << true << 8.0122 << 8.8311 << 8;
        // t = 8: R = 0.9001, S = 15.4903, D = 8.7174.
        QTest::newRow("07.04 right") << QDate(2027, 4, 7) << true << 15.4903 << 8.7174 << 15;
        // t = 15: R = 0.9027, S = 29.0160, D = 8.6072: next on 21 May.
        QTest::newRow("22.04 right") << QDate(2027, 4, 22) << true << 29.0160 << 8.6072 << 29;
    }
    void twoMonthsOfAMistakeBeingLearnt()
    {
        static QuestionMemory m; // carried from row to row: the rows are the days in order
        QFETCH(QDate, day);
        QFETCH(bool, right);
        QFETCH(double, stability);
        QFETCH(double, difficulty);
        QFETCH(int, interval);
        const QDateTime at(day, QTime(10, 0), Qt::UTC);
        if (day == firstDay.date())
            m = {};
        // The pupil comes exactly when the question is due.
        QVERIFY(!m.scheduled() || m.due == at);
        m = afterAnswer(m, answer(at, right));
        QVERIFY2(qAbs(m.stability - stability) < 5e-4, qPrintable(QString::number(m.stability, 'f', 6)));
        QVERIFY2(qAbs(m.difficulty - difficulty) < 5e-4, qPrintable(QString::number(m.difficulty, 'f', 6)));
        QCOMPARE(m.interval, interval);
        QCOMPARE(m.due, at.addDays(interval));
    }

    void theForgettingCurveIsNinetyPercentAfterOneStability()
    {
        QCOMPARE(recallChance(0, 3.0), 1.0);
        QVERIFY(qAbs(recallChance(15.4832, 15.4832) - 0.9) < 1e-9);
        QVERIFY(qAbs(recallChance(1, 0.4872) - 0.8216) < 5e-5);
    }

    void aQuestionRightFromTheStartIsNeverScheduled()
    {
        QuestionMemory m;
        for (int day = 0; day < 61; ++day)
            m = afterAnswer(m, answer(firstDay.addDays(day), true));
        QVERIFY(!m.scheduled());
        QCOMPARE(m.right, 61);
        QCOMPARE(m.wrong, 0);
        // The first mistake, even late, schedules it from the start: S0(Again), one day.
        m = afterAnswer(m, answer(firstDay.addDays(61), false));
        QCOMPARE(m.stability, 0.4872);
        QCOMPARE(m.due, firstDay.addDays(62));
        QCOMPARE(m.wrong, 1);
    }

    // Answers a few minutes or hours apart. Each is a letter (w wrong, r
    // right, h right with a hint) and its minute counted from 1 March 10:00.
    // The time elapsed is in days with their fraction: t = minutes / 1440.
    // A right answer a day or more after the last waits longer than the
    // interval before; one within a day keeps the interval, and so stays
    // where the stability puts it.
    void repeatsWithinADay_data()
    {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<double>("stability");
        QTest::addColumn<int>("interval");
        // Day two as in the table above (S = 2.4225, 2 days), then five more
        // right answers ten minutes apart, t = 0.006944: R = 0.99966, and
        // each S' = S (1 + e^1.6474 (11 - D) S^-0.1367 (e^(1.0461 (1 - R)) - 1))
        // adds about 0.6 %: 2.4360, 2.4498, 2.4639, 2.4783, 2.4929. Two days
        // still, where a day more for each answer made seven.
        QTest::newRow("six right in one lesson") << "w0 r1440 r1450 r1460 r1470 r1480 r1490" << 2.4929 << 2;
        // Two minutes, not a day: t = 0.001389, R = 0.99967,
        // S = 0.4872 (1 + 5.1934 * 3.3786 * 0.4872^-0.1367 * 0.000349) = 0.4905;
        // counted as a day it made S = 2.4225 and two days.
        QTest::newRow("wrong at 23:59, right at 00:01") << "w839 r841" << 0.4905 << 1;
        // Twenty-three hours: t = 0.9583, R = 0.8272, S = 2.3558.
        QTest::newRow("right 23 hours later") << "w0 r1380" << 2.3558 << 2;
        // A lapse three hours on: t = 0.125, R = 0.9712,
        // S = 2.1072 * 7.6214^-0.0793 * (1.4872^0.3246 - 1) * e^(1.587 * 0.0288) = 0.2582.
        QTest::newRow("wrong twice three hours apart") << "w0 w180" << 0.2582 << 1;
        // Found with a hint the next day (Hard: S = 0.9269, rounded 1, but
        // longer than the day before: 2), then right three times in the
        // lesson: S = 0.9384, 0.9504, 0.9628 rounds to 1, the two days stay.
        QTest::newRow("hinted, then right in the lesson") << "w0 h1440 r1450 r1460 r1470" << 0.9628 << 2;
    }
    void repeatsWithinADay()
    {
        QFETCH(QString, answers);
        QFETCH(double, stability);
        QFETCH(int, interval);
        QuestionMemory m;
        QDateTime at;
        for (const QString &a : answers.split(u' ')) {
            at = firstDay.addSecs(a.mid(1).toLongLong() * 60);
            m = afterAnswer(m, answer(at, a[0] != u'w', a[0] == u'h'));
        }
        QVERIFY2(qAbs(m.stability - stability) < 5e-4, qPrintable(QString::number(m.stability, 'f', 6)));
        QCOMPARE(m.interval, interval);
        QCOMPARE(m.due, at.addDays(interval));
    }

    void aChangedQuestionStartsAfresh()
    {
        const std::vector<ReviewAnswer> answers = {answer(firstDay, false, false, "old"),
                                                   answer(firstDay.addDays(1), true, false, "old"),
                                                   answer(firstDay.addDays(3), true, false, "new")};
        const QuestionMemory m = replayAnswers(answers);
        QVERIFY(!m.scheduled()); // the new text was answered right from the start
        QCOMPARE(m.right, 1);
        QCOMPARE(m.wrong, 0);
        QCOMPARE(m.textHash, QStringLiteral("new"));
        // Answers kept before the texts were hashed belong to any text.
        const QuestionMemory k =
            replayAnswers({answer(firstDay, false), answer(firstDay.addDays(1), true, false, "h")});
        QCOMPARE(k.interval, 2);
        QCOMPARE(questionTextHash(QStringLiteral(" Кто? \n")), questionTextHash(QStringLiteral("Кто?")));
        QVERIFY(questionTextHash(QStringLiteral("Кто?")) != questionTextHash(QStringLiteral("Когда?")));
    }

    void whatIsDueTodayMostOverdueFirst()
    {
        const QDate today(2027, 3, 10);
        const QHash<QString, QString> bank = {
            {"1_1_1_1", "a"}, {"1_1_1_2", "b"}, {"1_1_1_3", "c"}, {"1_1_1_4", "d"}, {"1_1_1_5", "e"}};
        const std::vector<DueQuestion> scheduled = {
            {"1_1_1_1", "a", QDateTime(today, QTime(23, 0))}, // due tonight: today
            {"1_1_1_2", "b", QDateTime(today.addDays(-4), QTime(9, 0))},
            {"1_1_1_3", "changed", QDateTime(today.addDays(-9), {})}, // text changed: afresh
            {"1_1_1_9", "z", QDateTime(today.addDays(-9), {})},       // gone from the bank
            {"1_1_1_4", "d", QDateTime(today.addDays(2), QTime(8, 0))},
            {"1_1_1_5", "e", QDateTime(today.addDays(1), QTime(12, 0))},
        };
        auto keys = [](const std::vector<DueQuestion> &due) {
            QStringList k;
            for (const DueQuestion &q : due)
                k << q.key;
            return k;
        };
        QCOMPARE(keys(questionsToRepeat(scheduled, bank, today, 10)), QStringList({"1_1_1_2", "1_1_1_1"}));
        QCOMPARE(keys(questionsToRepeat(scheduled, bank, today, 1)), QStringList({"1_1_1_2"}));
        QVERIFY(questionsToRepeat(scheduled, bank, today, -1).empty());
        QCOMPARE(nextDue(scheduled, bank, today), QDateTime(today.addDays(1), QTime(12, 0)));
        QVERIFY(!nextDue(scheduled, bank, today.addDays(2)).isValid());
    }

    void theCountAgreesWithItsWord()
    {
        const std::pair<int, const char *> counts[] = {
            {1, "1 вопрос"},     {2, "2 вопроса"},  {4, "4 вопроса"},   {5, "5 вопросов"},     {11, "11 вопросов"},
            {14, "14 вопросов"}, {21, "21 вопрос"}, {22, "22 вопроса"}, {111, "111 вопросов"}, {102, "102 вопроса"}};
        for (const auto &[n, text] : counts)
            QCOMPARE(repeatTodayText(n), QStringLiteral("Повторить сегодня: ") + QString::fromUtf8(text));
    }

    // What a run of mistakes says at its end. Each question: r answered
    // right, w answered wrong, - shown and left; those never shown are the
    // rest of asked. Wrong ones come back the day after the run ended, those
    // left are still due that day.
    void whatARunOfMistakesCameTo_data()
    {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QString>("said");
        const QDateTime evening(QDate(2026, 12, 9), QTime(23, 59, 50));
        QTest::newRow("all put right") << "rrrrr" << 5 << evening << "Исправлено 5 из 5.";
        QTest::newRow("two wrong") << "rwrwr" << 5 << evening << "Исправлено 3 из 5. 2 вопроса вернутся 10.12.2026.";
        QTest::newRow("one wrong") << "rw" << 2 << evening << "Исправлено 1 из 2. 1 вопрос вернётся 10.12.2026.";
        QTest::newRow("five wrong") << "wwwww" << 5 << evening << "Исправлено 0 из 5. 5 вопросов вернутся 10.12.2026.";
        QTest::newRow("after midnight") << "w" << 1 << QDateTime(QDate(2026, 12, 10), QTime(0, 0, 5))
                                        << "Исправлено 0 из 1. 1 вопрос вернётся 11.12.2026.";
        QTest::newRow("stopped: the rest stay due")
            << "rw-" << 5 << evening << "Исправлено 1 из 5. 4 вопроса вернутся 09.12.2026.";
        QTest::newRow("stopped with all shown right")
            << "rr" << 3 << evening << "Исправлено 2 из 3. 1 вопрос вернётся 09.12.2026.";
        QTest::newRow("nothing to ask") << "" << 0 << evening << "Исправлено 0 из 0.";
    }

    void whatARunOfMistakesCameTo()
    {
        QFETCH(QString, answers);
        QFETCH(int, asked);
        QFETCH(QDateTime, end);
        QFETCH(QString, said);
        std::vector<QuestionResult> questions;
        int corrected = 0;
        for (const QChar c : answers) {
            QuestionResult q;
            q.answered = c != u'-';
            q.right = c == u'r';
            corrected += q.right ? 1 : 0;
            questions.push_back(q);
        }
        QCOMPARE(reviewOutcomeText(corrected, asked, reviewComesBack(questions, asked, end)), said);
    }
};

QTEST_APPLESS_MAIN(ReviewTest)
#include "test_review.moc"
