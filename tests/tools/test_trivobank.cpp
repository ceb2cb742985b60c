// trivo-bank dump, run as the authors run it, on files written here byte by byte.
#include "RunTool.h"
#include "TestFiles.h"
#include "bank.h"

// The typed record readers of the program: a large dump is checked against
// them record by record.
#include "records.h"
#include "text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

namespace
{

QByteArray cp1251(const QString &s)
{
    QStringEncoder enc("windows-1251");
    return enc.encode(s);
}

// A length-prefixed field; `length` may claim more than the bytes given.
void put(QByteArray &rec, int offset, const QByteArray &text, int length = -1)
{
    rec[offset] = char(length < 0 ? text.size() : length);
    rec.replace(offset + 1, text.size(), text);
}

void putInt32(QByteArray &rec, int offset, qint32 v)
{
    for (int i = 0; i < 4; ++i)
        rec[offset + i] = char((quint32(v) >> (8 * i)) & 0xFF);
}

ToolRun dump(const QString &path)
{
    return runTrivoBank({QStringLiteral("dump"), path});
}

} // namespace

class TestTrivoBank : public QObject
{
    Q_OBJECT
private slots:
    void dumpsRecords_data();
    void dumpsRecords();
    void badFilesAreOneLineErrors_data();
    void badFilesAreOneLineErrors();
    void largeFileMatchesTypedReaders_data();
    void largeFileMatchesTypedReaders();
    void outputThatCannotBeWrittenIsAnError();
    void interchangeExitCodes_data();
    void interchangeExitCodes();
    void importsAndExportsATopic();
    void checkExitCodesAndJson_data();
    void checkExitCodesAndJson();
};

void TestTrivoBank::dumpsRecords_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    {
        QByteArray a(128, '\0'), b(128, 'x');
        put(a, 0, "1");
        put(a, 3, " 7");
        put(a, 7, cp1251(QStringLiteral("История ")));
        put(b, 0, "12");
        put(b, 3, "100");
        b[7] = char(255); // claims more than the name's 120 characters
        const QByteArray partial(60, 'p');
        QTest::newRow("Tema.dat") << "Tema.dat" << a + b + partial
                                  << QStringLiteral("1\t 7\tИстория \n12\t100\t") + QString(120, u'x') + "\n";
    }
    {
        QByteArray d(48, '\xAA'); // reserved bytes not zero: they must not show
        put(d, 0, "01");
        d.replace(8, 8, QByteArray("\x00\x00\x00\x00\x80\x1D\xE6\x40", 8)); // 45292.0 = 2024-01-01
        put(d, 16, cp1251(QStringLiteral("Администратор")));
        put(d, 37, "470259");
        put(d, 44, "Z");
        QByteArray e(48, '\0');
        put(e, 0, "02");
        e.replace(8, 8, QByteArray("\x00\x00\x00\x00\x20\xDD\xE1\x40", 8)); // 36585.0 = 2000-02-29
        put(e, 16, " ");
        QTest::newRow("Dostup.dat") << "Dostup.dat" << d + e
                                    << QStringLiteral("01\t2024-01-01\tАдминистратор\t470259\tZ\n"
                                                      "02\t2000-02-29\t \t\t\n");
    }
    {
        QByteArray p(76, '\0');
        putInt32(p, 0, 1);
        put(p, 4, cp1251(QStringLiteral("История")));
        put(p, 55, "Istoria");
        putInt32(p, 64, 3);
        putInt32(p, 68, -2);
        putInt32(p, 72, 100000);
        QTest::newRow("Papka.dat") << "Papka.dat" << p << QStringLiteral("1\tИстория\tIstoria\t3\t-2\t100000\n");
    }
    {
        QByteArray w(236, '\0');
        put(w, 0, "1");
        put(w, 3, "2");
        put(w, 7, "3");
        put(w, 10, "4");
        put(w, 14, "Q?");
        put(w, 225, "5");
        put(w, 230, "10");
        put(w, 233, "");
        QTest::newRow("Temp.dat in the question layout") << "Temp.dat" << w << "1\t2\t3\t4\tQ?\t5\t10\t\n";
    }
    QTest::newRow("empty Otwet.dat") << "Otwet.dat" << QByteArray() << "";
}

void TestTrivoBank::dumpsRecords()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile f(dir.filePath(fileName));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    const ToolRun r = dump(f.fileName());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), expected);
}

