// The decoder: staging rows into a new topic of the editor's tables.
#include "SampleFiles.h"
#include "bank.h"
#include "banktables.h"
#include "decoder.h"
#include "egeimport.h"
#include "errors.h"
#include "textimport.h"

#include <QtTest>

using Rows = std::vector<QStringList>;

namespace
{
const QStringList fractions{"Дроби",  "1. Чему равна половина от 10?",       "а) 2",
                            "+б) 5",  "2. Расположите числа по возрастанию", "r2) 1/2",
                            "r1) 1/4"};

// The tables of a subject whose bank is empty, as the editor shows them.
void emptyBank(BankTables &t)
{
    t.TemaTabl.setDataRows({{"1", "1", "Здесь должно быть название темы"}});
    t.WopTabl.setDataRows({{"1", "1", "1", "", "", "", "5", ""}});
    t.OtwTabl.setDataRows({{"1", "1", "1", "", "", "", ""}});
}

// Two topics of subject 3 with five questions (and two answers) in the second.
void smallSubject(BankTables &t)
{
    t.TemaTabl.setDataRows({{"3", "6", "Ранняя"}, {"3", "7", "Поздняя"}});
    Rows qs;
    for (int i = 1; i <= 5; ++i)
        qs.push_back({"3", "7", "1", QString::number(i), QStringLiteral("Вопрос %1").arg(i), "", "2", ""});
    t.WopTabl.setDataRows(qs);
    t.OtwTabl.setDataRows({{"3", "7", "1", "1", "1", "Ф", "Ответ"}, {"3", "7", "1", "2", "1", "Ф", "Ещё"}});
}

Rows dataOf(const StringTable &t)
{
    Rows r;
    for (int i = 1; i < t.rowCount(); ++i)
        r.push_back(t.row(i));
    return r;
}

// The answer type of every question of a topic, as the session would find it.
QList<AnswerType> typesOf(const BankTables &t, const QString &tema)
{
    QList<AnswerType> types;
    for (int q = 1; q < t.WopTabl.rowCount(); ++q) {
        if (t.WopTabl.cell(1, q) != tema)
            continue;
        QStringList codes;
        for (int a = 1; a < t.OtwTabl.rowCount(); ++a)
            if (t.OtwTabl.cell(1, a) == tema && t.OtwTabl.cell(3, a) == t.WopTabl.cell(3, q))
                codes << t.OtwTabl.cell(5, a);
        types << answerTypeOf(codes);
    }
    return types;
}
} // namespace

class TestDecoder : public QObject
{
    Q_OBJECT
private slots:
    void decodesIntoAnEmptyBank()
    {
        BankTables t;
        emptyBank(t);
        setStagingRows(t.IzTXT, stageDigitLed(fractions));
        const DecodeResult r = decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QVERIFY(!r.appended);
        QCOMPARE(dataOf(t.TemaTabl), Rows({{"1", "1", "Дроби"}}));
        QCOMPARE(dataOf(t.WopTabl), Rows({{"1", "1", "1", "1", "Чему равна половина от 10?", "", "1", ""},
                                          {"1", "1", "1", "2", "Расположите числа по возрастанию", "", "1", ""}}));
        QCOMPARE(dataOf(t.OtwTabl), Rows({{"1", "1", "1", "1", "а", "", "2"},
                                          {"1", "1", "1", "1", "б", "+", "5"},
                                          {"1", "1", "1", "2", "2", "1", "1/2"},
                                          {"1", "1", "1", "2", "1", "1", "1/4"}}));
        QCOMPARE(t.WopTabl.row(0).at(4), QStringLiteral("Nazwan")); // captions stay
    }

