// The bank checker on small banks written here: a clean bank with a question
// of every answer type, and the same bank with one fault at a time.
#include "TestFiles.h"
#include "bankcheck.h"
#include "errors.h"
#include "records.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

namespace
{

using Rows = std::vector<QStringList>;

// The clean bank: one topic, five questions (ticks, exact answer, matching,
// classification, ranking), a picture and an explanation file.
std::map<QString, Rows> cleanBank()
{
    return {
        {"Predmet.dat", {{"1", "1", "Раздел"}}},
        {"Tema.dat", {{"1", "1", "Тема"}}},
        {"Wopros.dat",
         {{"1", "1", "1", "1", "Отметьте верные", "", "1", ""},
          {"1", "1", "1", "2", "Год? File#ex.txt#", "", "2", ""},
          {"1", "1", "1", "3", "Соотнесите", "", "1", ""},
          {"1", "1", "1", "4", "Разнесите по классам", "", "1", ""},
          {"1", "1", "1", "5", "Расположите по порядку", "", "3", ""}}},
        {"Otwet.dat",
         {{"1", "1", "1", "1", "1", "+", "верно"},
          {"1", "1", "1", "1", "2", "", "неверно"},
          {"1", "1", "1", "2", "1", "Ф", "988"},
          {"1", "1", "1", "3", "1", "-", "A"},
          {"1", "1", "1", "3", "2", "-", "B"},
          {"1", "1", "1", "3", "2", "+", "b"},
          {"1", "1", "1", "3", "1", "+", "a"},
          {"1", "1", "1", "4", "1", "-", "Класс 1"},
          {"1", "1", "1", "4", "2", "-", "Класс 2"},
          {"1", "1", "1", "4", "1", "+", "x"},
          {"1", "1", "1", "4", "2", "+", "y"},
          {"1", "1", "1", "4", "1", "+", "z"},
          {"1", "1", "1", "5", "2", "1", "второе"},
          {"1", "1", "1", "5", "1", "1", "первое"},
          {"1", "1", "1", "5", "3", "1", "третье"}}},
        {"Exam.dat", {{"1", "1", "Тема", "5", "2"}}},
    };
}

QByteArray encodeRow(const QString &file, const QStringList &f)
{
    if (file == u"Predmet.dat")
        return PredmetRec{f[0], f[1], f[2]}.encode();
    if (file == u"Tema.dat")
        return TemaRec{f[0], f[1], f[2]}.encode();
    if (file == u"Wopros.dat")
        return WoprosRec{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]}.encode();
    if (file == u"Otwet.dat")
        return OtwetRec{f[0], f[1], f[2], f[3], f[4], f[5], f[6]}.encode();
    return ExamRec{f[0], f[1], f[2], f[3], f[4]}.encode();
}

// Writes the clean bank with the patches applied. A patch is one of
//   {FILE, N, fields...}   record N (from 1) replaced, or appended for N = 0
//   {"Foto/NAME", TEXT}    a file of the Foto folder
//   {"link", PATH, TARGET} a symbolic link
//   {"tail", FILE, BYTES}  bytes after the last record
bool writeBank(const QString &folder, const QList<QStringList> &patches)
{
    std::map<QString, Rows> bank = cleanBank();
    QDir(folder).mkpath("Foto");
    bool ok = writeBytes(folder + "/Foto/1_1_1_1.gif", "GIF89a") && writeBytes(folder + "/Foto/ex.txt", "text");
    QList<QStringList> afterwards;
    for (const QStringList &p : patches) {
        if (bank.count(p[0]) == 0) {
            afterwards << p;
            continue;
        }
        const int n = p[1].toInt();
        if (n == 0)
            bank[p[0]].push_back(p.mid(2));
        else
            bank[p[0]][size_t(n - 1)] = p.mid(2);
    }
    for (const auto &[file, rows] : bank) {
        QByteArray bytes;
        for (const QStringList &r : rows)
            bytes += encodeRow(file, r);
        ok = ok && writeBytes(folder + '/' + file, bytes);
    }
    for (const QStringList &p : afterwards) {
        if (p[0] == u"link")
            ok = ok && QFile::link(p[2], folder + '/' + p[1]);
        else if (p[0] == u"tail")
            ok = ok && writeBytes(folder + '/' + p[1], readBytes(folder + '/' + p[1]) + p[2].toUtf8());
        else
            ok = ok && writeBytes(folder + '/' + p[0], p[1].toUtf8());
    }
    return ok;
}

QString allLines(const std::vector<BankFinding> &findings)
{
    QStringList lines;
    for (const BankFinding &f : findings)
        lines << findingLine(f);
    return lines.join('\n');
}

} // namespace

