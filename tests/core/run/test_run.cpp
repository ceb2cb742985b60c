// Filling and ordering the run tables: which rows a topic takes, the random
// keys, the selection order, the limit, the points sum and the answer index.
#include "errors.h"
#include "run.h"
#include "text.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{

const int idColumn = 0;
const int keyColumn = 1;

// Rows of (id, key).
std::vector<QStringList> keyedRows(const QStringList &keys)
{
    std::vector<QStringList> rows;
    for (int i = 0; i < keys.size(); ++i)
        rows.push_back({QString::number(i), keys[i]});
    return rows;
}

QStringList column(const std::vector<QStringList> &rows, int col)
{
    QStringList out;
    for (const QStringList &r : rows)
        out << r.value(col);
    return out;
}

// Byte order of the cp1251 texts; a prefix is smaller than the longer text.
bool greaterKey(const QString &a, const QString &b)
{
    const QByteArray x = toCp1251(a), y = toCp1251(b);
    for (qsizetype i = 0; i < x.size() && i < y.size(); ++i)
        if (x[i] != y[i])
            return static_cast<unsigned char>(x[i]) > static_cast<unsigned char>(y[i]);
    return x.size() > y.size();
}

// The selection procedure written out the slow way, rows 1..n as in the
// description: from the last row down, the first row with the greatest key
// among rows 1..row is swapped with row.
void selectionOrder(std::vector<QStringList> &rows, int col)
{
    const int n = int(rows.size());
    for (int row = n; row >= 1; --row) {
        int best = 1;
        QString key = rows[0][col];
        for (int k = 2; k <= row; ++k)
            if (greaterKey(rows[size_t(k - 1)][col], key)) {
                best = k;
                key = rows[size_t(k - 1)][col];
            }
        std::swap(rows[size_t(row - 1)], rows[size_t(best - 1)]);
    }
}

WoprosRec question(const QString &predm, const QString &tema, const QString &test, const QString &wopr,
                   const QString &ball)
{
    WoprosRec q;
    q.Predm = predm;
    q.Tema = tema;
    q.Test = test;
    q.Wopr = wopr;
    q.Nazwan = QStringLiteral("Вопрос %1 ").arg(wopr.trimmed());
    q.Porad = QStringLiteral("77");
    q.Ball = ball;
    q.S_Kod = QStringLiteral("zz");
    return q;
}

OtwetRec answer(const QString &predm, const QString &tema, const QString &wopr, const QString &otwe, const QString &kod)
{
    return {predm, tema, QStringLiteral("1"), wopr, otwe, kod, QStringLiteral(" Ответ ") + otwe};
}

} // namespace

class TestRun : public QObject
{
    Q_OBJECT
private slots:
    void orderByKeysFixed_data();
    void orderByKeysFixed();
    void orderByKeysMatchesSelection_data();
    void orderByKeysMatchesSelection();
    void topicQuestionRows();
    void topicAnswerRows();
    void topicRowsFromFiles_data();
    void topicRowsFromFiles();
    void largeFileReadWhole();
    void cutToLimit_data();
    void cutToLimit();
    void pointsSum_data();
    void pointsSum();
    void answerIndex();
    void durationText_data();
    void durationText();
};

void TestRun::orderByKeysFixed_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("ids"); // the rows' places in the input, in the order that results
    QTest::newRow("text order") << QStringList{"100", "11", "2"} << QStringList{"0", "1", "2"};
    QTest::newRow("text order reversed") << QStringList{"2", "11", "100"} << QStringList{"2", "1", "0"};
    QTest::newRow("numbers as text") << QStringList{"9", "10", "0", "99"} << QStringList{"2", "1", "0", "3"};
    // Row 2 has no greater key than row 1, so row 1 goes to the bottom.
    QTest::newRow("two equal keys swap") << QStringList{"5", "5"} << QStringList{"1", "0"};
    // 5a 5b 5c -> 5c 5b 5a -> 5b 5c 5a
    QTest::newRow("three equal keys") << QStringList{"5", "5", "5"} << QStringList{"1", "2", "0"};
    QTest::newRow("ties among others") << QStringList{"3", "7", "3", "7", "1"} << QStringList{"4", "2", "0", "3", "1"};
    // In cp1251 "№" (0xB9) comes before "А" (0xC0), though not in Unicode.
    QTest::newRow("cp1251 byte order") << QStringList{"А", "№"} << QStringList{"1", "0"};
    QTest::newRow("prefix is smaller") << QStringList{"12", "1", ""} << QStringList{"2", "1", "0"};
    QTest::newRow("one row") << QStringList{"42"} << QStringList{"0"};
    QTest::newRow("none") << QStringList{} << QStringList{};
}

