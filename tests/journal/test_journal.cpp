// The results journal on the embedded database and on a real server: each run
// kept exactly once, many writers at once, the outbox when the journal is out
// of reach, the query model and the question report.
#include "journal.h"
#include "journalservice.h"
#include "reports.h"
#include "resultsmodel.h"

#include "SilentServer.h"
#include "TestFiles.h"
#include "pgserver.h"

#include <QSettings>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <csignal>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace
{
QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

RunResult sampleResult(const QString &pupil = QStringLiteral("Иванова Мария"))
{
    RunResult r;
    r.id = newId();
    r.pupil = pupil;
    r.userCode = QStringLiteral("318642");
    r.access = QStringLiteral("W");
    r.host = QStringLiteral("KLASS-07");
    r.subject = QStringLiteral("История");
    r.topic = QStringLiteral("Смутное время");
    r.started = QDateTime(QDate(2026, 3, 14), QTime(9, 5, 30));
    r.seconds = 754;
    r.prompting = true;
    r.protocol = true;
    r.asked = 3;
    r.answered = 2;
    r.right = 1;
    r.putOff = 1;
    r.pointsPossible = 7;
    r.pointsEarned = 3;
    r.grade = QStringLiteral("3");
    r.runningGrade = QStringLiteral("4");
    r.hints = 2;
    r.questions = {{"12_3_1_1", "Точный ответ", 2, 2, true, true, 0, 40},
                   {"12_3_1_2", "Птички поставить", 3, 1, true, false, 2, 95},
                   {"12_3_1_7", "Соответствие", 2, 0, false, false, 0, 12}};
    return r;
}

bool sameQuestions(const std::vector<QuestionResult> &a, const std::vector<QuestionResult> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const QuestionResult &x, const QuestionResult &y) {
        return x.key == y.key && x.answerType == y.answerType && x.pointsPossible == y.pointsPossible &&
               x.pointsEarned == y.pointsEarned && x.answered == y.answered && x.right == y.right &&
               x.hints == y.hints && x.seconds == y.seconds;
    });
}

// Rows of results and question rows, and how many different result ids.
struct Counts {
    int results = -1, distinct = -1, questions = -1;
};
Counts countsOf(Journal &j)
{
    Counts c;
    if (!j.open())
        return c;
    QSqlQuery q(j.database());
    if (q.exec("SELECT COUNT(*), COUNT(DISTINCT id) FROM results") && q.next()) {
        c.results = q.value(0).toInt();
        c.distinct = q.value(1).toInt();
    }
    if (q.exec("SELECT COUNT(*) FROM result_questions") && q.next())
        c.questions = q.value(0).toInt();
    return c;
}
// Server processes stopped as a frozen machine would be, until thawed.
struct Frozen {
    std::vector<qint64> pids;
    explicit Frozen(std::vector<qint64> p) : pids(std::move(p))
    {
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGSTOP);
    }
    void thaw()
    {
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGCONT);
        pids.clear();
    }
    ~Frozen() { thaw(); }
};
} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
    bool server = false;
    std::unique_ptr<PgServer> pg;
    std::unique_ptr<QTemporaryDir> folder;

    // Settings of a new empty journal for one test, its outbox in a folder of its own.
    JournalSettings freshSettings()
    {
        folder = std::make_unique<QTemporaryDir>();
        JournalSettings s = JournalSettings::load(folder->filePath("Baza"));
        if (server) {
            s.engine = JournalSettings::Engine::Server;
            s.host = QStringLiteral("127.0.0.1");
            s.port = pg->port;
            s.database = pg->createDatabase();
            s.user = QLatin1String(PgServer::teacher);
            s.password = QLatin1String(PgServer::teacherPassword);
        }
        return s;
    }

