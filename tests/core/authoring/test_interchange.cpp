// Question files of other testing systems: reading, writing, and the mapping
// to and from the bank's records. Every file is written here by hand.
#include "TestFiles.h"
#include "errors.h"
#include "interchange.h"
#include "peakmemory.h"
#include "stringtable.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{

// A topic as one line per question: type, points, text, then the options
// (ticks "+right"/"-wrong", typed "=answer", matching "left->right", ranking in order).
QStringList described(const Topic &t)
{
    static const char *const types[] = {"typed", "ticks", "matching", "ranking"};
    QStringList out{QStringLiteral("topic: ") + t.name};
    for (const Item &i : t.items) {
        QStringList opts;
        for (const ItemOption &o : i.options) {
            switch (i.type) {
            case ItemType::Typed:
                opts << u'=' + o.text;
                break;
            case ItemType::Ticks:
                opts << (o.right ? u'+' : u'-') + o.text;
                break;
            case ItemType::Matching:
                opts << o.text + QStringLiteral("->") + o.pair;
                break;
            case ItemType::Ranking:
                opts << o.text;
                break;
            }
        }
        out << QStringLiteral("%1 %2 %3 | %4")
                   .arg(QLatin1String(types[int(i.type)]))
                   .arg(i.points)
                   .arg(i.text, opts.join(u'|'));
    }
    return out;
}

const QStringList everyType{
    QStringLiteral("topic: Физика"),
    QStringLiteral("ticks 2 Единица силы? | -джоуль|+ньютон|-ватт"),
    QStringLiteral("ticks 1 Что из этого металлы? | +медь|+железо|-сера"),
    QStringLiteral("ticks 1 Земля круглая. | +Верно|-Неверно"),
    QStringLiteral("typed 3 Скорость света, тыс. км/с? | =300"),
    QStringLiteral("matching 1 Величина и единица | сила->ньютон|работа->джоуль|мощность->ватт"),
};

QByteArray giftEveryType()
{
    return QStringLiteral("// учебный файл\n"
                          "$CATEGORY: $course$/top/Физика\n\n"
                          "// Баллы: 2\n"
                          "::Q1:: Единица силы? {~джоуль =ньютон ~ватт}\n\n"
                          "Что из этого металлы? {\n  ~%50%медь\n  ~%50%железо\n  ~%-100%сера\n}\n\n"
                          "Земля круглая. {T}\n\n"
                          "// points: 3\n"
                          "Скорость света, тыс. км/с? {=300}\n\n"
                          "Величина и единица {=сила -> ньютон =работа -> джоуль =мощность -> ватт}\n")
        .toUtf8();
}

QByteArray xmlEveryType()
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="category"><category><text>$course$/top/Физика</text></category></question>
  <question type="multichoice">
    <name><text>Q1</text></name>
    <questiontext format="html"><text><![CDATA[<p>Единица&nbsp;силы?</p>]]></text></questiontext>
    <defaultgrade>2.0000000</defaultgrade>
    <single>true</single>
    <answer fraction="0" format="html"><text>джоуль</text></answer>
    <answer fraction="100" format="html"><text>ньютон</text></answer>
    <answer fraction="0" format="html"><text>ватт</text></answer>
  </question>
  <question type="multichoice">
    <questiontext format="moodle_auto_format"><text>Что из этого металлы?</text></questiontext>
    <single>false</single>
    <answer fraction="50"><text>медь</text></answer>
    <answer fraction="50"><text>железо</text></answer>
    <answer fraction="-100"><text>сера</text></answer>
  </question>
  <question type="truefalse">
    <questiontext format="html"><text>Земля круглая.</text></questiontext>
    <answer fraction="100"><text>true</text></answer>
    <answer fraction="0"><text>false</text></answer>
  </question>
  <question type="shortanswer">
    <questiontext format="html"><text>Скорость света, тыс. км/с?</text></questiontext>
    <defaultgrade>3</defaultgrade><usecase>1</usecase>
    <answer fraction="100" format="moodle_auto_format"><text>300</text></answer>
  </question>
  <question type="matching">
    <questiontext format="html"><text>Величина и единица</text></questiontext>
    <subquestion format="html"><text>сила</text><answer><text>ньютон</text></answer></subquestion>
    <subquestion format="html"><text>работа</text><answer><text>джоуль</text></answer></subquestion>
    <subquestion format="html"><text>мощность</text><answer><text>ватт</text></answer></subquestion>
  </question>
  <question type="ordering">
    <questiontext format="html"><text>По возрастанию</text></questiontext>
    <answer fraction="2"><text>два</text></answer>
    <answer fraction="1"><text>один</text></answer>
    <answer fraction="3"><text>три</text></answer>
  </question>