void TestRun::orderByKeysFixed()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, ids);
    auto rows = keyedRows(keys);
    auto reference = rows;
    selectionOrder(reference, keyColumn);
    QCOMPARE(column(reference, idColumn), ids); // the slow procedure agrees with the hand-worked order
    orderByKeys(rows, keyColumn);
    QCOMPARE(column(rows, idColumn), ids);
}

void TestRun::orderByKeysMatchesSelection_data()
{
    QTest::addColumn<int>("keyRange");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("topic keys 0..100") << 100 << quint32(1);
    QTest::newRow("topic keys, another seed") << 100 << quint32(0xC0FFEE);
    QTest::newRow("few keys, ties everywhere") << 3 << quint32(7);
    QTest::newRow("exam keys 0..1000") << 1000 << quint32(2024);
}

void TestRun::orderByKeysMatchesSelection()
{
    QFETCH(int, keyRange);
    QFETCH(quint32, seed);
    RandomGen gen(seed);
    for (int size = 0; size <= 300; size += (size < 20 ? 1 : 7)) {
        QStringList keys;
        for (int i = 0; i < size; ++i)
            keys << QString::number(gen.draw(keyRange));
        auto rows = keyedRows(keys);
        auto reference = rows;
        selectionOrder(reference, keyColumn);
        orderByKeys(rows, keyColumn);
        // Whole rows, so a column left behind in a swap shows too.
        QVERIFY2(rows == reference, qPrintable(QStringLiteral("size %1").arg(size)));
    }
}

void TestRun::topicQuestionRows()
{
    const std::vector<WoprosRec> file = {
        question("1", " 7", "1", "1", "2"),   // blank before the topic code: same topic
        question("1", "07", "1", "2", "2"),   // another topic: codes are texts
        question("2", "7", "1", "3", "2"),    // another subject
        question(" 1 ", "7 ", " 2", "4", ""), // codes kept as stored in the row
        question("1", "70", "1", "5", "1"),   question("1", "7", "3", "6", "5"),
    };
    const quint32 seed = 4711;
    RandomGen gen(seed);
    const auto rows = ::topicQuestionRows(file, QStringLiteral(" 1"), QStringLiteral("7 "), gen);

    RandomGen same(seed);
    const int taken[] = {0, 3, 5};
    QCOMPARE(rows.size(), std::size(taken));
    for (size_t i = 0; i < rows.size(); ++i) {
        const WoprosRec &q = file[size_t(taken[i])];
        const QStringList expected = {
            q.Predm, q.Tema, q.Test, q.Wopr, q.Nazwan, QString::number(roundHalfEven(same.next() * 100)), q.Ball, "у"};
        QCOMPARE(rows[i], expected);
    }
    QCOMPARE(gen.state(), same.state()); // one draw per question taken, none for the others

    RandomGen exam(seed), examSame(seed);
    const auto examRows = ::topicQuestionRows(file, "1", "7", exam, 1000);
    QCOMPARE(examRows[0][5], QString::number(roundHalfEven(examSame.next() * 1000)));

    RandomGen unused(seed);
    QVERIFY(::topicQuestionRows(file, "3", "7", unused).empty());
    QCOMPARE(unused.state(), seed);
}

void TestRun::topicAnswerRows()
{
    const std::vector<OtwetRec> file = {
        answer("1", "7", "1", "1", "+"), answer("1", "07", "1", "1", "+"), answer("1", " 7 ", "2", "2", ""),
        answer("2", "7", "1", "1", "+"), answer("1", "7", "1", "2", "0"),
    };
    const auto rows = ::topicAnswerRows(file, "1", " 7");
    QCOMPARE(rows.size(), size_t(3));
    const int taken[] = {0, 2, 4};
    for (size_t i = 0; i < rows.size(); ++i) {
        const OtwetRec &a = file[size_t(taken[i])];
        QCOMPARE(rows[i], (QStringList{a.Predm, a.Tema, a.Test, a.Wopr, a.Otwe, a.Kod_P, a.Nazwan}));
    }
    QVERIFY(::topicAnswerRows(file, "1", "8").empty());
}

