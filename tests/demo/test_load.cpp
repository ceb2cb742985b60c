// trivo-bank load: what dump prints, load writes back byte for byte, and a bad
// line leaves the target file as it was.
#include "RunTool.h"
#include "access.h"
#include "recordfile.h"

#include "TestFiles.h"

#include <QtTest>

namespace
{

} // namespace

class TestLoad : public QObject
{
    Q_OBJECT
private slots:
    void reproducesDumpedFiles_data();
    void reproducesDumpedFiles();
    void windowsLineEnds();
    void badLineChangesNothing_data();
    void badLineChangesNothing();
};

void TestLoad::reproducesDumpedFiles_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("viaStdin");

    QTest::newRow("demo Wopros.dat") << "Wopros.dat" << readBytes(QStringLiteral(DIST_DIR "/Istoriy/Wopros.dat"))
                                     << false;

    QTemporaryDir dir;
    const RecordFile dostup(dir.filePath(QStringLiteral("Dostup.dat")), DostupRec::Size);
    auto users = defaultUsers(QDate(2024, 2, 29));
    users.push_back({QStringLiteral(" 7"), dayNumberOf(QDate(1899, 12, 30)), QStringLiteral("Ёлкина-Щукина Т."),
                     QStringLiteral("000000"), QString()});
    users.push_back({QStringLiteral("08"), dayNumberOf(QDate(1, 1, 1)), QString(), QString(), QString()});
    users.push_back({QStringLiteral("09"), dayNumberOf(QDate(9999, 12, 31)), QString(), QString(), QString()});
    dostup.rewrite(users);
    QTest::newRow("Dostup.dat through standard input") << "Dostup.dat" << readBytes(dostup.path()) << true;

    const RecordFile papka(dir.filePath(QStringLiteral("Papka.dat")), PapkaRec::Size);
    papka.rewrite(std::vector<PapkaRec>{{-1, QStringLiteral("История"), QStringLiteral("Istoriy"), 52, 2562, 9600},
                                        {2147483647, QString(), QString(), -2147483647 - 1, 0, 0}});
    QTest::newRow("Papka.dat, extreme numbers") << "Papka.dat" << readBytes(papka.path()) << false;
}

void TestLoad::reproducesDumpedFiles()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(bool, viaStdin);
    QVERIFY(!content.isEmpty() && !content.startsWith("<missing>"));

    QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("in/") + fileName);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("in")));
    QVERIFY(writeBytes(original, content));
    const ToolRun dumped = runTrivoBank({QStringLiteral("dump"), original});
    QCOMPARE(dumped.exitCode, 0);

    const QString copy = dir.filePath(fileName);
    ToolRun loaded;
    if (viaStdin) {
        loaded = runTrivoBank({QStringLiteral("load"), copy}, dumped.out);
    } else {
        const QString source = dir.filePath(QStringLiteral("records.tsv"));
        QVERIFY(writeBytes(source, dumped.out));
        loaded = runTrivoBank({QStringLiteral("load"), copy, source});
    }
    QCOMPARE(loaded.err, QByteArray());
    QCOMPARE(loaded.exitCode, 0);
    QCOMPARE(readBytes(copy), content);
}

void TestLoad::windowsLineEnds()
{
    QTemporaryDir dir;
    const QString lfLoaded = dir.filePath(QStringLiteral("a/Tema.dat")),
                  crlfLoaded = dir.filePath(QStringLiteral("Tema.dat"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("a")));
    QCOMPARE(runTrivoBank({QStringLiteral("load"), lfLoaded, QStringLiteral("-")}, "1\t1\tРусь\n1\t2\t\n").exitCode, 0);
    QCOMPARE(runTrivoBank({QStringLiteral("load"), crlfLoaded}, "1\t1\tРусь\r\n1\t2\t\r\n").exitCode, 0);
    QCOMPARE(readBytes(crlfLoaded), readBytes(lfLoaded));
    QCOMPARE(readBytes(lfLoaded).size(), 2 * 128);
}

void TestLoad::badLineChangesNothing_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<int>("badLine");

    QTest::newRow("too few fields") << "Tema.dat" << QByteArray("1\t1\tРусь\n1\t2\n") << 2;
    QTest::newRow("a tab too many") << "Tema.dat" << QByteArray("1\t1\tРусь\t\n") << 1;
    QTest::newRow("empty line inside") << "Tema.dat" << QByteArray("1\t1\tРусь\n\n1\t2\tXX век\n") << 2;
    QTest::newRow("count is no number") << "Papka.dat"
                                        << QByteArray("1\tИстория\tIstoriy\t3\t4\t5\n"
                                                      "2\tФизика\tFizika\t3x\t4\t5\n")
                                        << 2;
    QTest::newRow("number beyond 32 bits") << "Papka.dat" << QByteArray("4294967296\tИстория\tIstoriy\t0\t0\t0\n") << 1;
    QTest::newRow("no such day") << "Dostup.dat" << QByteArray("01\t2024-02-30\tА\t470259\tZ\n") << 1;
    // Days the program could count but dump could not print back.
    QTest::newRow("day after 31.12.9999") << "Dostup.dat"
                                          << QByteArray("01\t9999-12-31\tА\t470259\tZ\n"
                                                        "02\t4222223\tБ\t318642\tW\n")
                                          << 2;
    QTest::newRow("day before 01.01.0001") << "Dostup.dat" << QByteArray("01\t-700000\tА\t470259\tZ\n") << 1;
}

void TestLoad::badLineChangesNothing()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, lines);
    QFETCH(int, badLine);

    QTemporaryDir dir;
    const QString existing = dir.filePath(fileName);
    const QByteArray before(3 * fileKindOf(fileName).recordSize, '\x11');
    QVERIFY(writeBytes(existing, before));
    const ToolRun r = runTrivoBank({QStringLiteral("load"), existing}, lines);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(r.err.contains("строка " + QByteArray::number(badLine) + ':'), r.err.constData());
    QCOMPARE(readBytes(existing), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{fileName}); // no temporary file left behind

    // A file that did not exist is not created.
    const QString absent = dir.filePath(QStringLiteral("new/") + fileName);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("new")));
    QCOMPARE(runTrivoBank({QStringLiteral("load"), absent}, lines).exitCode, 1);
    QVERIFY(!QFile::exists(absent));
}

QTEST_GUILESS_MAIN(TestLoad)
#include "test_load.moc"