class TestBankCheck : public QObject
{
    Q_OBJECT
private slots:
    void cleanBankHasNoFindings();
    void oneFaultOneFinding_data();
    void oneFaultOneFinding();
    void unreadableFolders_data();
    void unreadableFolders();
};

void TestBankCheck::cleanBankHasNoFindings()
{
    QTemporaryDir dir;
    QVERIFY(writeBank(dir.path(), {}));
    const auto findings = checkBank(dir.path());
    QVERIFY2(findings.empty(), qPrintable(allLines(findings)));
    // A bank the program has just made: empty files, no Exam.dat yet.
    QTemporaryDir fresh;
    for (const char *name : {"Predmet.dat", "Tema.dat", "Wopros.dat", "Otwet.dat"})
        QVERIFY(writeBytes(fresh.filePath(name), {}));
    QVERIFY(checkBank(fresh.path()).empty());
}

void TestBankCheck::oneFaultOneFinding_data()
{
    QTest::addColumn<QList<QStringList>>("patches");
    QTest::addColumn<QString>("line"); // the first finding, up to the part of its message that matters
    QTest::addColumn<int>("count");

    QTest::newRow("option of no question")
        << QList<QStringList>{{"Otwet.dat", "0", "1", "1", "1", "9", "1", "+", "ничей"}}
        << "Otwet.dat:16: 1_1_1_9: вариант ответа не относится ни к одному вопросу" << 1;
    QTest::newRow("option whose question number has a leading zero")
        << QList<QStringList>{{"Otwet.dat", "0", "1", "1", "1", "01", "1", "+", "ничей"}}
        << "Otwet.dat:16: 1_1_1_01: вариант ответа не относится ни к одному вопросу; в Wopros.dat есть вопрос "
           "1_1_1_1 (строка 1)"
        << 1;
    QTest::newRow("question without options")
        << QList<QStringList>{{"Wopros.dat", "0", "1", "1", "1", "6", "?", "", "1", ""}}
        << "Wopros.dat:6: 1_1_1_6: у вопроса нет ни одного варианта ответа" << 1;
    QTest::newRow("ticks without a right option")
        << QList<QStringList>{{"Otwet.dat", "1", "1", "1", "1", "1", "1", "", "верно"}}
        << "Wopros.dat:1: 1_1_1_1: нет ни одного верного варианта" << 1;
    QTest::newRow("matching label that pairs nothing")
        << QList<QStringList>{{"Otwet.dat", "6", "1", "1", "1", "3", "3", "+", "b"}}
        << "Wopros.dat:3: 1_1_1_3: соответствие не составить: метки правого столбца «3» не совпадают с метками "
           "левого «2»"
        << 1;
    QTest::newRow("matching labels differing by a blank")
        << QList<QStringList>{{"Otwet.dat", "6", "1", "1", "1", "3", " 2", "+", "b"}}
        << "Wopros.dat:3: 1_1_1_3: соответствие не составить: метки правого столбца « 2»" << 1;
    QTest::newRow("classification naming no class")
        << QList<QStringList>{{"Otwet.dat", "12", "1", "1", "1", "4", "3", "+", "z"}}
        << "Wopros.dat:4: 1_1_1_4: объекты отнесены к классам «3», которых нет среди классов «1», «2»" << 1;
    QTest::newRow("columns of a matching not equal")
        << QList<QStringList>{{"Otwet.dat", "12", "1", "1", "1", "4", "3", "-", "Класс 3"}}
        << "Wopros.dat:4: 1_1_1_4: классов 3, а объектов 2" << 1;
    QTest::newRow("ranking with a place repeated")
        << QList<QStringList>{{"Otwet.dat", "14", "1", "1", "1", "5", "2", "1", "первое"}}
        << "Wopros.dat:5: 1_1_1_5: места вариантов «2», «2», «3» не образуют ряд от 1 до 3; повторены «2»; нет "
           "мест «1»"
        << 1;
    QTest::newRow("ranking option without its code")
        << QList<QStringList>{{"Otwet.dat", "13", "1", "1", "1", "5", "2", "", "второе"}}
        << "Wopros.dat:5: 1_1_1_5: варианты с кодами «» не подходят к типу «Ранжирование»" << 1;
    QTest::newRow("exact answer with two Ф options")
        << QList<QStringList>{{"Otwet.dat", "0", "1", "1", "1", "2", "1", "Ф", "989"}}
        << "Wopros.dat:2: 1_1_1_2: вариантов с кодом «Ф» 2" << 1;
    QTest::newRow("exact answer taken from a first option that is no answer")
        << QList<QStringList>{{"Otwet.dat", "3", "1", "1", "1", "2", "1", "+", "988"},
                              {"Otwet.dat", "0", "1", "1", "1", "2", "1", "Ф", "988"}}
        << "Wopros.dat:2: 1_1_1_2: варианты с кодами «+» не подходят к типу «Точный ответ»" << 2;
    QTest::newRow("topic codes 1 and 01")
        << QList<QStringList>{{"Tema.dat", "0", "1", "01", "Ещё тема"},
                              {"Wopros.dat", "0", "1", "01", "1", "8", "?", "", "1", ""},
                              {"Otwet.dat", "0", "1", "01", "1", "8", "1", "Ф", "да"}}
        << "Tema.dat:2: 1_01: коды отличаются от кодов 1_1 в строке 1 только пробелами или ведущими нулями" << 1;
    QTest::newRow("question of a topic that differs by a leading zero")
        << QList<QStringList>{{"Wopros.dat", "0", "1", "01", "1", "7", "?", "", "1", ""},
                              {"Otwet.dat", "0", "1", "01", "1", "7", "1", "Ф", "да"}}
        << "Wopros.dat:6: 1_01_1_7: вопрос не относится ни к одной теме: в прогоне темы его не задают; в Tema.dat "
           "есть тема 1_1 (строка 1)"
        << 1;
    // What a careless import or edit leaves: nothing to choose from, nothing to pair, an empty row to tick.
    QTest::newRow("ticks with one option")
        << QList<QStringList>{{"Wopros.dat", "0", "1", "1", "1", "6", "Одно?", "", "1", ""},
                              {"Otwet.dat", "0", "1", "1", "1", "6", "1", "+", "да"}}
        << "Wopros.dat:6: 1_1_1_6: вариант ответа всего один" << 1;
    QTest::newRow("right option without text")
        << QList<QStringList>{{"Otwet.dat", "1", "1", "1", "1", "1", "1", "+", "  "}}
        << "Wopros.dat:1: 1_1_1_1: у верного варианта «1» нет текста" << 1;
    QTest::newRow("matching of one pair")
        << QList<QStringList>{{"Wopros.dat", "0", "1", "1", "1", "6", "Пара", "", "1", ""},
                              {"Otwet.dat", "0", "1", "1", "1", "6", "1", "-", "A"},
                              {"Otwet.dat", "0", "1", "1", "1", "6", "1", "+", "a"}}
        << "Wopros.dat:6: 1_1_1_6: пара всего одна" << 1;
    QTest::newRow("topic without questions") << QList<QStringList>{{"Tema.dat", "0", "1", "2", "Пустая"}}
                                             << "Tema.dat:2: 1_2: в теме нет ни одного вопроса" << 1;
    QTest::newRow("question key taken twice, once with blanks")
        << QList<QStringList>{{"Wopros.dat", "0", " 1", "1 ", "1", "1", "Снова", "", "1", ""}}
        << "Wopros.dat:6: 1_1_1_1: ключ занят дважды: вопрос с теми же кодами уже есть в строке 1" << 1;
    QTest::newRow("section key taken twice")
        << QList<QStringList>{{"Predmet.dat", "0", "1", "1", "Снова"}}
        << "Predmet.dat:2: 1_1: ключ занят дважды: раздел с теми же кодами уже есть в строке 1" << 1;
    QTest::newRow("points that are no number")
        << QList<QStringList>{{"Wopros.dat", "1", "1", "1", "1", "1", "Отметьте", "", "1a", ""}}
        << "Wopros.dat:1: 1_1_1_1: Ball «1a» — не целое число" << 1;
    QTest::newRow("points left empty") << QList<QStringList>{{"Wopros.dat", "1", "1", "1", "1", "1", "Отметьте", "", "",
                                                              ""}}
                                       << "Wopros.dat:1: 1_1_1_1: Ball «» — не целое число" << 1;
    QTest::newRow("exam row naming no topic") << QList<QStringList>{{"Exam.dat", "0", "1", "9", "Нет", "5", "1"}}
                                              << "Exam.dat:2: 1_9: строка экзамена не называет ни одной темы" << 1;
    QTest::newRow("exam asking more than the topic holds")
        << QList<QStringList>{{"Exam.dat", "1", "1", "1", "Тема", "5", "6"}}
        << "Exam.dat:1: 1_1: экзамен просит из темы больше вопросов, чем в ней есть: Nado 6, вопросов в теме 5" << 1;
    QTest::newRow("exam drawing from more positions than questions")
        << QList<QStringList>{{"Exam.dat", "1", "1", "1", "Тема", "9", "2"}}
        << "Exam.dat:1: 1_1: Woprosov 9 больше числа вопросов темы (5)" << 1;
    QTest::newRow("exam count that is no number") << QList<QStringList>{{"Exam.dat", "1", "1", "1", "Тема", "5", "два"}}
                                                  << "Exam.dat:1: 1_1: Nado «два» — не целое число" << 1;
    QTest::newRow("same topic twice in the exam") << QList<QStringList>{{"Exam.dat", "0", "1", "1", "Тема", "5", "1"}}
                                                  << "Exam.dat:2: 1_1: ключ занят дважды" << 1;
    QTest::newRow("explanation file missing")
        << QList<QStringList>{{"Wopros.dat", "2", "1", "1", "1", "2", "Год? File#nofile.txt#", "", "2", ""}}
        << "Wopros.dat:2: 1_1_1_2: нет файла пояснений Foto/nofile.txt" << 1;
    QTest::newRow("explanation outside Foto")
        << QList<QStringList>{{"Wopros.dat", "2", "1", "1", "1", "2", "Год? File#../Tema.dat#", "", "2", ""}}
        << "Wopros.dat:2: 1_1_1_2: файл пояснений «../Tema.dat» лежит вне папки Foto" << 1;
    QTest::newRow("explanation through a link out of Foto")
        << QList<QStringList>{{"Wopros.dat", "2", "1", "1", "1", "2", "Год? File#in.txt#", "", "2", ""},
                              {"link", "Foto/in.txt", "../Tema.dat"}}
        << "Wopros.dat:2: 1_1_1_2: файл пояснений «in.txt» лежит вне папки Foto" << 1;
    QTest::newRow("explanation reference never closed")
        << QList<QStringList>{{"Wopros.dat", "2", "1", "1", "1", "2", "Год? File#averyveryverylongname.txt#", "", "2",
                               ""}}
        << "Wopros.dat:2: 1_1_1_2: ссылка «File#» не называет файла" << 1;
    QTest::newRow("explanation that would run a program")
        << QList<QStringList>{{"Wopros.dat", "2", "1", "1", "1", "2", "Год? File#go.sh#", "", "2", ""},
                              {"Foto/go.sh", "echo"}}
        << "Wopros.dat:2: 1_1_1_2: файл пояснений «go.sh» не откроют" << 1;
    QTest::newRow("picture spoken of but missing")
        << QList<QStringList>{{"Wopros.dat", "3", "1", "1", "1", "3", "Соотнесите по рисунку", "", "1", ""}}
        << "Wopros.dat:3: 1_1_1_3: в тексте вопроса говорится о рисунке, а файла Foto/1_1_1_3.gif нет" << 1;
    QTest::newRow("picture through a link out of Foto")
        << QList<QStringList>{{"link", "Foto/1_1_1_3.gif", "../Tema.dat"}}
        << "Wopros.dat:3: 1_1_1_3: рисунок 1_1_1_3.gif лежит вне папки Foto" << 1;
    QTest::newRow("picture of no question") << QList<QStringList>{{"Foto/1_1_1_9.gif", "GIF89a"}}
                                            << "Foto:0: 1_1_1_9: рисунок не относится ни к одному вопросу" << 1;
    QTest::newRow("picture named in capitals") << QList<QStringList>{{"Foto/1_1_1_2.GIF", "GIF89a"}}
                                               << "Foto:0: 1_1_1_2: имя рисунка «1_1_1_2.GIF» отличается" << 1;
    QTest::newRow("cut last record") << QList<QStringList>{{"tail", "Wopros.dat", "1234"}}
                                     << "Wopros.dat:6: лишние байты в конце файла (4)" << 1;
}

