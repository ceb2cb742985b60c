// Judging answers and grading: partial credit and its rounding, the tick
// count with its voiding blank codes, exact answers, matching, numbered
// answers, the grade of a percentage and the lamps it lights.
#include "bank.h"
#include "checking.h"
#include "grading.h"
#include "remark.h"

#include <QtTest>

using Lamps = std::array<bool, 5>;
Q_DECLARE_METATYPE(Lamps)

namespace
{

// "t" = ticked, "-" = not; codes alongside.
std::vector<TickRow> tickRows(const QString &ticks, const QStringList &codes)
{
    std::vector<TickRow> rows;
    for (int i = 0; i < codes.size(); ++i)
        rows.push_back({ticks.at(i) == u't', codes[i]});
    return rows;
}

// "label|code|text;..." as the bank keeps a question's options.
std::vector<KeyOption> options(const QString &written)
{
    std::vector<KeyOption> out;
    for (const QString &o : written.split(u';')) {
        const QStringList f = o.split(u'|');
        out.push_back({f[0], f[1], f[2]});
    }
    return out;
}

} // namespace

class TestJudging : public QObject
{
    Q_OBJECT
private slots:
    void partialCredit_data();
    void partialCredit();
    void tickCount_data();
    void tickCount();
    void tickAnswerCode();
    void exactAnswer_data();
    void exactAnswer();
    void matching();
    void numbersRight();
    void remark_data();
    void remark();
    void grade_data();
    void grade();
    void gradeWithoutPercentage();
    void lamps_data();
    void lamps();
};

void TestJudging::partialCredit_data()
{
    QTest::addColumn<int>("earned");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("result");
    QTest::newRow("1 of 2 of 5: 2.5 -> 2") << 0 << 5 << 1 << 2 << 2;
    QTest::newRow("1 of 2 of 7: 3.5 -> 4") << 0 << 7 << 1 << 2 << 4;
    QTest::newRow("1 of 2 of 4") << 0 << 4 << 1 << 2 << 2;
    // The earned points are part of what is rounded: 1 + 2.5 = 3.5 -> 4.
    QTest::newRow("rounds the new total") << 1 << 5 << 1 << 2 << 4;
    QTest::newRow("2 of 3 of 3") << 10 << 3 << 2 << 3 << 12;
    QTest::newRow("3 of 3 of 3") << 10 << 3 << 3 << 3 << 13;
    QTest::newRow("1 of 3 of 1: 0.33 -> 0") << 6 << 1 << 1 << 3 << 6;
    QTest::newRow("2 of 3 of 1: 0.67 -> 1") << 6 << 1 << 2 << 3 << 7;
    QTest::newRow("none right") << 8 << 5 << 0 << 4 << 8;
    QTest::newRow("n = 0 leaves it") << 8 << 5 << 0 << 0 << 8;
    QTest::newRow("n = 0 with k > 0 leaves it") << 8 << 5 << 2 << 0 << 8;
}

void TestJudging::partialCredit()
{
    QFETCH(int, earned);
    QFETCH(int, points);
    QFETCH(int, k);
    QFETCH(int, n);
    QFETCH(int, result);
    QCOMPARE(::partialCredit(earned, points, k, n), result);
}

void TestJudging::tickCount_data()
{
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<int>("count");
    const QStringList twoRightOneBlank = {"+", "+", ""};
    QTest::newRow("both right ones") << "tt-" << twoRightOneBlank << 2;
    QTest::newRow("one right one") << "-t-" << twoRightOneBlank << 1;
    QTest::newRow("both right and the blank") << "ttt" << twoRightOneBlank << 0;
    QTest::newRow("nothing ticked") << "---" << twoRightOneBlank << 0;
    QTest::newRow("a 0 code does not void") << "tt-" << QStringList{"+", "0", "0"} << 1;
    QTest::newRow("blank before a right one voids") << "tt" << QStringList{"", "+"} << 0;
    QTest::newRow("blank after right ones voids") << "tt-t" << QStringList{"+", "+", "0", ""} << 0;
    QTest::newRow("codes trimmed") << "ttt" << QStringList{" + ", "+ ", " 0"} << 2;
    QTest::newRow("blanks only code voids") << "tt" << QStringList{"+", "  "} << 0;
    QTest::newRow("unticked blank harmless") << "t-t" << QStringList{"+", "", "+"} << 2;
    QTest::newRow("no options") << "" << QStringList{} << 0;
}

void TestJudging::tickCount()
{
    QFETCH(QString, ticks);
    QFETCH(QStringList, codes);
    QFETCH(int, count);
    QCOMPARE(::tickCount(tickRows(ticks, codes)), count);
}

void TestJudging::tickAnswerCode()
{
    QCOMPARE(::tickAnswerCode(true, true), QStringLiteral("в+"));
    QCOMPARE(::tickAnswerCode(true, false), QStringLiteral("в-"));
    QCOMPARE(::tickAnswerCode(false, true), QStringLiteral("-+"));
    QCOMPARE(::tickAnswerCode(false, false), QStringLiteral("--"));
}

