// What a run reports when it ends: the journal's result, the whole-subject
// exam drawn through Temp.dat, and the protocol document.
#include "RunKit.h"
#include "runmodel.h"

#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

class RunReportTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    RandomGen gen{7};

    BankFiles bank() const { return BankFiles(dir.path()); }

private slots:
    void init() { startWithFourTopics(dir.path()); }

    void theRunReportsWhatHappened()
    {
        writeSubject(bank(), {{"Три вопроса",
                               {{"2", "Первый", {{"Ф", "1", "1709"}}},
                                {"2", "Второй", {{"Ф", "1", "1812"}}},
                                {"2", "Третий", {{"Ф", "1", "1945"}}}}}});
        RunModel m(gen);
        std::vector<RunResult> reported;
        connect(&m, &RunModel::runEnded, this, [&](const RunResult &r) { reported.push_back(r); });
        m.setIdentity({"Петров П.", "2", "W", {}, "История", "Три вопроса"});
        m.begin(false, 86380); // across midnight
        m.startTopic(bank(), "1", "1", 86380);
        m.answer(typed("1709"), 86390); // 10 s, right
        m.putOff(5);                    // 15 s
        QVERIFY(m.hintExact(QString()));
        m.answer(typed("1900"), 15); // 10 s, wrong, one hint
        QCOMPARE(int(reported.size()), 1);
        m.repeat(20);
        m.answer(typed("1812"), 40); // 20 s more for the second, 35 in all
        QCOMPARE(int(reported.size()), 2);
        QCOMPARE(reported[1].id, reported[0].id); // the same run, reported again whole

        const RunResult &r = reported[1];
        QCOMPARE(r.pupil, "Петров П.");
        QCOMPARE(r.userCode + r.access + r.subject + r.topic, "2WИсторияТри вопроса");
        QCOMPARE(r.seconds, 60);
        const QList<int> counts{r.asked, r.answered, r.right, r.putOff, r.pointsPossible, r.pointsEarned, r.hints};
        QCOMPARE(counts, QList<int>({3, 3, 2, 1, 6, 4, 1}));
        QCOMPARE(r.grade + r.runningGrade, m.Ocenka() + m.TekOcenka());
        QCOMPARE(int(r.questions.size()), 3);
        const QStringList expected = {"1_1_1_1 Точный ответ 2/2 right 0 hints 10 s",
                                      "1_1_1_2 Точный ответ 2/2 right 0 hints 35 s",
                                      "1_1_1_3 Точный ответ 0/2 wrong 1 hints 10 s"};
        for (size_t i = 0; i < r.questions.size(); ++i) {
            const QuestionResult &q = r.questions[i];
            QCOMPARE(QStringLiteral("%1 %2 %3/%4 %5 %6 hints %7 s")
                         .arg(q.key, q.answerType)
                         .arg(q.pointsEarned)
                         .arg(q.pointsPossible)
                         .arg(q.right ? "right" : "wrong")
                         .arg(q.hints)
                         .arg(q.seconds),
                     expected[int(i)]);
        }
    }

    void eachAnswerIsKeptAsGivenWithTheRightOne()
    {
        RunModel m(gen);
        std::vector<RunResult> reported;
        connect(&m, &RunModel::runEnded, this, [&](const RunResult &r) { reported.push_back(r); });
        m.setIdentity({"9Б", "2", "W", "Петров П.", "История", "Все виды"});
        m.begin(false, 100);
        m.startTopic(bank(), "1", "1", 100);
        m.answer(ticks({true, false, true, false}), 110);
        m.answer(typed(" 1942 "), 120);
        m.answer(numbers({}), 130); // the matching as it was placed
        m.answer(numbers({"1", "1", "2"}), 140);
        QCOMPARE(int(reported.size()), 0);
        m.stop(150); // the ranking left unanswered: its right answer is kept all the same
        QCOMPARE(int(reported.size()), 1);
        const RunResult &r = reported[0];
        QCOMPARE(r.className, QStringLiteral("9Б")); // the account a class shares
        const std::vector<QStringList> expected = {
            {"Кто из них правил в России?", "Пётр I\nНаполеон", "Пётр I\nИван IV"},
            {"В каком году началась Великая Отечественная война?", "1942", "1941"},
            {"Соотнесите события и годы", "Крещение Руси — 1709\nПолтавская битва — 988",
             "Крещение Руси — 988\nПолтавская битва — 1709"},
            {"Отнесите правителей к династиям", "Иван III — 1\nПётр I — 1\nЕкатерина II — 2",
             "Иван III — 1\nПётр I — 2\nЕкатерина II — 2"},
            {"Расположите по порядку", "", "Полтавская битва — 2\nКуликовская битва — 1\nБородинское сражение — 3"}};
        QCOMPARE(r.questions.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            const QuestionResult &q = r.questions[i];
            QCOMPARE((QStringList{q.text, q.given, q.rightAnswer}), expected[i]);
            QCOMPARE(q.topic, QStringLiteral("Все виды"));
        }
        // A name of one's own under one's own account names no class.
        for (const QString &name : QStringList{"Петров Пётр", "9Б класс", "12", "9-Б ", "11 А"})
            QCOMPARE(looksLikeClass(name), name == QStringLiteral("9-Б ") || name == QStringLiteral("11 А"));
    }

    // Ids sort as the runs started, across a change of the leading digit
    // too, and tell the moment back; those of one moment still differ.
    void runIdsSortAsTheRunsStarted()
    {
        const QDateTime ms0 = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        const std::vector<QDateTime> moments{
            QDateTime(QDate(2026, 12, 8), QTime(9, 0)), QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0, 1)),
            QDateTime(QDate(2027, 1, 1), QTime(0, 0)), ms0.addMSecs(0x0FFF'FFFF'FFFF), ms0.addMSecs(0x1000'0000'0000)};
        QStringList ids;
        for (const QDateTime &at : moments) {
            const QString id = newRunId(at);
            const QUuid parsed(id);
            QCOMPARE(parsed.toString(QUuid::WithoutBraces), id);
            QCOMPARE(id[14], u'7');
            QCOMPARE(parsed.variant(), QUuid::DCE);
            QCOMPARE(QString(id).remove(u'-').left(12).toLongLong(nullptr, 16), at.toMSecsSinceEpoch());
            if (!ids.isEmpty())
                QVERIFY2(ids.back() < id, qPrintable(ids.back() + " " + id));
            ids << id;
        }
        QSet<QString> same;
        for (int i = 0; i < 10000; ++i)
            same.insert(newRunId(moments[0]));
        QCOMPARE(same.size(), 10000);
    }

    void wholeSubjectExam()
    {
        std::vector<Topic> subject(3);
        for (int q = 1; q <= 3; ++q)
            subject[0].questions.push_back({"1", "Год?", {{"Ф", "1", QStringLiteral("1.%1").arg(q)}}});
        for (int q = 1; q <= 4; ++q)
            subject[1].questions.push_back({"2", "Отметьте", {{"+", "1", "да"}, {"", "2", "нет"}, {"+", "3", "да"}}});
        for (int q = 1; q <= 2; ++q)
            subject[2].questions.push_back({"3", "По порядку", {{"1", "2", "б"}, {"1", "1", "а"}, {"1", "3", "в"}}});
        for (int t = 0; t < 3; ++t)
            subject[size_t(t)].name = QStringLiteral("Тема %1").arg(t + 1);
        writeSubject(bank(), subject);
        bank().exam.rewrite(std::vector<ExamRec>{
            {"1", "1", "Тема 1", "3", "2"}, {"1", "2", "Тема 2", "4", "1"}, {"1", "3", "Тема 3", "2", "2"}});
        StringTable topics(3, 1);
        topics.setDataRows({{"1", "1", "Тема 1"}, {"1", "2", "Тема 2"}, {"1", "3", "Тема 3"}});

        RunModel m(gen);
        m.setTopics(topics);
        m.begin(true, 0);
        m.showAnswerRows();
        m.startExam(bank(), 0);
        QStringList drawn;
        for (const WoprosRec &q : bank().temp.readAll<WoprosRec>())
            drawn << q.Tema;
        QCOMPARE(drawn, QStringList({"1", "1", "2", "3", "3"}));
        QVERIFY(m.exam() && m.controls().topicChoice);
        QCOMPARE(m.KWopr(), 5);
        QCOMPARE(m.WseBal(), 10);
        for (int i = 1; i <= 5; ++i) {
            const int tema = m.questionKey().section(u'_', 1, 1).toInt();
            QCOMPARE(m.questionTopic(), subject[size_t(tema - 1)].name);
            const Q &q = subject[size_t(tema - 1)].questions[size_t(shownNumber(m) - 1)];
            GivenAnswer g = typed(q.opts[0].text);
            for (const Opt &o : q.opts) {
                g.ticks.push_back(o.code == u"+");
                g.numbers << o.label;
            }
            m.answer(g, i);
        }
        QVERIFY(!m.running());
        QCOMPARE(m.WerWop(), 5);
        QCOMPARE(m.WerBal(), 10);
        QCOMPARE(m.Ocenka(), "5");
    }

    void protocolOfARun_data()
    {
        QTest::addColumn<bool>("prompting");
        QTest::newRow("without hints") << false;
        QTest::newRow("with hints: the right labels too") << true;
    }

    void protocolOfARun()
    {
        QFETCH(bool, prompting);
        const QString h1 = prompting ? "1" : "", h2 = prompting ? "2" : "", h3 = prompting ? "3" : "";
        RunModel m(gen);
        m.setPrompting(prompting);
        m.setProtocol(true, "Петров П. 10 А");
        m.begin(false, 36000);
        m.startTopic(bank(), "1", "1", 36000);
        m.answer(ticks({1, 0, 1, 0}), 36100); // a wrong tick voids it
        m.answer(typed(" 1941 "), 36200);
        m.rowDown("1");
        m.answer({}, 36300);
        m.answer(numbers({"1", "2", "2"}), 36400);
        m.answer(numbers({"2", "1", "3"}), 36754); // and the run closes
        QStringList entries;
        for (const ProtocolEntry &e : m.protocol())
            entries << describe(e);
        QCOMPARE(entries, QStringList({
                              "Q 1. Кто из них правил в России?",
                              "B¶ в+ :  Пётр I",
                              "B¶ -+ :  Иван IV",
                              "P¶ в- :  Наполеон",
                              "P¶ -- :  Цезарь",
                              "Q 2. В каком году началась Великая Отечественная война?",
                              "B→ ++ :  1941 Вы 1941",
                              "Q 3. Соотнесите события и годы",
                              "T 23/200/200/23: 1|Крещение Руси|988|" + h1 + " ; 2|Полтавская битва|1709|" + h2,
                              "Q 4. Отнесите правителей к династиям",
                              "T 23/200/200/23/23: 1|Рюриковичи|Иван III|1|" + h1 + " ; 2|Романовы|Пётр I|2|" + h2 +
                                  " ; ||Екатерина II|2|" + h2,
                              "Q 5. Расположите по порядку",
                              "T 23/23/200: 2|" + h2 + "|Полтавская битва ; 1|" + h1 + "|Куликовская битва ; 3|" + h3 +
                                  "|Бородинское сражение",
                          }));

        // 4 of 5 questions right, 10 of 15 points.
        m.addSummary("История", "Все виды", "01.09.2024  09:00:00");
        QCOMPARE(describe(m.protocol().back()),
                 "S : Дата время|01.09.2024  09:00:00 ; Предмет|История ; Тема|Все виды ; Задано вопросов|5 ; "
                 "Получено правильных ответов|4 ; Оценка|3   Процент 80 ; Из всех баллов|15 ; Набрано баллов|10 ; "
                 "Оценка по баллам|3   Процент 67 ; Затрачено времени|0:12:34 ; Отвечал на вопросы|Петров П. 10 А");

        DocxDocument doc;
        writeProtocol(doc, m.protocol());
        const DocumentModel &d = doc.model();
        QCOMPARE(d.tableCount(), 4);
        QCOMPARE(d.tableAt(1).widths, std::vector<double>({23, 200, 200, 23}));
        QCOMPARE(d.tableAt(3).widths, std::vector<double>({23, 23, 200}));
        for (int k = 1; k <= 3; ++k)
            QVERIFY2(!d.tableAt(k).borders, qPrintable(QString::number(k)));
        const DocumentModel::Table &summary = d.tableAt(4);
        QVERIFY(summary.borders);
        QCOMPARE(summary.rows, 11);
        QCOMPARE(summary.columns, 2);
        QCOMPARE(cellText(summary, 6, 2), "3   Процент 80");
        QCOMPARE(cellText(summary, 11, 2), "Петров П. 10 А");
        const QString text = d.characters();
        QVERIFY(text.endsWith(protocolSignatureLine() + u'\n'));
        QVERIFY(text.contains("2. В каком году началась Великая Отечественная война?++ :  1941 Вы 1941\n"));
        QVERIFY(!d.isBoldAt(int(text.indexOf("в- :  Наполеон")) + 1));
        QVERIFY(d.isBoldAt(int(text.indexOf("-+ :  Иван IV")) + 1));
        QCOMPARE(d.fontSize(), 10.0);
    }

    void summaryOfARunWithoutQuestions()
    {
        RunModel m(gen);
        m.setProtocol(true, "Иванов И.");
        m.begin(false, 0);
        m.startTopic(bank(), "1", "2", 0);
        m.answer({}, 0);
        m.addSummary("История", "Пустая тема", "01.09.2024  09:00:00");
        QCOMPARE(m.protocol().size(), size_t(1));
        QCOMPARE(describe(m.protocol().back()),
                 "S : Дата время|01.09.2024  09:00:00 ; Предмет|История ; Тема|Пустая тема ; Задано вопросов|0 ; "
                 "Получено правильных ответов|0 ; Оценка| ; Из всех баллов|0 ; Набрано баллов|0 ; "
                 "Оценка по баллам| ; Затрачено времени|0:00:00 ; Отвечал на вопросы|Иванов И.");
        DocxDocument doc;
        writeProtocol(doc, m.protocol());
        QCOMPARE(doc.model().tableCount(), 1);
        QVERIFY(doc.model().tableAt(1).borders);
        QVERIFY(doc.model().characters().endsWith(protocolSignatureLine() + u'\n'));
    }
};

QTEST_GUILESS_MAIN(RunReportTest)
#include "test_runreport.moc"
