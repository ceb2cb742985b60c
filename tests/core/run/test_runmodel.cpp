// Whole runs played on the run model alone: counters, grades, lamps, the
// clocks, putting off and repeating, stopping and starting again.
#include "DocxDocument.h"
#include "ProtocolDocument.h"
#include "RunKit.h"
#include "programstate.h"
#include "runmodel.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>

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
    void init() { startWithFourTopics(dir.path()); }

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
};

QTEST_GUILESS_MAIN(RunModelTest)
#include "test_runmodel.moc"