    void addsATopicAfterTheLastOne()
    {
        BankTables t;
        smallSubject(t);
        const Rows questionsBefore = dataOf(t.WopTabl), answersBefore = dataOf(t.OtwTabl);
        setStagingRows(t.IzTXT, stageDigitLed(fractions));
        const DecodeResult r = decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QVERIFY(r.appended);
        QCOMPARE(r.topicCode, QStringLiteral("8"));
        QCOMPARE(t.TemaTabl.rowCount(), 4);
        QCOMPARE(t.TemaTabl.row(3), QStringList({"3", "8", "Дроби"}));
        const Rows qs = dataOf(t.WopTabl), as = dataOf(t.OtwTabl);
        QCOMPARE(Rows(qs.begin(), qs.begin() + 5), questionsBefore);
        QCOMPARE(Rows(as.begin(), as.begin() + 2), answersBefore);
        QCOMPARE(qs.size(), size_t(7));
        QCOMPARE(qs[5], QStringList({"3", "8", "1", "1", "Чему равна половина от 10?", "", "1", ""}));
        QCOMPARE(as.size(), size_t(6));
        QCOMPARE(as[5], QStringList({"3", "8", "1", "2", "1", "1", "1/4"}));

        // Each press decides anew: the next one adds topic 9.
        QCOMPARE(decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl).topicCode, QStringLiteral("9"));
        QCOMPARE(t.WopTabl.rowCount(), 10);
    }

    void whenTopicsAreAdded_data()
    {
        QTest::addColumn<Rows>("topics");
        QTest::addColumn<Rows>("questions");
        QTest::addColumn<Rows>("answers");
        QTest::addColumn<bool>("appends");
        const QStringList blankQ{"1", "1", "1", "", "", "", "5", ""}, blankA{"1", "1", "1", "", "", "", ""};
        const QStringList topic{"1", "1", "Тема"}, q{"1", "1", "1", "1", "Есть вопрос", "", "1", ""};
        QTest::newRow("empty bank") << Rows{topic} << Rows{blankQ} << Rows{blankA} << false;
        QTest::newRow("no rows at all") << Rows{} << Rows{} << Rows{} << false;
        QTest::newRow("four blank question rows") << Rows{topic} << Rows(4, blankQ) << Rows{blankA} << false;
        QTest::newRow("five question rows") << Rows{topic} << Rows(5, blankQ) << Rows{blankA} << true;
        // A small bank is kept: its questions are never overwritten.
        QTest::newRow("one real question") << Rows{topic} << Rows{q} << Rows{blankA} << true;
        QTest::newRow("answers without questions")
            << Rows{topic} << Rows{blankQ} << Rows{{"1", "1", "1", "1", "1", "Ф", "x"}} << true;
        QTest::newRow("two topics, no questions yet") << Rows{topic, topic} << Rows{blankQ} << Rows{blankA} << true;
    }
    void whenTopicsAreAdded()
    {
        QFETCH(Rows, topics);
        QFETCH(Rows, questions);
        QFETCH(Rows, answers);
        QFETCH(bool, appends);
        BankTables t;
        t.TemaTabl.setDataRows(topics);
        t.WopTabl.setDataRows(questions);
        t.OtwTabl.setDataRows(answers);
        QCOMPARE(decoderAppends(t.TemaTabl, t.WopTabl, t.OtwTabl), appends);
        setStagingRows(t.IzTXT, stageDigitLed(fractions));
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(t.WopTabl.rowCount(), appends ? int(questions.size()) + 3 : 3);
        QCOMPARE(t.OtwTabl.rowCount(), appends ? int(answers.size()) + 5 : 5);
        QCOMPARE(t.TemaTabl.rowCount(), appends || topics.empty() ? int(topics.size()) + 2 : 2);
        QCOMPARE(t.TemaTabl.cell(2, t.TemaTabl.rowCount() - 1), QStringLiteral("Дроби"));
    }

    void topicCodeThatIsNoNumberChangesNothing()
    {
        BankTables t;
        smallSubject(t);
        t.TemaTabl.setCell(1, 2, QStringLiteral("?")); // an inserted row not yet filled in
        setStagingRows(t.IzTXT, stageDigitLed(fractions));
        const Rows topics = dataOf(t.TemaTabl), qs = dataOf(t.WopTabl), as = dataOf(t.OtwTabl);
        try {
            decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
            QFAIL("no error");
        } catch (const TrivoError &e) {
            QCOMPARE(e.text(), QStringLiteral("'?' is not a valid integer value"));
        }
        QCOMPARE(dataOf(t.TemaTabl), topics);
        QCOMPARE(dataOf(t.WopTabl), qs);
        QCOMPARE(dataOf(t.OtwTabl), as);
    }

    void titleOnly()
    {
        BankTables t;
        smallSubject(t);
        setStagingRows(t.IzTXT, stageDigitLed({"Пустая тема"}));
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(t.TemaTabl.row(3), QStringList({"3", "8", "Пустая тема"}));
        QCOMPARE(t.WopTabl.rowCount(), 6);
        QCOMPARE(t.OtwTabl.rowCount(), 3);

        emptyBank(t);
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(dataOf(t.TemaTabl), Rows({{"1", "1", "Пустая тема"}}));
        QCOMPARE(t.WopTabl.rowCount(), 1);
        QCOMPARE(t.OtwTabl.rowCount(), 1);
    }

    void numberingIsCutOff_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("option");
        QTest::newRow("1. ") << "1. Текст"
                             << "Текст"
                             << "1. Текст";
        QTest::newRow("999.") << "999.Текст"
                              << "Текст"
                              << "999.Текст";
        QTest::newRow("1000. stays") << "1000. Текст"
                                     << "1000. Текст"
                                     << "1000. Текст";
        QTest::newRow("short first sentence") << "Да. Нет"
                                              << "Нет"
                                              << "Да. Нет";
        QTest::newRow("+10)") << "+10) x"
                              << "+10) x"
                              << "x";
        QTest::newRow("+100) stays") << "+100) x"
                                     << "+100) x"
                                     << "+100) x";
        QTest::newRow("Ф)") << "Ф)  Париж "
                            << "Ф)  Париж "
                            << "Париж";
    }
    void numberingIsCutOff()
    {
        QFETCH(QString, line);
        QFETCH(QString, question);
        QFETCH(QString, option);
        QCOMPARE(questionTextOf(line), question);
        QCOMPARE(optionTextOf(line), option);
    }

    void optionsStayWithTheirQuestion()
    {
        // A stray line before the first question becomes a question of its own;
        // the real questions keep their own options.
        BankTables t;
        emptyBank(t);
        setStagingRows(t.IzTXT, stageDigitLed({"Тема", "Вводная строка", "1. Первый", "+а) x", "2. Второй", "б) y"}));
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(t.WopTabl.cell(4, 2), QStringLiteral("Первый"));
        QCOMPARE(t.WopTabl.cell(3, 2), QStringLiteral("2"));
        QCOMPARE(dataOf(t.OtwTabl), Rows({{"1", "1", "1", "2", "а", "+", "x"}, {"1", "1", "1", "3", "б", "", "y"}}));
    }

    void blankStagingRowIsSkippedButCompared()
    {
        BankTables t;
        emptyBank(t);
        t.IzTXT.setDataRows({{"", "", "", "", "", "", "Тема"},
                             {"", "", "", "1", "", "", "1. Вопрос"},
                             {"", "", "", "2", "", "", "   "}, // cleared by hand
                             {"", "", "", "2", "а", "+", "а) x"}});
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(t.WopTabl.rowCount(), 2);
        QCOMPARE(dataOf(t.OtwTabl), Rows({{"1", "1", "1", "1", "а", "+", "x"}}));
    }

    // Every layout: a question of 30 options is kept, one of 31 is left out
    // with a note, and the question after it takes its number.
    void questionWithTooManyOptionsIsSkipped_data()
    {
        QTest::addColumn<Rows>("staged");
        // The question's lines (%1 its number, %2 its text) and each option's.
        auto lines = [](const QStringList &question, const QStringList &option) {
            QStringList out{"Тема"};
            const QList<std::pair<QString, int>> questions{{"Полный", 30}, {"Лишний", 31}, {"Последний", 2}};
            int n = 0;
            for (const auto &[text, count] : questions) {
                ++n;
                for (const QString &q : question)
                    out << QString(q)
                               .replace(QStringLiteral("%1"), QString::number(n))
                               .replace(QStringLiteral("%2"), text);
                for (int i = 1; i <= count; ++i)
                    for (const QString &o : option)
                        out << (i == 1 && o == option.first() ? QStringLiteral("+") : QString()) + o.arg(i);
            }
            return out;
        };
        QTest::newRow("digit-led") << stageDigitLed(lines({"%1. %2"}, {"а) вариант %1"}));
        QTest::newRow("w-led") << stageWLed(lines({"w %2"}, {"вариант %1"}));
        QTest::newRow("state exam") << joinEgeRecords(markEgeLines(lines({"А%1", "%2"}, {"%1)", "вариант %1"})));
    }
    void questionWithTooManyOptionsIsSkipped()
    {
        QFETCH(Rows, staged);
        BankTables t;
        emptyBank(t);
        setStagingRows(t.IzTXT, staged);
        const DecodeResult r = decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(r.questions, 2);
        QCOMPARE(r.answers, 32);
        QCOMPARE(r.notes, QStringList{"вопрос 2 «Лишний»: вариантов ответа 31, а главное окно показывает не больше 30, "
                                      "вопрос не перенесён"});
        QCOMPARE(t.WopTabl.rowCount(), 3);
        QVERIFY(t.WopTabl.cell(4, 1).endsWith(QStringLiteral("Полный")));
        QVERIFY(t.WopTabl.cell(4, 2).endsWith(QStringLiteral("Последний")));
        QCOMPARE(t.OtwTabl.rowCount(), 33);
        QCOMPARE(t.OtwTabl.cell(3, 30), QStringLiteral("1"));
        QCOMPARE(t.OtwTabl.cell(3, 31), QStringLiteral("2"));
        QVERIFY(t.OtwTabl.cell(6, 31).endsWith(QStringLiteral("вариант 1")));
    }

    void shippedSamplesGiveTheirQuestionTypes()
    {
        using T = AnswerType;
        BankTables t;
        emptyBank(t);
        setStagingRows(t.IzTXT, stageDigitLed(readImportLines(sampleFile("Obrazec.txt"))));
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(t.TemaTabl.cell(2, 1), QStringLiteral("Отечественная война 1812 года"));
        QCOMPARE(t.OtwTabl.rowCount(), 17);
        QCOMPARE(typesOf(t, "1"), QList<T>({T::Ticks, T::Ticks, T::Ticks, T::Ranking}));

        setStagingRows(t.IzTXT, stageWLed(readImportLines(sampleFile("wObrazec.txt"))));
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl); // added as topic 2
        QCOMPARE(t.TemaTabl.row(2), QStringList({"1", "2", "Смутное время"}));
        QCOMPARE(t.WopTabl.row(5),
                 QStringList({"1", "2", "1", "1", "Кто возглавил второе ополчение, освободившее Москву в 1612 году?",
                              "", "1", ""}));
        QCOMPARE(t.OtwTabl.row(18), QStringList({"1", "2", "1", "1", "б", "+", "Кузьма Минин и Дмитрий Пожарский"}));
        QCOMPARE(typesOf(t, "2"), QList<T>({T::Ticks, T::Ticks, T::Ticks}));

        setStagingRows(t.IzTXT, joinEgeRecords(markEgeLines(readImportLines(sampleFile("FIPI_Obrazec_2007.doc")))));
        decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
        QCOMPARE(t.TemaTabl.row(3), QStringList({"1", "3", "История России. Демонстрационный вариант"}));
        QCOMPARE(t.WopTabl.row(8).at(4), QStringLiteral("В каком году началась Северная война?"));
        QCOMPARE(typesOf(t, "3"),
                 QList<T>({T::Ticks, T::Ticks, T::Ticks, T::Exact, T::Matching, T::Classification, T::Ranking}));
    }
};

QTEST_APPLESS_MAIN(TestDecoder)
#include "test_decoder.moc"