void TestJudging::exactAnswer_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("right");
    QTest::newRow("year") << "1941"
                          << "1941" << true;
    QTest::newRow("trailing blank typed") << "1941 "
                                          << "1941" << true;
    QTest::newRow("blanks and tab around both") << "\t 1941"
                                                << " 1941  " << true;
    QTest::newRow("case of one letter") << "кутузов"
                                        << "Кутузов" << false;
    QTest::newRow("blanks around the dash") << "22.06.1941 - 09.05.1945"
                                            << "22.06.1941-09.05.1945" << false;
    QTest::newRow("no normalising of forms") << "1941 г."
                                             << "1941" << false;
    QTest::newRow("empty typed") << ""
                                 << "1941" << false;
    QTest::newRow("both empty") << " "
                                << "" << true;
    QTest::newRow("е and ё differ") << "Королёв"
                                    << "Королев" << false;
}

void TestJudging::exactAnswer()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(bool, right);
    QCOMPARE(exactAnswerRight(typed, expected), right);
}

void TestJudging::matching()
{
    using Pairs = std::vector<std::pair<QString, QString>>;
    QVERIFY(matchingRight(Pairs{{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}}));
    QVERIFY(!matchingRight(Pairs{{"1", "1"}, {"2", "2"}, {"3", "4"}, {"4", "3"}}));
    QVERIFY(!matchingRight(Pairs{{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "5"}})); // 3 of 4: nothing
    QVERIFY(!matchingRight(Pairs{{"1", " 1"}}));                                    // labels compared as stored
    QVERIFY(matchingRight(Pairs{}));
}

void TestJudging::numbersRight()
{
    QCOMPARE(::numbersRight({"1", "2", "3"}, {"1", "2", "3"}), 3);
    QCOMPARE(::numbersRight({" 1", "2 ", "1"}, {"1 ", " 2", "3"}), 2);
    QCOMPARE(::numbersRight({"", "2", "3"}, {"1", "2", "3"}), 2);
    QCOMPARE(::numbersRight({"01", "2"}, {"1", "2"}), 1); // texts, not numbers
    QCOMPARE(::numbersRight({"", ""}, {" ", ""}), 2);     // a blank right number is matched by a blank
    QCOMPARE(::numbersRight({"1"}, {"1", "2", "3"}), 1);  // rows not typed are not right
    QCOMPARE(::numbersRight({}, {}), 0);
}

void TestJudging::grade_data()
{
    QTest::addColumn<int>("earned");
    QTest::addColumn<int>("possible");
    QTest::addColumn<QString>("grade");
    QTest::newRow("11 of 20 = 55 %") << 11 << 20 << "3";
    QTest::newRow("10 of 20 = 50 %") << 10 << 20 << "2";
    QTest::newRow("14 of 20 = 70 %") << 14 << 20 << "4";
    QTest::newRow("17 of 20 = 85 %") << 17 << 20 << "5";
    QTest::newRow("16 of 20 = 80 %") << 16 << 20 << "4";
    QTest::newRow("20 of 20") << 20 << 20 << "5";
    QTest::newRow("0 of 20") << 0 << 20 << "2";
    QTest::newRow("2 of 20") << 2 << 20 << "2";
    QTest::newRow("549 of 1000 = 54.9 %") << 549 << 1000 << "2";
    QTest::newRow("3 of 6 judged") << 3 << 6 << "2";
    QTest::newRow("3 of 30 in the run") << 3 << 30 << "2";
    QTest::newRow("above 100 % keeps") << 21 << 20 << "prev";
    QTest::newRow("below 0 keeps") << -1 << 20 << "prev";
    QTest::newRow("divisor 0 keeps") << 0 << 0 << "prev";
    QTest::newRow("divisor 0 with points keeps") << 3 << 0 << "prev";
}

void TestJudging::grade()
{
    QFETCH(int, earned);
    QFETCH(int, possible);
    QFETCH(QString, grade);
    QCOMPARE(BalliOcenka(percentOf(earned, possible), GradeBounds{}, "prev"), grade);
}

void TestJudging::gradeWithoutPercentage()
{
    QVERIFY(!percentOf(5, 0).has_value());
    QCOMPARE(*percentOf(11, 20), 55.0);
    QCOMPARE(*percentOf(3, 6), 50.0);
    QCOMPARE(BalliOcenka(std::nullopt, GradeBounds{}), QString());
    QCOMPARE(BalliOcenka(std::nullopt, GradeBounds{}, "4"), QStringLiteral("4"));
    // Other bounds from the settings are honoured.
    const GradeBounds strict{60, 75, 90};
    QCOMPARE(BalliOcenka(55.0, strict), QStringLiteral("2"));
    QCOMPARE(BalliOcenka(60.0, strict), QStringLiteral("3"));
    QCOMPARE(BalliOcenka(89.9, strict), QStringLiteral("4"));
    QCOMPARE(BalliOcenka(90.0, strict), QStringLiteral("5"));
}

