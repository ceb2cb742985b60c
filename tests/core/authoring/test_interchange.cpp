// Question files of other testing systems: reading and writing them as their
// peers do, and which format a file is. Every file is written here by hand.
#include "QuestionFileKit.h"
#include "TestFiles.h"
#include "errors.h"
#include "interchange.h"
#include "stringtable.h"

#include <QTemporaryDir>
#include <QtTest>

class TestInterchange : public QObject
{
    Q_OBJECT
private slots:
    void readsEveryMappedType_data();
    void readsEveryMappedType();
    void readsAiken();
    void notesWhatHasNoCounterpart_data();
    void notesWhatHasNoCounterpart();
    void readsWhatPeersWrite_data();
    void readsWhatPeersWrite();
    void nothingToCarryOverNamesWhatWasThere_data();
    void nothingToCarryOverNamesWhatWasThere();
    void malformedFilesAreErrors_data();
    void malformedFilesAreErrors();
    void roundTrip_data();
    void roundTrip();
    void writtenFilesAreWhatTheFormatsSay();
    void giftEscapesWhatItGivesAMeaning_data();
    void giftEscapesWhatItGivesAMeaning();
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

void TestInterchange::readsWhatPeersWrite_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected"); // the questions read, as described()
    QTest::addColumn<QStringList>("notes");    // a piece of each note line, in order
    const int gift = int(InterFormat::Gift), aiken = int(InterFormat::Aiken), xml = int(InterFormat::MoodleXml);
    const QString topic = QStringLiteral("topic: т");

    QTest::newRow("gift: format marks before the question and the answers")
        << gift << QByteArray("[html]Верно? {~[plain]yes =[html]<b>no</b> ~%0%[markdown]maybe}")
        << QStringList{topic, "ticks 1 Верно? | -yes|+no|-maybe"} << QStringList{};
    QTest::newRow("gift: answers of an HTML question are HTML")
        << gift << QByteArray("[html]<p>Знак?</p> {=&lt; ~&gt;}") << QStringList{topic, "ticks 1 Знак? | +<|->"}
        << QStringList{};
    QTest::newRow("gift: a lone backslash is a backslash")
        << gift << QByteArray("Обратная косая? {=\\ ~/}\n\nПуть? {=C\\:\\temp}")
        << QStringList{topic, "ticks 1 Обратная косая? | +\\|-/", "typed 1 Путь? | =C:\\temp"} << QStringList{};
    QTest::newRow("gift: a short answer without =")
        << gift << QByteArray("Столица? {Москва}\n\nЕщё? {Минск =Киев}")
        << QStringList{topic, "typed 1 Столица? | =Москва", "typed 1 Ещё? | =Минск"}
        << QStringList{"ещё 1 не перенесены"};
    QTest::newRow("gift: escaped arrow, weight and brackets")
        << gift
        << QByteArray("Стрелка? {=A -\\> B}\n\nПроцент? {=\\%25\\%}\n\nПары {=%50% -> половина =x -> y =1 -> 2}")
        << QStringList{topic, "typed 1 Стрелка? | =A -> B", "typed 1 Процент? | =%25%",
                       "matching 1 Пары | %50%->половина|x->y|1->2"}
        << QStringList{};
    QTest::newRow("gift: a star stands for any text there")
        << gift << QByteArray("Город? {=Моск*}\n\nЕщё? {=Моск* =Москва}\n\nЗвезда? {=2\\*3}\n\nИ так? {=2\\\\*3}")
        << QStringList{topic, "typed 1 Ещё? | =Москва", "typed 1 Звезда? | =2*3", "typed 1 И так? | =2*3"}
        << QStringList{"вопрос 1 «Город?»: ответ «Моск*»: звёздочка там значит любой текст, а здесь ответ "
                       "сверяется точно, вопрос не перенесён",
                       "вопрос 2 «Ещё?»: ответ «Моск*»: звёздочка там значит любой текст, а здесь ответ сверяется "
                       "точно, не перенесён"};
    const QByteArray shortAnswer = "<question type=\"shortanswer\"><questiontext><text>%1</text></questiontext>"
                                   "<usecase>1</usecase><answer fraction=\"100\"><text>%2</text></answer></question>";
    QTest::newRow("xml: a star stands for any text there")
        << xml
        << xmlQuiz(QString::fromUtf8(shortAnswer).arg("Город?", "Моск*").toUtf8() +
                   QString::fromUtf8(shortAnswer).arg("Звезда?", "2\\*3").toUtf8())
        << QStringList{topic, "typed 1 Звезда? | =2*3"} << QStringList{"вопрос 1 «Город?»: ответ «Моск*»"};
    // Control characters count as blanks: an item of nothing else is empty, here as in an XML file.
    QTest::newRow("gift: control characters")
        << gift
        << QByteArray("Пары\x01 {=\x01\x05 -> x =a\x02"
                      "b -> 1 =c -> 2\x7f}")
        << QStringList{topic, "matching 1 Пары | a b->1|c->2\x7f"} << QStringList{"без пары (1)"};
    QTest::newRow("gift: UTF-16 with its mark")
        << gift
        << "\xFF\xFE" + QStringEncoder(QStringEncoder::Utf16LE).encode(u"Столица? {=Москва}").operator QByteArray()
        << QStringList{topic, "typed 1 Столица? | =Москва"} << QStringList{};
    QTest::newRow("aiken: UTF-16 big-endian with its mark")
        << aiken
        << "\xFE\xFF" +
               QStringEncoder(QStringEncoder::Utf16BE).encode(u"Да?\nA. да\nB. нет\nANSWER: A").operator QByteArray()
        << QStringList{topic, "ticks 1 Да? | +да|-нет"} << QStringList{};
    QTest::newRow("aiken: options without a question, one option, a stray line")
        << aiken
        << QByteArray("A) p\nB) q\nANSWER: A\n\nОдин?\nA. да\nANSWER: A\n\nДа?\nA. да\nB. нет\nANSWER: A\n"
                      "лишняя строка\n\nНет?\nA. да\nB. нет\nANSWER: B\n\nв конце\n")
        << QStringList{topic, "ticks 1 Да? | +да|-нет", "ticks 1 Нет? | -да|+нет"}
        << QStringList{"строка 1 «A) p»: варианты ответа без вопроса", "строка 5 «Один?»: у вопроса один вариант",
                       "строка 13 «лишняя строка»: текст без вариантов", "строка 20 «в конце»: текст без вариантов"};
    QTest::newRow("aiken: a question of two lines stays one")
        << aiken << QByteArray("Сколько\nбудет 2+2?\nA. 4\nB. 5\nANSWER: A\nA) опять\nB) ещё\nANSWER: B\n")
        << QStringList{topic, "ticks 1 Сколько будет 2+2? | +4|-5"} << QStringList{"строка 6 «A) опять»"};
}