void TestBankCheck::oneFaultOneFinding()
{
    QFETCH(QList<QStringList>, patches);
    QFETCH(QString, line);
    QFETCH(int, count);
    QTemporaryDir dir;
    QVERIFY(writeBank(dir.path(), patches));
    const auto findings = checkBank(dir.path());
    QVERIFY2(int(findings.size()) == count, qPrintable(allLines(findings)));
    QVERIFY2(findingLine(findings.front()).startsWith(line), qPrintable(allLines(findings)));
}

void TestBankCheck::unreadableFolders_data()
{
    QTest::addColumn<QString>("make"); // what stands at the checked path
    QTest::newRow("nothing") << "";
    QTest::newRow("a file") << "file";
    QTest::newRow("a folder without bank files") << "empty";
    QTest::newRow("a bank file that is a folder") << "dir";
}

void TestBankCheck::unreadableFolders()
{
    QFETCH(QString, make);
    QTemporaryDir dir;
    const QString path = dir.filePath("Bank");
    if (make == u"file")
        QVERIFY(writeBytes(path, "x"));
    else if (make == u"empty")
        QVERIFY(QDir().mkpath(path + "/Foto"));
    else if (make == u"dir")
        QVERIFY(writeBank(path, {}) && QFile::remove(path + "/Wopros.dat") && QDir().mkpath(path + "/Wopros.dat"));
    QVERIFY_THROWS_EXCEPTION(TrivoError, checkBank(path));
}

QTEST_GUILESS_MAIN(TestBankCheck)
#include "test_bankcheck.moc"
