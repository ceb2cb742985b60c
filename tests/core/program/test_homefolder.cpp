// The installation folder: which one the program takes at start-up, where it
// finds the files it ships with, and how a folder is filled from them without
// touching what a teacher already has there.
#include "TestFiles.h"
#include "bank.h"
#include "homefolder.h"
#include "text.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
constexpr int NoBaza = 0, BazaFolder = 1, BazaFile = 2; // what Baza is in the current folder

bool makeFile(const QString &path, const QByteArray &bytes)
{
    return QDir().mkpath(QFileInfo(path).path()) && writeBytes(path, bytes);
}
} // namespace

class TestHomeFolder : public QObject
{
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void shippedFilesBesideTheProgram_data();
    void shippedFilesBesideTheProgram();
    void newFolderGetsEveryShippedFile();
    void filesAlreadyThereAreKept();
    void subjectFolderKeepsItsOwnBank();
    void folderThatCannotBeUsed_data();
    void folderThatCannotBeUsed();
};

void TestHomeFolder::choice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<int>("baza");
    QTest::addColumn<QString>("expected"); // {cur} and {home} stand for the two folders; "problem" for a refusal

    QTest::newRow("--home wins over all") << QStringList{"--home", "/srv/a"} << "/srv/b" << BazaFolder << "/srv/a";
    QTest::newRow("last --home wins, either form")
        << QStringList{"--home", "/srv/a", "--home=/srv/c/"} << "" << NoBaza << "/srv/c";
    QTest::newRow("relative --home") << QStringList{"--home", "sub/../x"} << "" << NoBaza << "{cur}/x";
    QTest::newRow("--home without a folder") << QStringList{"--home"} << "/srv/b" << NoBaza << "problem";
    QTest::newRow("--home with an empty folder") << QStringList{"--home="} << "/srv/b" << NoBaza << "problem";
    QTest::newRow("environment over current") << QStringList{} << "/srv/b" << BazaFolder << "/srv/b";
    QTest::newRow("relative environment") << QStringList{} << "b" << NoBaza << "{cur}/b";
    QTest::newRow("blank environment is unset") << QStringList{} << "  " << BazaFolder << "{cur}";
    QTest::newRow("Baza a file, not a folder") << QStringList{} << "" << BazaFile << "{home}/Trivo";
    QTest::newRow("nothing given") << QStringList{"--verbose", "file.txt"} << "" << NoBaza << "{home}/Trivo";
}

void TestHomeFolder::choice()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(int, baza);
    QFETCH(QString, expected);
    QTemporaryDir cur, home;
    QVERIFY(cur.isValid() && home.isValid());
    if (baza == BazaFolder)
        QVERIFY(QDir(cur.path()).mkdir("Baza"));
    if (baza == BazaFile)
        QVERIFY(writeBytes(cur.filePath("Baza"), "x"));

    const HomeChoice c = chooseHomeFolder(arguments, environment, cur.path(), home.path());
    if (expected == u"problem") {
        QVERIFY(c.folder.isEmpty());
        QVERIFY(c.problem.contains("--home"));
        return;
    }
    QVERIFY2(c.problem.isEmpty(), qPrintable(c.problem));
    expected.replace("{cur}", cur.path()).replace("{home}", home.path());
    QCOMPARE(c.folder, expected);
}

void TestHomeFolder::shippedFilesBesideTheProgram_data()
{
    QTest::addColumn<QStringList>("bazaFolders"); // where a shipped Baza folder is made, under the prefix
    QTest::addColumn<QString>("expected");        // relative to the prefix; empty when none is found
    QTest::newRow("build tree") << QStringList{"dist/Baza"} << "dist";
    QTest::newRow("installed") << QStringList{"share/trivo/Baza"} << "share/trivo";
    QTest::newRow("build tree first") << QStringList{"dist/Baza", "share/trivo/Baza"} << "dist";
    QTest::newRow("dist without Baza is not it") << QStringList{"dist/Help", "share/trivo/Baza"} << "share/trivo";
    QTest::newRow("none") << QStringList{"bin/Baza", "share/Baza"} << "";
}

void TestHomeFolder::shippedFilesBesideTheProgram()
{
    QFETCH(QStringList, bazaFolders);
    QFETCH(QString, expected);
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath("bin"));
    for (const QString &f : bazaFolders)
        QVERIFY(QDir(prefix.path()).mkpath(f));
    QCOMPARE(shippedFolder(prefix.filePath("bin")), expected.isEmpty() ? QString() : prefix.filePath(expected));
}

void TestHomeFolder::newFolderGetsEveryShippedFile()
{
    QTemporaryDir shipped, home;
    const QStringList files{"Baza/Win_Dos.qdx", "Baza/Obrazec.txt",         "Help/ReadMe.doc",
                            "Istoriy/Tema.dat", "Istoriy/Foto/1_4_1_1.gif", "Istoriy/Foto/.note"};
    for (const QString &f : files)
        QVERIFY(makeFile(shipped.filePath(f), f.toUtf8() + " shipped"));
    // Installed shipped files may be read-only; the teacher edits the copies.
    QVERIFY(QFile::setPermissions(shipped.filePath("Istoriy/Tema.dat"), QFile::ReadOwner | QFile::ReadOther));

    const QString folder = home.filePath("not/yet/Trivo");
    QCOMPARE(prepareHomeFolder(folder, shipped.path()), QString());
    for (const QString &f : files)
        QCOMPARE(readBytes(QDir(folder).filePath(f)), f.toUtf8() + " shipped");
    QVERIFY(QFile::permissions(QDir(folder).filePath("Istoriy/Tema.dat")) & QFile::WriteOwner);
    // A second start finds nothing to do.
    QCOMPARE(prepareHomeFolder(folder, shipped.path()), QString());
}

