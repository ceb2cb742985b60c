// The import window's button for files of other testing systems.
#include "EditorWindow.h"
#include "TestFiles.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QAction>
#include <QPushButton>

class InterchangeWindowTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;
    EditorWindow *z = nullptr;

    // A fresh installation with an empty bank, the editor opened by the administrator.
    void open()
    {
        kit.freshFolder();
        z = kit.openEditor();
        QVERIFY(z);
    }

    void importFile(const QString &path)
    {
        kit.desk.fileNames.push_back(path);
        QTest::mouseClick(z->findChild<QPushButton *>("IzMoodle"), Qt::LeftButton);
    }

private slots:
    void fileBecomesATopicOfTheTables()
    {
        open();
        QVERIFY(writeBytes(kit.path("q.txt"), "Земля круглая. {T}\n\nОпишите опыт. {}\n"));
        importFile(kit.path("q.txt"));
        QVERIFY(kit.desk.of("error").empty());
        const BankTables &t = tables();
        // The empty bank's default rows give way, as the decoder does.
        QCOMPARE(t.TemaTabl.row(1), QStringList({"1", "1", "q"}));
        QCOMPARE(t.WopTabl.rowCount(), 2);
        QCOMPARE(t.WopTabl.row(1), QStringList({"1", "1", "1", "1", "Земля круглая.", "", "1", ""}));
        QCOMPARE(t.OtwTabl.rowCount(), 3);
        QCOMPARE(t.OtwTabl.row(1), QStringList({"1", "1", "1", "1", "а", "+", "Верно"}));
        // What was left behind is shown to the author.
        const auto shown = kit.desk.of("message");
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown.back().icon, Desktop::Icon::Warning);
        QVERIFY2(shown.back().text.contains("вопрос 2 «Опишите опыт.»: эссе"), qPrintable(shown.back().text));

        // A file that cannot be read, and a cancelled dialog, change nothing.
        QVERIFY(writeBytes(kit.path("bad.xml"), "<quiz><question></quiz>"));
        importFile(kit.path("bad.xml"));
        QVERIFY(kit.desk.lastText("error").contains("строка 1"));
        importFile(QString());
        QCOMPARE(t.TemaTabl.rowCount(), 2);
        QCOMPARE(t.WopTabl.rowCount(), 2);
    }
};

QTEST_MAIN(InterchangeWindowTest)
#include "test_interchange.moc"