</quiz>
)")
        .toUtf8();
}

QString notesText(const QStringList &notes)
{
    return notes.join(u'\n');
}

// A bank topic with every type that has a counterpart, stored the way the
// import stores it (so that it must come back unchanged).
TopicRecords everyTypeRecords()
{
    TopicRecords r;
    r.tema = {"1", "1", "Все типы"};
    auto q = [&](const char *wopr, const QString &text, const char *ball) {
        r.questions.push_back({"1", "1", "1", wopr, text, "", ball, ""});
    };
    auto o = [&](const char *wopr, const QString &otwe, const char *code, const QString &text) {
        r.options.push_back({"1", "1", "1", wopr, otwe, code, text});
    };
    q("1", "Единица силы?", "2");
    o("1", "а", "", "джоуль");
    o("1", "б", "+", "ньютон");
    q("2", "Металлы: медь {и} железо = ~ # :", "1");
    o("2", "а", "+", "медь");
    o("2", "б", "+", "железо");
    o("2", "в", "", "сера");
    q("3", "Столица Франции?", "5");
    o("3", "1", "Ф", "Париж");
    q("4", "Величина и единица", "1");
    o("4", "1", "-", "сила");
    o("4", "2", "-", "работа");
    o("4", "3", "-", "мощность");
    o("4", "2", "+", "джоуль");
    o("4", "3", "+", "ватт");
    o("4", "1", "+", "ньютон");
    q("5", "По возрастанию", "1");
    o("5", "2", "1", "два");
    o("5", "3", "1", "три");
    o("5", "1", "1", "один");
    return r;
}

void writeBank(const QString &folder, const TopicRecords &r)
{
    const BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{r.tema});
    bank.wopros.rewrite(r.questions);
    bank.otwet.rewrite(r.options);
}

QStringList optionLines(const std::vector<OtwetRec> &opts)
{
    QStringList out;
    for (const OtwetRec &o : opts)
        out << QStringList{o.Predm, o.Tema, o.Test, o.Wopr, o.Otwe, o.Kod_P, o.Nazwan}.join(u'|');
    return out;
}

QStringList questionLines(const std::vector<WoprosRec> &qs)
{
    QStringList out;
    for (const WoprosRec &q : qs)
        out << QStringList{q.Predm, q.Tema, q.Test, q.Wopr, q.Nazwan, q.Porad, q.Ball, q.S_Kod}.join(u'|');
    return out;
}

// Generated files: a question of `count` options (the first one right) or
// of `count` matching pairs, and a file of the same question many times.
QByteArray giftTicks(const QString &text, int count)
{
    QString q = text + QStringLiteral(" {");
    for (int i = 1; i <= count; ++i)
        q += (i == 1 ? QStringLiteral("\n=") : QStringLiteral("\n~")) + QStringLiteral("вариант %1").arg(i);
    return (q + QStringLiteral("\n}\n\n")).toUtf8();
}

QByteArray giftPairs(const QString &text, int count)
{
    QString q = text + QStringLiteral(" {");
    for (int i = 1; i <= count; ++i)
        q += QStringLiteral("\n=левое %1 -> правое %1").arg(i);
    return (q + QStringLiteral("\n}\n\n")).toUtf8();
}

