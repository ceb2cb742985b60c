#pragma once
// Results made up for the journal suites, counts read back from a journal, and
// server processes frozen as a stopped machine would be.
#include "SilentServer.h"
#include "TestFiles.h"
#include "journal.h"
#include "journalservice.h"
#include "pgserver.h"
#include "reports.h"
#include "resultsmodel.h"
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <csignal>
#include <memory>
#include <set>
#include <sys/stat.h>

#include <csignal>
#include <memory>

inline QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

inline RunResult sampleResult(const QString &pupil = QStringLiteral("Иванова Мария"))
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

inline bool sameQuestions(const std::vector<QuestionResult> &a, const std::vector<QuestionResult> &b)
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
inline Counts countsOf(Journal &j)
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

// A new empty journal for each test, on the embedded database or, when the
// suite runs for the server, on a PostgreSQL server of the suite's own.
struct JournalFixture {
    bool server = false;
    std::unique_ptr<PgServer> pg;
    std::unique_ptr<QTemporaryDir> folder;

    // Starts the server when the suite runs for it; why it did not start, else empty.
    QString start()
    {
        server = qgetenv("TRIVO_JOURNAL_ENGINE") == "postgresql";
        if (!server)
            return {};
        pg = std::make_unique<PgServer>();
        return pg->start();
    }

    // For a suite's initTestCase: a server that does not start fails the
    // suite under CI and skips it elsewhere.
    void startOrSkip()
    {
        const QString why = start();
        if (why.isEmpty())
            return;
        if (qgetenv("CI") == "true")
            QFAIL(qPrintable("the PostgreSQL server did not start: " + why));
        QSKIP(qPrintable("no PostgreSQL server for the journal tests: " + why));
    }

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
};