void TestRun::topicRowsFromFiles_data()
{
    QTest::addColumn<QString>("predm");
    QTest::addColumn<QString>("tema");
    QTest::newRow("7") << "1"
                       << "7";
    QTest::newRow("blank around") << " 1"
                                  << "7 ";
    QTest::newRow("07") << "1"
                        << "07";
    QTest::newRow("letter code") << "1"
                                 << "А";
    QTest::newRow("empty topic code") << "1"
                                      << "";
    QTest::newRow("no such subject") << "9"
                                     << "7";
}

// Reading only the topic's records from the files gives what decoding the
// whole files and then choosing gives, with the same draws of the generator.
void TestRun::topicRowsFromFiles()
{
    QFETCH(QString, predm);
    QFETCH(QString, tema);
    QTemporaryDir dir;
    const RecordFile wopros(dir.filePath("Wopros.dat"), WoprosRec::Size);
    const RecordFile otwet(dir.filePath("Otwet.dat"), OtwetRec::Size);
    const QStringList topics = {"7", " 7", "07", "7 ", "А", " А ", "", "70", "7"};
    std::vector<QByteArray> qs, as;
    for (int i = 0; i < topics.size(); ++i) {
        const QString w = QString::number(i + 1);
        qs.push_back(question(i == 7 ? "2" : "1", topics[i], "1", w, "1").encode());
        as.push_back(answer("1", topics[i], w, "1", "+").encode());
        as.push_back(answer(i == 7 ? "2" : "1", topics[i], w, "2", "").encode());
    }
    // A length byte beyond the field's capacity reads as the capacity: "7" and two zero bytes.
    QByteArray wide = question("1", "7", "2", "99", "3").encode();
    wide[3] = char(200);
    qs.push_back(wide);
    QByteArray wideAnswer = answer("1", "7", "99", "1", "+").encode();
    wideAnswer[3] = char(200);
    as.push_back(wideAnswer);
    wopros.rewriteRaw(qs);
    otwet.rewriteRaw(as);
    for (const RecordFile *f : {&wopros, &otwet}) { // a partial record at the end is not read
        QFile file(f->path());
        QVERIFY(file.open(QIODevice::Append));
        file.write(question("1", "7", "1", "5", "1").encode().left(f->recordSize() - 1));
    }

    RandomGen gen(99), same(99);
    const auto rows = ::topicQuestionRows(wopros, predm, tema, gen);
    QCOMPARE(rows, ::topicQuestionRows(wopros.readAll<WoprosRec>(), predm, tema, same));
    QCOMPARE(gen.state(), same.state());
    QCOMPARE(::topicAnswerRows(otwet, predm, tema), ::topicAnswerRows(otwet.readAll<OtwetRec>(), predm, tema));
    QByteArray records; // the topic's answers as they are in the file, chosen by their decoded codes
    for (const QByteArray &rec : otwet.readAllRaw()) {
        const OtwetRec a = OtwetRec::decode(rec);
        if (trimmed(a.Predm) == trimmed(predm) && trimmed(a.Tema) == trimmed(tema))
            records += rec;
    }
    QCOMPARE(::topicAnswerRecords(otwet, predm, tema), records);
    if (trimmed(tema) == u"7" && trimmed(predm) == u"1")
        QCOMPARE(rows.size(), size_t(5)); // "7", " 7", "7 ", the second "7" and the wide field

    const RecordFile missing(dir.filePath("none.dat"), WoprosRec::Size);
    QVERIFY(::topicQuestionRows(missing, predm, tema, gen).empty());
}

// A bank bigger than the reading buffer comes back whole and in order, and
// its partial last record is dropped.
void TestRun::largeFileReadWhole()
{
    QTemporaryDir dir;
    const RecordFile wopros(dir.filePath("Wopros.dat"), WoprosRec::Size);
    std::vector<WoprosRec> written;
    for (int i = 0; i < 3000; ++i)
        written.push_back(question("1", QString::number(i % 7), QString::number(i / 999), QString::number(i % 999),
                                   QString::number(i % 5)));
    wopros.rewrite(written);
    QFile file(wopros.path());
    QVERIFY(file.open(QIODevice::Append));
    file.write(written[0].encode().left(100));
    file.close();

    const auto read = wopros.readAll<WoprosRec>();
    QCOMPARE(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i)
        QVERIFY2(read[i].encode() == written[i].encode(), qPrintable(QString::number(i)));
    const auto topic = wopros.readWhere<WoprosRec>([](const QByteArray &rec) { return rec.at(4) == '3'; });
    QCOMPARE(topic.size(), size_t(3000 / 7 + 1));
    QCOMPARE(topic.back().Wopr, written[2999].Wopr);
}

