// The pupils' PCs on the school's server: they reach no table and call no
// function but their own; a pupil logs in with a code, records runs under
// their own account whatever the run claims, and reads their own runs and
// questions only; the memory of questions the server makes is the one the
// journal makes on a PC; a PC's journal keeps each run once.
#include "journal.h"
#include "outbox.h"
#include "pgserver.h"
#include "pupillogin.h"
#include "schema.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QRandomGenerator>
#include <QSqlRecord>
#include <QtTest>

#include <map>

namespace
{
const QString petrov = QStringLiteral("Петров Пётр"), sidorova = QStringLiteral("Сидорова Анна");
const QString history = QStringLiteral("История");

QuestionResult question(const QString &key, bool answered, bool right, int hints = 0,
                        const QString &hash = QStringLiteral("h1"))
{
    QuestionResult q;
    q.key = key;
    q.answerType = QStringLiteral("Точный ответ");
    q.pointsPossible = 1;
    q.pointsEarned = right ? 1 : 0;
    q.answered = answered;
    q.right = answered && right;
    q.hints = hints;
    q.textHash = hash;
    q.topic = QStringLiteral("Смута");
    q.text = QStringLiteral("Когда?");
    return q;
}

RunResult run(const QString &pupil, const QDateTime &started, std::vector<QuestionResult> questions,
              const QString &session = {})
{
    RunResult r;
    r.id = newRunId(started);
    r.pupil = pupil;
    r.className = QStringLiteral("7А");
    r.host = QStringLiteral("KLASS-07");
    r.subject = history;
    r.topic = QStringLiteral("Смутное время");
    r.started = started;
    r.seconds = 600;
    r.asked = int(questions.size());
    r.grade = r.runningGrade = QStringLiteral("4");
    r.questions = std::move(questions);
    r.session = session;
    return r;
}

QStringList idsOf(const PupilResults &results)
{
    QStringList ids;
    for (const OwnRun &r : results.runs)
        ids << r.id;
    return ids;
}

QStringList keysOf(const std::optional<std::vector<DueQuestion>> &due)
{
    QStringList keys;
    if (due)
        for (const DueQuestion &q : *due)
            keys << q.key;
    return keys;
}

// A journal's memory of the questions, by pupil and question.
struct Memory {
    QString pupil, hash, topic;
    double stability = 0, difficulty = 0;
    int interval = 0, right = 0, wrong = 0;
    bool lastRight = false;
    QString due, last;
};
std::map<QString, Memory> memoryOf(const QSqlDatabase &db)
{
    std::map<QString, Memory> out;
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT pupil_folded, question_key, pupil, text_hash, topic, stability, difficulty,"
                          " interval_days, right_count, wrong_count, last_right, due, last_answer FROM question_memory"
                          " WHERE question_key LIKE '2_1_1_%'"));
    while (q.next())
        out[q.value(0).toString() + u'/' + q.value(1).toString()] = {
            q.value(2).toString(),
            q.value(3).toString(),
            q.value(4).toString(),
            q.value(5).toDouble(),
            q.value(6).toDouble(),
            q.value(7).toInt(),
            q.value(8).toInt(),
            q.value(9).toInt(),
            q.value(10).toBool(),
            storedTime(timeFromStored(q.value(11))).toString(),
            storedTime(timeFromStored(q.value(12))).toString(),
        };
    return out;
}
} // namespace

class PupilFunctionsTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    SchoolServer server;
    JournalSettings pc;
    QTemporaryDir dir;
    std::unique_ptr<As> admin;

    // Logs the pupil in from a PC of that name; the token.
    QString logIn(const QString &code, const QString &host = QStringLiteral("PC-1"))
    {
        const PupilLogin login = logInPupil(pc, code, host);
        return login.status == PupilLogin::Status::Granted ? login.token : QString();
    }