QByteArray xmlTicks(const QString &text, int count)
{
    QString q = QStringLiteral("<question type=\"multichoice\"><questiontext><text>%1</text></questiontext>").arg(text);
    for (int i = 1; i <= count; ++i)
        q += QStringLiteral("<answer fraction=\"%1\"><text>вариант %2</text></answer>").arg(i == 1 ? 100 : 0).arg(i);
    return (q + QStringLiteral("</question>\n")).toUtf8();
}

QByteArray xmlPairs(const QString &text, int count)
{
    QString q = QStringLiteral("<question type=\"matching\"><questiontext><text>%1</text></questiontext>").arg(text);
    for (int i = 1; i <= count; ++i)
        q += QStringLiteral("<subquestion><text>левое %1</text><answer><text>правое %1</text></answer></subquestion>")
                 .arg(i);
    return (q + QStringLiteral("</question>\n")).toUtf8();
}

QByteArray xmlQuiz(const QByteArray &questions)
{
    return "<?xml version=\"1.0\"?>\n<quiz>\n" + questions + "</quiz>\n";
}

QByteArray times(const QByteArray &piece, int n)
{
    return piece.repeated(n);
}

} // namespace

class TestInterchange : public QObject
{
    Q_OBJECT
private slots:
    void readsEveryMappedType_data();
    void readsEveryMappedType();
    void readsAiken();
    void notesWhatHasNoCounterpart_data();
    void notesWhatHasNoCounterpart();
    void malformedFilesAreErrors_data();
    void malformedFilesAreErrors();
    void questionsWithTooManyOptionsAreSkipped_data();
    void questionsWithTooManyOptionsAreSkipped();
    void hostileFilesAreRefusedByLine_data();
    void hostileFilesAreRefusedByLine();
    void oversizedFilesAreRefusedUnread();
    void hostileFilesStayWithinMemory_data();
    void hostileFilesStayWithinMemory();
    void recordsAsTheDecoderMakesThem();
    void longTextsAreCutWithANote();
    void exportNotesAndLeavesOut();
    void roundTrip_data();
    void roundTrip();
    void writtenFilesAreWhatTheFormatsSay();
    void nextTopicCode_data();
    void nextTopicCode();
    void addsTopicToBank();
    void addsTopicToEditorTables();
    void guessesFormat_data();
    void guessesFormat();
};

void TestInterchange::readsEveryMappedType_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("gift") << int(InterFormat::Gift) << giftEveryType() << everyType;
    QTest::newRow("xml") << int(InterFormat::MoodleXml) << xmlEveryType()
                         << everyType + QStringList{QStringLiteral("ranking 1 По возрастанию | один|два|три")};
    // Code page 1251 is still read when the file is no UTF-8.
    QStringList cp = {QStringLiteral("topic: запас"), QStringLiteral("typed 1 Столица? | =Москва")};
    QTest::newRow("gift in cp1251")
        << int(InterFormat::Gift)
        << QStringEncoder("windows-1251").encode(QStringLiteral("Столица? {=Москва}")).operator QByteArray() << cp;
}

void TestInterchange::readsEveryMappedType()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    const Reading r = readInterchange(InterFormat(format), file, QStringLiteral("запас"));
    QCOMPARE(described(r.topic), expected);
    QVERIFY2(r.notes.isEmpty(), qPrintable(notesText(r.notes)));
}

void TestInterchange::readsAiken()
{
    const QByteArray file = "\xEF\xBB\xBF"
                            "Какой газ нужен для дыхания?\r\n"
                            "A. Азот\r\n"
                            "B) Кислород\r\n"
                            "C. Гелий\r\n"
                            "ANSWER: B\r\n"
                            "Сколько будет 2+2?\n"
                            "A. 4\n"
                            "B. 5\n"
                            "ANSWER: A\n";
    const Reading r = readAiken(file, QStringLiteral("Химия"));
    QCOMPARE(described(r.topic), (QStringList{QStringLiteral("topic: Химия"),
                                              QStringLiteral("ticks 1 Какой газ нужен для дыхания? | "
                                                             "-Азот|+Кислород|-Гелий"),
                                              QStringLiteral("ticks 1 Сколько будет 2+2? | +4|-5")}));
}

