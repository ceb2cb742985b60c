// A controlled test on the school's server: the PCs never see a key by any
// function or table; 30 PCs of a class and one of another take a test at
// once and every answer is judged as the program judges it; a PC cut off
// keeps its answers and sends them once; the server keeps the time (extra
// time for one pupil, the end for all, a minute's grace for answers given
// in time); the teacher reads every answer of every pupil.
#include "grading.h"
#include "lessonclient.h"
#include "lessons.h"
#include "pgserver.h"
#include "pupillogin.h"
#include "schoolkit.h"
#include "schoolsetup.h"

#include <QtTest>

#include <map>
#include <thread>

namespace
{
const QString teacherLogin = QStringLiteral("uchitel"), teacherPassword = QStringLiteral("uchitel-pass");
const QString klass = QStringLiteral("9А"), other = QStringLiteral("9Б");
constexpr int pupils = 30;

// Every kind of question. What a PC must never see is marked: the exact
// answer, the labels that pair or place options ("тайна"), the role codes.
std::vector<LessonQuestion> questions()
{
    return {
        {QStringLiteral("1_1_1_1"),
         QStringLiteral("Отметьте города на Волге"),
         3,
         {{"", "+", "Тверь"}, {"", "+", "Казань"}, {"", "+", "Самара"}, {"", "", "Пермь"}}},
        {QStringLiteral("1_1_1_2"), QStringLiteral("Где было сражение 1812 года?"), 2, {{"", "Ф", "Бородино"}}},
        {QStringLiteral("1_1_1_3"),
         QStringLiteral("Соотнесите автора и героя"),
         4,
         {{"тайна-А", "-", "Пушкин"},
          {"тайна-Б", "-", "Лермонтов"},
          {"тайна-В", "-", "Гоголь"},
          {"тайна-А", "+", "Онегин"},
          {"тайна-Б", "+", "Печорин"},
          {"тайна-В", "+", "Чичиков"}}},
        {QStringLiteral("1_1_1_4"),
         QStringLiteral("Распределите животных"),
         3,
         {{"1", "-", "Звери"},
          {"2", "-", "Птицы"},
          {"1 тайна", "+", "Кит"},
          {"2 тайна", "+", "Сова"},
          {"1 тайна", "+", "Лось"}}},
        {QStringLiteral("1_1_1_5"),
         QStringLiteral("Расставьте по порядку"),
         3,
         {{"3 тайна", "1", "Лето"}, {"1 тайна", "1", "Зима"}, {"4 тайна", "1", "Осень"}, {"2 тайна", "1", "Весна"}}},
    };
}

// What must not reach a PC, whatever it calls.
const QStringList secrets = {QStringLiteral("тайна"), QStringLiteral("Бородино"), QStringLiteral("\"+\""),
                             QStringLiteral("\"Ф\""), QStringLiteral("\"code\""), QStringLiteral("\"label\"")};

// Answers of each question, right, partly right and wrong; pupil i gives the
// (i mod n)-th of each.
const std::vector<QStringList> &answers()
{
    static const std::vector<QStringList> all = {
        {"Тверь\nКазань\nСамара", "Тверь\nКазань", "Самара", "Тверь\nПермь", "", "Тверь\nКазань\nСамара\nПермь",
         "Москва"},
        {"Бородино", "  Бородино\t", "бородино", "", "Бородино 1812"},
        {"Пушкин — Онегин\nЛермонтов — Печорин\nГоголь — Чичиков",
         "Пушкин — Печорин\nЛермонтов — Онегин\nГоголь — Чичиков", "Пушкин — Онегин", "Пушкин — Дубровский"},
        {"Кит — 1\nСова — 2\nЛось — 1", "Кит — 1\nСова — 1\nЛось — 1", "Кит — 2\nСова — 1\nЛось — 1",
         "Кит — 2\nСова — 1\nЛось — 2", "Кит — 1"},
        {"Лето — 3\nЗима — 1\nОсень — 4\nВесна — 2", "Лето — 3\nЗима — 1\nОсень — 2\nВесна — 4",
         "Лето — 3\nЗима — 2\nОсень — 1\nВесна — 4", "Лето — 1\nЗима — 3\nОсень — 2\nВесна — 4",
         "Лето — 3\nЗима — 1\nОсень — 4\nВесна —  2 ", "Зима — 1"},
    };
    return all;
}

QString givenOf(int pupil, int question)
{
    const QStringList &a = answers()[size_t(question)];
    return a[pupil % a.size()];
}

// The program's own judgement of an answer: nothing earned when it cannot be read.
Remarked programsMark(int question, const QString &given)
{
    const LessonQuestion q = questions()[size_t(question)];
    return remarkAnswer(answerTypeOf(q.options), given, q.points, q.options).value_or(Remarked{});
}

// What one simulated PC saw.
struct PcRun {
    bool lessonFound = false;
    qint64 lessonId = 0;
    int questionsSeen = 0;
    std::vector<AnswerOutcome> outcomes;
    int queuedWhileCut = 0, sentWhenBack = 0, waitingAfter = -1;
    LessonReply questionsReply;
};
} // namespace