private slots:
    void initTestCase()
    {
        START_SCHOOL_SERVER(pg);
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        QString error;
        QVERIFY2(setUpSchool(server, setter, setterPassword, {}, error), qPrintable(error));
        admin = std::make_unique<As>(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        QVERIFY(admin->refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD 'pc'")).isEmpty());
        QVERIFY(admin
                    ->refusal(QStringLiteral("INSERT INTO accounts (fio, fio_folded, class_name, code, active) VALUES"
                                             " ('Петров Пётр', 'петров петр', '7А', '111111', TRUE),"
                                             " ('Сидорова Анна', 'сидорова анна', '7Б', '222222', TRUE),"
                                             " ('Ушедший Иван', 'ушедший иван', '7А', '333333', FALSE)"))
                    .isEmpty());
        pc = schoolPcSettings(JournalSettings{}, server, QStringLiteral("pc"));
        pc.outbox = dir.filePath(QStringLiteral("outbox.sqlite"));
    }

    void cleanupTestCase() { admin.reset(); }

    void thePcCallsItsOwnFunctionsOnly()
    {
        const As pcRole(pg.port, QStringLiteral("trivo_pc"), QStringLiteral("pc"));
        QVERIFY2(pcRole.db().isOpen(), qPrintable(pcRole.db().lastError().text()));
        const QStringList tables = admin->rows(
            QStringLiteral("SELECT t.tablename, (SELECT c.column_name FROM information_schema.columns c WHERE"
                           " c.table_name = t.tablename ORDER BY c.ordinal_position LIMIT 1) FROM pg_tables t"
                           " WHERE t.schemaname = 'public'"));
        QVERIFY2(tables.size() >= 12, qPrintable(tables.join(u','))); // the journal's and the school's
        for (const QString &row : tables) {
            const QString t = row.section(u'|', 0, 0), column = row.section(u'|', 1, 1);
            for (const QString &sql :
                 {QStringLiteral("SELECT * FROM %1"), QStringLiteral("DELETE FROM %1"),
                  QStringLiteral("INSERT INTO %1 DEFAULT VALUES"), QStringLiteral("UPDATE %1 SET %2 = %2")}) {
                const QString statement =
                    QString(sql).replace(QStringLiteral("%1"), t).replace(QStringLiteral("%2"), column);
                QVERIFY2(pcRole.refusal(statement).contains(QStringLiteral("permission denied")),
                         qPrintable(statement));
            }
        }
        // Each function of the schema: the PC's own ones and nothing else.
        const QStringList functions = admin->rows(QStringLiteral(
            "SELECT p.oid::regprocedure, p.proname LIKE 'trivo\\_pc\\_%' FROM pg_proc p JOIN pg_namespace n"
            " ON n.oid = p.pronamespace WHERE n.nspname = 'public'"));
        QVERIFY(functions.filter(QStringLiteral("|false")).size() >= 3); // the helpers of the pupils' functions
        for (const QString &row : functions) {
            const QString f = row.section(u'|', 0, 0);
            const QStringList may =
                pcRole.rows(QStringLiteral("SELECT has_function_privilege(current_user, '%1', 'EXECUTE')").arg(f));
            QCOMPARE(may, QStringList{row.section(u'|', 1, 1)});
        }
        QVERIFY(pcRole.refusal(QStringLiteral("SELECT trivo_pupil_fold('x')")).contains("permission denied"));
    }

    void aPupilLogsInWithTheirCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("fio");
        QTest::newRow("a pupil's code") << "111111" << int(PupilLogin::Status::Granted) << petrov;
        QTest::newRow("blanks around it") << " 222222\t" << int(PupilLogin::Status::Granted) << sidorova;
        QTest::newRow("an account switched off") << "333333" << int(PupilLogin::Status::Unknown) << "";
        QTest::newRow("no one's code") << "999999" << int(PupilLogin::Status::Unknown) << "";
        QTest::newRow("no code") << "" << int(PupilLogin::Status::Unknown) << "";
        QTest::newRow("a quote in it") << "1' OR '1'='1" << int(PupilLogin::Status::Unknown) << "";
    }
    void aPupilLogsInWithTheirCode()
    {
        QFETCH(QString, code);
        QFETCH(int, status);
        QFETCH(QString, fio);
        // Each row from a PC of its own, so that the wrong codes do not add up.
        const PupilLogin login = logInPupil(pc, code, QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(int(login.status), status);
        QCOMPARE(login.fio, fio);
        QCOMPARE(login.token.size(), fio.isEmpty() ? 0 : 64);
        QCOMPARE(login.message.isEmpty(), !fio.isEmpty());
    }

    void wrongCodesMakeOnePcWait()
    {
        admin->refusal(QStringLiteral("INSERT INTO login_attempts VALUES ('old', LOCALTIMESTAMP - interval '2 days')"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(logInPupil(pc, QStringLiteral("00000%1").arg(i), QStringLiteral("PC-7")).status,
                     PupilLogin::Status::Unknown);
        const PupilLogin waits = logInPupil(pc, QStringLiteral("111111"), QStringLiteral("PC-7"));
        QCOMPARE(waits.status, PupilLogin::Status::Wait); // even the right code waits
        QVERIFY2(waits.waitSeconds >= 55 && waits.waitSeconds <= 60, qPrintable(QString::number(waits.waitSeconds)));
        QVERIFY2(waits.message.contains(QStringLiteral("секунд")), qPrintable(waits.message));
        QCOMPARE(logInPupil(pc, QStringLiteral("111111"), QStringLiteral("PC-8")).status, PupilLogin::Status::Granted);
        // Waiting adds no wrong code: a minute after the five, the PC may try again.
        QCOMPARE(admin->rows(QStringLiteral("SELECT COUNT(*) FROM login_attempts WHERE client LIKE '%/PC-7'")),
                 QStringList{"5"});
        QVERIFY(admin->refusal(QStringLiteral("UPDATE login_attempts SET at = at - interval '61 seconds'")).isEmpty());
        QCOMPARE(logInPupil(pc, QStringLiteral("111111"), QStringLiteral("PC-7")).status, PupilLogin::Status::Granted);
        QCOMPARE(admin->rows(QStringLiteral("SELECT COUNT(*) FROM login_attempts WHERE client = 'old'")),
                 QStringList{"0"}); // a day old: forgotten

        JournalSettings away = pc;
        away.port = 1;
        const PupilLogin unreachable = logInPupil(away, QStringLiteral("111111"), QStringLiteral("PC-1"));
        QCOMPARE(unreachable.status, PupilLogin::Status::Unreachable);
        QVERIFY2(unreachable.message.startsWith(QStringLiteral("Сервер школы недоступен: ")),
                 qPrintable(unreachable.message));
    }

    void eachPupilReadsTheirOwnOnly()
    {
        const QString a = logIn(QStringLiteral("111111")), b = logIn(QStringLiteral("222222"), "PC-2");
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        const QDateTime monday(QDate(2027, 3, 1), QTime(10, 0));
        Journal j(pc);
        RunResult first = run(petrov, monday, {question("1_1_1_1", true, false), question("1_1_1_2", true, true)}, a);
        RunResult second = run(petrov, monday.addDays(1), {question("1_1_1_3", true, false)}, a);
        // A run claiming to be the other pupil's, from another PC, is still the log-in's own.
        second.pupil = sidorova;
        second.className = QStringLiteral("7Б");
        second.host = QStringLiteral("CHEAT");
        RunResult hers = run(sidorova, monday, {question("1_1_1_1", true, true), question("1_1_1_4", true, false)}, b);
        RunResult shared = run(QStringLiteral("Гость"), monday, {question("1_1_1_5", true, false)});
        for (const RunResult &r : {first, second, hers, shared})
            QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        QCOMPARE(admin->rows(QStringLiteral("SELECT r.pupil, r.class_name, r.host, a.code FROM results r LEFT JOIN"
                                            " accounts a ON a.id = r.account_id WHERE r.id = '%1'")
                                 .arg(second.id)),
                 QStringList{QStringLiteral("Петров Пётр|7А|PC-1|111111")});

        QCOMPARE(idsOf(myResults(pc, a)), (QStringList{second.id, first.id}));
        QCOMPARE(idsOf(myResults(pc, b)), QStringList{hers.id});
        QCOMPARE(keysOf(j.scheduledQuestions(sidorova, history, a)), (QStringList{"1_1_1_1", "1_1_1_3"}));
        QCOMPARE(keysOf(j.scheduledQuestions(petrov, history, b)), QStringList{"1_1_1_4"});
        QVERIFY(!j.scheduledQuestions(petrov, history)); // no log-in, nothing to read

        // Another's run is not replaced by a longer report from this log-in.
        RunResult taken = hers;
        taken.seconds += 100;
        taken.session = a;
        QCOMPARE(j.record(taken), Journal::Recorded::InJournal);
        QCOMPARE(admin->rows(QStringLiteral("SELECT pupil, seconds FROM results WHERE id = '%1'").arg(hers.id)),
                 QStringList{QStringLiteral("Сидорова Анна|600")});

        // An unknown log-in reads nothing; one of yesterday reads no more, but still records.
        const PupilResults unknown = myResults(pc, QStringLiteral("no-such-token"));
        QVERIFY(!unknown.read && unknown.expired);
        QVERIFY(!j.scheduledQuestions(petrov, history, QStringLiteral("no-such-token")));
        QVERIFY(admin
                    ->refusal(
                        QStringLiteral("UPDATE sessions SET started = started - interval '13 hours' WHERE token = '%1'")
                            .arg(a))
                    .isEmpty());
        QVERIFY(myResults(pc, a).expired);
        const RunResult late = run(petrov, monday.addDays(2), {question("1_1_1_6", true, false)}, a);
        QCOMPARE(j.record(late), Journal::Recorded::InJournal);
        // Too old to record for: kept all the same, as a run of nobody's account.
        QVERIFY(admin->refusal(QStringLiteral("UPDATE sessions SET started = started - interval '14 days'")).isEmpty());
        const RunResult stale = run(petrov, monday.addDays(3), {question("1_1_1_7", true, false)}, a);
        QCOMPARE(j.record(stale), Journal::Recorded::InJournal);
        QCOMPARE(admin->rows(QStringLiteral("SELECT id, account_id IS NULL FROM results WHERE id IN ('%1', '%2')"
                                            " ORDER BY started")
                                 .arg(late.id, stale.id)),
                 (QStringList{late.id + "|false", stale.id + "|true"}));
    }

    // The same runs, recorded by a PC's journal of its own and by the school's
    // server, make the same memory: late runs, longer reports, changed texts,
    // hints, a log-in's runs and shared ones.
    void theServerRemembersAsTheJournalDoes()
    {
        JournalSettings embedded;
        embedded.file = dir.filePath(QStringLiteral("journal.sqlite"));
        embedded.outbox = dir.filePath(QStringLiteral("embedded-outbox.sqlite"));
        Journal local(embedded), school(pc);
        const QString token = logIn(QStringLiteral("111111"), QStringLiteral("PC-3"));
        QVERIFY(!token.isEmpty());
        QRandomGenerator chance(20270301);
        const QString pupils[] = {petrov, QStringLiteral("Кузнецов Олег")};
        const QDateTime start(QDate(2027, 4, 1), QTime(8, 30, 15));
        std::vector<RunResult> sent;
        for (int i = 0; i < 80; ++i) {
            const int who = int(chance.bounded(2));
            // Mostly in the order they ran, some arriving days late.
            const qint64 at = i * 20000 + qint64(chance.bounded(40000)) - (chance.bounded(6) == 0 ? 400000 : 0);
            std::vector<QuestionResult> questions;
            for (int q = 0, n = 2 + int(chance.bounded(4)); q < n; ++q)
                questions.push_back(question(QStringLiteral("2_1_1_%1").arg(chance.bounded(6)), chance.bounded(8) != 0,
                                             chance.bounded(3) != 0, chance.bounded(4) == 0 ? 1 : 0,
                                             chance.bounded(25) == 0 ? QStringLiteral("h2") : QStringLiteral("h1")));
            RunResult r = run(pupils[who], start.addSecs(at), questions, who == 0 ? token : QString());
            r.seconds = 60 + int(chance.bounded(900));
            if (chance.bounded(5) == 0 && !sent.empty()) {
                // A longer report of an earlier run, or the same one again.
                r = sent[chance.bounded(quint32(sent.size()))];
                r.seconds += int(chance.bounded(2)) * 30;
                r.questions.push_back(question(QStringLiteral("2_1_1_9"), true, chance.bounded(2) != 0));
            }
            sent.push_back(r);
            QCOMPARE(local.record(r), Journal::Recorded::InJournal);
            QCOMPARE(school.record(r), Journal::Recorded::InJournal);
        }
        QVERIFY(local.open());
        const std::map<QString, Memory> mine = memoryOf(local.database()), theirs = memoryOf(admin->db());
        QVERIFY(mine.size() >= 10);
        QCOMPARE(theirs.size(), mine.size());
        for (const auto &[key, m] : mine) {
            const auto it = theirs.find(key);
            QVERIFY2(it != theirs.end(), qPrintable(key));
            const Memory &s = it->second;
            const QString what = key + u' ' + m.due + u' ' + s.due;
            QVERIFY2(qAbs(s.stability - m.stability) < 1e-9 && qAbs(s.difficulty - m.difficulty) < 1e-9,
                     qPrintable(what + QStringLiteral(" %1/%2").arg(s.stability).arg(m.stability)));
            QVERIFY2(s.interval == m.interval && s.right == m.right && s.wrong == m.wrong &&
                         s.lastRight == m.lastRight && s.due == m.due && s.last == m.last,
                     qPrintable(what));
            QCOMPARE(s.hash, m.hash);
            QCOMPARE(s.topic, m.topic);
            QCOMPARE(s.pupil, m.pupil);
        }
    }

    void aPcsJournalKeepsEachRunOnce()
    {
        const QString token = logIn(QStringLiteral("222222"), QStringLiteral("PC-4"));
        const QDateTime friday(QDate(2027, 5, 7), QTime(12, 0));
        std::vector<RunResult> runs;
        for (int i = 0; i < 3; ++i)
            runs.push_back(run(sidorova, friday.addSecs(i * 900), {question("3_1_1_1", true, i == 1)}, token));
        {
            Outbox box(pc.outbox); // the PC was cut off while two of them ended
            QVERIFY(box.put(runs[1]) && box.put(runs[2]));
        }
        Journal j(pc);
        QCOMPARE(j.record(runs[0]), Journal::Recorded::InJournal); // and sends what waited after it
        QCOMPARE(j.waiting(), 0);
        QCOMPARE(j.record(runs[0]), Journal::Recorded::InJournal);
        {
            Outbox box(pc.outbox); // one of them came back into the outbox
            QVERIFY(box.put(runs[2]));
        }
        QCOMPARE(j.deliverOutbox(), 1);
        QCOMPARE(j.waiting(), 0);
        QCOMPARE(admin->rows(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM results WHERE host = 'PC-4'")),
                 QStringList{"3|3"});
        QCOMPARE(admin->rows(QStringLiteral("SELECT right_count, wrong_count FROM question_memory WHERE"
                                            " question_key = '3_1_1_1'")),
                 QStringList{"1|2"});
        QCOMPARE(idsOf(myResults(pc, token)).mid(0, 3), (QStringList{runs[2].id, runs[1].id, runs[0].id}));
    }
};

QTEST_GUILESS_MAIN(PupilFunctionsTest)
#include "test_pupils.moc"
