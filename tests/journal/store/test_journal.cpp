// The results journal on the embedded database and on a real server: each run
// kept exactly once, many writers at once, the query model and the question
// report, practice kept apart from the grades, the settings and a journal
// file that is no database.
#include "choices.h"
#include "journal.h"
#include "journalreader.h"
#include "journalservice.h"
#include "pupilpages.h"
#include "questionanalysis.h"
#include "remarking.h"
#include "reports.h"
#include "resultcodec.h"
#include "resultsmodel.h"
#include "schema.h"
#include "scoreline.h"

#include "JournalKit.h"
#include "SilentServer.h"
#include "TestFiles.h"
#include "pgserver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <QtTest>

#include <csignal>
#include <memory>
#include <set>
#include <sys/stat.h>

class TestJournal : public QObject, JournalFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { startOrSkip(); }

    void cleanupTestCase() { pg.reset(); }

    // Of the queries of one lane only the newest is answered; other lanes keep theirs.
    void aNewerQueryReplacesTheOneBefore()
    {
        JournalReader reader(freshSettings());
        QStringList answered;
        auto note = [&](int v) { answered << QString::number(v); };
        for (int i = 0; i < 3; ++i)
            reader.ask<int>(
                0, [i](Journal &j) { return j.open() ? i : -1; }, note);
        reader.ask<int>(
            1, [](Journal &) { return 7; }, note);
        QVERIFY(reader.busy());
        QVERIFY(reader.waitUntilIdle(20000));
        QCOMPARE(answered, (QStringList{"2", "7"}));
    }

    // A typed answer kept under the key "989" that a teacher corrects to
    // "988": two questions of two points, grades by the usual 55/70/85 %.
    //   Аня gave 988: 2 of 4 (50 %, "2") -> 4 of 4 ("5")
    //   Борис gave 989: 4 of 4 ("5") -> 2 of 4 ("2")
    //   Вера gave 988 in practice: 2 -> 4 points, no grade either way
    void aCorrectedKeyReMarksTheKeptRuns()
    {
        const JournalSettings s = freshSettings();
        Journal j(s);
        auto run = [](const QString &pupil, const QString &typed, bool practice) {
            RunResult r = sampleResult(pupil);
            r.practice = practice;
            const bool right = typed == u"989";
            r.questions = {{"12_3_1_1", "Точный ответ", 2, right ? 2 : 0, true, right, 0, 40},
                           {"12_3_1_2", "Точный ответ", 2, 2, true, true, 0, 30}};
            r.questions[0].given = typed;
            r.questions[0].rightAnswer = QStringLiteral("989");
            r.questions[1].given = r.questions[1].rightAnswer = QStringLiteral("1703");
            r.pointsPossible = 4;
            r.pointsEarned = right ? 4 : 2;
            r.right = right ? 2 : 1;
            r.grade = r.runningGrade = right ? QStringLiteral("5") : QStringLiteral("2");
            return r;
        };
        const RunResult anya = run("Аня", "988", false), boris = run("Борис", "989", false),
                        vera = run("Вера", "988", true);
        RunResult other = run("Глеб", "988", false); // the same key in another subject's bank
        other.subject = QStringLiteral("Физика");
        for (const RunResult &r : {anya, boris, vera, other})
            QCOMPARE(j.record(r), Journal::Recorded::InJournal);

        const std::vector<KeyOption> corrected{{"1", "Ф", "988"}};
        QString error;
        const auto plan = planRemark(j, "История", "12_3_1_1", corrected, {}, error);
        QVERIFY2(plan, qPrintable(error));
        QCOMPARE(plan->answers, 3);
        QCOMPARE(plan->runs.size(), size_t(3));
        QCOMPARE(plan->gradesChanged(), 2);
        const QDateTime at(QDate(2026, 12, 9), QTime(10, 0));
        QVERIFY2(applyRemark(j, *plan, {}, at, error), qPrintable(error));

        QSqlQuery q(j.database());
        auto row = [&](const RunResult &r) {
            [&] {
                QVERIFY(q.exec(QStringLiteral("SELECT points_earned, right_answers, grade, points_before, grade_before,"
                                              " remarked IS NOT NULL, scores FROM results WHERE id = '%1'")
                                   .arg(r.id)));
                QVERIFY(q.next());
            }();
            const auto scores = askedFromScores(q.value(6).toString());
            return QStringList{q.value(0).toString(),
                               q.value(1).toString(),
                               q.value(2).toString(),
                               q.isNull(3) ? QString() : q.value(3).toString(),
                               q.value(4).toString(),
                               q.value(5).toBool() ? "1" : "0",
                               scores && !scores->empty() ? QString::number(scores->front().pointsEarned)
                                                          : QStringLiteral("-")};
        };
        QCOMPARE(row(anya), (QStringList{"4", "2", "5", "2", "2", "1", "2"}));
        QCOMPARE(row(boris), (QStringList{"2", "1", "2", "4", "5", "1", "0"}));
        QCOMPARE(row(vera), (QStringList{"4", "2", "2", "2", "2", "1", "2"}));
        QCOMPARE(row(other), (QStringList{"2", "1", "2", "", "", "0", "0"}));
        QCOMPARE(questionsOf(j, anya.id).front().rightAnswer, QStringLiteral("988"));

        // A later report of a re-marked run from an outbox does not undo it,
        // and marking again with the same key changes nothing.
        RunResult longer = anya;
        longer.seconds += 60;
        QCOMPARE(j.record(longer), Journal::Recorded::InJournal);
        QCOMPARE(row(anya).first(), QStringLiteral("4"));
        const auto again = planRemark(j, "История", "12_3_1_1", corrected, {}, error);
        QVERIFY(again && again->runs.empty());
    }

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
        {
            // A run stopped before it was graded says so instead of showing grade 0.
            RunResult stopped = sampleResult(QStringLiteral("Остановил"));
            stopped.grade = QStringLiteral("0");
            stopped.started = r.started.addDays(1);
            QCOMPARE(j.record(stopped), Journal::Recorded::InJournal);
            ResultsModel both(j);
            for (int row = 0; row < both.rowCount(); ++row) {
                const bool isStopped =
                    both.data(both.index(row, ResultsModel::Pupil)).toString() == QStringLiteral("Остановил");
                QCOMPARE(both.data(both.index(row, ResultsModel::Grade)).toString() == QStringLiteral("прервана"),
                         isStopped);
            }
        }
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

    // Runs of unknown start sort apart (SQLite puts them first, a server
    // last, as each sorts no value); the pages go through them and through
    // runs that started together without repeating or skipping one.
    void pagesThroughRunsOfNoStartAndOfOneStart()
    {
        Journal j(freshSettings());
        for (int i = 0; i < 500; ++i) {
            RunResult r = sampleResult();
            r.questions.clear();
            if (i % 2)
                r.started = QDateTime();
            else
                r.started = QDateTime(QDate(2026, 5, 1), QTime(9, i % 4 ? 0 : 30));
            QCOMPARE(j.record(r), Journal::Recorded::InJournal);
        }
        for (const Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder}) {
            ResultsModel m(j);
            m.sort(ResultsModel::Started, order);
            while (m.canFetchMore())
                m.fetchMore();
            QVERIFY2(m.lastError().isEmpty(), qPrintable(m.lastError()));
            QCOMPARE(m.rowCount(), 500);
            std::set<QString> ids;
            QStringList blocks; // the start of each stretch of rows, in order
            for (int row = 0; row < m.rowCount(); ++row) {
                ids.insert(m.resultId(row));
                const QString started = m.data(m.index(row, ResultsModel::Started)).toString();
                if (blocks.isEmpty() || blocks.back() != started)
                    blocks << started;
            }
            QCOMPARE(int(ids.size()), 500);
            const bool server = dialectOf(j.database()) == Dialect::Postgres;
            QStringList expected = {"01.05.2026 09:00", "01.05.2026 09:30"};
            if (order == Qt::DescendingOrder)
                std::reverse(expected.begin(), expected.end());
            if (server == (order == Qt::DescendingOrder))
                expected.prepend(QString());
            else
                expected.append(QString());
            QCOMPARE(blocks, expected);
        }
    }

    // A result the journal refuses holds back only itself and what waits
    // after it; the ones before it are sent.
    void aRefusedResultHoldsBackOnlyWhatFollows()
    {
        const JournalSettings s = freshSettings();
        Journal j(s);
        QVERIFY(j.open());
        QSqlQuery q(j.database());
        if (server)
            QVERIFY2(q.exec("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                            " IF NEW.pupil = 'Отказ' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$") &&
                         q.exec("CREATE TRIGGER refuse BEFORE INSERT ON results FOR EACH ROW EXECUTE FUNCTION "
                                "refuse()"),
                     qPrintable(q.lastError().text()));
        else
            QVERIFY2(q.exec("CREATE TRIGGER refuse BEFORE INSERT ON results WHEN NEW.pupil = 'Отказ'"
                            " BEGIN SELECT RAISE(ABORT, 'refused'); END"),
                     qPrintable(q.lastError().text()));
        {
            Outbox outbox(s.outbox);
            for (int i = 0; i < 5; ++i) {
                RunResult r = sampleResult(i == 2 ? "Отказ" : "Иванова Мария");
                r.id = QStringLiteral("result-%1").arg(i); // the order they wait in
                QVERIFY(outbox.put(r));
            }
        }
        QCOMPARE(j.deliverOutbox(), 2);
        QCOMPARE(j.waiting(), 3);
        QVERIFY2(j.lastError().endsWith("Ждут отправки результатов: 3."), qPrintable(j.lastError()));
        QVERIFY(j.open());
        QVERIFY(QSqlQuery(j.database()).exec("DROP TRIGGER refuse" + QString(server ? " ON results" : "")));
        QCOMPARE(j.deliverOutbox(), 3);
        QCOMPARE(countsOf(j).results, 5);
        QCOMPARE(countsOf(j).questions, 15);

        // A long outbox goes to a server on several connections at once: a
        // refused result among hundreds still loses and doubles nothing.
        QVERIFY(q.exec(server ? "CREATE TRIGGER refuse BEFORE INSERT ON results FOR EACH ROW EXECUTE FUNCTION refuse()"
                              : "CREATE TRIGGER refuse BEFORE INSERT ON results WHEN NEW.pupil = 'Отказ'"
                                " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        {
            Outbox outbox(s.outbox);
            for (int i = 0; i < 700; ++i) {
                RunResult r =
                    sampleResult(i == 450 ? QStringLiteral("Отказ") : QStringLiteral("Ученик %1").arg(i % 90));
                r.id = QStringLiteral("long-%1").arg(i, 3, 10, QChar(u'0'));
                QVERIFY(outbox.put(r));
            }
        }
        const int sent = j.deliverOutbox();
        QVERIFY2(sent >= 450 && sent < 700, qPrintable(QString::number(sent)));
        QCOMPARE(j.waiting(), 700 - sent);
        QCOMPARE(countsOf(j).results, 5 + sent);
        QVERIFY(j.open());
        QVERIFY(QSqlQuery(j.database()).exec("DROP TRIGGER refuse" + QString(server ? " ON results" : "")));
        QCOMPARE(j.deliverOutbox(), 700 - sent);
        QCOMPARE(countsOf(j).results, 705);
        QCOMPARE(countsOf(j).questions, 705 * 3);
    }

    void questionAnalysisOfATopic()
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
        QString error;
        const auto rows = analyseQuestions(j, {.subject = "История", .topic = "Тема 1"}, error)->questions;
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].key, QStringLiteral("A"));
        QCOMPARE(rows[0].text, QStringLiteral("A")); // kept without its text: shown by its key
        QCOMPARE(rows[0].asked, 3);
        QCOMPARE(rows[0].shareRight, 2.0 / 3);
        QCOMPARE(rows[0].facility, 2.0 / 3);
        QCOMPARE(rows[0].averageSeconds, 20.0);
        QCOMPARE(rows[1].key, QStringLiteral("B"));
        QCOMPARE(rows[1].shareRight, 0.5);
        QCOMPARE(rows[1].averageSeconds, 40.0);
        QVERIFY(analyseQuestions(j, {.topic = "Тема 9"}, error)->questions.empty());
    }

    // A pupil's run graded 5 and a later practice run graded 2: the practice
    // is listed and counted in runs and answers only when asked for, and no
    // grade figure ever takes it.
    void practiceIsNeverGraded_data()
    {
        QTest::addColumn<bool>("withPractice");
        QTest::addColumn<int>("listed");
        QTest::addColumn<int>("asked");
        QTest::newRow("practice left out") << false << 1 << 1;
        QTest::newRow("practice asked for") << true << 2 << 2;
    }

    void practiceIsNeverGraded()
    {
        QFETCH(bool, withPractice);
        QFETCH(int, listed);
        QFETCH(int, asked);
        Journal j(freshSettings());
        const QString pupil = QStringLiteral("Петров Пётр");
        RunResult graded = sampleResult(pupil);
        graded.className = QStringLiteral("9А");
        graded.grade = QStringLiteral("5");
        graded.questions.resize(1);
        RunResult practice = graded;
        practice.id = newId();
        practice.topic = QStringLiteral("Работа над ошибками");
        practice.practice = true;
        practice.grade = QStringLiteral("2");
        practice.started = graded.started.addDays(1);
        QCOMPARE(j.record(graded), Journal::Recorded::InJournal);
        QCOMPARE(j.record(practice), Journal::Recorded::InJournal);

        const ResultFilter f{.subject = graded.subject, .withPractice = withPractice};
        ResultsModel m(j);
        m.setFilter(f);
        QCOMPARE(m.totalCount(), listed);
        QCOMPARE(m.data(m.index(0, ResultsModel::Grade)).toString(),
                 withPractice ? QStringLiteral("повторение") : QStringLiteral("5"));
        QString error;
        const std::optional<PupilPage> page = pupilPage(j, pupil, f, error);
        QVERIFY2(page, qPrintable(error));
        QCOMPARE(int(page->list.size()), listed);
        QCOMPARE(page->list.front().practice, withPractice);
        QCOMPARE(page->runs, 1);
        QCOMPARE(page->practice, 1);
        QCOMPARE(page->averageGrade, std::optional<double>(5));
        QCOMPARE(page->lastGrade, QStringLiteral("5"));
        QCOMPARE(page->grades.size(), size_t(1));
        QCOMPARE(gradeCounts(j, f), (std::vector<int>{0, 0, 0, 1}));
        const auto nineA = classPage(j, "9А", f, error);
        QCOMPARE(nineA->size(), size_t(1));
        QCOMPARE(nineA->front().runs, listed);
        QCOMPARE(nineA->front().averageGrade, std::optional<double>(5));
        QCOMPARE(nineA->front().lastGrade, QStringLiteral("5"));
        const auto classes = classSummaries(j, f, error);
        QCOMPARE(classes->size(), size_t(1));
        QCOMPARE(classes->front().runs, listed);
        QCOMPARE(classes->front().averageGrade, std::optional<double>(5));
        QCOMPARE(analyseQuestions(j, f, error)->questions.front().asked, asked);
        // Practice has no grade: a filter by the grade it was worked out as never passes it.
        ResultFilter byGrade = f;
        byGrade.grade = practice.grade;
        m.setFilter(byGrade);
        QCOMPARE(m.totalCount(), 0);
    }

    // A journal and an outbox of a version that kept practice only as its
    // topic: the rows are marked when the journal is brought up to date, and
    // a waiting result is read as practice by the same sign.
    void practiceKeptBeforeItWasMarked()
    {
        const JournalSettings s = freshSettings();
        RunResult old = sampleResult();
        old.topic = QStringLiteral("Работа над ошибками");
        const RunResult graded = sampleResult();
        {
            Journal j(s);
            QCOMPARE(j.record(old), Journal::Recorded::InJournal);
            QCOMPARE(j.record(graded), Journal::Recorded::InJournal);
            // Taken back to the schema before the mark.
            QSqlQuery q(j.database());
            QVERIFY(q.exec("DROP INDEX results_practice"));
            for (const char *column : {"practice", "remarked", "points_before", "grade_before"})
                QVERIFY2(q.exec(QStringLiteral("ALTER TABLE results DROP COLUMN %1").arg(QLatin1String(column))),
                         qPrintable(q.lastError().text()));
            QVERIFY(q.exec(QStringLiteral("DELETE FROM schema_version WHERE version >= 8"))); // the mark's and after
        }
        Journal j(s);
        QVERIFY2(j.open(), qPrintable(j.lastError()));
        QSqlQuery q(j.database());
        QVERIFY(q.exec("SELECT id FROM results WHERE practice"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), old.id);
        QVERIFY(!q.next());

        auto withoutMark = [](const RunResult &r) {
            QJsonObject o = QJsonDocument::fromJson(encodeResult(r)).object();
            return o.remove("practice"), QJsonDocument(o).toJson();
        };
        QCOMPARE(decodeResult(withoutMark(old))->practice, true);
        QCOMPARE(decodeResult(withoutMark(graded))->practice, false);
        RunResult marked = old; // the mark, where there is one, is what counts
        marked.practice = false;
        QCOMPARE(decodeResult(encodeResult(marked))->practice, false);
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
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