void TestInterchange::notesWhatHasNoCounterpart_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QStringList>("notes"); // a piece of each note line, in order

    const QString ok = QStringLiteral("Столица Франции? {=Париж}\n\n");
    QTest::newRow("gift: essay, numerical, description")
        << int(InterFormat::Gift) << ok + "Опишите опыт. {}\n\nГод? {#1961:1}\n\nПросто текст\n"
        << 1 << QStringList{"эссе", "числовой ответ", "описание без ответа"};
    QTest::newRow("gift: feedback, other answers, extra items")
        << int(InterFormat::Gift)
        << QStringLiteral("Два? {=2#верно =два ####подумайте}\n\n"
                          "Пары {=а -> 1 =б -> 2 =в -> 3 = -> 4}\n\n"
                          "Один? {=1 ~%50%почти ~2}\n")
        << 3
        << QStringList{"общий отзыв", "отзывы к ответам", "ещё 1", "лишние правые элементы без пары (1)",
                       "частично верные ответы записаны неверными"};
    QTest::newRow("gift: two categories")
        << int(InterFormat::Gift)
        << QStringLiteral("$CATEGORY: а\n\nДа? {=да}\n\n$CATEGORY: $course$/top/б\nНет? {=нет}") << 2
        << QStringList{"категория «б» слита с темой «а»"};
    QTest::newRow("gift: html picture") << int(InterFormat::Gift)
                                        << QStringLiteral("[html]Что это? <img src=\"a.png\"> {=кот}") << 1
                                        << QStringList{"рисунки"};
    const QString head = QStringLiteral("<?xml version=\"1.0\"?><quiz>");
    const QString typed =
        QStringLiteral("<question type=\"shortanswer\"><questiontext><text>Да?</text>"
                       "</questiontext><usecase>1</usecase><answer fraction=\"100\"><text>да</text></answer>");
    QTest::newRow("xml: types without counterpart")
        << int(InterFormat::MoodleXml)
        << head + typed +
               "</question><question type=\"essay\"><questiontext><text>Эссе</text></questiontext>"
               "</question><question type=\"numerical\"><questiontext><text>Число</text></questiontext>"
               "</question><question type=\"multianswer\"><questiontext><text>{1:SA:=а}</text>"
               "</questiontext></question></quiz>"
        << 1 << QStringList{"«essay»", "«numerical»", "«multianswer»"};
    QTest::newRow("xml: pictures, feedback, hints, tags, grade")
        << int(InterFormat::MoodleXml)
        << head + "<question type=\"multichoice\"><questiontext format=\"html\"><text>"
                  "&lt;p&gt;Кто?&lt;img src=\"@@PLUGINFILE@@/a.png\"&gt;&lt;/p&gt;</text>"
                  "<file name=\"a.png\" encoding=\"base64\">AAAA</file></questiontext>"
                  "<generalfeedback><text>Общий</text></generalfeedback>"
                  "<correctfeedback><text>Молодец</text></correctfeedback>"
                  "<defaultgrade>1.5</defaultgrade>"
                  "<answer fraction=\"100\"><text>Я</text><feedback><text>Да</text></feedback></answer>"
                  "<answer fraction=\"0\"><text>Ты</text></answer>"
                  "<hint><text>Подумай</text></hint><tags><tag><text>т</text></tag></tags></question></quiz>"
        << 1 << QStringList{"рисунки и файлы", "общий отзыв", "отзывы о верном", "подсказки",
                            "метки",           "баллы 1.5",   "отзывы к ответам"};
    QTest::newRow("xml: letter case ignored there")
        << int(InterFormat::MoodleXml)
        << head + "<question type=\"shortanswer\"><questiontext><text>Да?</text></questiontext>"
                  "<answer fraction=\"100\"><text>Да</text></answer></question></quiz>"
        << 1 << QStringList{"регистр букв"};
    QTest::newRow("xml: ordering subset, typed with several answers")
        << int(InterFormat::MoodleXml)
        << head + typed +
               "<answer fraction=\"100\"><text>ага</text></answer></question>"
               "<question type=\"ordering\"><questiontext><text>Порядок</text></questiontext>"
               "<selecttype>RANDOM</selecttype><answer><text>а</text></answer><answer><text>б</text></answer>"
               "</question></quiz>"
        << 2 << QStringList{"ещё 1", "выбор части"};
}

