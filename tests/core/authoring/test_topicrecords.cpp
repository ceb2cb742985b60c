// A neutral topic and the bank's records: the records of a new topic, a bank
// topic read back, and a topic added to the bank files (all of them or none)
// or to the editor's tables.
#include "QuestionFileKit.h"
#include "errors.h"
#include "stringtable.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

namespace
{
// Every file under folder (hidden ones too) with its bytes.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readBytes(path));
    }
    return files;
}

Topic twoQuestions()
{
    Topic t{QStringLiteral("Дроби"), {}};
    t.items.push_back({ItemType::Typed, QStringLiteral("Половина от 10?"), 1, QStringLiteral("1"), {{"5", {}, true}}});
    t.items.push_back({ItemType::Ticks,
                       QStringLiteral("Чётные?"),
                       2,
                       QStringLiteral("2"),
                       {{"2", {}, true}, {"3", {}, false}, {"4", {}, true}}});
    return t;
}
} // namespace

class TestTopicRecords : public QObject
{
    Q_OBJECT
private slots:
    void recordsAsTheDecoderMakesThem();
    void longTextsAreCutWithANote();
    void exportNotesAndLeavesOut();
    void nextTopicCode_data();
    void nextTopicCode();
    void addsTopicToBank();
    void addsTopicToEditorTables();
    void importWritesAllOrNothing_data();
    void importWritesAllOrNothing();
};

void TestTopicRecords::recordsAsTheDecoderMakesThem()
{
    QStringList notes;
    const Reading r = readMoodleXml(xmlEveryType(), {});
    const TopicRecords rec = recordsOfTopic(r.topic, QStringLiteral("4"), QStringLiteral("9"), notes);
    QVERIFY(notes.isEmpty());
    QCOMPARE(rec.tema.Tema, QStringLiteral("9"));
    QCOMPARE(questionLines(rec.questions).first(), QStringLiteral("4|9|1|1|Единица силы?||2|"));
    QCOMPARE(rec.questions.back().Wopr, QStringLiteral("6"));
    // The options carry the codes that give the session each type; a matching
    // question's right-hand items and the ranking options stand one place
    // round, so that no question is answered before it is touched.
    QCOMPARE(optionLines(rec.options), (QStringList{
                                           "4|9|1|1|а||джоуль",
                                           "4|9|1|1|б|+|ньютон",
                                           "4|9|1|1|в||ватт",
                                           "4|9|1|2|а|+|медь",
                                           "4|9|1|2|б|+|железо",
                                           "4|9|1|2|в||сера",
                                           "4|9|1|3|а|+|Верно",
                                           "4|9|1|3|б||Неверно",
                                           "4|9|1|4|1|Ф|300",
                                           "4|9|1|5|1|-|сила",
                                           "4|9|1|5|2|-|работа",
                                           "4|9|1|5|3|-|мощность",
                                           "4|9|1|5|2|+|джоуль",
                                           "4|9|1|5|3|+|ватт",
                                           "4|9|1|5|1|+|ньютон",
                                           "4|9|1|6|2|1|два",
                                           "4|9|1|6|3|1|три",
                                           "4|9|1|6|1|1|один",
                                       }));
    QList<AnswerType> types;
    for (const WoprosRec &q : rec.questions) {
        QStringList codes;
        for (const OtwetRec &o : rec.options)
            if (o.Wopr == q.Wopr)
                codes << o.Kod_P;
        types << answerTypeOf(codes);
    }
    QCOMPARE(types, (QList<AnswerType>{AnswerType::Ticks, AnswerType::Ticks, AnswerType::Ticks, AnswerType::Exact,
                                       AnswerType::Matching, AnswerType::Ranking}));
}

void TestTopicRecords::longTextsAreCutWithANote()
{
    Topic t{QString(130, u'т'), {{ItemType::Ticks, QString(250, u'в'), 150, {}, {{QString(160, u'о'), {}, true}}}}};
    t.items[0].options.push_back({QStringLiteral("€ нет в 1251 — есть"), {}, false});
    QStringList notes;
    const TopicRecords r = recordsOfTopic(t, "1", "1", notes);
    QCOMPARE(r.tema.Nazwan.size(), 120);
    QCOMPARE(r.questions[0].Nazwan.size(), 210);
    QCOMPARE(r.options[0].Nazwan.size(), 150);
    QCOMPARE(r.questions[0].Ball, QStringLiteral("99"));
    QCOMPARE(notes.size(), 3);
    QVERIFY(notes[0].contains("120") && notes[1].contains("210") && notes[2].contains("150"));
    // The euro sign exists in code page 1251; a character outside it is noted.
    t.items[0].options.back().text = QStringLiteral("∑ сумма");
    notes.clear();
    recordsOfTopic(t, "1", "1", notes);
    QVERIFY(notes.last().contains("windows-1251"));
}

