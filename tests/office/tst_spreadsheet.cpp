// The topic list file and its hand-off to the spreadsheet program.
#include "Spreadsheet.h"
#include "errors.h"

#include <QtTest>

namespace
{

struct Call {
    QString program;
    QStringList args;
};

struct Recorder {
    std::vector<Call> started;
    QStringList opened, errors, notOpened;
    bool startSucceeds = true, openSucceeds = true;
    DesktopHooks hooks()
    {
        return {[this](const QString &p) {
                    opened << p;
                    return openSucceeds;
                },
                [this](const QString &program, const QStringList &args) {
                    started.push_back({program, args});
                    return startSucceeds;
                },
                [this](const QString &t) { errors << t; }, [this](const QString &p) { notOpened << p; }};
    }
};

} // namespace

class SpreadsheetTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray savedPath;

    // Puts a program of that name into a folder of its own and makes that folder the whole PATH.
    QString fakeProgram(const QString &name)
    {
        const QString bin = dir.filePath("bin-" + name);
        QDir().mkpath(bin);
        const QString path = bin + "/" + name;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.toLocal8Bit());
        return path;
    }

private slots:
    void initTestCase() { savedPath = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", savedPath); }

    void topicListLines()
    {
        const std::vector<QStringList> rows = {
            {"Предмет", "Тема", "Название", "Вопросов", "Надо"},
            {"1", "1", "Древний мир", "12", "5"},
            {"1", "2", "Строка\r\nс переносом", "3", "3\n"},
            {"1", "3", QString(300, u'Я'), "0", "0"},
        };
        const QStringList lines = ::topicListLines(rows);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("Предмет;Тема;Название;Вопросов;Надо;"));
        QCOMPARE(lines[1], QStringLiteral("1;1;Древний мир;12;5;"));
        QCOMPARE(lines[2], QStringLiteral("1;2;Строка с переносом;3;3 ;"));
        QCOMPARE(lines[3].size(), 250);
        QCOMPARE(lines[3], QStringLiteral("1;3;") + QString(246, u'Я'));
    }

    void topicListFileIsCp1251WithCrLf()
    {
        const QString path = dir.filePath("L_Excel.txt");
        writeTopicList(path, {{"Предмет", "Тема"}, {"1", "Ё"}});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xcf\xf0\xe5\xe4\xec\xe5\xf2;\xd2\xe5\xec\xe0;\r\n1;\xa8;\r\n"));
        QVERIFY_THROWS_EXCEPTION(TrivoError, writeTopicList(dir.filePath("no/such/folder/L_Excel.txt"), {}));
    }

    void handOffStartsTheSpreadsheetWithTheFilter()
    {
        const QString soffice = fakeProgram("soffice");
        Recorder desk;
        SpreadsheetHandOff handOff(desk.hooks());
        QVERIFY(handOff.open("/trivo/L_Excel.txt", "2003"));
        QCOMPARE(desk.started.size(), size_t(1));
        QCOMPARE(desk.started[0].program, soffice);
        QCOMPARE(desk.started[0].args, QStringList({"--calc", "--infilter=Text - txt - csv (StarCalc):59,34,34,1,,1049",
                                                    "/trivo/L_Excel.txt"}));
        QVERIFY(desk.opened.isEmpty() && desk.errors.isEmpty());
    }

    void handOffFallsBackToTheAssociatedProgram()
    {
        Recorder desk;
        SpreadsheetHandOff handOff(desk.hooks());
        fakeProgram("libreoffice"); // the second name is found as well
        desk.startSucceeds = false;
        QVERIFY(handOff.open("/t/L_Excel.txt", "2010"));
        QCOMPARE(desk.started.size(), size_t(1));
        QVERIFY(desk.started[0].program.endsWith("/libreoffice"));
        QCOMPARE(desk.opened, QStringList({"/t/L_Excel.txt"}));

        fakeProgram("nothing-of-use");
        QVERIFY(handOff.open("/t/L_Excel.txt", "2010"));
        QCOMPARE(desk.started.size(), size_t(1)); // no program: straight to the opener
        QCOMPARE(desk.opened.size(), 2);
        QVERIFY(desk.errors.isEmpty());
    }

    void handOffReportsWhenNothingOpensTheFile()
    {
        fakeProgram("nothing-of-use");
        Recorder desk;
        desk.openSucceeds = false;
        SpreadsheetHandOff handOff(desk.hooks());
        QVERIFY(!handOff.open("/t/L_Excel.txt", "2003"));
        QCOMPARE(desk.notOpened, QStringList{"/t/L_Excel.txt"});
        QVERIFY(desk.errors.isEmpty());
        QVERIFY(!SpreadsheetHandOff({}).open("/t/L_Excel.txt", "2003")); // empty hooks: a plain false
    }

    void only2003KeepsTheConnection()
    {
        QVERIFY(keepsSpreadsheetConnection("2003"));
        QVERIFY(keepsSpreadsheetConnection("2003 SP3"));
        QVERIFY(!keepsSpreadsheetConnection(" 2003"));
        QVERIFY(!keepsSpreadsheetConnection("2010"));
        QVERIFY(!keepsSpreadsheetConnection(""));

        const QString soffice = fakeProgram("soffice");
        Recorder desk;
        SpreadsheetHandOff handOff(desk.hooks());
        QVERIFY(handOff.open("a.txt", "2003"));
        fakeProgram("nothing-of-use");
        QVERIFY(handOff.open("a.txt", "2003")); // kept: the program found before is used again
        QCOMPARE(desk.started.size(), size_t(2));
        QCOMPARE(desk.started[1].program, soffice);
        QVERIFY(handOff.open("a.txt", "2007")); // dropped: looked up anew, finds none
        QCOMPARE(desk.started.size(), size_t(2));
        QCOMPARE(desk.opened, QStringList({"a.txt"}));
    }
};

QTEST_GUILESS_MAIN(SpreadsheetTest)
#include "tst_spreadsheet.moc"