void TestInterchange::readsWhatPeersWrite()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, notes);
    const Reading r = readInterchange(InterFormat(format), file, QStringLiteral("т"));
    QCOMPARE(described(r.topic), expected);
    QVERIFY2(r.notes.size() == notes.size(), qPrintable(notesText(r.notes)));
    for (qsizetype i = 0; i < notes.size(); ++i)
        QVERIFY2(r.notes.at(i).contains(notes.at(i)), qPrintable(r.notes.at(i)));
}

void TestInterchange::nothingToCarryOverNamesWhatWasThere_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("lines"); // the message, line by line
    const QString none = QStringLiteral("В файле нет ни одного вопроса, который можно перенести");
    QTest::newRow("gift: numbers and an essay")
        << int(InterFormat::Gift) << QByteArray("Год? {#1961}\n\nОпишите. {}\n\nЧисло пи? {#3.14:0.01}")
        << QStringList{none + ": 2 вопроса с числовым ответом, 1 эссе — таких вопросов в банке нет",
                       "вопрос 1 «Год?»: числовой ответ, вопрос не перенесён",
                       "вопрос 2 «Опишите.»: эссе (ответ в свободной форме), вопрос не перенесён",
                       "вопрос 3 «Число пи?»: числовой ответ, вопрос не перенесён"};
    QTest::newRow("xml: types of its own")
        << int(InterFormat::MoodleXml)
        << xmlQuiz(times("<question type=\"ddwtos\"/>", 12) + "<question type=\"essay\"/>")
        << QStringList{none + ": 12 вопросов типа «ddwtos», 1 эссе — таких вопросов в банке нет",
                       "вопрос 1 «»: тип «ddwtos» здесь не встречается, вопрос не перенесён"} +
               QStringList(9, "вопрос") + QStringList{"…и ещё 3"};
    QTest::newRow("aiken: nothing but stray text")
        << int(InterFormat::Aiken) << QByteArray("Просто текст\n")
        << QStringList{none, "строка 1 «Просто текст»: текст без вариантов ответа и строки ANSWER, пропущен"};
}

