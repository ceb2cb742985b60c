// The import window's text imports and decoder, driven through its buttons.
#include "EditorWindow.h"
#include "FakeConverter.h"
#include "SampleFiles.h"
#include "TestFiles.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QAction>
#include <QProgressBar>
#include <QTableView>

class ImportTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;
    EditorWindow *z = nullptr;

    // A fresh installation with an empty bank, the editor opened from the
    // Service menu by the administrator.
    void open()
    {
        kit.freshFolder();
        z = kit.openEditor();
        QVERIFY(z);
    }

    void importFile(QPushButton *button, const QString &path)
    {
        kit.desk.fileNames.push_back(path);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static std::vector<QStringList> rowsOf(const StringTable &t)
    {
        std::vector<QStringList> rows;
        for (int r = 0; r < t.rowCount(); ++r)
            rows.push_back(t.row(r));
        return rows;
    }

private slots:
    // Documents are read by our own RTF reader unless a test brings a converter.
    void initTestCase() { qputenv("TRIVO_SOFFICE", "/nonexistent/soffice"); }
    void cleanup() { qputenv("TRIVO_SOFFICE", "/nonexistent/soffice"); }

    void digitLedFileBecomesATopic()
    {
        open();
        importFile(z->ZagTXT, sampleFile("Obrazec.txt"));
        QCOMPARE(kit.desk.of("file").back().caption, QStringLiteral("Импорт из txt списка"));
        const BankTables &t = tables();
        QCOMPARE(t.IzTXT.rowCount(), 23);
        QCOMPARE(t.IzTXT.row(4), QStringList({"", "", "", "1", "б", "+", "+б) 1812"}));
        QCOMPARE(z->IzTXT->model()->rowCount(), 22);
        QCOMPARE(z->Gauge1->value(), 0);

        QTest::mouseClick(z->Dekodir, Qt::LeftButton);
        QVERIFY(kit.desk.of("error").empty());
        QCOMPARE(t.TemaTabl.row(1), QStringList({"1", "1", "Отечественная война 1812 года"}));
        QCOMPARE(t.WopTabl.rowCount(), 5);
        QCOMPARE(t.WopTabl.row(4),
                 QStringList({"1", "1", "1", "4", "Расположите события в хронологическом порядке.", "", "1", ""}));
        QCOMPARE(t.OtwTabl.rowCount(), 17);
        QCOMPARE(t.OtwTabl.row(13), QStringList({"1", "1", "1", "4", "3", "1", "Оставление Москвы"}));
        QCOMPARE(z->WopTabl->model()->rowCount(), 4);
        QCOMPARE(z->Gauge1->value(), 0);

        // A second file is added as the next topic.
        importFile(z->wVopros, sampleFile("wObrazec.txt"));
        QCOMPARE(t.IzTXT.rowCount(), 16);
        QTest::mouseClick(z->Dekodir, Qt::LeftButton);
        QCOMPARE(t.TemaTabl.row(2), QStringList({"1", "2", "Смутное время"}));
        QCOMPARE(t.WopTabl.rowCount(), 8);
        QCOMPARE(t.OtwTabl.rowCount(), 27);
        QCOMPARE(t.OtwTabl.row(26), QStringList({"1", "2", "1", "3", "г", "", "Куликовская битва"}));
    }

    void decoderNamesTheQuestionItLeavesOut()
    {
        open();
        QStringList lines{"Тема", "1. Лишний"};
        for (int i = 1; i <= 31; ++i)
            lines << QStringLiteral("%1а) вариант %2").arg(i == 1 ? "+" : "").arg(i);
        lines << "2. Последний"
              << "+а) да"
              << "б) нет";
        const QString file = kit.path("long.txt");
        QVERIFY(writeBytes(file, lines.join(u'\n').toUtf8()));
        importFile(z->ZagTXT, file);
        kit.desk.clear();
        QTest::mouseClick(z->Dekodir, Qt::LeftButton);
        const auto shown = kit.desk.of("message");
        QCOMPARE(shown.size(), size_t(1));
        QVERIFY2(shown[0].text.contains(QStringLiteral("«Лишний»: вариантов ответа 31")), qPrintable(shown[0].text));
        QCOMPARE(shown[0].icon, Desktop::Icon::Warning);
        QCOMPARE(tables().WopTabl.row(1).at(4), QStringLiteral("Последний"));
    }

    void examPaperIsImportedThroughItsScratchFile()
    {
        open();
        importFile(z->EGE, sampleFile("FIPI_Obrazec_2007.doc"));
        QVERIFY(kit.desk.of("error").empty());
        const BankTables &t = tables();
        QCOMPARE(t.IzTXT.rowCount(), 37); // no free row after this layout
        QCOMPARE(t.IzTXT.row(18), QStringList({"", "", "", "4", "1", "Ф", "Ф) 1703"}));
        // The scratch file keeps the marked lines: 71 paragraphs and the end record.
        QCOMPARE(readBytes(kit.path("EGE.dat")).size(), qsizetype(72 * 217));

        QTest::mouseClick(z->Dekodir, Qt::LeftButton);
        QCOMPARE(t.TemaTabl.row(1).at(2), QStringLiteral("История России. Демонстрационный вариант"));
        QCOMPARE(t.WopTabl.rowCount(), 8);
        QCOMPARE(t.WopTabl.row(4).at(4),
                 QStringLiteral("В каком году был основан Санкт-Петербург? Запишите год цифрами."));
        QCOMPARE(t.OtwTabl.rowCount(), 29);

        // Cancelling the next import empties the scratch file and keeps the table.
        const auto staged = rowsOf(t.IzTXT);
        QTest::mouseClick(z->EGE, Qt::LeftButton);
        QCOMPARE(readBytes(kit.path("EGE.dat")), QByteArray());
        QCOMPARE(rowsOf(t.IzTXT), staged);
    }

    void badFilesLeaveTheTablesAsTheyWere_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("file"); // relative to the installation folder
        QTest::addColumn<QString>("message");
        QTest::newRow("missing, digit-led") << "ZagTXT"
                                            << "nothing.txt"
                                            << "File not found";
        QTest::newRow("missing, w-led") << "wVopros"
                                        << "nothing.txt"
                                        << "File not found";
        QTest::newRow("missing, exam paper") << "EGE"
                                             << "nothing.txt"
                                             << "File not found";
        QTest::newRow("a folder") << "ZagTXT"
                                  << "Baza"
                                  << "Не удалось прочитать файл Baza: это папка";
    }
    void badFilesLeaveTheTablesAsTheyWere()
    {
        QFETCH(QString, button);
        QFETCH(QString, file);
        QFETCH(QString, message);
        open();
        importFile(z->ZagTXT, sampleFile("Obrazec.txt"));
        const auto staged = rowsOf(tables().IzTXT);
        importFile(child<QPushButton>(z, button), kit.path(file));
        QCOMPARE(kit.desk.lastText("error"), message);
        QCOMPARE(rowsOf(tables().IzTXT), staged);
        QCOMPARE(z->Gauge1->value(), 0);
    }

    void howTheFileWasReadIsShown_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("converter");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stagedRows"); // 0: the table stays as it was
        const QByteArray digitLed = QStringLiteral("Дроби\n1. Половина от 10?\n+б) 5\n").toUtf8();
        QTest::newRow("UTF-8") << "u.txt" << digitLed << false << "Текст прочитан в кодировке UTF-8. Строк: 3." << 5;
        QTest::newRow("code page 1251") << "c.txt" << QByteArray("\xc4\xf0\xee\xe1\xe8\r\n1. ?") << false
                                        << "Текст прочитан в кодировке Windows-1251. Строк: 2." << 4;
        QTest::newRow("RTF without the converter") << "r.rtf" << QByteArray("{\\rtf1 T\\par 1. Q\\par a) x}") << false
                                                   << "Прочитан документ RTF. Строк: 3." << 5;
        QTest::newRow("docx through the converter")
            << "w.docx" << digitLed << true << "Документ переведён в текст программой LibreOffice. Строк: 3." << 5;
        QTest::newRow("docx without the converter")
            << "n.docx" << QByteArray("PK") << false << "пакет libreoffice-writer" << 0;
    }
    void howTheFileWasReadIsShown()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, converter);
        QFETCH(QString, message);
        QFETCH(int, stagedRows);
        open();
        importFile(z->wVopros, sampleFile("wObrazec.txt"));
        const auto before = rowsOf(tables().IzTXT);
        kit.desk.clear();
        if (converter) {
            // The converter's text stands in for the document's own bytes.
            QVERIFY(writeFakeConverter(kit.path("soffice"), {}, bytes));
            qputenv("TRIVO_SOFFICE", kit.path("soffice").toLocal8Bit());
            bytes = "PK";
        }
        QVERIFY(writeBytes(kit.path(name), bytes));
        importFile(z->ZagTXT, kit.path(name));
        if (stagedRows == 0) {
            QVERIFY2(kit.desk.lastText("error").contains(message), qPrintable(kit.desk.lastText("error")));
            QVERIFY(kit.desk.of("message").empty());
            QCOMPARE(rowsOf(tables().IzTXT), before);
        } else {
            QVERIFY(kit.desk.of("error").empty());
            QCOMPARE(kit.desk.lastText("message"), message);
            QCOMPARE(kit.desk.of("message").back().icon, Desktop::Icon::Information);
            QCOMPARE(tables().IzTXT.rowCount(), stagedRows);
        }
        QCOMPARE(z->Gauge1->value(), 0);
    }

    void cancellingChangesNothing()
    {
        open();
        importFile(z->ZagTXT, sampleFile("Obrazec.txt"));
        const auto staged = rowsOf(tables().IzTXT);
        QTest::mouseClick(z->ZagTXT, Qt::LeftButton);
        QTest::mouseClick(z->wVopros, Qt::LeftButton);
        QCOMPARE(kit.desk.of("file").size(), size_t(3));
        QCOMPARE(rowsOf(tables().IzTXT), staged);
        QVERIFY(kit.desk.of("error").empty());
    }

    void binaryFileIsImportedWithoutHarm()
    {
        open();
        QByteArray junk;
        for (int i = 0; i < 20000; ++i)
            junk += char((i * 7919) % 256);
        QVERIFY(writeBytes(kit.path("junk.txt"), junk));
        importFile(z->EGE, kit.path("junk.txt"));
        QVERIFY(kit.desk.of("error").empty());
        QVERIFY(tables().IzTXT.rowCount() >= 2);
        QTest::mouseClick(z->Dekodir, Qt::LeftButton);
        QVERIFY(kit.desk.of("error").empty());
    }

    void decoderStopsOnATopicCodeThatIsNoNumber()
    {
        open();
        BankTables &t = tables();
        importFile(z->ZagTXT, sampleFile("Obrazec.txt"));
        QTest::mouseClick(z->Dekodir, Qt::LeftButton); // topic 1 with four questions
        t.TemaTabl.setCell(1, 1, QStringLiteral("?"));
        const auto topics = rowsOf(t.TemaTabl), qs = rowsOf(t.WopTabl), as = rowsOf(t.OtwTabl);
        QTest::mouseClick(z->Dekodir, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'?' is not a valid integer value"));
        QCOMPARE(rowsOf(t.TemaTabl), topics);
        QCOMPARE(rowsOf(t.WopTabl), qs);
        QCOMPARE(rowsOf(t.OtwTabl), as);
        QCOMPARE(z->Gauge1->value(), 0);
    }
};

QTEST_MAIN(ImportTest)
#include "test_import.moc"