void TestJudging::lamps_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<Lamps>("lit");
    QTest::newRow("0 %") << 0.0 << Lamps{false, false, false, false, false};
    QTest::newRow("9.99 %") << 9.99 << Lamps{false, false, false, false, false};
    QTest::newRow("10 %") << 10.0 << Lamps{true, false, false, false, false};
    QTest::newRow("27.5 %") << 27.5 << Lamps{true, true, false, false, false};
    QTest::newRow("27.6 %") << 27.6 << Lamps{false, true, false, false, false};
    QTest::newRow("50 %") << 50.0 << Lamps{false, true, false, false, false};
    QTest::newRow("55 %") << 55.0 << Lamps{false, true, true, false, false};
    QTest::newRow("70 %") << 70.0 << Lamps{false, false, true, true, false};
    QTest::newRow("85 %") << 85.0 << Lamps{false, false, false, true, true};
    QTest::newRow("100 %") << 100.0 << Lamps{false, false, false, false, true};
    QTest::newRow("above 100 %") << 105.0 << Lamps{false, false, false, false, false};
}

void TestJudging::lamps()
{
    QFETCH(double, percent);
    QFETCH(Lamps, lit);
    QCOMPARE(lampsFor(percent, GradeBounds{}), lit);
}

// A kept answer judged again with the key as the bank holds it now: by the
// rules a run judges with, 3 points possible.
void TestJudging::remark_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("given");
    QTest::addColumn<int>("points"); // -1: cannot be judged again
    QTest::addColumn<bool>("right");
    QTest::addColumn<QString>("rightAnswer");
    const int exact = int(AnswerType::Exact), ticks = int(AnswerType::Ticks), ranking = int(AnswerType::Ranking),
              classes = int(AnswerType::Classification), matching = int(AnswerType::Matching);
    QTest::newRow("typed, key corrected") << exact << "1|Ф|988"
                                          << "988" << 3 << true << "988";
    QTest::newRow("typed, still wrong") << exact << "1|Ф|988"
                                        << "989" << 0 << false << "988";
    const QString abc = QStringLiteral("1|+|а;2||б;3|+|в");
    QTest::newRow("ticks, one of two: 1.5 to even") << ticks << abc << "а" << 2 << false << "а\nв";
    QTest::newRow("ticks, both") << ticks << abc << "а\nв" << 3 << true << "а\nв";
    QTest::newRow("ticks, a blank code voids") << ticks << abc << "а\nб" << 0 << false << "а\nв";
    QTest::newRow("ticks, none") << ticks << abc << "" << 0 << false << "а\nв";
    QTest::newRow("ticks, an option gone") << ticks << abc << "г" << -1 << false << "";
    QTest::newRow("ranking, one of three") << ranking << "1|1|Пётр I;2||Екатерина II;3||Александр I"
                                           << "Пётр I — 1\nЕкатерина II — 3\nАлександр I — 2" << 1 << false
                                           << "Пётр I — 1\nЕкатерина II — 2\nАлександр I — 3";
    QTest::newRow("classification, two of three")
        << classes << "1|+|кит;2|+|акула;1|+|дельфин;1|-|млекопитающие;2|-|рыбы"
        << "кит — 1\nакула — 2\nдельфин — 2" << 2 << false << "кит — 1\nакула — 2\nдельфин — 1";
    const QString pairs = QStringLiteral("1|+|1709;2|+|1703;1|-|Полтава;2|-|Петербург");
    QTest::newRow("matching, right") << matching << pairs << "Полтава — 1709\nПетербург — 1703" << 3 << true
                                     << "Полтава — 1709\nПетербург — 1703";
    QTest::newRow("matching, crossed") << matching << pairs << "Полтава — 1703\nПетербург — 1709" << 0 << false
                                       << "Полтава — 1709\nПетербург — 1703";
    QTest::newRow("the kind changed") << exact << abc << "а" << -1 << false << "";
    QTest::newRow("cut at the kept length") << exact << "1|Ф|988" << QString(2000, u'9') << -1 << false << "";
}

void TestJudging::remark()
{
    QFETCH(int, kind);
    QFETCH(QString, key);
    QFETCH(QString, given);
    QFETCH(int, points);
    QFETCH(bool, right);
    QFETCH(QString, rightAnswer);
    const auto r = remarkAnswer(answerTypeText(AnswerType(kind)), given, 3, options(key));
    QCOMPARE(r.has_value(), points >= 0);
    if (!r)
        return;
    QCOMPARE(r->points, points);
    QCOMPARE(r->right, right);
    QCOMPARE(r->rightAnswer, rightAnswer);
}

QTEST_GUILESS_MAIN(TestJudging)
#include "test_judging.moc"