void TestTrivoBank::badFilesAreOneLineErrors_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("make"); // "", "file" or "folder"
    QTest::newRow("missing Tema.dat") << "Tema.dat"
                                      << "";
    QTest::newRow("unknown name") << "Notes.dat"
                                  << "file";
    QTest::newRow("folder named Exam.dat") << "Exam.dat"
                                           << "folder";
}

void TestTrivoBank::badFilesAreOneLineErrors()
{
    QFETCH(QString, fileName);
    QFETCH(QString, make);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (make == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(fileName));
    } else if (make == u"file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(128, '\0'));
    }
    const ToolRun r = dump(path);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.err.endsWith('\n'));
    QVERIFY2(r.err.contains(fileName.toUtf8()), r.err.constData());
}

namespace
{

QByteArray lineOf(const OtwetRec &r)
{
    return QStringList{r.Predm, r.Tema, r.Test, r.Wopr, r.Otwe, r.Kod_P, r.Nazwan}.join(u'\t').toUtf8() + '\n';
}

QByteArray lineOf(const PapkaRec &r)
{
    return QStringList{
               QString::number(r.Nomer),  r.Nazwan, r.Papka, QString::number(r.Tem), QString::number(r.Woprosov),
               QString::number(r.Otwetov)}
               .join(u'\t')
               .toUtf8() +
           '\n';
}

// What the typed reader R makes of every whole record of `content`, one dump line each.
template <class R> QByteArray typedLines(const QByteArray &content)
{
    QByteArray out;
    for (qsizetype at = 0; at + R::Size <= content.size(); at += R::Size)
        out += lineOf(R::decode(content.mid(at, R::Size)));
    return out;
}

} // namespace

// Records of random bytes: every byte value in every field, length bytes over
// the capacity, and a partial record at the end; more output than one chunk
// of the tool's buffer.
void TestTrivoBank::largeFileMatchesTypedReaders_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("expected");
    QRandomGenerator random(20240101);
    const auto bytes = [&](qsizetype n) {
        QByteArray b(n, Qt::Uninitialized);
        for (char &c : b)
            c = char(random.bounded(256));
        return b;
    };
    const QByteArray otwet = bytes(20000 * OtwetRec::Size + 99);
    QTest::newRow("Otwet.dat") << "Otwet.dat" << otwet << typedLines<OtwetRec>(otwet);
    const QByteArray papka = bytes(20000 * PapkaRec::Size + 1);
    QTest::newRow("Papka.dat") << "Papka.dat" << papka << typedLines<PapkaRec>(papka);
}

void TestTrivoBank::largeFileMatchesTypedReaders()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QFile f(dir.filePath(fileName));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
    f.close();
    const ToolRun r = dump(f.fileName());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n') >= 20000, true);
    if (r.out != expected) {
        qsizetype at = 0;
        while (at < r.out.size() && at < expected.size() && r.out[at] == expected[at])
            ++at;
        QFAIL(qPrintable(QStringLiteral("the output differs from byte %1 on").arg(at)));
    }
}

// A dump to a full disk must not look like a finished one.
void TestTrivoBank::outputThatCannotBeWrittenIsAnError()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("Tema.dat")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QByteArray rec(128, '\0');
    put(rec, 0, "1");
    f.write(rec.repeated(10));
    f.close();
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(TRIVO_BANK), {QStringLiteral("dump"), f.fileName()});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains("Tema.dat"), err.constData());
}

// ---- import and export of other testing systems' files ----

namespace
{

// The bytes of a subject folder's five files.
QByteArray bankBytes(const QString &folder)
{
    const BankFiles bank(folder);
    QByteArray all;
    for (const RecordFile *f : {&bank.tema, &bank.wopros, &bank.otwet, &bank.exam, &bank.predmet})
        all += readBytes(f->path()) + '|';
    return all;
}

// A subject folder of subject 3: topic 7 without questions, then topic 1 with one, and its exam row.
void smallBank(const QString &folder)
{
    const BankFiles bank(folder);
    bank.tema.rewrite(std::vector<TemaRec>{{"3", "7", "Пустая тема"}, {"3", "1", "Старая тема"}});
    bank.wopros.rewrite(std::vector<WoprosRec>{{"3", "1", "1", "1", "Старый вопрос", "", "1", ""}});
    bank.otwet.rewrite(std::vector<OtwetRec>{{"3", "1", "1", "1", "1", "Ф", "да"}});
    bank.exam.rewrite(std::vector<ExamRec>{{"3", "1", "Старая тема", "1", "1"}});
    bank.predmet.rewrite(std::vector<PredmetRec>{});
}

} // namespace