void TestTopicRecords::exportNotesAndLeavesOut()
{
    QTemporaryDir foto;
    QVERIFY(writeBytes(foto.filePath("1_1_1_1.gif"), "GIF89a"));
    TopicRecords r;
    r.tema = {"1", "1", "Т"};
    auto q = [&](const char *w, const char *text, const char *ball, const char *test = "1") {
        r.questions.push_back({"1", "1", test, w, text, "", ball, ""});
    };
    auto o = [&](const char *w, const char *otwe, const char *code, const char *text, const char *test = "1") {
        r.options.push_back({"1", "1", test, w, otwe, code, text});
    };
    q("1", "С рисунком File#p1.doc# и пояснением", "x");
    o("1", "а", "+", "да");
    o("1", "б", "?", "не знаю");
    q("2", "Классы", "1");
    o("2", "1", "-", "класс");
    o("2", "1", "+", "а");
    o("2", "1", "+", "б");
    q("3", "Ранжирование с дырой", "1");
    o("3", "1", "1", "а");
    o("3", "3", "1", "б");
    q("4", "Пары без пары", "1");
    o("4", "1", "-", "л1");
    o("4", "2", "-", "л2");
    o("4", "1", "+", "п1");
    o("4", "3", "+", "п3");
    q("5", "Без верного", "1");
    o("5", "а", "", "нет");
    q("6", "Точный с лишним", "1", "2");
    o("6", "1", "Ф", "да", "2");
    o("6", "2", "Ф", "ага", "2");
    QStringList notes;
    const Topic t = topicOfRecords(r, notes, foto.path());
    QCOMPARE(described(t), (QStringList{"topic: Т", "ticks 1 С рисунком и пояснением | +да|-не знаю",
                                        "typed 1 Точный с лишним | =да"}));
    const QStringList expected{"рисунок 1_1_1_1.gif",       "файл пояснения p1.doc", "баллы «x»",
                               "ни верными, ни неверными",  "«Проставить номера»",   "места ранжирования",
                               "у левого элемента «2»",     "нет ни одного верного", "раздел 2",
                               "только первый ответ, ещё 1"};
    QCOMPARE(notes.size(), expected.size());
    for (qsizetype i = 0; i < notes.size(); ++i)
        QVERIFY2(notes[i].contains(expected[i]), qPrintable(notes[i]));
}

void TestTopicRecords::nextTopicCode_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("next");
    QTest::newRow("no topic") << QStringList{} << "1";
    QTest::newRow("after the last") << QStringList{"3", " 7"} << "8";
    QTest::newRow("taken code skipped") << QStringList{"3", "4", "2"} << "5";
    QTest::newRow("not a number") << QStringList{"1", "?"} << "";
}

void TestTopicRecords::nextTopicCode()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, next);
    std::vector<TemaRec> topics;
    for (const QString &c : codes)
        topics.push_back({"1", c, "т"});
    try {
        QCOMPARE(::nextTopicCode(topics), next);
    } catch (const TrivoError &) {
        QVERIFY(next.isEmpty());
    }
}

void TestTopicRecords::addsTopicToBank()
{
    QTemporaryDir dir;
    const BankFiles bank(dir.path());
    bank.tema.rewrite(std::vector<TemaRec>{{"5", "1", "Первая"}, {"5", "2", "Вторая"}});
    bank.wopros.rewrite(std::vector<WoprosRec>{{"5", "1", "1", "1", "Старый", "", "1", ""}});
    QStringList notes;
    const AddedTopic added = addTopicToBank(dir.path(), readGift(giftEveryType(), {}).topic, notes);
    QCOMPARE(added.tema, QStringLiteral("3"));
    QCOMPARE(added.questions, 5);
    const auto topics = bank.tema.readAll<TemaRec>();
    QCOMPARE(topics.size(), size_t(3));
    QCOMPARE(topics.back().Nazwan, QStringLiteral("Физика"));
    QCOMPARE(topics.back().Predm, QStringLiteral("5"));
    QCOMPARE(bank.wopros.count(), 6);
    QCOMPARE(bank.wopros.readAll<WoprosRec>().front().Nazwan, QStringLiteral("Старый"));
    // Exam.dat was missing: it is built from the old topics, then gets the new one
    // with the number of questions it really has.
    const auto exam = bank.exam.readAll<ExamRec>();
    QCOMPARE(exam.size(), size_t(3));
    QCOMPARE(QStringList({exam[2].Predm, exam[2].Tema, exam[2].Nazwan, exam[2].Woprosov, exam[2].Nado}),
             QStringList({"5", "3", "Физика", "5", "1"}));
    QCOMPARE(exam[0].Woprosov, QStringLiteral("5"));

    try {
        addTopicToBank(dir.filePath("нет"), Topic{}, notes);
        QFAIL("no error for a missing folder");
    } catch (const TrivoError &) {
    }
}

