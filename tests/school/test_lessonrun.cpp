// A controlled test played on a PC that holds no key: every kind laid out
// from what the server shows as a run lays it out, each answer kept in words
// that the server judges against the real key as a keyed run would, the
// server's points counted; no hints, nothing put off or repeated, no right
// answer known on the PC.
#include "bank.h"
#include "lessonrun.h"
#include "lessons.h"
#include "programstate.h"
#include "remark.h"
#include "runmodel.h"

#include <QtTest>

class LessonRunTest : public QObject
{
    Q_OBJECT

private slots:
    void aLessonRunsWithoutKeys()
    {
        glo() = Glo{};
        glo().LimitWopr = 20;
        RandomGen gen{7};
        struct Kind {
            std::vector<KeyOption> key;
            GivenAnswer answer;
            int points; // as a keyed run judges the answer; -1: as the pupil left the grid
        };
        const std::vector<Kind> kinds = {
            {{{"1", "+", "Пётр I"}, {"2", "+", "Иван IV"}, {"3", "", "Наполеон"}, {"4", "", "Цезарь"}},
             {{}, {}, {}},
             3}, // ticks in the shown (shuffled) order: ticked below by text
            {{{"1", "Ф", "1941"}}, {QStringLiteral("1941 "), {}, {}}, 3},
            {{{"1", "-", "Крещение Руси"}, {"2", "-", "Полтавская битва"}, {"2", "+", "1709"}, {"1", "+", "988"}},
             {},
             -1},
            {{{"1", "-", "Рюриковичи"},
              {"2", "-", "Романовы"},
              {"1", "+", "Иван III"},
              {"2", "+", "Пётр I"},
              {"2", "+", "Екатерина II"}},
             {{}, {}, {"1", "2", "1"}},
             2},
            {{{"2", "1", "Полтавская битва"}, {"1", "1", "Куликовская битва"}, {"3", "1", "Бородинское сражение"}},
             {{}, {}, {"2", "1", "3"}},
             3},
        };
        std::vector<ShownQuestion> shown;
        for (size_t i = 0; i < kinds.size(); ++i)
            shown.push_back({int(i) + 1, QStringLiteral("1_1_1_%1").arg(i + 1), answerTypeOf(kinds[i].key),
                             QStringLiteral("Вопрос %1").arg(i + 1), 3, shownOptions(kinds[i].key, gen)});
        const LessonRunData data = lessonRunData(shown);
        for (const OtwetRec &o : data.options) {
            QVERIFY2(o.Kod_P != u"+" || o.Otwe.isEmpty() || o.Otwe == u"?", "a right item keeps its pair");
            QVERIFY2(!o.Kod_P.contains(u'Ф') || o.Nazwan.isEmpty(), "the typed answer is on the PC");
        }

        RunModel m(gen);
        m.modes().prompting = true; // the mode list says training: a lesson has no hints whatever it says
        m.begin(RunSource::Lesson, 100);
        m.startLesson(data.questions, data.options, 100);
        int sum = 0;
        for (size_t i = 0; i < kinds.size(); ++i) {
            QVERIFY(!m.controls().plusSim && !m.controls().fifti && !m.controls().putOff);
            QCOMPARE(m.typeText(), answerTypeOf(kinds[i].key));
            GivenAnswer answer = kinds[i].answer;
            if (i == 0) // the two right rulers, wherever the shuffle put them
                for (const QJsonValue &v : shown[0].shown.value(QLatin1String("options")).toArray())
                    answer.ticks.push_back(v.toString() == u"Пётр I" || v.toString() == u"Иван IV");
            const QString given = m.givenText(answer);
            const auto judged = remarkAnswer(m.typeText(), given, 3, kinds[i].key);
            QVERIFY2(judged, qPrintable(given));
            if (kinds[i].points >= 0)
                QCOMPARE(judged->points, kinds[i].points);
            sum += judged->points;
            m.answerJudged(answer, judged->points, judged->right, 100 + int(i));
            QCOMPARE(m.WerBal(), sum);
        }
        QVERIFY(!m.running());
        QVERIFY(!m.controls().repeat);
        const RunResult r = m.result();
        QCOMPARE(r.pointsEarned, sum);
        for (const QuestionResult &q : r.questions)
            QVERIFY2(q.rightAnswer.isEmpty(), "the PC knows no right answer");
    }
};

QTEST_GUILESS_MAIN(LessonRunTest)
#include "test_lessonrun.moc"
