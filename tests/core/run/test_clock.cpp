// The clocks of a run, with the time passed in.
#include "clock.h"

#include <QTest>

class ClockTest : public QObject
{
    Q_OBJECT
private slots:
    void limitsOutsideADayAreIgnored()
    {
        Clock c;
        QVERIFY(c.setLimit(50));
        QVERIFY(!c.setLimit(86400));
        QVERIFY(!c.setLimit(-1));
        QCOMPARE(c.limit(), 50);
        QVERIFY(c.setLimit(86399));
        QVERIFY(c.setLimit(0));
        QCOMPARE(c.limit(), 0);
    }

    void countingDownNeedsALimit()
    {
        Clock c;
        QVERIFY(!c.setCountDown(true));
        QVERIFY(!c.countsDown());
        c.setLimit(10);
        QVERIFY(c.setCountDown(true));
        c.reset(100);
        c.start(100);
        c.tick(103);
        QCOMPARE(c.shown(), 7);
        QCOMPARE(Clock::format(c.shown()), QStringLiteral("00:07"));
    }

    void endOfTimeStopsTheClockOnce()
    {
        Clock c;
        c.setLimit(50);
        c.setCountDown(true);
        c.reset(1000);
        c.start(1000);
        QVERIFY(!c.tick(1049));
        QVERIFY(c.tick(1050));
        QVERIFY(!c.running());
        QVERIFY(!c.tick(1060));
        QCOMPARE(c.elapsed(), 50);
        // Started again at its limit it counts from zero.
        c.start(2000);
        QCOMPARE(c.elapsed(), 0);
    }

    void zeroLimitCountsUpForever()
    {
        Clock c;
        c.setLimit(0);
        c.reset(0);
        c.start(0);
        for (int t = 1; t <= 10; ++t)
            QVERIFY(!c.tick(t * 8000));
        QCOMPARE(c.elapsed(), 80000);
        QVERIFY(c.running());
    }

    void crossingMidnight()
    {
        Clock c;
        c.reset(86390);
        c.start(86390);
        c.tick(86399);
        c.tick(5); // 6 seconds past midnight
        QCOMPARE(c.elapsed(), 15);
    }

    void aShorterLimitDuringAQuestionKeepsTheElapsedTime()
    {
        Clock c;
        c.setLimit(60);
        c.setCountDown(true);
        c.reset(0);
        c.start(0);
        c.tick(40);
        c.setLimit(30); // the activation puts the base time back
        QVERIFY(c.tick(41));
        QCOMPARE(c.elapsed(), 30);
    }

    void formats()
    {
        QCOMPARE(Clock::format(0), QStringLiteral("00:00"));
        QCOMPARE(Clock::format(3599), QStringLiteral("59:59"));
        QCOMPARE(Clock::format(3600), QStringLiteral("1:00:00"));
    }
};

QTEST_MAIN(ClockTest)
#include "test_clock.moc"
