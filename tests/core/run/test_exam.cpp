// The exam's draw of distinct question positions.
#include "errors.h"
#include "exam.h"

#include <QTest>

class ExamDrawTest : public QObject
{
    Q_OBJECT
private slots:
    void drawsDistinctPositionsTheExamWay()
    {
        RandomGen gen(2024), same(2024);
        const auto flags = drawPositions(10, 4, gen);
        QCOMPARE(std::count(flags.begin(), flags.end(), true), 4);
        // The same draw by hand: d = Round(r * n), n itself and taken places drawn again.
        std::vector<bool> expected(10, false);
        for (int got = 0; got < 4;) {
            const qint64 d = same.draw(10);
            if (d < 10 && !expected[size_t(d)]) {
                expected[size_t(d)] = true;
                ++got;
            }
        }
        QCOMPARE(flags, expected);
        QCOMPARE(gen.state(), same.state());
    }

    void impossibleDrawsAreBounded()
    {
        RandomGen gen(1);
        const auto all = drawPositions(3, 7, gen); // more asked than there are: all of them
        QCOMPARE(std::count(all.begin(), all.end(), true), 3);
        QVERIFY(drawPositions(0, 2, gen).empty());
        const auto none = drawPositions(5, 0, gen);
        QCOMPARE(std::count(none.begin(), none.end(), true), 0);
        const auto big = drawPositions(2000, 1500, gen); // far beyond 900 positions
        QCOMPARE(std::count(big.begin(), big.end(), true), 1500);
    }

    void nadoTakesWhatTheTopicHas()
    {
        QCOMPARE(nadoFor(QStringLiteral("3"), QStringLiteral("5")), QStringLiteral("3"));
        QCOMPARE(nadoFor(QStringLiteral("12"), QStringLiteral(" 5 ")), QStringLiteral("5"));
        QCOMPARE(nadoFor(QStringLiteral("0"), QStringLiteral("5")), QStringLiteral("0"));
        QVERIFY_THROWS_EXCEPTION(TrivoError, nadoFor(QStringLiteral("x"), QStringLiteral("5")));
    }
};

QTEST_MAIN(ExamDrawTest)
#include "test_exam.moc"
