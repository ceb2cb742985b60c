// The question-file readers' limits: a question of more options than the main
// window shows is skipped and named, hostile files are refused by their line
// or before they are read, and memory stays a small multiple of the file.
#include "QuestionFileKit.h"
#include "TestFiles.h"
#include "errors.h"
#include "interchange.h"
#include "peakmemory.h"
#include "stringtable.h"
#include <QTemporaryDir>
#include <QtTest>

#include <QTemporaryDir>
#include <QtTest>

class TestReaderLimits : public QObject
{
    Q_OBJECT
private slots:
    void questionsWithTooManyOptionsAreSkipped_data();
    void questionsWithTooManyOptionsAreSkipped();
    void hostileFilesAreRefusedByLine_data();
    void hostileFilesAreRefusedByLine();
    void oversizedFilesAreRefusedUnread();
    void hostileFilesStayWithinMemory_data();
    void hostileFilesStayWithinMemory();
};

void TestReaderLimits::questionsWithTooManyOptionsAreSkipped_data()
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

void TestReaderLimits::questionsWithTooManyOptionsAreSkipped()
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

void TestReaderLimits::hostileFilesAreRefusedByLine_data()
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
    QTest::newRow("aiken: 10001 questions")
        << aiken << times("Да?\nA. да\nB. нет\nANSWER: A\n", 10'001) << entries.arg(40'004);
    QTest::newRow("xml: 10001 questions")
        << xml << "<quiz>\n" + times("<question type=\"essay\"/>\n", 10'001) + "</quiz>" << entries.arg(10'002);
}

void TestReaderLimits::hostileFilesAreRefusedByLine()
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

void TestReaderLimits::oversizedFilesAreRefusedUnread()
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

void TestReaderLimits::hostileFilesStayWithinMemory_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("file");
    const int gift = int(InterFormat::Gift), aiken = int(InterFormat::Aiken), xml = int(InterFormat::MoodleXml);
    QTest::newRow("gift: six million answers") << gift << "Да? {" + QByteArray(6'000'000, '~') + "}";
    QTest::newRow("gift: question of short lines") << gift << "Да? {=да\n" + times("~\n", 3'000'000) + "}";
    QTest::newRow("aiken: empty lines") << aiken << QByteArray(6'000'000, '\n') + "Да?\nA. да\nB. нет\nANSWER: A\n";
    QTest::newRow("xml: a question of small elements")
        << xml << "<quiz><question type=\"multichoice\">" + times("<a/>", 1'500'000) + "</question></quiz>";
    QTest::newRow("xml: many attributes kept by none")
        << xml << "<quiz><question type=\"multichoice\">" + times("<a b=\"\" c=\"\"/>", 400'000) + "</question></quiz>";
}

void TestReaderLimits::hostileFilesStayWithinMemory()
{
    QFETCH(int, format);
    QFETCH(QByteArray, file);
    const qint64 growth = peakGrowthOf([&] { readInterchange(InterFormat(format), file, QStringLiteral("т")); });
    QVERIFY2(growth >= 0, "the reader crashed");
    QVERIFY2(growth <= memoryAllowedFor(file.size()),
             qPrintable(QStringLiteral("%1 MiB for a file of %2 MiB").arg(growth >> 20).arg(file.size() >> 20)));
}

QTEST_GUILESS_MAIN(TestReaderLimits)
#include "test_readerlimits.moc"