class LessonsTest : public QObject
{
    Q_OBJECT
    PgServer pg;
    SchoolServer server;
    JournalSettings pc;
    QTemporaryDir dir;
    std::unique_ptr<As> admin, teacher;
    std::vector<QString> tokens; // tokens[i] for pupil i of the class; tokens[pupils] of the other class
    std::vector<qint64> accountIds;

    JournalSettings cutOff() const
    {
        JournalSettings s = pc;
        s.port = 1; // nothing listens there: the network is down
        return s;
    }

    QString queueOf(int i) const { return dir.filePath(QStringLiteral("pc%1/lesson-answers.sqlite").arg(i)); }

    qint64 start(const LessonPlan &plan, const std::vector<LessonQuestion> &qs = questions())
    {
        QString error;
        QSqlDatabase db = teacher->db();
        const std::optional<qint64> id = startLesson(db, plan, qs, error);
        if (!id)
            qWarning("%s", qPrintable(error));
        return id.value_or(0);
    }

    LessonPlan plan(int seconds = 600, const QString &className = klass) const
    {
        return {className, QStringLiteral("История"), QStringLiteral("Смута"), false, seconds, 5, {55, 70, 85}};
    }

    // Every function a PC may call, with the lesson where it takes one, as text.
    QString everythingAPcGets(const As &pcRole, qint64 lesson, const QString &token)
    {
        QString out;
        const QStringList functions = admin->rows(
            QStringLiteral("SELECT p.proname, pg_get_function_identity_arguments(p.oid),"
                           " array_to_string(ARRAY(SELECT format_type(t, NULL) FROM unnest(p.proargtypes) t), ',')"
                           " FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace"
                           " WHERE n.nspname = 'public' AND p.proname LIKE 'trivo\\_pc\\_%'"));
        for (const QString &f : functions) {
            const QString name = f.section(u'|', 0, 0);
            QStringList args;
            bool first = true;
            for (const QString &type : f.section(u'|', 2, 2).split(u',', Qt::SkipEmptyParts)) {
                if (type == u"text")
                    args << (first ? QStringLiteral("'%1'").arg(token) : QStringLiteral("'Тверь'"));
                else if (type == u"bigint")
                    args << QString::number(lesson);
                else if (type == u"integer")
                    args << QStringLiteral("1");
                else if (type.startsWith(u"timestamp"))
                    args << QStringLiteral("now()");
                else if (type == u"jsonb")
                    args << QStringLiteral("'{}'::jsonb");
                else
                    args << QStringLiteral("NULL");
                first = first && type != u"text";
            }
            QSqlQuery q(pcRole.db());
            const QString sql =
                QStringLiteral("SELECT string_agg(r::text, E'\\n') FROM %1(%2) r").arg(name, args.join(u','));
            out += name + u'\n' + (q.exec(sql) && q.next() ? q.value(0).toString() : q.lastError().text()) + u'\n';
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        START_SCHOOL_SERVER(pg);
        server.host = QStringLiteral("127.0.0.1");
        server.port = pg.port;
        QString error;
        QVERIFY2(setUpSchool(server, setter, setterPassword, {{teacherLogin, teacherPassword}}, error),
                 qPrintable(error));
        admin = std::make_unique<As>(pg.port, QLatin1String(PgServer::admin), QLatin1String(PgServer::adminPassword));
        teacher = std::make_unique<As>(pg.port, teacherLogin, teacherPassword);
        QVERIFY2(teacher->db().isOpen(), qPrintable(teacher->db().lastError().text()));
        QVERIFY(admin->refusal(QStringLiteral("ALTER ROLE trivo_pc PASSWORD 'pc'")).isEmpty());
        QStringList rows;
        for (int i = 0; i <= pupils; ++i)
            rows << QStringLiteral("('Ученик %1', 'ученик %1', '%2', '%3')")
                        .arg(i, 2, 10, QLatin1Char('0'))
                        .arg(i < pupils ? klass : other)
                        .arg(100000 + i);
        QVERIFY(admin->refusal("INSERT INTO accounts (fio, fio_folded, class_name, code) VALUES " + rows.join(u','))
                    .isEmpty());
        pc = schoolPcSettings(JournalSettings{}, server, QStringLiteral("pc"));
        pc.outbox = dir.filePath(QStringLiteral("outbox.sqlite"));
        for (int i = 0; i <= pupils; ++i) {
            const PupilLogin login = logInPupil(pc, QString::number(100000 + i), QStringLiteral("PC-%1").arg(i));
            QVERIFY2(login.status == PupilLogin::Status::Granted, qPrintable(login.message));
            tokens.push_back(login.token);
            accountIds.push_back(
                admin->rows(QStringLiteral("SELECT id FROM accounts WHERE code = '%1'").arg(100000 + i))
                    .value(0)
                    .toLongLong());
        }
    }

    void cleanupTestCase()
    {
        teacher.reset();
        admin.reset();
    }

    void thePcsRoleReadsNoKey()
    {
        const qint64 ours = start(plan()), theirs = start(plan(600, other)), over = start(plan());
        QVERIFY(ours && theirs && over);
        QString error;
        QSqlDatabase db = teacher->db();
        QVERIFY(endLesson(db, over, error));
        const As pcRole(pg.port, QStringLiteral("trivo_pc"), QStringLiteral("pc"));
        QVERIFY(pcRole.db().isOpen());
        for (const char *table : {"lessons", "lesson_questions", "lesson_keys", "lesson_time", "lesson_answers"})
            QVERIFY2(pcRole.refusal(QStringLiteral("SELECT * FROM ") + QLatin1String(table))
                         .contains(QStringLiteral("permission denied")),
                     qPrintable(table));
        for (const QString &helper :
             {QStringLiteral("trivo_judge('Точный ответ', 'x', 1, '[]')"), QStringLiteral("trivo_lesson_end(1, 1)"),
              QStringLiteral("trivo_lesson_pupil('', 1)")})
            QVERIFY2(pcRole.refusal("SELECT * FROM " + helper).contains(QStringLiteral("permission denied")),
                     qPrintable(helper));
        // A pupil of each class, with every test there is.
        QString everything;
        for (const QString &token : {tokens[0], tokens[pupils]})
            for (qint64 lesson : {ours, theirs, over})
                everything += everythingAPcGets(pcRole, lesson, token);
        QVERIFY(everything.contains(QStringLiteral("Онегин"))); // the questions did come
        for (const QString &secret : secrets)
            QVERIFY2(!everything.contains(secret), qPrintable(secret + u'\n' + everything));
        // Out of the way of the tests below: the newest test of a class is the one a PC gets.
        QVERIFY(endLesson(db, ours, error) && endLesson(db, theirs, error));
    }

    void thirtyPcsTakeATest()
    {
        const qint64 lesson = start(plan());
        QVERIFY(lesson);
        const int cut = pupils - 1; // this PC loses the network before its answers
        const int unanswered = 1;   // this one leaves the last question till after the end
        std::vector<PcRun> runs(size_t(pupils + 1));
        std::vector<std::thread> pcs;
        for (int i = 0; i <= pupils; ++i)
            pcs.emplace_back([&, i] {
                PcRun &run = runs[size_t(i)];
                LessonClient client(pc, tokens[size_t(i)], queueOf(i));
                LessonReply reply;
                const std::optional<CurrentLesson> now = client.currentLesson(reply);
                run.lessonFound = now.has_value();
                run.lessonId = now ? now->id : 0;
                run.questionsSeen = int(client.questions(lesson, run.questionsReply).size());
                if (i == cut) {
                    LessonClient offline(cutOff(), tokens[size_t(i)], queueOf(i));
                    for (int q = 0; q < 5; ++q)
                        run.queuedWhileCut +=
                            offline.answer(lesson, q + 1, givenOf(i, q)).status == AnswerOutcome::Status::Queued;
                    // Back on the network: a PC started again sends what waits.
                    LessonClient back(pc, tokens[size_t(i)], queueOf(i));
                    run.sentWhenBack = back.sendQueued(reply);
                    run.waitingAfter = back.waiting();
                    return;
                }
                for (int q = 0; q < (i == unanswered ? 4 : 5); ++q)
                    run.outcomes.push_back(client.answer(lesson, q + 1, givenOf(i, q)));
                run.waitingAfter = client.waiting();
            });
        for (std::thread &t : pcs)
            t.join();

        for (int i = 0; i < pupils; ++i) {
            const PcRun &run = runs[size_t(i)];
            QVERIFY2(run.lessonFound && run.lessonId == lesson, qPrintable(QString::number(i)));
            QCOMPARE(run.questionsSeen, 5);
            QCOMPARE(run.waitingAfter, 0);
            for (size_t q = 0; q < run.outcomes.size(); ++q) {
                const Remarked mark = programsMark(int(q), givenOf(i, int(q)));
                const QString what =
                    QStringLiteral("pupil %1, question %2: %3").arg(i).arg(q + 1).arg(givenOf(i, int(q)));
                QVERIFY2(run.outcomes[q].status == AnswerOutcome::Status::Judged, qPrintable(what));
                QVERIFY2(run.outcomes[q].points == mark.points && run.outcomes[q].right == mark.right,
                         qPrintable(QStringLiteral("%1 → %2").arg(what).arg(run.outcomes[q].points)));
            }
        }
        QCOMPARE(runs[size_t(cut)].queuedWhileCut, 5);
        QCOMPARE(runs[size_t(cut)].sentWhenBack, 5);
        // The other class's pupil has no test and may not read this one.
        QVERIFY(!runs[size_t(pupils)].lessonFound);
        QCOMPARE(runs[size_t(pupils)].questionsSeen, 0);
        QCOMPARE(int(runs[size_t(pupils)].questionsReply.call), int(LessonCall::Refused));
        LessonClient stranger(pc, tokens[size_t(pupils)], queueOf(pupils));
        QCOMPARE(int(stranger.answer(lesson, 1, givenOf(0, 0)).status), int(AnswerOutcome::Status::Refused));

        // A reply lost on the way: the answer sent again, the judgement kept the first time stands.
        const As pcRole(pg.port, QStringLiteral("trivo_pc"), QStringLiteral("pc"));
        QCOMPARE(pcRole.rows(QStringLiteral("SELECT status, points FROM trivo_pc_lesson_answer('%1', %2, 1, 'Тверь"
                                            "\nКазань\nСамара', now())")
                                 .arg(tokens[3])
                                 .arg(lesson)),
                 QStringList{QStringLiteral("known|%1").arg(programsMark(0, givenOf(3, 0)).points)});

        // The teacher ends it for everyone; what comes now is refused.
        QString error;
        QSqlDatabase db = teacher->db();
        QVERIFY(endLesson(db, lesson, error));
        LessonClient late(pc, tokens[size_t(unanswered)], queueOf(unanswered));
        QTest::qWait(50); // an answer given in the very millisecond of the end is in time
        QCOMPARE(int(late.answer(lesson, 5, givenOf(unanswered, 4)).status), int(AnswerOutcome::Status::Late));
        QCOMPARE(late.waiting(), 0);

        // Each pupil's total and grade, and the teacher's view of every answer.
        const std::optional<LessonState> state = lessonState(db, lesson, error);
        QVERIFY2(state, qPrintable(error));
        QCOMPARE(state->pointsPossible, 15);
        QCOMPARE(int(state->pupils.size()), pupils);
        QCOMPARE(int(state->answers.size()), pupils * 5 - 1);
        std::map<std::pair<qint64, int>, const LessonAnswer *> kept;
        for (const LessonAnswer &a : state->answers)
            kept[{a.accountId, a.position}] = &a;
        for (int i = 0; i < pupils; ++i) {
            int total = 0, answered = 0;
            for (int q = 0; q < 5; ++q) {
                const auto found = kept.find({accountIds[size_t(i)], q + 1});
                if (i == unanswered && q == 4) {
                    QVERIFY(found == kept.end());
                    continue;
                }
                QVERIFY(found != kept.end());
                const Remarked mark = programsMark(q, givenOf(i, q));
                QCOMPARE(found->second->given, givenOf(i, q));
                QCOMPARE(found->second->points, mark.points);
                QCOMPARE(found->second->right, mark.right);
                QCOMPARE(found->second->rightAnswer, mark.rightAnswer);
                total += mark.points;
                ++answered;
            }
            const LessonPupil &p = state->pupils[size_t(i)];
            QCOMPARE(p.accountId, accountIds[size_t(i)]);
            QCOMPARE(p.answered, answered);
            QCOMPARE(p.points, total);
            QCOMPARE(p.secondsLeft, 0);
            LessonClient client(pc, tokens[size_t(i)], queueOf(i));
            LessonReply reply;
            const std::optional<LessonTotals> totals = client.finish(lesson, reply);
            QVERIFY2(totals, qPrintable(reply.message));
            QCOMPARE(totals->points, total);
            QCOMPARE(totals->pointsPossible, 15);
            QCOMPARE(totals->answered, answered);
            QCOMPARE(totals->grade, BalliOcenka(percentOf(total, 15), GradeBounds{55, 70, 85}));
        }
    }

    // The server's clock decides; each row a test of its own, its times moved
    // to where the row needs them (seconds from now).
    void theServerKeepsTheTime_data()
    {
        QTest::addColumn<int>("ends");
        QTest::addColumn<int>("extra");
        QTest::addColumn<int>("endedEarly"); // 0: not ended early
        QTest::addColumn<bool>("finished");
        QTest::addColumn<int>("answered"); // when the PC says it was given
        QTest::addColumn<QString>("status");
        QTest::newRow("in time") << 60 << 0 << 0 << false << 0 << "judged";
        QTest::newRow("after the end") << -5 << 0 << 0 << false << 0 << "late";
        QTest::newRow("given in time, sent within a minute") << -5 << 0 << 0 << false << -10 << "judged";
        QTest::newRow("given in time, sent too late") << -90 << 0 << 0 << false << -100 << "late";
        QTest::newRow("a stamp from the future") << -5 << 0 << 0 << false << 3600 << "late";
        QTest::newRow("extra time for the pupil") << -5 << 60 << 0 << false << 0 << "judged";
        QTest::newRow("extra time used up") << -70 << 60 << 0 << false << 0 << "late";
        QTest::newRow("ended early for everyone") << 60 << 0 << -1 << false << 0 << "late";
        QTest::newRow("ended early beats extra time") << 60 << 600 << -1 << false << 0 << "late";
        QTest::newRow("the pupil finished") << 60 << 0 << 0 << true << 0 << "late";
    }
    void theServerKeepsTheTime()
    {
        QFETCH(int, ends);
        QFETCH(int, extra);
        QFETCH(int, endedEarly);
        QFETCH(bool, finished);
        QFETCH(int, answered);
        QFETCH(QString, status);
        const qint64 lesson = start(plan());
        QVERIFY(lesson);
        QString error;
        QSqlDatabase db = teacher->db();
        if (extra)
            QVERIFY2(addTime(db, lesson, accountIds[1], extra, error), qPrintable(error));
        const QString early = endedEarly ? QStringLiteral("LOCALTIMESTAMP + interval '%1 seconds'").arg(endedEarly)
                                         : QStringLiteral("NULL");
        QVERIFY(teacher
                    ->refusal(QStringLiteral("UPDATE lessons SET starts = LOCALTIMESTAMP - interval '10 minutes',"
                                             " ends = LOCALTIMESTAMP + interval '%1 seconds', ended_early = %2"
                                             " WHERE id = %3")
                                  .arg(ends)
                                  .arg(early)
                                  .arg(lesson))
                    .isEmpty());
        const As pcRole(pg.port, QStringLiteral("trivo_pc"), QStringLiteral("pc"));
        if (finished)
            QCOMPARE(
                pcRole.rows(
                    QStringLiteral("SELECT answered FROM trivo_pc_lesson_finish('%1', %2)").arg(tokens[1]).arg(lesson)),
                QStringList{"0"});
        const QString send = QStringLiteral("SELECT status FROM trivo_pc_lesson_answer('%1', %2, 2, 'Бородино',"
                                            " now() + interval '%3 seconds')")
                                 .arg(tokens[1])
                                 .arg(lesson)
                                 .arg(answered);
        QCOMPARE(pcRole.rows(send), QStringList{status});
        // Sent again: judged once, refused as before.
        QCOMPARE(pcRole.rows(send), QStringList{status == u"judged" ? QStringLiteral("known") : status});
        QVERIFY(endLesson(db, lesson, error));
    }

    void extraTimeReachesThePupilsPc()
    {
        const qint64 lesson = start(plan(1));
        QVERIFY(lesson);
        QString error;
        QSqlDatabase db = teacher->db();
        QVERIFY(addTime(db, lesson, accountIds[2], 120, error));
        QVERIFY(addTime(db, lesson, accountIds[2], 60, error));
        QVERIFY(!addTime(db, lesson, accountIds[2], 0, error));
        QTest::qWait(1200);
        LessonReply reply;
        LessonClient given(pc, tokens[2], queueOf(2)), notGiven(pc, tokens[3], queueOf(3));
        const std::optional<CurrentLesson> now = given.currentLesson(reply);
        QVERIFY2(now && now->id == lesson, qPrintable(reply.message));
        QVERIFY(now->secondsLeft > 170 && now->secondsLeft <= 180);
        QVERIFY(!notGiven.currentLesson(reply) && reply.call == LessonCall::Done);
        QCOMPARE(int(given.answer(lesson, 2, QStringLiteral("Бородино")).status), int(AnswerOutcome::Status::Judged));
        QCOMPARE(int(notGiven.answer(lesson, 2, QStringLiteral("Бородино")).status), int(AnswerOutcome::Status::Late));
        const std::optional<LessonState> state = lessonState(db, lesson, error);
        QVERIFY2(state, qPrintable(error));
        QCOMPARE(state->secondsLeft, 0);
        QCOMPARE(state->pupils[2].extraSeconds, 180);
        QVERIFY(state->pupils[2].secondsLeft > 170);
        // Its time over, the test ended for everyone ends the extra time too.
        QVERIFY(endLesson(db, lesson, error));
        // The PC's stamp is the server's clock as the PC last learnt it, a few
        // milliseconds either way: an answer a moment after the end may pass
        // for one given before it.
        QTest::qWait(300);
        QCOMPARE(int(given.answer(lesson, 3, QStringLiteral("Кит — 1")).status), int(AnswerOutcome::Status::Late));
        QVERIFY(!given.currentLesson(reply) && reply.call == LessonCall::Done);
    }
};

QTEST_GUILESS_MAIN(LessonsTest)
#include "test_lessons.moc"