void TestInterchange::notesWhatHasNoCounterpart()
{
    QFETCH(int, format);
    QFETCH(QString, file);
    QFETCH(int, questions);
    QFETCH(QStringList, notes);
    const Reading r = readInterchange(InterFormat(format), file.toUtf8(), QStringLiteral("т"));
    QCOMPARE(int(r.topic.items.size()), questions);
    QCOMPARE(r.notes.size(), notes.size());
    for (qsizetype i = 0; i < notes.size(); ++i)
        QVERIFY2(r.notes.at(i).contains(notes.at(i)), qPrintable(r.notes.at(i)));
    // One line each: nothing is noted across line ends.
    for (const QString &n : r.notes)
        QVERIFY(!n.contains(u'\n'));
}

void TestInterchange::malformedFilesAreErrors_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    const int gift = int(InterFormat::Gift), aiken = int(InterFormat::Aiken), xml = int(InterFormat::MoodleXml);
    QTest::newRow("gift: unclosed brace") << gift << "Вопрос\n\nДа? {=да\n"
                                          << "строка 3: нет закрывающей";
    QTest::newRow("gift: stray brace") << gift << "Да? =да}"
                                       << "строка 1: лишняя скобка";
    QTest::newRow("gift: answer without mark") << gift << "Да? {да}"
                                               << "не начинается со знака";
    QTest::newRow("gift: half a matching") << gift << "Пары {=а -> 1 =б}"
                                           << "=левое -> правое";
    QTest::newRow("gift: only an essay") << gift << "Опишите. {}"
                                         << "нет ни одного вопроса";
    QTest::newRow("aiken: no answer line") << aiken << "Да?\nA. да\nB. нет\n"
                                           << "нет строки ANSWER";
    QTest::newRow("aiken: answer not an option") << aiken << "Да?\nA. да\nANSWER: C\n"
                                                 << "строка 3";
    QTest::newRow("aiken: question after options") << aiken << "Да?\nA. да\nещё текст\nANSWER: A"
                                                   << "строка 3: после вариантов";
    QTest::newRow("xml: not well-formed") << xml << "<?xml version=\"1.0\"?>\n<quiz>\n<question type=\"x\">\n</quiz>"
                                          << "строка 4";
    QTest::newRow("xml: other root") << xml << "<html><body/></html>"
                                     << "ждали <quiz>";
    QTest::newRow("xml: empty file") << xml << ""
                                     << "нет элемента <quiz>";
    QString attributes;
    for (int i = 0; i < 257; ++i)
        attributes += QStringLiteral(" a%1='=>'").arg(i);
    QTest::newRow("xml: too many attributes") << xml << "<quiz>\n<!-- a=b -->\n<question" + attributes + "/></quiz>"
                                              << "строка 3: у элемента больше 256 атрибутов";
}

void TestInterchange::malformedFilesAreErrors()
{
    QFETCH(int, format);
    QFETCH(QString, file);
    QFETCH(QString, message);
    try {
        readInterchange(InterFormat(format), file.toUtf8(), QStringLiteral("т"));
        QFAIL("no error");
    } catch (const TrivoError &e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
    }
}

