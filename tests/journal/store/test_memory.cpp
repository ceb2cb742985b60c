// Each pupil's memory of each question in the journal, on the embedded
// database and on a real server: made from the answers kept, so a result
// written twice, replaced by a longer report or sent late changes it once.
#include "JournalKit.h"
#include "pupilpages.h"
#include "resultcodec.h"
#include "schema.h"

#include <QSqlRecord>

namespace
{
const QDateTime monday(QDate(2027, 3, 1), QTime(10, 0));

QuestionResult answered(const QString &key, bool right, const QString &hash = QStringLiteral("h1"))
{
    QuestionResult q;
    q.key = key;
    q.answerType = QStringLiteral("Точный ответ");
    q.pointsPossible = 1;
    q.pointsEarned = right ? 1 : 0;
    q.answered = true;
    q.right = right;
    q.textHash = hash;
    return q;
}

RunResult runOn(const QDateTime &started, std::vector<QuestionResult> questions,
                const QString &pupil = QStringLiteral("Петров Пётр"))
{
    RunResult r = sampleResult(pupil);
    r.started = started;
    r.seconds = 600;
    r.questions = std::move(questions);
    return r;
}

struct Row {
    int interval = -1, right = -1, wrong = -1;
    QDateTime due{};
    QString hash{};
    double stability = 0;
};
Row memoryOf(Journal &j, const QString &key, const QString &pupil = QStringLiteral("петров пётр"))
{
    Row row;
    if (!j.open())
        return row;
    QSqlQuery q(j.database());
    q.prepare("SELECT interval_days, right_count, wrong_count, due, text_hash, stability FROM question_memory"
              " WHERE pupil_folded = ? AND subject = ? AND question_key = ?");
    q.addBindValue(pupil);
    q.addBindValue(QStringLiteral("История"));
    q.addBindValue(key);
    if (q.exec() && q.next())
        row = {q.value(0).toInt(),         q.value(1).toInt(),    q.value(2).toInt(),
               timeFromStored(q.value(3)), q.value(4).toString(), q.value(5).toDouble()};
    return row;
}

QStringList keysOf(const std::optional<std::vector<DueQuestion>> &due)
{
    QStringList keys;
    if (due)
        for (const DueQuestion &q : *due)
            keys << q.key;
    return keys;
}

// A table's rows as sorted lines, to compare two journals.
QStringList rowsOf(Journal &j, const char *sql)
{
    QStringList rows;
    QSqlQuery q(j.database());
    if (!j.open() || !q.exec(QLatin1String(sql)))
        return {q.lastError().text()};
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < q.record().count(); ++c)
            row << (q.value(c).typeId() == QMetaType::QDateTime ? storedTime(q.value(c).toDateTime()).toString()
                                                                : q.value(c).toString());
        rows << row.join(u'|');
    }
    rows.sort();
    return rows;
}
} // namespace