void TestTopicRecords::addsTopicToEditorTables()
{
    const Topic topic = readAiken("Да?\nA. да\nB. нет\nANSWER: A\n", QStringLiteral("Из файла")).topic;
    QStringList notes;
    // An empty bank's default rows are replaced, the topic row keeping its codes.
    StringTable tema(3), wop(8), otw(7);
    tema.setDataRows({{"2", "4", "Здесь должно быть название темы"}});
    wop.setDataRows({{"2", "4", "1", "", "", "", "5", ""}});
    otw.setDataRows({{"2", "4", "1", "", "", "", ""}});
    QCOMPARE(addTopicToTables(topic, tema, wop, otw, notes), QStringLiteral("4"));
    QCOMPARE(tema.rowCount(), 2);
    QCOMPARE(tema.row(1), (QStringList{"2", "4", "Из файла"}));
    QCOMPARE(wop.rowCount(), 2);
    QCOMPARE(wop.row(1), (QStringList{"2", "4", "1", "1", "Да?", "", "1", ""}));
    QCOMPARE(otw.rowCount(), 3);
    QCOMPARE(otw.row(2), (QStringList{"2", "4", "1", "1", "б", "", "нет"}));
    // Then a further topic goes after it.
    QCOMPARE(addTopicToTables(topic, tema, wop, otw, notes), QStringLiteral("5"));
    QCOMPARE(tema.rowCount(), 3);
    QCOMPARE(wop.row(2).mid(0, 5), (QStringList{"2", "5", "1", "1", "Да?"}));
    QCOMPARE(otw.rowCount(), 5);
}

void TestTopicRecords::importWritesAllOrNothing_data()
{
    QTest::addColumn<StoreStep>("step");
    QTest::addColumn<int>("file"); // how many files of the import pass before the fault
    QTest::addColumn<bool>("examMissing");
    for (int file = 0; file < 5; ++file) {
        if (file < 4) // the fifth file, an empty Predmet.dat, has nothing to write
            QTest::addRow("disk full at file %d", file) << StoreStep::Write << file << (file == 3);
        QTest::addRow("sync fails at file %d", file) << StoreStep::Sync << file << false;
        QTest::addRow("rename refused at file %d", file) << StoreStep::Rename << file << (file % 2 == 1);
    }
}

void TestTopicRecords::importWritesAllOrNothing()
{
    // A failure at any file leaves the bank byte for byte as before, and the
    // retry gives the bank a first success gives.
    QFETCH(StoreStep, step);
    QFETCH(int, file);
    QFETCH(bool, examMissing);
    QTemporaryDir failing, clean;
    for (const QString &folder : {failing.path(), clean.path()}) {
        const BankFiles bank(folder);
        bank.tema.rewrite(std::vector<TemaRec>{{"3", "1", "Целые числа"}});
        bank.wopros.rewrite(std::vector<WoprosRec>{{"3", "1", "1", "1", "Сколько?", "", "1", ""}});
        bank.otwet.rewrite(std::vector<OtwetRec>{{"3", "1", "1", "1", "1", "Ф", "два"}});
        if (!examMissing)
            bank.exam.rewrite(std::vector<ExamRec>{{"3", "1", "Целые числа", "1", "1"}});
    }
    const auto before = snapshot(failing.path());
    QStringList notes;
    {
        // Predmet.dat is missing, so the import writes five files.
        const StoreFaultForTests fault(step, EIO, file);
        QVERIFY_THROWS_EXCEPTION(TrivoError, addTopicToBank(failing.path(), twoQuestions(), notes));
    }
    QCOMPARE(snapshot(failing.path()), before);

    const AddedTopic retried = addTopicToBank(failing.path(), twoQuestions(), notes);
    const AddedTopic first = addTopicToBank(clean.path(), twoQuestions(), notes);
    QCOMPARE(retried.tema, QStringLiteral("2"));
    QCOMPARE(first.tema, retried.tema);
    QCOMPARE(snapshot(failing.path()), snapshot(clean.path()));
    QCOMPARE(BankFiles(clean.path()).otwet.count(), 1 + 1 + 3);
}

QTEST_GUILESS_MAIN(TestTopicRecords)
#include "test_topicrecords.moc"