void TestTrivoBank::interchangeExitCodes_data()
{
    QTest::addColumn<QStringList>("args"); // %D the bank folder, %F the question file
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    const QByteArray ok = "Да? {=да}\n\nОпишите. {}\n";
    QTest::newRow("import with a note") << QStringList{"import", "gift", "%F", "%D"} << ok << 0
                                        << "не перенесено: вопрос 2 «Опишите.»: эссе";
    QTest::newRow("malformed file") << QStringList{"import", "gift", "%F", "%D"} << QByteArray("Да? {=да\n") << 1
                                    << "строка 1: нет закрывающей";
    QTest::newRow("nothing to carry over")
        << QStringList{"import", "aiken", "%F", "%D"} << QByteArray("\n") << 1 << "нет ни одного вопроса";
    QTest::newRow("unknown format") << QStringList{"import", "csv", "%F", "%D"} << ok << 1 << "формат «csv»";
    QTest::newRow("missing file") << QStringList{"import", "xml", "%D/нет.xml", "%D"} << ok << 1
                                  << "Не удалось прочитать";
    QTest::newRow("missing folder") << QStringList{"import", "gift", "%F", "%D/нет"} << ok << 1 << "Нет папки";
    QTest::newRow("arguments missing") << QStringList{"import", "gift", "%F"} << ok << 2 << "usage";
    QTest::newRow("unknown topic") << QStringList{"export", "xml", "%D", "9", "%D/out.xml"} << ok << 1
                                   << "нет темы с кодом «9»";
    QTest::newRow("nothing to write") << QStringList{"export", "gift", "%D", "7", "%D/out.gift"} << ok << 1
                                      << "в теме 7 нет ни одного вопроса";
    QTest::newRow("aiken is not written")
        << QStringList{"export", "aiken", "%D", "1", "%D/out.txt"} << ok << 1 << "gift или xml";
}

void TestTrivoBank::interchangeExitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QTemporaryDir dir;
    const QString folder = dir.filePath("Bank");
    QVERIFY(QDir(dir.path()).mkdir("Bank"));
    smallBank(folder);
    const QByteArray before = bankBytes(folder);
    QVERIFY(writeBytes(dir.filePath("in.txt"), file));
    for (QString &a : args)
        a.replace("%D", folder).replace("%F", dir.filePath("in.txt"));
    const ToolRun r = runTrivoBank(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(r.err).contains(err), r.err.constData());
    if (exitCode != 0) {
        // A failure leaves every bank file as it was.
        QVERIFY(bankBytes(folder) == before);
        QVERIFY(QDir(folder).entryList({"out.*"}).isEmpty());
        QCOMPARE(r.out, QByteArray());
    }
}

