// A controlled test's questions as the teacher's PC draws them from its bank,
// and their options as a pupil's PC is given them: the texts without any key.
#include "lessons.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
std::vector<KeyOption> optionsOf(int kind)
{
    switch (kind) {
    case 0: // ticks
        return {{"", "+", " Тверь "}, {"", "+", "Казань"}, {"", "+", "Самара"}, {"", "", "Пермь"}};
    case 1: // exact answer
        return {{"", "Ф", "Бородино"}};
    case 2: // matching
        return {{"А", "-", "Пушкин"}, {"Б", "-", "Лермонтов"}, {"В", "-", "Гоголь"},
                {"А", "+", "Онегин"}, {"Б", "+", "Печорин"},   {"В", "+", "Чичиков"}};
    case 3: // classification
        return {
            {"1", "-", "Звери"}, {"2", "-", "Птицы"}, {"1 к", "+", "Кит"}, {"2 к", "+", "Сова"}, {"1 к", "+", "Лось"}};
    default: // ranking
        return {{"3", "1", "Лето"}, {"1", "1", "Зима"}, {"4", "1", "Осень"}, {"2", "1", "Весна"}};
    }
}

QStringList texts(const QJsonValue &list)
{
    return list.toVariant().toStringList();
}
} // namespace

class LessonDrawTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    // Topic 1 of subject 1: four questions, one of them without options;
    // topic 2: one question.
    BankFiles bank(const QString &points = QStringLiteral("2"))
    {
        const QString folder = dir.filePath(QStringLiteral("bank-") + points);
        QDir().mkpath(folder);
        BankFiles b(folder);
        b.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "Вопрос 1", "", points, ""},
                                                {"1", "1", "1", "2", "Вопрос 2 без вариантов", "", "1", ""},
                                                {"1", "2", "1", "1", "Вопрос другой темы", "", "5", ""},
                                                {"1", "1", "1", "3", "Вопрос 3", "", "", ""},
                                                {"1", "1", "1", "4", "Вопрос 4", "", "3", ""}});
        b.otwet.rewrite(std::vector<OtwetRec>{{"1", "1", "1", "1", "", "+", "один"},
                                              {"1", "1", "1", "3", "", "Ф", "три"},
                                              {"1", "2", "1", "1", "", "Ф", "другая"},
                                              {"1", "1", "1", "1", "", "", "не один"},
                                              {"1", "1", "1", "4", "2", "1", "четыре б"},
                                              {"1", "1", "1", "4", "1", "1", "четыре а"}});
        b.exam.rewrite(std::vector<ExamRec>{{"1", "1", "Тема 1", "4", "4"}, {"1", "2", "Тема 2", "1", "1"}});
        return b;
    }

private slots:
    void aPcIsShownNoKey_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("shown");
        // Lists shuffled for the PC are compared sorted; the judging reads
        // the others in the bank's order, and they keep it.
        QTest::newRow("ticks") << 0 << R"({"options":["Казань","Пермь","Самара","Тверь"]})";
        QTest::newRow("exact answer") << 1 << "{}";
        QTest::newRow("matching")
            << 2 << R"({"left":["Пушкин","Лермонтов","Гоголь"],"right":["Онегин","Печорин","Чичиков"]})";
        QTest::newRow("classification")
            << 3
            << R"({"groups":[{"number":"1","text":"Звери"},{"number":"2","text":"Птицы"}],"items":["Кит","Сова","Лось"]})";
        QTest::newRow("ranking") << 4 << R"({"options":["Лето","Зима","Осень","Весна"]})";
    }
    void aPcIsShownNoKey()
    {
        QFETCH(int, kind);
        QFETCH(QString, shown);
        RandomGen gen(7);
        QJsonObject got = shownOptions(optionsOf(kind), gen);
        for (const QString &shuffled : {QStringLiteral("right"), QStringLiteral("options")})
            if (got.contains(shuffled) && kind != 4) {
                QStringList list = texts(got[shuffled]);
                list.sort();
                got[shuffled] = QJsonArray::fromStringList(list);
            }
        QCOMPARE(QString::fromUtf8(QJsonDocument(got).toJson(QJsonDocument::Compact)), shown);
    }

    void theRightColumnIsShuffled()
    {
        // In the bank's order the right column of a matching would pair itself.
        RandomGen gen(1);
        int inBankOrder = 0;
        for (int i = 0; i < 60; ++i)
            inBankOrder += texts(shownOptions(optionsOf(2), gen)[QStringLiteral("right")]) ==
                           QStringList{"Онегин", "Печорин", "Чичиков"};
        QVERIFY(inBankOrder > 0 && inBankOrder < 30);
    }

    void questionsAreDrawnFromTheBank_data()
    {
        QTest::addColumn<bool>("exam");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("keys"); // sorted: the order is drawn
        QTest::newRow("a topic") << false << 10 << QStringList{"1_1_1_1", "1_1_1_3", "1_1_1_4"};
        QTest::newRow("a topic, fewer asked") << false << 2 << QStringList{};
        QTest::newRow("the exam") << true << 10 << QStringList{"1_1_1_1", "1_1_1_3", "1_1_1_4", "1_2_1_1"};
    }
    void questionsAreDrawnFromTheBank()
    {
        QFETCH(bool, exam);
        QFETCH(int, count);
        QFETCH(QStringList, keys);
        QString error;
        RandomGen gen(3);
        const auto drawn =
            drawLessonQuestions(bank(), QStringLiteral("1"), QStringLiteral("1"), exam, count, error, gen);
        QVERIFY2(drawn, qPrintable(error));
        QStringList got;
        for (const LessonQuestion &q : *drawn) {
            got << q.key;
            // Each with its own options, in the bank's order, and its points.
            if (q.key == u"1_1_1_1") {
                QCOMPARE(q.options.size(), size_t(2));
                QCOMPARE(q.options[1].text, QStringLiteral("не один"));
                QCOMPARE(q.points, 2);
            } else if (q.key == u"1_1_1_3") {
                QCOMPARE(q.points, 0); // no points given: none to earn
            } else if (q.key == u"1_1_1_4") {
                QCOMPARE(q.options[0].text, QStringLiteral("четыре б"));
                QCOMPARE(q.text, QStringLiteral("Вопрос 4"));
            }
        }
        QCOMPARE(int(got.size()), keys.isEmpty() ? count : int(keys.size()));
        got.sort();
        if (!keys.isEmpty())
            QCOMPARE(got, keys);
    }

    void pointsThatAreNoNumberStopTheDraw()
    {
        QString error;
        const auto drawn =
            drawLessonQuestions(bank(QStringLiteral("x")), QStringLiteral("1"), QStringLiteral("1"), false, 10, error);
        QVERIFY(!drawn);
        QVERIFY(error.startsWith(QStringLiteral("Вопросы не выбраны из банка")));
    }
};

QTEST_GUILESS_MAIN(LessonDrawTest)
#include "test_lessondraw.moc"