void TestInterchange::nothingToCarryOverNamesWhatWasThere()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, lines);
    try {
        readInterchange(InterFormat(format), file, QStringLiteral("т"));
        QFAIL("no error");
    } catch (const TrivoError &e) {
        const QStringList got = e.text().split(u'\n');
        QCOMPARE(got.size(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(got.at(i).startsWith(lines.at(i)), qPrintable(got.at(i)));
    }
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

void TestInterchange::giftEscapesWhatItGivesAMeaning_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("option");  // the typed answer, a right option, or the left item of each pair
    QTest::addColumn<QString>("written"); // a piece of the file
    const int typed = int(ItemType::Typed), ticks = int(ItemType::Ticks), matching = int(ItemType::Matching);
    QTest::newRow("arrow in a typed answer") << typed << "Что?"
                                             << "A -> B"
                                             << "{=A -\\> B}";
    QTest::newRow("arrow in a left item") << matching << "Пары"
                                          << "x -> y"
                                          << "=x -\\> y -> 1\n";
    QTest::newRow("arrow among choices stays") << ticks << "Что?"
                                               << "A -> B"
                                               << "~%100%A -> B\n";
    QTest::newRow("question text after //") << typed << "// не комментарий"
                                            << "да"
                                            << "[plain]// не комментарий {";
    QTest::newRow("typed answer read as a weight") << typed << "Скидка?"
                                                   << "%25%"
                                                   << "{=%100%%25%}";
    QTest::newRow("percent in a left item") << matching << "Пары"
                                            << "%50%"
                                            << "=%50% -> 1\n";
    QTest::newRow("star of a typed answer") << typed << "2·3?"
                                            << "2*3"
                                            << "{=2\\\\*3}";
    QTest::newRow("backslash before a star") << typed << "Знаки?"
                                             << "a\\*"
                                             << "{=a\\\\\\\\*}";
    QTest::newRow("format mark in an option") << ticks << "Разметка?"
                                              << "[html]<b>"
                                              << "~%100%[plain][html]<b>";
    QTest::newRow("format mark in a typed answer") << typed << "Разметка?"
                                                   << "[plain]yes"
                                                   << "{=[plain][plain]yes}";
    QTest::newRow("specials everywhere") << ticks << "::a:: {b} ~c =d #e"
                                         << "~=#{}:\\"
                                         << "\\:\\:a\\:\\: \\{b\\} \\~c \\=d \\#e {";
    QTest::newRow("category line as text") << typed << "$CATEGORY: x"
                                           << "да"
                                           << "$CATEGORY\\: x {";
    QTest::newRow("line ends in a text") << typed << "Раз\n\n// два"
                                         << "да"
                                         << "Раз\\n\\n// два {";
}

void TestInterchange::giftEscapesWhatItGivesAMeaning()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QString, option);
    QFETCH(QString, written);
    Item item{ItemType(type), text, 1, "1", {}};
    if (item.type == ItemType::Typed)
        item.options = {{option, {}, true}};
    else if (item.type == ItemType::Ticks)
        item.options = {{option, {}, true}, {"нет", {}, false}};
    else
        item.options = {{option, "1", false}, {"б", "2", false}, {"в", "3", false}};
    const Topic topic{QStringLiteral("т"), {item}};
    QStringList notes;
    const QByteArray gift = writeGift(topic, notes);
    QVERIFY2(QString::fromUtf8(gift).contains(written), gift.constData());
    // Read back, by us and through the other format: the same question, no note.
    Item expected = item;
    expected.text = expected.text.simplified();
    for (const QByteArray &file : {gift, writeMoodleXml(topic, notes)}) {
        const Reading back = readInterchange(file == gift ? InterFormat::Gift : InterFormat::MoodleXml, file, {});
        QVERIFY2(back.notes.isEmpty(), qPrintable(notesText(back.notes)));
        QCOMPARE(described(back.topic), described(Topic{QStringLiteral("т"), {expected}}));
    }
    QVERIFY(notes.isEmpty());
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