void TestInterchange::questionsWithTooManyOptionsAreSkipped_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows"); // option rows of the one question kept
    QTest::addColumn<QString>("note");
    const int gift = int(InterFormat::Gift), xml = int(InterFormat::MoodleXml);
    const QString skipped = QStringLiteral("вопрос 2 «Лишний»: вариантов ответа %1, а главное окно показывает не "
                                           "больше 30, вопрос не перенесён");
    QTest::newRow("gift: 30 options kept, 31 skipped")
        << gift << giftTicks("Полный", 30) + giftTicks("Лишний", 31) << 30 << skipped.arg(31);
    QTest::newRow("gift: 15 pairs kept, 16 skipped")
        << gift << giftPairs("Полный", 15) + giftPairs("Лишний", 16) << 30 << skipped.arg(32);
    QTest::newRow("gift: six million answers")
        << gift << giftTicks("Полный", 30) + "Лишний {=да " + QByteArray(6'000'000, '~') + "}\n"
        << 30 << skipped.arg(6'000'001);
    QTest::newRow("xml: 30 options kept, 31 skipped")
        << xml << xmlQuiz(xmlTicks("Полный", 30) + xmlTicks("Лишний", 31)) << 30 << skipped.arg(31);
    QTest::newRow("xml: 15 pairs kept, 16 skipped")
        << xml << xmlQuiz(xmlPairs("Полный", 15) + xmlPairs("Лишний", 16)) << 30 << skipped.arg(32);
    QTest::newRow("xml: more elements than a question has")
        << xml << xmlQuiz(xmlTicks("Полный", 30) + xmlTicks("Лишний", 1000'000)) << 30
        << QStringLiteral("вопрос 2 «Лишний»: в вопросе больше 2000 элементов XML, вопрос не перенесён");
}

void TestInterchange::questionsWithTooManyOptionsAreSkipped()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(QString, note);
    const Reading r = readInterchange(InterFormat(format), file, QStringLiteral("т"));
    QCOMPARE(r.topic.items.size(), size_t(1));
    const Item &kept = r.topic.items.front();
    QCOMPARE(int(kept.options.size()) * (kept.type == ItemType::Matching ? 2 : 1), rows);
    QCOMPARE(r.notes, QStringList{note});
}

void TestInterchange::hostileFilesAreRefusedByLine_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    const int gift = int(InterFormat::Gift), aiken = int(InterFormat::Aiken), xml = int(InterFormat::MoodleXml);
    // <quiz> is the first level, so the 64th <a> stands on the 65th.
    QTest::newRow("xml: 60000 levels") << xml << "<quiz>\n" + times("<a>\n", 60'000)
                                       << "Файл XML, строка 65: элементы вложены глубже 64 уровней";
    QTest::newRow("xml: levels past what a question keeps")
        << xml << "<quiz><question type=\"multichoice\">" + times("<a/>", 3000) + "\n" + times("<b>", 60'000)
        << "строка 2: элементы вложены глубже 64 уровней";
    const QString entries = QStringLiteral("строка %1: в файле больше 10000 вопросов и категорий");
    QTest::newRow("gift: 10001 questions") << gift << times("Да? {=да}\n\n", 10'001) << entries.arg(20'001);
    QTest::newRow("gift: categories count") << gift << times("$CATEGORY: а\n", 10'001) << entries.arg(10'001);
    QTest::newRow("aiken: 10001 questions") << aiken << times("Да?\nA. да\nANSWER: A\n", 10'001) << entries.arg(30'003);
    QTest::newRow("xml: 10001 questions")
        << xml << "<quiz>\n" + times("<question type=\"essay\"/>\n", 10'001) + "</quiz>" << entries.arg(10'002);
}

void TestInterchange::hostileFilesAreRefusedByLine()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    try {
        readInterchange(InterFormat(format), file, QStringLiteral("т"));
        QFAIL("no error");
    } catch (const TrivoError &e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
    }
}