private slots:
    void initTestCase()
    {
        server = qgetenv("TRIVO_JOURNAL_ENGINE") == "postgresql";
        if (!server)
            return;
        pg = std::make_unique<PgServer>();
        const QString why = pg->start();
        if (why.isEmpty())
            return;
        if (qgetenv("CI") == "true")
            QFAIL(qPrintable("the PostgreSQL server did not start: " + why));
        QSKIP(qPrintable("no PostgreSQL server for the journal tests: " + why));
    }

    void cleanupTestCase() { pg.reset(); }

    void resultKeptOnceWithItsQuestions()
    {
        Journal j(freshSettings());
        const RunResult r = sampleResult();
        QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        RunResult earlier = r; // an earlier report of the run, late from the outbox, changes nothing
        earlier.questions.pop_back();
        earlier.seconds -= 60;
        earlier.grade = "5";
        QCOMPARE(j.record(earlier), Journal::Recorded::InJournal);
        const Counts c = countsOf(j);
        QCOMPARE(c.results, 1);
        QCOMPARE(c.questions, 3);
        QVERIFY(sameQuestions(questionsOf(j, r.id), r.questions));
        // The report of a repeat pass after the close ran longer: it replaces the run whole.
        RunResult later = r;
        later.seconds += 60;
        later.questions.push_back(later.questions.front());
        later.questions.back().key = QStringLiteral("1_9_1_9");
        later.grade = "4";
        QCOMPARE(j.record(later), Journal::Recorded::InJournal);
        QCOMPARE(countsOf(j).results, 1);
        QCOMPARE(countsOf(j).questions, 4);
        QVERIFY(sameQuestions(questionsOf(j, r.id), later.questions));
        QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        QCOMPARE(countsOf(j).questions, 4);
        QVERIFY(questionsOf(j, newId()).empty());

        ResultsModel m(j);
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(m.resultId(0), r.id);
        auto cell = [&](int column) { return m.data(m.index(0, column)).toString(); };
        QCOMPARE(cell(ResultsModel::Started), QStringLiteral("14.03.2026 09:05"));
        QCOMPARE(cell(ResultsModel::Pupil), r.pupil);
        QCOMPARE(cell(ResultsModel::Grade), QStringLiteral("4"));
        QCOMPARE(cell(ResultsModel::Points), QStringLiteral("3 из 7"));
        QCOMPARE(cell(ResultsModel::Seconds), QStringLiteral("13:34"));
        QCOMPARE(j.waiting(), 0);
        QVERIFY(j.lastError().isEmpty());

        // A result that comes without an id is kept under a new one.
        RunResult noId = sampleResult();
        noId.id.clear();
        QCOMPARE(j.record(noId), Journal::Recorded::InJournal);
        QCOMPARE(countsOf(j).results, 2);

        // A run with no grade yet, made by no user of the table, on a nameless
        // PC: its empty texts are kept as empty, not refused forever.
        RunResult blank = sampleResult(QString());
        blank.userCode = blank.access = blank.host = blank.grade = blank.runningGrade = QString();
        blank.questions.front().key = blank.questions.front().answerType = QString();
        QCOMPARE(j.record(blank), Journal::Recorded::InJournal);
        QCOMPARE(countsOf(j).results, 3);
        QCOMPARE(j.waiting(), 0);
    }

    void thirtyWritersAtOnce()
    {
        const JournalSettings s = freshSettings();
        constexpr int writers = 30, each = 100;
        std::vector<int> kept(writers, 0);
        std::vector<QString> errors(writers);
        std::vector<std::unique_ptr<QThread>> threads;
        for (int w = 0; w < writers; ++w)
            threads.emplace_back(QThread::create([&, w] {
                Journal j(s);
                RunResult first;
                for (int i = 0; i < each; ++i) {
                    RunResult r = sampleResult(QStringLiteral("Ученик %1").arg(w));
                    r.questions.resize(size_t(1 + i % 3));
                    if (i == 0)
                        first = r;
                    if (j.record(r) == Journal::Recorded::InJournal)
                        ++kept[size_t(w)];
                    else
                        errors[size_t(w)] = j.lastError();
                }
                j.record(first); // a writer that sends once more changes nothing
            }));
        for (auto &t : threads)
            t->start();
        for (auto &t : threads)
            QVERIFY(t->wait(60000));
        for (int w = 0; w < writers; ++w)
            QVERIFY2(kept[size_t(w)] == each, qPrintable(errors[size_t(w)]));
        Journal j(s);
        const Counts c = countsOf(j);
        QCOMPARE(c.results, writers * each);
        QCOMPARE(c.distinct, writers * each);
        QCOMPARE(c.questions, writers * (34 * 1 + 33 * 2 + 33 * 3));
        QCOMPARE(j.waiting(), 0);
    }

    void modelFiltersSortsAndPages_data()
    {
        QTest::addColumn<ResultFilter>("filter");
        QTest::addColumn<int>("expected");
        QTest::newRow("all") << ResultFilter{} << 450;
        QTest::newRow("pupil, any letter case") << ResultFilter{.pupil = "ПЕТРОВ"} << 150;
        QTest::newRow("pupil, part of a name") << ResultFilter{.pupil = "ова м"} << 150;
        QTest::newRow("pupil, wildcard characters are plain") << ResultFilter{.pupil = "_%"} << 1;
        QTest::newRow("subject") << ResultFilter{.subject = "Физика"} << 225;
        QTest::newRow("topic") << ResultFilter{.topic = "Тема 2"} << 150;
        QTest::newRow("subject and topic") << ResultFilter{.subject = "Физика", .topic = "Тема 2"} << 75;
        QTest::newRow("one day") << ResultFilter{.from = QDate(2026, 1, 3), .to = QDate(2026, 1, 3)} << 10;
        QTest::newRow("days, both ends kept") << ResultFilter{.from = QDate(2026, 1, 2), .to = QDate(2026, 1, 4)} << 30;
        QTest::newRow("grade") << ResultFilter{.grade = "5"} << 112;
        QTest::newRow("own user code") << ResultFilter{.userCode = "529073"} << 90;
        QTest::newRow("nothing") << ResultFilter{.pupil = "Сидоров", .userCode = "000000"} << 0;
    }

    void modelFiltersSortsAndPages()
    {
        QFETCH(ResultFilter, filter);
        QFETCH(int, expected);
        static JournalSettings s;
        static std::unique_ptr<QTemporaryDir> keep;
        if (!keep) { // one journal for all rows of the table
            s = freshSettings();
            keep = std::move(folder);
            Journal j(s);
            const QStringList pupils = {"Иванова Мария", "Петров Пётр", "Сидоров Иван"};
            for (int i = 0; i < 450; ++i) {
                RunResult r = sampleResult(i == 449 ? "Сидоров_%" : pupils[i % 3]);
                r.subject = i % 2 ? "Физика" : "История";
                r.topic = QStringLiteral("Тема %1").arg(i % 3 + 1);
                r.started = QDateTime(QDate(2026, 1, 1).addDays(i / 10), QTime(i % 10, 30));
                r.grade = QString::number(2 + i % 4);
                r.userCode = i % 5 ? "318642" : "529073";
                r.questions.clear();
                QCOMPARE(j.record(r), Journal::Recorded::InJournal);
            }
        }
        Journal j(s);
        ResultsModel m(j);
        m.setFilter(filter);
        QVERIFY2(m.lastError().isEmpty(), qPrintable(m.lastError()));
        QCOMPARE(m.totalCount(), expected);
        QCOMPARE(m.rowCount(), std::min(expected, int(ResultsModel::pageSize)));
        while (m.canFetchMore())
            m.fetchMore();
        QCOMPARE(m.rowCount(), expected);
        std::set<QString> ids;
        for (int row = 0; row < m.rowCount(); ++row)
            ids.insert(m.resultId(row));
        QCOMPARE(int(ids.size()), expected);

        // Newest first unless sorted otherwise; sorting reads the first page anew.
        auto startedOf = [&](int row) {
            return QDateTime::fromString(m.data(m.index(row, ResultsModel::Started)).toString(), "dd.MM.yyyy HH:mm");
        };
        for (int row = 1; row < m.rowCount(); ++row)
            QVERIFY(startedOf(row - 1) >= startedOf(row));
        m.sort(ResultsModel::Pupil, Qt::AscendingOrder);
        QCOMPARE(m.rowCount(), std::min(expected, int(ResultsModel::pageSize)));
        while (m.canFetchMore())
            m.fetchMore();
        for (int row = 1; row < m.rowCount(); ++row)
            QVERIFY(m.data(m.index(row - 1, ResultsModel::Pupil)).toString().toCaseFolded() <=
                    m.data(m.index(row, ResultsModel::Pupil)).toString().toCaseFolded());
    }

    void questionReportOfATopic()
    {
        Journal j(freshSettings());
        auto run = [&](const QString &pupil, const QString &topic, std::vector<QuestionResult> qs) {
            RunResult r = sampleResult(pupil);
            r.topic = topic;
            r.questions = std::move(qs);
            QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        };
        run("Аня", "Тема 1", {{"A", "", 2, 2, true, true, 0, 10}, {"B", "", 1, 0, true, false, 1, 30}});
        run("Аня", "Тема 1", {{"A", "", 2, 0, true, false, 0, 20}});
        run("Боря", "Тема 1", {{"A", "", 2, 2, true, true, 0, 30}, {"B", "", 1, 1, true, true, 0, 50}});
        run("Вера", "Тема 2", {{"A", "", 2, 0, false, false, 0, 90}});
        const auto rows = questionReport(j, {.subject = "История", .topic = "Тема 1"});
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].key, QStringLiteral("A"));
        QCOMPARE(rows[0].pupils, 2);
        QCOMPARE(rows[0].shown, 3);
        QCOMPARE(rows[0].shareRight, 2.0 / 3);
        QCOMPARE(rows[0].averagePoints, 4.0 / 3);
        QCOMPARE(rows[0].averageSeconds, 20.0);
        QCOMPARE(rows[1].key, QStringLiteral("B"));
        QCOMPARE(rows[1].pupils, 2);
        QCOMPARE(rows[1].shareRight, 0.5);
        QCOMPARE(rows[1].averageSeconds, 40.0);
        QVERIFY(questionReport(j, {.topic = "Тема 9"}).empty());
    }

    void newerSchemaIsRefusedAndNothingLost()
    {
        const JournalSettings s = freshSettings();
        {
            Journal j(s);
            QVERIFY2(j.open(), qPrintable(j.lastError()));
            QSqlQuery q(j.database());
            QVERIFY(q.exec("INSERT INTO schema_version (version) VALUES (99)"));
        }
        Journal j(s);
        QCOMPARE(j.record(sampleResult()), Journal::Recorded::InOutbox);
        QVERIFY2(j.lastError().contains("более новой версией программы"), qPrintable(j.lastError()));
        QCOMPARE(j.waiting(), 1);
    }

    void settingsKeepThePasswordApart()
    {
        QTemporaryDir dir;
        const QString baza = dir.filePath("Baza");
        JournalSettings s;
        s.engine = JournalSettings::Engine::Server;
        s.host = "journal.school.local";
        s.port = 6543;
        s.database = "results";
        s.user = "klass";
        s.password = "s3cr=t;pass";
        QCOMPARE(s.save(baza), QString());
        const QByteArray ini = readBytes(baza + "/journal.ini");
        QVERIFY(ini.contains("Host=journal.school.local"));
        QVERIFY(!ini.contains("s3cr"));
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(baza + "/journal.pass").constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        QVERIFY(writeBytes(baza + "/journal.pass", "s3cr=t;pass\n")); // as an editor leaves it
        const JournalSettings back = JournalSettings::load(baza);
        QCOMPARE(back.engine, JournalSettings::Engine::Server);
        QCOMPARE(back.host, s.host);
        QCOMPARE(back.port, 6543);
        QCOMPARE(back.database, s.database);
        QCOMPARE(back.user, s.user);
        QCOMPARE(back.password, s.password);
        QCOMPARE(back.file, baza + "/journal.sqlite");
        // No settings at all: the embedded journal.
        QCOMPARE(JournalSettings::load(dir.filePath("none")).engine, JournalSettings::Engine::Embedded);
    }

    void journalFileThatIsNoDatabase()
    {
        if (server)
            QSKIP("a file of the embedded journal");
        const JournalSettings s = freshSettings();
        QVERIFY(QDir().mkpath(QFileInfo(s.file).path()));
        const QByteArray junk = QByteArray("Это не база данных, а письмо директору.\n").repeated(200);
        QVERIFY(writeBytes(s.file, junk));
        Journal j(s);
        const RunResult r = sampleResult();
        QCOMPARE(j.record(r), Journal::Recorded::InOutbox);
        QVERIFY2(j.lastError().startsWith("Журнал результатов недоступен: файл"), qPrintable(j.lastError()));
        QVERIFY2(j.lastError().contains("не является базой данных"), qPrintable(j.lastError()));
        QVERIFY(j.lastError().endsWith("Результат сохранён и будет отправлен позже."));
        QCOMPARE(readBytes(s.file), junk); // the file is somebody's: left alone
        QCOMPARE(j.waiting(), 1);
        QCOMPARE(j.deliverOutbox(), 0);
        QCOMPARE(j.waiting(), 1);

        ResultsModel unreadable(j); // the window opens on it, empty, and says why
        QCOMPARE(unreadable.rowCount(), 0);
        QVERIFY(!unreadable.canFetchMore());
        QVERIFY(unreadable.lastError().contains("не является базой данных"));

        QVERIFY(QFile::rename(s.file, s.file + ".old"));
        QCOMPARE(j.deliverOutbox(), 1);
        QCOMPARE(j.waiting(), 0);
        QCOMPARE(countsOf(j).results, 1);
        QVERIFY(sameQuestions(questionsOf(j, r.id), r.questions));
    }

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

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