class TestMemory : public QObject, JournalFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { startOrSkip(); }
    void cleanupTestCase() { pg.reset(); }

    void eachAnswerCountsOnce()
    {
        Journal j(freshSettings());
        QuestionResult left = answered("1_1_1_3", false);
        left.answered = false;
        RunResult first = runOn(monday, {answered("1_1_1_1", false), answered("1_1_1_2", true), left});
        QCOMPARE(j.record(first), Journal::Recorded::InJournal);
        QCOMPARE(j.record(first), Journal::Recorded::InJournal); // sent again from the outbox
        const QDateTime end = monday.addSecs(600);
        Row wrong = memoryOf(j, "1_1_1_1");
        QCOMPARE(wrong.wrong, 1);
        QCOMPARE(wrong.interval, 1);
        QCOMPARE(wrong.due, end.addDays(1));
        Row right = memoryOf(j, "1_1_1_2"); // right from the start: remembered, not scheduled
        QCOMPARE(right.right, 1);
        QVERIFY(!right.due.isValid());
        QCOMPARE(memoryOf(j, "1_1_1_3").interval, -1); // left unanswered: nothing to remember

        // The repeat pass reports the run again, longer, with the put-off question answered.
        RunResult later = first;
        later.seconds += 120;
        later.questions[2].answered = true;
        QCOMPARE(j.record(later), Journal::Recorded::InJournal);
        RunResult earlier = first; // and the first report arrives late once more
        QCOMPARE(j.record(earlier), Journal::Recorded::InJournal);
        QCOMPARE(memoryOf(j, "1_1_1_1").wrong, 1);
        QCOMPARE(memoryOf(j, "1_1_1_3").wrong, 1);
        QCOMPARE(memoryOf(j, "1_1_1_3").due, monday.addSecs(720).addDays(1));

        // The next day it is right: two days now.
        QCOMPARE(j.record(runOn(monday.addDays(1), {answered("1_1_1_1", true)})), Journal::Recorded::InJournal);
        wrong = memoryOf(j, "1_1_1_1");
        QCOMPARE(wrong.right, 1);
        QCOMPARE(wrong.interval, 2);
        QCOMPARE(wrong.due, monday.addDays(1).addSecs(600).addDays(2));
    }

    // Runs of ten minutes, each a letter (w wrong, r right) and the minute
    // it started, counted from Monday 10:00, written one by one: each
    // carries the kept memory on, the time of day of its last answer with
    // it. The figures are core_review's: a right answer within a day keeps
    // the interval the stability gives.
    void repeatsWithinADay_data()
    {
        QTest::addColumn<QString>("runs");
        QTest::addColumn<double>("stability");
        QTest::addColumn<int>("interval");
        // The next day right (S = 2.4225, two days), then five runs more that
        // day: S = 2.4929, still two days (a day more for each made seven).
        QTest::newRow("six right runs in a day") << "w0 r1440 r1450 r1460 r1470 r1480 r1490" << 2.4929 << 2;
        // Ended at 23:59 and 00:01: two minutes, S = 0.4905, back the next day.
        QTest::newRow("wrong at 23:59, right at 00:01") << "w829 r831" << 0.4905 << 1;
    }
    void repeatsWithinADay()
    {
        QFETCH(QString, runs);
        QFETCH(double, stability);
        QFETCH(int, interval);
        Journal j(freshSettings());
        QDateTime end;
        for (const QString &run : runs.split(u' ')) {
            const QDateTime started = monday.addSecs(run.mid(1).toLongLong() * 60);
            QCOMPARE(j.record(runOn(started, {answered("1_1_1_1", run[0] == u'r')})), Journal::Recorded::InJournal);
            end = started.addSecs(600);
        }
        const Row row = memoryOf(j, "1_1_1_1");
        QVERIFY2(qAbs(row.stability - stability) < 5e-4, qPrintable(QString::number(row.stability, 'f', 6)));
        QCOMPARE(row.interval, interval);
        QCOMPARE(row.due, end.addDays(interval));
    }

    void whatIsScheduledForWhom()
    {
        Journal j(freshSettings());
        j.record(runOn(monday, {answered("1_1_1_1", false), answered("1_1_1_2", false)}));
        j.record(runOn(monday.addDays(1), {answered("1_1_1_1", true), answered("1_1_1_5", false)}));
        j.record(runOn(monday, {answered("1_1_1_9", false)}, QStringLiteral("Сидорова Анна")));
        RunResult other = runOn(monday, {answered("1_1_1_7", false)});
        other.subject = QStringLiteral("География");
        j.record(other);
        // Soonest due first; the typed name in any case finds the same pupil.
        QCOMPARE(keysOf(j.scheduledQuestions(QStringLiteral("ПЕТРОВ ПЁТР "), QStringLiteral("История"))),
                 QStringList({"1_1_1_2", "1_1_1_5", "1_1_1_1"}));
        // A new text of the question, answered right, starts it afresh: nothing to repeat.
        j.record(runOn(monday.addDays(2), {answered("1_1_1_2", true, "h2")}));
        QCOMPARE(memoryOf(j, "1_1_1_2").hash, QStringLiteral("h2"));
        QCOMPARE(keysOf(j.scheduledQuestions(QStringLiteral("Петров Пётр"), QStringLiteral("История"))),
                 QStringList({"1_1_1_5", "1_1_1_1"}));
    }

    void theOutboxCarriesTheTextsAndTheThreadReadsTheList()
    {
        const JournalSettings settings = freshSettings();
        const RunResult r = runOn(monday, {answered("1_1_1_4", false, "abc")});
        QCOMPARE(decodeResult(encodeResult(r))->questions.front().textHash, QStringLiteral("abc"));
        {
            Outbox outbox(settings.outbox);
            QVERIFY(outbox.put(r));
        }
        JournalService service(settings);
        std::vector<DueListing> listings;
        connect(&service, &JournalService::dueListed, this, [&](const DueListing &l) { listings.push_back(l); });
        service.deliverOutbox();
        service.listDue(QStringLiteral("Петров Пётр"), QStringLiteral("История"));
        QVERIFY(service.waitUntilIdle(20000));
        QCOMPARE(listings.size(), size_t(1));
        QVERIFY(listings[0].read);
        QCOMPARE(listings[0].subject, QStringLiteral("История"));
        QCOMPARE(keysOf(listings[0].questions), QStringList({"1_1_1_4"}));
        QCOMPARE(listings[0].questions[0].textHash, QStringLiteral("abc"));
    }

    // The outbox sends many results to a transaction; what they leave in
    // the journal is what writing them one by one leaves: across batches,
    // with a pupil twice in one batch, late and longer reports of runs the
    // journal already holds, and a longer report of a run that still waits.
    void manyAtOnceAsOneByOne()
    {
        const QStringList pupils = {"Петров Пётр", "ПЕТРОВ ПЁТР", "Сидорова Анна", "Ким Ли"};
        std::vector<RunResult> before, waiting;
        for (int i = 0; i < 450; ++i) {
            std::vector<QuestionResult> questions;
            for (int k = 0; k < 3; ++k) {
                QuestionResult q = answered(QStringLiteral("1_1_1_%1").arg((i * 7 + k * 3) % 8), (i + k) % 3 != 0,
                                            i % 50 ? "h1" : "h2");
                q.topic = (i + k) % 4 ? QStringLiteral("Тема %1").arg(i % 2) : QString();
                q.answered = (i + k) % 5 != 0;
                questions.push_back(q);
            }
            // Three runs to an hour: a pupil's two spellings may start together.
            RunResult r = runOn(monday.addSecs(qint64(i / 3) * 3600), std::move(questions), pupils[i % 4]);
            r.subject = i % 3 ? QStringLiteral("История") : QStringLiteral("География");
            r.className = i % 6 ? QStringLiteral("%1А").arg(5 + i % 2) : QString();
            (i < 40 ? before : waiting).push_back(r);
        }
        for (int i = 0; i < 40; i += 2) {
            RunResult again = before[size_t(i)];
            if (i % 4 == 0) { // the repeat pass answered what was put off
                again.seconds += 60;
                for (QuestionResult &q : again.questions)
                    q.answered = true;
            } else { // the earlier report, late
                again.seconds -= 60;
            }
            waiting.insert(waiting.begin() + i * 5, again);
        }
        RunResult longer = waiting[300];
        longer.seconds += 30;
        longer.questions.push_back(answered("1_1_1_9", true));

        const JournalSettings s = freshSettings();
        const auto keep = std::move(folder); // the next journal gets a folder of its own
        Journal batched(s);
        for (const RunResult &r : before)
            QCOMPARE(batched.record(r), Journal::Recorded::InJournal);
        std::vector<RunResult> inTurn; // as the outbox sends them
        {
            Outbox outbox(s.outbox);
            for (const RunResult &r : waiting)
                QVERIFY(outbox.put(r));
            QVERIFY(outbox.put(longer));
            QVERIFY(outbox.put(waiting[300])); // the shorter again: the longer stays
            inTurn = outbox.oldest(1000);
        }
        QCOMPARE(inTurn.size(), waiting.size());
        QCOMPARE(
            std::find_if(inTurn.begin(), inTurn.end(), [&](const RunResult &r) { return r.id == longer.id; })->seconds,
            longer.seconds);

        Journal oneByOne(freshSettings());
        for (const RunResult &r : before)
            QCOMPARE(oneByOne.record(r), Journal::Recorded::InJournal);
        for (const RunResult &r : inTurn)
            QCOMPARE(oneByOne.record(r), Journal::Recorded::InJournal);
        QCOMPARE(batched.deliverOutbox(), int(waiting.size()));
        QVERIFY2(batched.lastError().isEmpty(), qPrintable(batched.lastError()));
        QCOMPARE(batched.waiting(), 0);
        for (const char *sql :
             {"SELECT id, pupil, seconds, grade, started, class_name FROM results",
              "SELECT result_id, position, question_key, answered, is_right, topic FROM result_questions",
              "SELECT pupil_folded, pupil, subject, question_key, text_hash, stability, difficulty, interval_days, due,"
              " last_answer, right_count, wrong_count, topic, last_right FROM question_memory",
              "SELECT pupil_folded, pupil, class_name, last_started FROM pupils"}) {
            const QStringList expected = rowsOf(oneByOne, sql), got = rowsOf(batched, sql);
            QVERIFY2(expected.size() >= 3, qPrintable(expected.join(u'\n')));
            QCOMPARE(got, expected);
        }
    }

    // A pupil's next run carries the kept memory on; a run sent late, a
    // longer report, a changed text, a reset and equal start times make it
    // anew. Either way the memory is the one a journal makes anew from all
    // the answers at every write, as a journal kept before the memory does.
    void carriedOnAsMadeAnew()
    {
        const QDateTime start = QDateTime::currentDateTime().addDays(-30).addSecs(-600);
        const QStringList keys = {"1_1_1_1", "1_1_1_2", "1_1_1_3", "1_1_1_4"};
        auto run = [&](double day, int seed, const QString &pupil, const QString &hash = QStringLiteral("h1")) {
            std::vector<QuestionResult> questions;
            for (int k = 0; k < keys.size(); ++k) {
                QuestionResult q = answered(keys[k], (seed * 5 + k * 3) % 7 > 2, k == 1 ? hash : QStringLiteral("h1"));
                q.hints = (seed + k) % 4 == 0 ? 1 : 0;
                q.answered = (seed + k) % 6 != 5;
                questions.push_back(q);
            }
            return runOn(start.addSecs(qint64(day * 86400)), std::move(questions), pupil);
        };
        const QString anna = QStringLiteral("Сидорова Анна"), petr = QStringLiteral("Петров Пётр");
        std::vector<RunResult> sent;
        for (int d = 0; d < 12; ++d) // day after day, two pupils
            for (const QString &pupil : {petr, anna})
                sent.push_back(run(d, d + pupil.size(), pupil));
        sent.push_back(sent[2]);            // written twice
        sent.push_back(run(4.5, 40, petr)); // sent late, among the others
        RunResult longer = sent[8];         // the repeat pass of day 4
        longer.seconds += 90;
        for (QuestionResult &q : longer.questions)
            q.answered = q.right = true;
        sent.push_back(longer);
        sent.push_back(run(13, 41, petr, "h2"));                       // the question's text changed
        RunResult twin = run(14, 42, petr), other = run(14, 43, petr); // two runs that started together:
        twin.id = QStringLiteral("f-twin");                            // the one of the lower id counts first
        other.id = QStringLiteral("0-twin");
        sent.push_back(twin);
        sent.push_back(other);

        auto write = [&](Journal &j, bool remade) {
            QVERIFY(j.open());
            if (remade) {
                QSqlQuery q(j.database());
                QVERIFY(q.exec("UPDATE memory_state SET complete = (1 = 0)"));
            }
            for (const RunResult &r : sent)
                QCOMPARE(j.record(r), Journal::Recorded::InJournal);
            QString error;
            QVERIFY2(resetSchedule(j, anna, error), qPrintable(error));
            // Anna's run of before the reset, sent late, counts no more; her runs after it do.
            QCOMPARE(j.record(run(6.5, 44, anna)), Journal::Recorded::InJournal);
            QCOMPARE(j.record(run(31, 45, anna)), Journal::Recorded::InJournal);
            QCOMPARE(j.record(run(32, 46, anna)), Journal::Recorded::InJournal);
            QCOMPARE(j.record(run(15, 47, petr)), Journal::Recorded::InJournal);
        };
        Journal carried(freshSettings());
        write(carried, false);
        const auto keep = std::move(folder);
        Journal remade(freshSettings());
        write(remade, true);
        const char *sql = "SELECT pupil_folded, subject, question_key, text_hash, stability, difficulty, interval_days,"
                          " due, last_answer, right_count, wrong_count, last_right FROM question_memory";
        const QStringList expected = rowsOf(remade, sql);
        QCOMPARE(expected.size(), 2 * keys.size());
        QCOMPARE(rowsOf(carried, sql), expected);
        // Anna's memory holds her two runs after the reset and nothing before.
        const Row after = memoryOf(carried, keys[0], anna.toCaseFolded());
        QCOMPARE(after.right + after.wrong, 2);
    }
};

QTEST_MAIN(TestMemory)
#include "test_memory.moc"
