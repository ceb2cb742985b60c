// «Работа над ошибками» played from the menu: the mistakes due come back most
// overdue first, the quiet line counts them after the log-in, nothing due is
// said with the next date, and the administrator can switch it off.
#include "WindowTestKit.h"
#include "bank.h"
#include "journal.h"
#include "journalservice.h"
#include "review.h"
#include "schema.h"

#include <QAction>
#include <QLabel>
#include <QSqlQuery>

namespace
{
const QString pupil = QStringLiteral("Пользователь 1");

void writeTopic(const QString &folder)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Петровская эпоха"}});
    bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "Год Полтавской битвы?", "", "2", ""},
                                               {"1", "1", "1", "2", "Год основания Петербурга?", "", "2", ""},
                                               {"1", "1", "1", "3", "Год Ништадтского мира?", "", "2", ""}});
    bank.otwet.rewrite(std::vector<OtwetRec>{{"1", "1", "1", "1", "1", "Ф", "1709"},
                                             {"1", "1", "1", "2", "1", "Ф", "1703"},
                                             {"1", "1", "1", "3", "1", "Ф", "1721"}});
}

QuestionResult wrongAnswer(const QString &key, const QString &text)
{
    QuestionResult q;
    q.key = key;
    q.answerType = QStringLiteral("Точный ответ");
    q.answered = true;
    q.textHash = questionTextHash(text);
    return q;
}

// Mistakes made days ago: questions 2 and 1 are due, 3 was asked in another
// wording since, and 9 is gone from the bank.
void earlierMistakes(Journal &j)
{
    const QDateTime now = QDateTime::currentDateTime();
    auto run = [&](int daysAgo, std::vector<QuestionResult> questions) {
        RunResult r;
        r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        r.pupil = pupil;
        r.subject = QStringLiteral("История");
        r.topic = QStringLiteral("Петровская эпоха");
        r.started = now.addDays(-daysAgo);
        r.seconds = 0;
        r.questions = std::move(questions);
        QCOMPARE(j.record(r), Journal::Recorded::InJournal);
    };
    run(3, {wrongAnswer("1_1_1_2", "Год основания Петербурга?"), wrongAnswer("1_1_1_9", "Ушедший вопрос")});
    run(2, {wrongAnswer("1_1_1_1", "Год Полтавской битвы?"), wrongAnswer("1_1_1_3", "Год Ништадтского мира")});
}

int dueInDays(Journal &j, const QString &key)
{
    QSqlQuery q(j.database());
    q.prepare("SELECT due FROM question_memory WHERE question_key = ?");
    q.addBindValue(key);
    return q.exec() && q.next() ? int(QDate::currentDate().daysTo(timeFromStored(q.value(0)).date())) : -1;
}
} // namespace

class ReviewTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;

private slots:
    void theMistakesDueComeBackUntilLearnt()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"));
        {
            Journal j(JournalSettings::load());
            earlierMistakes(j);
        }
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("318642"));
        QVERIFY(m->journalService().waitUntilIdle(20000));
        QCOMPARE(m->Izveshenie->text(), QStringLiteral("Повторить сегодня: 2 вопроса"));
        QVERIFY(kit.desk.of("message").empty());

        glo().LimitWopr = 20;
        QAction *review = child<QAction>(m, "N31");
        QVERIFY(review->isEnabled());
        review->trigger();
        QVERIFY(m->journalService().waitUntilIdle(20000));
        QVERIFY(m->running());
        QCOMPARE(m->run().KWopr(), 2);
        // The most overdue first, with the hints of training.
        QCOMPARE(m->run().questionKey(), QStringLiteral("1_1_1_2"));
        QVERIFY(m->PlusSim->isEnabled());
        m->OdinOt->setText(QStringLiteral("1703"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->run().questionKey(), QStringLiteral("1_1_1_1"));
        m->OdinOt->setText(QStringLiteral("1700"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QVERIFY(!m->running());
        QVERIFY(m->journalService().waitUntilIdle(20000));

        // Right three days after the mistake (R = 0.6396, so S = 4.8061): five
        // days; wrong again: tomorrow.
        {
            Journal j(JournalSettings::load());
            QVERIFY(j.open());
            QCOMPARE(dueInDays(j, "1_1_1_2"), 5);
            QCOMPARE(dueInDays(j, "1_1_1_1"), 1);
            QSqlQuery q(j.database());
            QVERIFY(q.exec("SELECT COUNT(*) FROM results WHERE topic = 'Работа над ошибками'") && q.next());
            QCOMPARE(q.value(0).toInt(), 1);
        }

        // Nothing left for today: said so, with the day the next one comes due.
        review->trigger();
        QVERIFY(m->journalService().waitUntilIdle(20000));
        QVERIFY(!m->running());
        const auto said = kit.desk.of("message");
        QCOMPARE(said.size(), size_t(1));
        QCOMPARE(said[0].text, QStringLiteral("На сегодня повторять нечего. Следующий вопрос для повторения — %1.")
                                   .arg(QDate::currentDate().addDays(1).toString("dd.MM.yyyy")));
    }

    void switchedOffForExamDays()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"));
        JournalSettings s = JournalSettings::load();
        s.repeatMistakes = false;
        QVERIFY(s.save(kit.path("Baza")).isEmpty());
        {
            Journal j(JournalSettings::load());
            earlierMistakes(j);
        }
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("318642"));
        QVERIFY(m->journalService().waitUntilIdle(20000));
        QVERIFY(!child<QAction>(m, "N31")->isEnabled());
        QVERIFY(m->Izveshenie->text().isEmpty());
    }
};

QTEST_MAIN(ReviewTest)
#include "test_review.moc"