void TestTrivoBank::importsAndExportsATopic()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    smallBank(folder);
    QVERIFY(writeBytes(dir.filePath("q.xml"), QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="category"><category><text>$course$/top/Оптика</text></category></question>
  <question type="shortanswer"><questiontext format="html"><text>Цвет неба?</text></questiontext>
    <defaultgrade>2</defaultgrade><usecase>1</usecase><answer fraction="100"><text>синий</text></answer>
  </question>
  <question type="essay"><questiontext format="html"><text>Почему?</text></questiontext></question>
  <question type="multichoice"><questiontext format="html"><text>Линзы</text></questiontext>
    <single>false</single><answer fraction="50"><text>выпуклая</text></answer>
    <answer fraction="50"><text>вогнутая</text></answer><answer fraction="-100"><text>квадратная</text></answer>
  </question>
</quiz>)")
                                                  .toUtf8()));
    ToolRun r = runTrivoBank({"import", "xml", dir.filePath("q.xml"), folder});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("Добавлена тема 2 «Оптика»: вопросов 2, вариантов ответа 4\n"));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(QString::fromUtf8(r.err).contains("«essay»"), r.err.constData());

    const BankFiles bank(folder);
    const auto topics = bank.tema.readAll<TemaRec>();
    QCOMPARE(topics.size(), size_t(3));
    QCOMPARE(QStringList({topics[2].Predm, topics[2].Tema, topics[2].Nazwan}), QStringList({"3", "2", "Оптика"}));
    const auto questions = bank.wopros.readAll<WoprosRec>();
    QCOMPARE(questions.size(), size_t(3));
    QCOMPARE(QStringList({questions[1].Tema, questions[1].Wopr, questions[1].Nazwan, questions[1].Ball}),
             QStringList({"2", "1", "Цвет неба?", "2"}));
    const auto options = bank.otwet.readAll<OtwetRec>();
    QCOMPARE(options.size(), size_t(5));
    QCOMPARE(QStringList({options[1].Wopr, options[1].Otwe, options[1].Kod_P, options[1].Nazwan}),
             QStringList({"1", "1", "Ф", "синий"}));
    QCOMPARE(QStringList({options[4].Wopr, options[4].Otwe, options[4].Kod_P}), QStringList({"2", "в", ""}));
    const auto exam = bank.exam.readAll<ExamRec>();
    QCOMPARE(exam.size(), size_t(2));
    QCOMPARE(QStringList({exam[1].Tema, exam[1].Nazwan, exam[1].Woprosov, exam[1].Nado}),
             QStringList({"2", "Оптика", "2", "1"}));

    r = runTrivoBank({"export", "gift", folder, "2", dir.filePath("out.gift")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
    const QString gift = QString::fromUtf8(readBytes(dir.filePath("out.gift")));
    QVERIFY(gift.contains("$CATEGORY: $course$/top/Оптика\n"));
    QVERIFY(gift.contains("// Баллы: 2\nЦвет неба? {=синий}"));
    QVERIFY(gift.contains("\t~%50%выпуклая\n\t~%50%вогнутая\n\t~%-100%квадратная\n}"));
}

void TestTrivoBank::checkExitCodesAndJson_data()
{
    QTest::addColumn<QString>("bank");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("clean") << "clean" << 0 << QStringList();
    QTest::newRow("an option of no question")
        << "faulty" << 1
        << QStringList{"Otwet.dat:2: 1_1_1_9: вариант ответа не относится ни к одному вопросу",
                       "Exam.dat:1: 1_1: экзамен просит из темы больше вопросов, чем в ней есть: Nado 2, вопросов в "
                       "теме 1"};
    QTest::newRow("no such folder") << "missing" << 2 << QStringList();
}

void TestTrivoBank::checkExitCodesAndJson()
{
    QFETCH(QString, bank);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString folder = dir.filePath("Bank");
    if (bank != u"missing") {
        QVERIFY(QDir().mkpath(folder));
        QByteArray otwet = OtwetRec{"1", "1", "1", "1", "1", "Ф", "да"}.encode();
        QByteArray exam = ExamRec{"1", "1", "Тема", "1", "1"}.encode();
        if (bank == u"faulty") {
            otwet += OtwetRec{"1", "1", "1", "9", "1", "+", "ничей"}.encode();
            exam = ExamRec{"1", "1", "Тема", "1", "2"}.encode();
        }
        QVERIFY(writeBytes(folder + "/Tema.dat", TemaRec{"1", "1", "Тема"}.encode()));
        QVERIFY(writeBytes(folder + "/Wopros.dat", WoprosRec{"1", "1", "1", "1", "Год?", "", "1", ""}.encode()));
        QVERIFY(writeBytes(folder + "/Otwet.dat", otwet));
        QVERIFY(writeBytes(folder + "/Exam.dat", exam));
    }

    const ToolRun plain = runTrivoBank({"check", folder});
    QCOMPARE(plain.exitCode, exitCode);
    QCOMPARE(QString::fromUtf8(plain.out), lines.isEmpty() ? QString() : lines.join('\n') + '\n');
    QCOMPARE(plain.err.isEmpty(), exitCode != 2);

    // The same findings as JSON objects, in the same order.
    const ToolRun json = runTrivoBank({"check", "--json", folder});
    QCOMPARE(json.exitCode, exitCode);
    if (exitCode == 2) {
        QVERIFY(json.out.isEmpty());
        return;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(json.out);
    QVERIFY(doc.isArray());
    QStringList fromJson;
    for (const QJsonValue &v : doc.array()) {
        const QJsonObject o = v.toObject();
        QCOMPARE(o.keys(), QStringList({"file", "key", "message", "record"}));
        QVERIFY(o["record"].isDouble());
        fromJson << QStringLiteral("%1:%2: %3: %4")
                        .arg(o["file"].toString())
                        .arg(o["record"].toInt())
                        .arg(o["key"].toString(), o["message"].toString());
    }
    QCOMPARE(fromJson, lines);
}

QTEST_GUILESS_MAIN(TestTrivoBank)
#include "test_trivobank.moc"