void TestRun::cutToLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("kept");
    QTest::newRow("above") << 9 << 5;
    QTest::newRow("equal") << 5 << 5;
    QTest::newRow("below") << 3 << 3;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("negative") << -2 << 0;
}

void TestRun::cutToLimit()
{
    QFETCH(int, limit);
    QFETCH(int, kept);
    auto rows = keyedRows({"50", "40", "30", "20", "10"});
    ::cutToLimit(rows, limit);
    QCOMPARE(column(rows, idColumn), QStringList({"0", "1", "2", "3", "4"}).mid(0, kept));
}

void TestRun::pointsSum_data()
{
    QTest::addColumn<QStringList>("balls");
    QTest::addColumn<QString>("result"); // the sum, or the error text
    QTest::newRow("plain") << QStringList{"1", "2", "3"} << "6";
    QTest::newRow("empty adds nothing") << QStringList{"2", "", "3"} << "5";
    QTest::newRow("blanks only add nothing") << QStringList{"  ", "4"} << "4";
    QTest::newRow("blanks around") << QStringList{" 3", "2 "} << "5";
    QTest::newRow("no questions") << QStringList{} << "0";
    QTest::newRow("not a number") << QStringList{"1", "x"} << "'x' is not a valid integer value";
    QTest::newRow("fraction") << QStringList{"1.5"} << "'1.5' is not a valid integer value";
}

void TestRun::pointsSum()
{
    QFETCH(QStringList, balls);
    QFETCH(QString, result);
    std::vector<QStringList> rows;
    for (const QString &b : balls)
        rows.push_back({"1", "7", "1", "1", "text", "50", b, "у"});
    QString got;
    try {
        got = QString::number(::pointsSum(rows, 6));
    } catch (const TrivoError &e) {
        got = e.text();
    }
    QCOMPARE(got, result);
}

void TestRun::answerIndex()
{
    StringTable otw(7, 1);
    otw.setHeaders({"Predm", "Tema", "Test", "Wopr", "Otwe", "Kod_P", "Nazwan"});
    otw.setDataRows({
        {"1", "7", "1", "1", "1", "+", "a"},
        {" 1", "7 ", "1", " 2", "1", "+", "b"},
        {"1", "7", "1", "1", "2", "", "c"},
        {"1", "7", "12", "3", "1", "+", "d"}, // must not be mistaken for Test 1, Wopr 23
        {"1", "7", "1", "23", "1", "+", "e"},
        {"1", "7", "1", "01", "1", "+", "f"},
        {"1", "7", "1", "1", "3", "0", "g"},
    });
    AnswerIndex index;
    index.build(otw);
    QCOMPARE(index.rowsOf("1", "7", "1", "1"), (std::vector<int>{1, 3, 7}));
    QCOMPARE(index.rowsOf(" 1 ", "7", "1", "2 "), std::vector<int>{2});
    QCOMPARE(index.rowsOf("1", "7", "12", "3"), std::vector<int>{4});
    QCOMPARE(index.rowsOf("1", "7", "1", "23"), std::vector<int>{5});
    QCOMPARE(index.rowsOf("1", "7", "1", "01"), std::vector<int>{6});
    QVERIFY(index.rowsOf("1", "7", "1", "4").empty());
    QVERIFY(index.rowsOf("1", "07", "1", "1").empty());

    // A new table replaces the old index entirely.
    otw.setDataRows({{"2", "1", "1", "1", "1", "+", "x"}});
    index.build(otw);
    QVERIFY(index.rowsOf("1", "7", "1", "1").empty());
    QCOMPARE(index.rowsOf("2", "1", "1", "1"), std::vector<int>{1});
}

void TestRun::durationText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "0:00:00";
    QTest::newRow("seconds") << 59 << "0:00:59";
    QTest::newRow("minute") << 60 << "0:01:00";
    QTest::newRow("hour") << 3661 << "1:01:01";
    QTest::newRow("long") << 36000 + 59 * 60 + 59 << "10:59:59";
    QTest::newRow("past midnight") << 86400 + 5 << "24:00:05";
    QTest::newRow("negative") << -5 << "0:00:00";
}

void TestRun::durationText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(::durationText(seconds), text);
}

QTEST_GUILESS_MAIN(TestRun)
#include "test_run.moc"