void TestInterchange::oversizedFilesAreRefusedUnread()
{
    // The largest file is read; one byte more is refused in every format.
    const QByteArray question = QStringLiteral("Да? {=да}").toUtf8();
    QByteArray big = QByteArray(64 * 1024 * 1024 - question.size(), ' ') + question;
    QCOMPARE(readGift(big, {}).topic.items.size(), size_t(1));
    big += '\n';
    for (const InterFormat f : {InterFormat::Gift, InterFormat::Aiken, InterFormat::MoodleXml}) {
        try {
            readInterchange(f, big, {});
            QFAIL("no error");
        } catch (const TrivoError &e) {
            QCOMPARE(e.text(), QStringLiteral("Файл вопросов занимает 65 МБ, а читается файл не больше 64 МБ"));
        }
    }
    big.clear();
    // A file on disk is measured before it is read: a sparse gigabyte costs nothing.
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("huge.gift")));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(1) << 30));
    f.close();
    try {
        readInterchangeFile(InterFormat::Gift, f.fileName());
        QFAIL("no error");
    } catch (const TrivoError &e) {
        QVERIFY2(e.text().contains(QStringLiteral("занимает 1024 МБ")), qPrintable(e.text()));
    }
}

void TestInterchange::hostileFilesStayWithinMemory_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    const int gift = int(InterFormat::Gift), aiken = int(InterFormat::Aiken), xml = int(InterFormat::MoodleXml);
    QTest::newRow("gift: six million answers") << gift << "Да? {" + QByteArray(6'000'000, '~') + "}";
    QTest::newRow("gift: question of short lines") << gift << "Да? {=да\n" + times("~\n", 3'000'000) + "}";
    QTest::newRow("aiken: empty lines") << aiken << QByteArray(6'000'000, '\n') + "Да?\nA. да\nANSWER: A\n";
    QTest::newRow("xml: a question of small elements")
        << xml << "<quiz><question type=\"multichoice\">" + times("<a/>", 1'500'000) + "</question></quiz>";
    QTest::newRow("xml: many attributes kept by none")
        << xml << "<quiz><question type=\"multichoice\">" + times("<a b=\"\" c=\"\"/>", 400'000) + "</question></quiz>";
}

void TestInterchange::hostileFilesStayWithinMemory()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    const qint64 growth = peakGrowthOf([&] { readInterchange(InterFormat(format), file, QStringLiteral("т")); });
    QVERIFY2(growth >= 0, "the reader crashed");
    QVERIFY2(growth <= memoryAllowedFor(file.size()),
             qPrintable(QStringLiteral("%1 MiB for a file of %2 MiB").arg(growth >> 20).arg(file.size() >> 20)));
}

void TestInterchange::recordsAsTheDecoderMakesThem()
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

void TestInterchange::longTextsAreCutWithANote()
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

void TestInterchange::exportNotesAndLeavesOut()
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

void TestInterchange::roundTrip_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("lost"); // questions the format cannot hold
    QTest::newRow("gift") << int(InterFormat::Gift) << 1;
    QTest::newRow("xml") << int(InterFormat::MoodleXml) << 0;
}

void TestInterchange::roundTrip()
{
    QFETCH(int, format);
    QFETCH(int, lost);
    QTemporaryDir from, to;
    const TopicRecords original = everyTypeRecords();
    writeBank(from.path(), original);

    QStringList notes;
    const Topic topic = topicOfRecords(readBankTopic(BankFiles(from.path()), " 1"), notes);
    QVERIFY(notes.isEmpty());
    const QByteArray file =
        InterFormat(format) == InterFormat::Gift ? writeGift(topic, notes) : writeMoodleXml(topic, notes);
    QCOMPARE(notes.size(), lost);
    const Reading back = readInterchange(InterFormat(format), file, {});
    QVERIFY2(back.notes.isEmpty(), qPrintable(notesText(back.notes)));
    addTopicToBank(to.path(), back.topic, notes);

    const TopicRecords again = readBankTopic(BankFiles(to.path()), "1");
    QCOMPARE(again.tema.Nazwan, original.tema.Nazwan);
    QCOMPARE(questionLines(again.questions), questionLines(original.questions).mid(0, 5 - lost));
    QStringList options = optionLines(original.options);
    QCOMPARE(optionLines(again.options), options.mid(0, options.size() - 3 * lost));
}

