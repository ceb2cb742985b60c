// The journal out of reach: a server stopped, cut off, silent, frozen or
// refusing the password. Nothing waits on it for long, nothing is lost, and
// the reason is told in words with the driver's text kept as details.
#include "JournalKit.h"
#include "SilentServer.h"
#include "TestFiles.h"
#include "journal.h"
#include "journalservice.h"
#include "pgserver.h"
#include "reports.h"
#include "resultsmodel.h"
#include <QSettings>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QtTest>
#include <csignal>
#include <memory>
#include <set>
#include <sys/stat.h>

#include <QSettings>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

class TestJournalReach : public QObject, JournalFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { startOrSkip(); }

    void cleanupTestCase() { pg.reset(); }

    void neitherJournalNorOutboxIsNoSuccess()
    {
        if (server)
            QSKIP("a file of the embedded journal");
        JournalSettings s = freshSettings();
        QVERIFY(QDir().mkpath(QFileInfo(s.file).path()));
        QVERIFY(writeBytes(s.file, QByteArray(4096, 'x')));
        s.outbox = s.file + "/outbox.sqlite"; // a file stands where its folder should be
        Journal j(s);
        QCOMPARE(j.record(sampleResult()), Journal::Recorded::Lost);
        QVERIFY2(j.lastError().contains("не является базой данных"), qPrintable(j.lastError()));
        QVERIFY2(j.lastError().contains("Сохранить результат не удалось и в очереди отправки"),
                 qPrintable(j.lastError()));
        QVERIFY(!j.lastError().contains("будет отправлен"));
    }

    void serverStoppedInTheMiddle()
    {
        if (!server)
            QSKIP("a server of the school");
        const JournalSettings s = freshSettings();
        JournalSettings otherPc = s; // another PC of the school, with its own outbox
        otherPc.outbox = folder->filePath("other/outbox.sqlite");
        Journal j(s), other(otherPc);
        QCOMPARE(other.record(sampleResult()), Journal::Recorded::InJournal);
        std::vector<RunResult> sent;
        for (int i = 0; i < 5; ++i) {
            sent.push_back(sampleResult());
            QCOMPARE(j.record(sent.back()), Journal::Recorded::InJournal);
        }
        pg->stop();
        for (int i = 0; i < 5; ++i) {
            sent.push_back(sampleResult());
            QCOMPARE(j.record(sent.back()), Journal::Recorded::InOutbox);
            QVERIFY2(j.lastError().contains("нет связи с сервером 127.0.0.1"), qPrintable(j.lastError()));
            QVERIFY(j.lastError().endsWith("Результат сохранён и будет отправлен позже."));
        }
        // One that reached the server and is sent again waits as well.
        QCOMPARE(j.record(sent.front()), Journal::Recorded::InOutbox);
        QCOMPARE(j.waiting(), 6);
        QCOMPARE(j.deliverOutbox(), 0);
        QVERIFY(j.lastError().contains("Ждут отправки результатов: 6."));

        QCOMPARE(pg->startServer(), QString());
        // A journal whose connection died with the server finds it again at once.
        QCOMPARE(other.record(sampleResult()), Journal::Recorded::InJournal);
        QCOMPARE(j.deliverOutbox(), 6);
        QCOMPARE(j.waiting(), 0);
        const Counts c = countsOf(j);
        QCOMPARE(c.results, 12);
        QCOMPARE(c.distinct, 12);
        QCOMPARE(c.questions, 36);
        for (const RunResult &r : sent)
            QVERIFY(sameQuestions(questionsOf(j, r.id), r.questions));
    }

    void cutOffPcDoesNotWaitAtEveryRun()
    {
        if (!server)
            QSKIP("a server of the school");
        JournalSettings s = freshSettings();
        s.host = "10.255.255.1"; // nobody answers there
        s.connectSeconds = 2;
        Journal j(s);
        QCOMPARE(j.record(sampleResult()), Journal::Recorded::InOutbox);
        QVERIFY2(j.lastError().contains("нет связи с сервером 10.255.255.1"), qPrintable(j.lastError()));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(j.record(sampleResult()), Journal::Recorded::InOutbox);
            QVERIFY(j.lastError().contains("нет связи с сервером 10.255.255.1"));
        }
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(j.waiting(), 4);
    }

    void commonFailuresAreToldInWords_data()
    {
        QTest::addColumn<QString>("serverText");
        QTest::addColumn<QString>("clientText");
        QTest::addColumn<QString>("words");
        const QString at = QStringLiteral("connection to server at \"school-server\" (10.0.0.5), port 5432 failed: ");
        QTest::newRow("refused") << QString()
                                 << at + "Connection refused\n\tIs the server running on that host and accepting "
                                         "TCP/IP connections?"
                                 << "нет связи с сервером school-server:5432: сервер отказал в соединении";
        QTest::newRow("no answer") << QString() << at + "timeout expired"
                                   << "нет связи с сервером school-server:5432: сервер не отвечает";
        QTest::newRow("statement stopped")
            << "ERROR:  canceling statement due to statement timeout" << QString() << "сервер не отвечает";
        QTest::newRow("unknown host") << QString()
                                      << "could not translate host name \"school-server\" to address: Name or "
                                         "service not known"
                                      << "компьютер «school-server» не найден в сети";
        QTest::newRow("password") << QString() << at + "FATAL:  password authentication failed for user \"klass\""
                                  << "сервер school-server:5432 не принял имя пользователя «klass» или пароль";
        QTest::newRow("no database") << QString() << at + "FATAL:  database \"results\" does not exist"
                                     << "на сервере school-server:5432 нет базы «results»";
        QTest::newRow("connection lost")
            << QString() << "server closed the connection unexpectedly\n\tThis probably means the server terminated"
            << "нет связи с сервером school-server:5432: соединение прервано";
    }

    void commonFailuresAreToldInWords()
    {
        QFETCH(QString, serverText);
        QFETCH(QString, clientText);
        QFETCH(QString, words);
        JournalSettings s;
        s.engine = JournalSettings::Engine::Server;
        s.host = "school-server";
        s.database = "results";
        s.user = "klass";
        const Journal j(s);
        const QSqlError e(clientText, serverText, QSqlError::ConnectionError);
        const QString told = j.explain(e);
        QVERIFY2(told.contains(words), qPrintable(told));
        // The driver's own words wait behind «Подробнее».
        const QString driver = (serverText + clientText).section(u'\n', 0, 0);
        QVERIFY2(!told.contains(driver), qPrintable(told));
        QVERIFY(Journal::details(e).contains(driver));
    }

    void embeddedFailuresNeverBlameAServer()
    {
        // The driver calls some failures of a statement connection errors.
        JournalSettings s;
        s.file = QStringLiteral("/школа/Baza/journal.sqlite");
        const Journal j(s);
        const QString told = j.explain(QSqlError(QStringLiteral("Unable to fetch row"),
                                                 QStringLiteral("NOT NULL constraint failed: results.pupil"),
                                                 QSqlError::ConnectionError));
        QVERIFY2(!told.contains(QStringLiteral("сервер")) && told.contains(QStringLiteral("journal.sqlite")),
                 qPrintable(told));
    }

    void silentServerNeverHoldsUpTheCaller()
    {
        if (server)
            QSKIP("needs no server");
        SilentServer silent;
        QVERIFY(silent.port > 0);
        JournalSettings s = freshSettings();
        s.engine = JournalSettings::Engine::Server;
        s.host = QStringLiteral("127.0.0.1");
        s.port = silent.port;
        s.connectSeconds = 2;
        s.answerSeconds = 2;
        JournalService service(s);
        QSignalSpy answered(&service, &JournalService::recorded);
        int ticks = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(20);
        QElapsedTimer handing;
        handing.start();
        const RunResult r = sampleResult();
        service.record(r);
        QVERIFY2(handing.elapsed() < 1000, qPrintable(QString::number(handing.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 1, 20000);
        QVERIFY2(ticks > 10, qPrintable(QString::number(ticks))); // the caller's loop ran meanwhile
        const auto outcome = answered.front().front().value<JournalOutcome>();
        QCOMPARE(outcome.how, Journal::Recorded::InOutbox);
        QCOMPARE(outcome.id, r.id);
        QVERIFY2(outcome.message.contains("сервер не отвечает"), qPrintable(outcome.message));
        QVERIFY2(outcome.details.contains("timeout expired"), qPrintable(outcome.details));
        QCOMPARE(Journal(s).waiting(), 1);
    }

    void frozenServerIsCutOffAndNothingLost()
    {
        if (!server)
            QSKIP("a server of the school");
        JournalSettings s = freshSettings();
        s.answerSeconds = 2;
        Journal j(s);
        QCOMPARE(j.record(sampleResult()), Journal::Recorded::InJournal);
        Frozen frozen(pg->backendsOf(s.database));
        QCOMPARE(frozen.pids.size(), size_t(1));
        QElapsedTimer t;
        t.start();
        const RunResult r = sampleResult();
        QCOMPARE(j.record(r), Journal::Recorded::InOutbox);
        QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(j.lastError().contains("нет связи с сервером 127.0.0.1"), qPrintable(j.lastError()));
        QVERIFY2(j.lastError().contains("не ответил за 2 с"), qPrintable(j.lastError()));
        QCOMPARE(j.waiting(), 1);

        // The program closes while its journal waits for the frozen server: it
        // stops waiting, and the result is kept for the next start.
        auto service = std::make_unique<JournalService>(s);
        service->record(sampleResult());
        QVERIFY(service->waitUntilIdle(20000));
        Frozen again(pg->backendsOf(s.database));
        const RunResult last = sampleResult();
        service->record(last);
        t.restart();
        service.reset();
        QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(j.waiting(), 1); // the first waited no longer: it went with the second

        frozen.thaw();
        again.thaw();
        QCOMPARE(j.deliverOutbox(), 1);
        const Counts c = countsOf(j);
        QCOMPARE(c.results, 4);
        QCOMPARE(c.distinct, 4);
        QVERIFY(sameQuestions(questionsOf(j, last.id), last.questions));
    }

    void serverRefusesThePassword()
    {
        if (!server)
            QSKIP("a server of the school");
        JournalSettings s = freshSettings();
        s.password = "wrong";
        const RunResult r = sampleResult();
        {
            Journal j(s);
            QCOMPARE(j.record(r), Journal::Recorded::InOutbox);
            QVERIFY2(
                j.lastError().contains(
                    QStringLiteral("не принял имя пользователя «%1» или пароль").arg(QLatin1String(PgServer::teacher))),
                qPrintable(j.lastError()));
            QCOMPARE(j.waiting(), 1);
        }
        s.password = QLatin1String(PgServer::teacherPassword);
        Journal j(s);
        // The next result sends the one that waited after itself.
        QCOMPARE(j.record(sampleResult()), Journal::Recorded::InJournal);
        QCOMPARE(j.waiting(), 0);
        QCOMPARE(countsOf(j).results, 2);
        QVERIFY(sameQuestions(questionsOf(j, r.id), r.questions));
    }
};

QTEST_GUILESS_MAIN(TestJournalReach)
#include "test_reach.moc"