void TestHomeFolder::filesAlreadyThereAreKept()
{
    QTemporaryDir shipped, home, elsewhere;
    for (const char *f : {"Baza/Win_Dos.qdx", "Baza/Obrazec.txt", "Help/ReadMe.doc", "Istoriy/Tema.dat",
                          "Istoriy/Exam.dat", "Istoriy/Otwet.dat", "Istoriy/Foto/1_1_1_1.gif"})
        QVERIFY(makeFile(shipped.filePath(f), "shipped"));
    QVERIFY(makeFile(home.filePath("Baza/Win_Dos.qdx"), "teacher's table"));
    // The teacher emptied the history folder to start a bank of her own.
    QVERIFY(QDir(home.path()).mkpath("Istoriy"));
    // A link that leads nowhere yet is the teacher's too: nothing is written through it.
    QVERIFY(QDir(home.path()).mkdir("Help"));
    const QString target = elsewhere.filePath("ReadMe.doc");
    QVERIFY(QFile::link(target, home.filePath("Help/ReadMe.doc")));

    QCOMPARE(prepareHomeFolder(home.path(), shipped.path()), QString());
    QCOMPARE(readBytes(home.filePath("Baza/Win_Dos.qdx")), QByteArray("teacher's table"));
    QCOMPARE(readBytes(home.filePath("Baza/Obrazec.txt")), QByteArray("shipped"));
    QVERIFY(QFileInfo(home.filePath("Help/ReadMe.doc")).isSymLink());
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(QDir(home.filePath("Istoriy")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestHomeFolder::subjectFolderKeepsItsOwnBank()
{
    // A subject folder that lacks only Exam.dat gets one built from its own
    // topics when the bank is opened, never the demo's.
    QTemporaryDir shipped, home;
    QVERIFY(makeFile(shipped.filePath("Baza/Win_Dos.qdx"), "shipped"));
    QVERIFY(makeFile(shipped.filePath("Istoriy/Exam.dat"), QByteArray(ExamRec::Size, 'x')));
    QVERIFY(makeFile(shipped.filePath("Istoriy/Otwet.dat"), QByteArray(OtwetRec::Size, 'x')));
    QVERIFY(QDir(home.path()).mkpath("Baza"));
    const BankFiles bank(home.filePath("Istoriy"));
    QVERIFY(QDir(home.path()).mkpath("Istoriy"));
    bank.tema.rewrite(std::vector<TemaRec>{{"7", "12", "Своя тема"}});

    QCOMPARE(prepareHomeFolder(home.path(), shipped.path()), QString());
    QVERIFY(!bank.exam.exists());
    QVERIFY(!bank.otwet.exists());
    bank.openAll();
    QCOMPARE(bank.otwet.count(), 0);
    const auto exam = bank.exam.readAll<ExamRec>();
    QCOMPARE(exam.size(), size_t(1));
    QCOMPARE(trimmed(exam[0].Tema), QString("12"));
    QCOMPARE(trimmed(exam[0].Nazwan), QString("Своя тема"));
}

void TestHomeFolder::folderThatCannotBeUsed_data()
{
    QTest::addColumn<QString>("folder"); // under the temporary folder
    QTest::addColumn<bool>("shippedFound");
    QTest::addColumn<bool>("usable");
    QTest::newRow("folder is a file") << "file" << true << false;
    QTest::newRow("under a file") << "file/Trivo" << true << false;
    QTest::newRow("a Baza file in the way") << "inuse-file" << true << false;
    QTest::newRow("no shipped files for a new folder") << "new" << false << false;
    QTest::newRow("no shipped files for a folder in use") << "inuse" << false << true;
}

void TestHomeFolder::folderThatCannotBeUsed()
{
    QFETCH(QString, folder);
    QFETCH(bool, shippedFound);
    QFETCH(bool, usable);
    QTemporaryDir shipped, tmp;
    QVERIFY(makeFile(shipped.filePath("Baza/Win_Dos.qdx"), "shipped"));
    QVERIFY(writeBytes(tmp.filePath("file"), "x"));
    QVERIFY(QDir(tmp.path()).mkpath("inuse/Baza"));
    QVERIFY(makeFile(tmp.filePath("inuse-file/Baza"), "x"));

    const QString problem = prepareHomeFolder(tmp.filePath(folder), shippedFound ? shipped.path() : QString());
    QCOMPARE(problem.isEmpty(), usable);
    if (!usable)
        QVERIFY2(problem.contains(tmp.filePath(folder)), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestHomeFolder)
#include "test_homefolder.moc"