void TestInterchange::writtenFilesAreWhatTheFormatsSay()
{
    Topic t{QStringLiteral("Дроби/доли"),
            {{ItemType::Ticks,
              QStringLiteral("a < b?"),
              2,
              "1",
              {{"да", {}, true}, {"нет", {}, false}, {"тоже да", {}, true}}}}};
    QStringList notes;
    const QString gift = QString::fromUtf8(writeGift(t, notes));
    QVERIFY(gift.contains("$CATEGORY: $course$/top/Дроби//доли\n"));
    QVERIFY(gift.contains("// Баллы: 2\na < b? {\n\t~%50%да\n\t~%-100%нет\n\t~%50%тоже да\n}\n"));
    const QString xml = QString::fromUtf8(writeMoodleXml(t, notes));
    QVERIFY(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(xml.contains("<text>$course$/top/Дроби//доли</text>"));
    QVERIFY(xml.contains("<question type=\"multichoice\">"));
    QVERIFY(xml.contains("<defaultgrade>2</defaultgrade>"));
    QVERIFY(xml.contains("<single>false</single>"));
    // Escaped for HTML, then for XML.
    QVERIFY(xml.contains("<text>a &amp;lt; b?</text>"));
    QVERIFY(xml.contains("<answer fraction=\"-100\" format=\"html\">"));
    QCOMPARE(readMoodleXml(xml.toUtf8(), {}).topic.name, QStringLiteral("Дроби/доли"));
    QCOMPARE(readGift(gift.toUtf8(), {}).topic.name, QStringLiteral("Дроби/доли"));
    QVERIFY(notes.isEmpty());
    // A matching question of two pairs is refused there: it is left out, with a note.
    t.items = {{ItemType::Matching, QStringLiteral("Пары"), 1, "7", {{"а", "1", false}, {"б", "2", false}}}};
    QVERIFY(!QString::fromUtf8(writeMoodleXml(t, notes)).contains("matching"));
    QCOMPARE(notes.size(), 1);
    QVERIFY(notes[0].startsWith("вопрос 7"));
}

void TestInterchange::nextTopicCode_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("next");
    QTest::newRow("no topic") << QStringList{} << "1";
    QTest::newRow("after the last") << QStringList{"3", " 7"} << "8";
    QTest::newRow("taken code skipped") << QStringList{"3", "4", "2"} << "5";
    QTest::newRow("not a number") << QStringList{"1", "?"} << "";
}

void TestInterchange::nextTopicCode()
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

void TestInterchange::addsTopicToBank()
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

void TestInterchange::addsTopicToEditorTables()
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

void TestInterchange::guessesFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("format");
    QTest::newRow("by extension") << "a.XML" << QByteArray("Да? {=да}") << int(InterFormat::MoodleXml);
    QTest::newRow("xml content") << "a.txt" << QByteArray("\n <?xml version=\"1.0\"?><quiz/>")
                                 << int(InterFormat::MoodleXml);
    QTest::newRow("aiken content") << "a.txt" << QByteArray("Да?\nA. да\nANSWER: A\n") << int(InterFormat::Aiken);
    QTest::newRow("gift content") << "a.txt" << QByteArray("Да? {=да}\nANSWER: A\n") << int(InterFormat::Gift);
}

void TestInterchange::guessesFormat()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, bytes);
    QFETCH(int, format);
    QCOMPARE(int(guessInterFormat(path, bytes)), format);
}

QTEST_GUILESS_MAIN(TestInterchange)
#include "test_interchange.moc"
