// Each pupil's memory of each question in the journal, on the embedded
// database and on a real server: made from the answers kept, so a result
// written twice, replaced by a longer report or sent late changes it once.
#include "JournalKit.h"
#include "resultcodec.h"
#include "schema.h"

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
};
Row memoryOf(Journal &j, const QString &key, const QString &pupil = QStringLiteral("петров пётр"))
{
    Row row;
    if (!j.open())
        return row;
    QSqlQuery q(j.database());
    q.prepare("SELECT interval_days, right_count, wrong_count, due, text_hash FROM question_memory"
              " WHERE pupil_folded = ? AND subject = ? AND question_key = ?");
    q.addBindValue(pupil);
    q.addBindValue(QStringLiteral("История"));
    q.addBindValue(key);
    if (q.exec() && q.next())
        row = {q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), timeFromStored(q.value(3)),
               q.value(4).toString()};
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
};

QTEST_MAIN(TestMemory)
#include "test_memory.moc"
