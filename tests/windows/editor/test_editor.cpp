// The editor window: loading, inserting and deleting rows, storing each table,
// following the mouse, pictures, points, the exam record and the printout.
#include "Documents.h"
#include "DocxDocument.h"
#include "EditorWindow.h"
#include "TestFiles.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QAction>
#include <QListWidget>
#include <QProgressBar>
#include <QTableView>

namespace
{
const QStringList topics3[] = {{"1", "1", "Тема один"}, {"1", "2", "Тема два"}, {"1", "3", "Тема три"}};

// Topic 1 has three questions (one of another section, one without answers);
// topic 2 has one, listed first; topic 3 none.
void writeBank(const QString &folder)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    std::vector<TemaRec> ts;
    for (const QStringList &t : topics3)
        ts.push_back({t[0], t[1], t[2]});
    bank.tema.rewrite(ts);
    bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "2", "1", "1", "Вопрос 2.1", "", "3", ""},
                                               {"1", "1", "1", "1", "Вопрос 1.1", "7", "2", "x"},
                                               {"1", " 1", "2", "2", "Вопрос 1.2", "", "4", ""},
                                               {"1", "1", "1", "3", "Вопрос 1.3 без ответов", "", "5", ""}});
    bank.otwet.rewrite(std::vector<OtwetRec>{{"1", "2", "1", "1", "1", "+", "ответ 2.1"},
                                             {"1", "1", "1", "1", "1", "+", "ответ 1.1 а"},
                                             {"1", "1", "2", "2", "1", "Ф", "ответ 1.2"},
                                             {"1", "1", "1", "1", "2", "", "ответ 1.1 б"},
                                             {"1", "1", "9", "9", "1", "+", "ничей"}});
}

QString cellText(const DocumentModel::Table &t, int row, int col)
{
    QString s;
    for (const auto &run : t.cell(row, col))
        s += run.text;
    return s;
}

QStringList tableRow(const DocumentModel::Table &t, int row)
{
    QStringList r;
    for (int c = 1; c <= t.columns; ++c)
        r << cellText(t, row, c);
    return r;
}
} // namespace

class EditorTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;
    EditorWindow *z = nullptr;
    DocxDocument *doc = nullptr;
    DocumentFactory programFactory;

    BankFiles bank() const { return BankFiles(kit.path("Istoriy")); }

    // A fresh installation, the bank written (or left empty) and the editor
    // opened from the Service menu by the administrator.
    void open(bool withBank = true)
    {
        kit.freshFolder();
        if (withBank)
            writeBank(kit.path("Istoriy"));
        z = kit.openEditor();
        QVERIFY(z);
    }

    void click(QTableView *v, int row, int col = 0)
    {
        const QModelIndex i = v->model()->index(row - 1, col);
        v->scrollTo(i);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(i).center());
    }

    static std::vector<QStringList> dataRows(const StringTable &t)
    {
        std::vector<QStringList> rows;
        for (int r = 1; r < t.rowCount(); ++r)
            rows.push_back(t.row(r));
        return rows;
    }

private slots:
    void initTestCase()
    {
        programFactory = documentFactory();
        documentFactory() = [this] {
            auto d = std::make_unique<DocxDocument>(desktopHooks());
            d->setFolder(kit.path("Documents"));
            doc = d.get();
            return d;
        };
    }
    void cleanupTestCase() { documentFactory() = programFactory; }

    void emptyBankOffersDefaultRowsAndStoresThem()
    {
        open(false);
        const BankTables &t = tables();
        QCOMPARE(t.RazdelTab.row(1), QStringList({"1", "1", "Здесь должно быть название раздела"}));
        QCOMPARE(t.WopTabl.row(1), QStringList({"1", "1", "1", "", "", "", "5", ""}));
        for (QLineEdit *count : {z->KolTem, z->KolWop, z->KolOtw})
            QCOMPARE(count->text(), QStringLiteral("0"));
        QTest::mouseClick(z->ZapRazdel, Qt::LeftButton);
        QTest::mouseClick(z->ZapTema, Qt::LeftButton);
        QCOMPARE(bank().predmet.count(), qint64(1));
        const auto topics = bank().tema.readAll<TemaRec>();
        QCOMPARE(topics.size(), size_t(1));
        QCOMPARE(topics[0].Nazwan, QStringLiteral("Здесь должно быть название темы"));
        QVERIFY(kit.desk.of("error").empty());
    }

    void insertAndDeleteRows_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("topics") << 0;
        QTest::newRow("questions") << 1;
        QTest::newRow("answers") << 2;
    }
    void insertAndDeleteRows()
    {
        QFETCH(int, which);
        open();
        BankTables &all = tables();
        StringTable *tables[] = {&all.TemaTabl, &all.WopTabl, &all.OtwTabl};
        QTableView *views[] = {z->TemaTabl, z->WopTabl, z->OtwTabl};
        QPushButton *plus[] = {z->TemaPlus, z->WoprPlus, z->OtwPlus};
        QPushButton *minus[] = {z->TemaMin, z->WopMin, z->OtwMin};
        QLineEdit *counts[] = {z->KolTem, z->KolWop, z->KolOtw};
        StringTable &t = *tables[which];
        const std::vector<QStringList> was = dataRows(t);
        const int n = int(was.size());
        const QStringList marks(t.columnCount(), QStringLiteral("?"));

        // Above the selected row: the rows from there on move down.
        click(views[which], 1, 1);
        QTest::mouseClick(plus[which], Qt::LeftButton);
        QCOMPARE(t.row(1), marks);
        QCOMPARE(t.row(2), was[0]);
        QCOMPARE(t.row(n + 1), was[size_t(n - 1)]);
        QCOMPARE(counts[which]->text(), QString::number(n + 1));
        QCOMPARE(views[which]->currentIndex().row(), 0);

        // At the last row the new row goes below it and is selected.
        click(views[which], n + 1);
        QTest::mouseClick(plus[which], Qt::LeftButton);
        QCOMPARE(t.rowCount(), n + 3);
        QCOMPARE(t.row(n + 1), was[size_t(n - 1)]);
        QCOMPARE(t.row(n + 2), marks);
        QCOMPARE(t.currentRow(), n + 2);
        QCOMPARE(views[which]->currentIndex().row(), n + 1);

        // Deleting: the rows below move up, the selection stays on its number
        // or falls back to the new last row.
        click(views[which], 2);
        QTest::mouseClick(minus[which], Qt::LeftButton);
        QCOMPARE(t.row(2), was[1]);
        QCOMPARE(counts[which]->text(), QString::number(n + 1));
        click(views[which], n + 1);
        QTest::mouseClick(minus[which], Qt::LeftButton);
        QTest::mouseClick(minus[which], Qt::LeftButton);
        QCOMPARE(t.currentRow(), n - 1);
        QCOMPARE(counts[which]->text(), QString::number(n - 1));

        // With every data row gone only the header is left; inserting then does nothing.
        while (t.rowCount() > 1)
            QTest::mouseClick(minus[which], Qt::LeftButton);
        QCOMPARE(t.row(0).first(), QStringLiteral("Predm"));
        QCOMPARE(counts[which]->text(), QStringLiteral("0"));
        QTest::mouseClick(plus[which], Qt::LeftButton);
        QCOMPARE(t.rowCount(), 1);
    }

    void storingRewritesWholeFiles()
    {
        open();
        BankTables &t = tables();
        // A shorter table leaves no old records behind; an empty one empties its file.
        click(z->TemaTabl, 2);
        QTest::mouseClick(z->TemaMin, Qt::LeftButton);
        QTest::mouseClick(z->ZapTema, Qt::LeftButton);
        QCOMPARE(QFileInfo(kit.path("Istoriy/Tema.dat")).size(), qint64(2 * TemaRec::Size));
        QCOMPARE(bank().tema.readAll<TemaRec>()[1].Nazwan, QStringLiteral("Тема три"));
        while (t.OtwTabl.rowCount() > 1)
            QTest::mouseClick(z->OtwMin, Qt::LeftButton);
        QTest::mouseClick(z->ZapOtw, Qt::LeftButton);
        QCOMPARE(QFileInfo(kit.path("Istoriy/Otwet.dat")).size(), qint64(0));
        click(z->TemaTabl, 2);
        z->hide();
        z->show(); // the next showing offers the default row again
        QCOMPARE(t.OtwTabl.row(1), QStringList({"1", "1", "1", "", "", "", ""}));
        QCOMPARE(t.TemaTabl.currentRow(), 1);
        QCOMPARE(z->TemaTabl->currentIndex().row(), 0);

        // Cells go in as typed (blanks kept), cut to their fields.
        t.TemaTabl.setRow(1, {" 7", "1234", QString(130, u'т')});
        t.WopTabl.setRow(1, {"123", "1", "1", "1", QString(250, u'в'), "123456", "10", ""});
        t.OtwTabl.setRow(1, {"1", "1", "1", "1", "1", "+-", QString(160, u'о')});
        QTest::mouseClick(z->ZapTema, Qt::LeftButton);
        QTest::mouseClick(z->ZapWopr, Qt::LeftButton);
        QTest::mouseClick(z->ZapOtw, Qt::LeftButton);
        const QByteArray tema = readBytes(kit.path("Istoriy/Tema.dat"));
        // " 7" and "123" after their length bytes.
        QCOMPARE(tema.left(7), QByteArray::fromHex("02203703313233"));
        QCOMPARE(int(uchar(tema[7])), 120);
        QCOMPARE(tema.mid(8, 120), QByteArray(120, '\xf2')); // "т" in cp1251
        const WoprosRec q = bank().wopros.readAll<WoprosRec>()[0];
        QCOMPARE(q.Predm, QStringLiteral("12"));
        QCOMPARE(q.Nazwan.size(), 210);
        QCOMPARE(q.Porad, QStringLiteral("1234"));
        QCOMPARE(bank().wopros.count(), qint64(4));
        const OtwetRec a = bank().otwet.readAll<OtwetRec>()[0];
        QCOMPARE(a.Kod_P, QStringLiteral("+"));
        QCOMPARE(a.Nazwan.size(), 150);
        QVERIFY(kit.desk.of("error").empty());
    }

    void deletedQuestionKeepsItsAnswers()
    {
        open();
        click(z->WopTabl, 2);
        QTest::mouseClick(z->WopMin, Qt::LeftButton);
        QTest::mouseClick(z->ZapWopr, Qt::LeftButton);
        QTest::mouseClick(z->ZapOtw, Qt::LeftButton);
        QCOMPARE(bank().wopros.count(), qint64(3));
        QCOMPARE(bank().otwet.readAll<OtwetRec>()[1].Nazwan, QStringLiteral("ответ 1.1 а"));
    }

    void failedStoreIsReportedAndNothingElseChanges()
    {
        open();
        // A folder where the file should be: the store cannot replace it.
        QFile::remove(kit.path("Istoriy/Tema.dat"));
        QDir().mkpath(kit.path("Istoriy/Tema.dat"));
        QTest::mouseClick(z->ZapTema, Qt::LeftButton);
        QVERIFY(kit.desk.lastText("error").contains(QStringLiteral("Tema.dat")));
        QVERIFY(QFileInfo(kit.path("Istoriy/Tema.dat")).isDir());
        QCOMPARE(z->KolTem->text(), QStringLiteral("3"));
    }

    void closingAsksBeforeEditsAreLost_data()
    {
        QTest::addColumn<QString>("how");     // how the author closes the editor
        QTest::addColumn<int>("answer");      // to «Сохранить изменения в банке?»
        QTest::addColumn<bool>("storeFails"); // Tema.dat cannot be replaced
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("stored");
        const int yes = int(Desktop::Answer::Yes), no = int(Desktop::Answer::No), cancel = int(Desktop::Answer::Cancel);
        QTest::newRow("Escape, cancel") << "escape" << cancel << false << false << false;
        QTest::newRow("Escape, no") << "escape" << no << false << true << false;
        QTest::newRow("Escape, yes") << "escape" << yes << false << true << true;
        QTest::newRow("Закрыть, yes") << "button" << yes << false << true << true;
        QTest::newRow("close button, no") << "window" << no << false << true << false;
        QTest::newRow("close button, cancel") << "window" << cancel << false << false << false;
        QTest::newRow("yes, but the store fails") << "button" << yes << true << false << false;
    }
    void closingAsksBeforeEditsAreLost()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, storeFails);
        QFETCH(bool, closes);
        QFETCH(bool, stored);
        open();
        const QByteArray tema = kit.bytes("Istoriy/Tema.dat"), wopros = kit.bytes("Istoriy/Wopros.dat"),
                         otwet = kit.bytes("Istoriy/Otwet.dat");
        auto closeEditor = [&] {
            if (how == u"escape")
                QTest::keyClick(z, Qt::Key_Escape);
            else if (how == u"button")
                QTest::mouseClick(z->findChild<QPushButton *>(QStringLiteral("Zakryt")), Qt::LeftButton);
            else
                z->close();
        };

        // Nothing edited: it closes without a word.
        closeEditor();
        QVERIFY(!z->isVisible());
        QVERIFY(kit.desk.of("question").empty());

        z->show();
        QVERIFY(QTest::qWaitForWindowExposed(z));
        QVERIFY(!z->holdsUnstoredEdits());
        // A cell set to what it holds is no edit; a new text and a new row are.
        const QModelIndex name = z->TemaTabl->model()->index(1, 2);
        z->TemaTabl->model()->setData(name, QStringLiteral("Тема два"));
        QVERIFY(!z->holdsUnstoredEdits());
        z->TemaTabl->model()->setData(name, QStringLiteral("Тема два, исправленная"));
        click(z->WopTabl, 1);
        QTest::mouseClick(z->WoprPlus, Qt::LeftButton);
        if (storeFails) {
            QFile::remove(kit.path("Istoriy/Tema.dat"));
            QDir().mkpath(kit.path("Istoriy/Tema.dat"));
        }
        kit.desk.answers.push_back(Desktop::Answer(answer));
        closeEditor();
        QCOMPARE(kit.desk.of("question").size(), size_t(1));
        QCOMPARE(kit.desk.lastText("question"), QStringLiteral("Сохранить изменения в банке?"));
        QCOMPARE(z->isVisible(), !closes);
        if (storeFails) {
            QVERIFY(kit.desk.lastText("error").contains(QStringLiteral("Tema.dat")));
            QVERIFY(z->holdsUnstoredEdits());
            return;
        }
        QCOMPARE(bank().tema.readAll<TemaRec>()[1].Nazwan,
                 stored ? QStringLiteral("Тема два, исправленная") : QStringLiteral("Тема два"));
        QCOMPARE(bank().wopros.count(), stored ? 5 : 4);
        if (!stored) {
            QCOMPARE(kit.bytes("Istoriy/Tema.dat"), tema);
            QCOMPARE(kit.bytes("Istoriy/Wopros.dat"), wopros);
        }
        // The answers table was not edited and is not stored.
        QCOMPARE(kit.bytes("Istoriy/Otwet.dat"), otwet);
        QVERIFY(kit.desk.of("error").empty());
    }

    void mouseFollowsTopicsQuestionsAndAnswers()
    {
        open();
        // A topic selects its first question (not the first row of the table).
        click(z->TemaTabl, 1, 2);
        QCOMPARE(z->NoTem->text(), QStringLiteral("1"));
        QCOMPARE(z->NoWop->text(), QStringLiteral("2"));
        QCOMPARE(z->WopTabl->currentIndex().row(), 1);
        QCOMPARE(tables().WopTabl.currentRow(), 2);

        // A question names its picture by trimmed codes and selects its first answer.
        click(z->WopTabl, 3, 4);
        QCOMPARE(z->NoWop->text(), QStringLiteral("3"));
        QCOMPARE(z->ImyFile->text(), QStringLiteral("1_1_2_2"));
        QCOMPARE(z->NoOtw->text(), QStringLiteral("3"));
        QCOMPARE(z->OtwTabl->currentIndex().row(), 2);
        click(z->WopTabl, 2);
        QCOMPARE(z->NoOtw->text(), QStringLiteral("2"));

        // A question without answers and a topic without questions leave the other table alone.
        click(z->WopTabl, 4);
        QCOMPARE(z->ImyFile->text(), QStringLiteral("1_1_1_3"));
        QCOMPARE(z->NoOtw->text(), QStringLiteral("2"));
        QCOMPARE(z->OtwTabl->currentIndex().row(), 1);
        click(z->TemaTabl, 3);
        QCOMPARE(z->NoTem->text(), QStringLiteral("3"));
        QCOMPARE(z->NoWop->text(), QStringLiteral("4"));
        click(z->OtwTabl, 5, 6);
        QCOMPARE(z->NoOtw->text(), QStringLiteral("5"));
        QCOMPARE(tables().OtwTabl.currentRow(), 5);
    }

    void pictureIsMovedUnderTheQuestionKey()
    {
        open();
        QDir().mkpath(kit.path("Pics"));
        QVERIFY(writeBytes(kit.path("Pics/рис.gif"), "GIF89a first"));
        QVERIFY(writeBytes(kit.path("Pics/other.gif"), "GIF89a second"));
        const QString foto = kit.path("Istoriy/Foto");
        QVERIFY(!QFileInfo::exists(foto));

        // Without a Foto folder the author is asked to make it, and nothing else happens.
        click(z->WopTabl, 2);
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Создайте папку ") + foto);
        QCOMPARE(kit.desk.of("message").back().text, QStringLiteral("В неё поместите gif иллюстрации"));
        QVERIFY(kit.desk.of("file").empty());
        QVERIFY(!QFileInfo::exists(foto));
        QVERIFY(QDir().mkpath(foto));
        z->ImyFile->clear();
        kit.desk.clear();

        // No question chosen yet: nothing to name the picture by.
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Рисунок не связан"));
        QVERIFY(kit.desk.of("file").empty());
        z->ImyFile->setText(QStringLiteral("../../Baza/Dostup"));
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QVERIFY(kit.desk.of("file").empty());

        click(z->WopTabl, 2);
        kit.desk.clear();
        kit.desk.fileNames.push_back(kit.path("Pics/рис.gif"));
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QCOMPARE(kit.desk.of("file").back().caption, QStringLiteral("Укажите рисунок, прицепляемый к вопросу 1_1_1_1"));
        QCOMPARE(readBytes(foto + "/1_1_1_1.gif"), QByteArray("GIF89a first"));
        QVERIFY(!QFileInfo::exists(kit.path("Pics/рис.gif"))); // moved into Foto
        QVERIFY(kit.desk.of("message").empty());

        // An existing picture is never replaced; choosing it again changes nothing.
        kit.desk.fileNames.push_back(kit.path("Pics/other.gif"));
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Рисунок не заменён"));
        QCOMPARE(readBytes(foto + "/1_1_1_1.gif"), QByteArray("GIF89a first"));
        kit.desk.clear();
        kit.desk.fileNames.push_back(foto + "/1_1_1_1.gif");
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QVERIFY(kit.desk.of("message").empty());
        QVERIFY(kit.desk.of("error").empty());

        // Another question's picture chosen in Foto is copied, so both keep one.
        click(z->WopTabl, 3);
        kit.desk.fileNames.push_back(foto + "/1_1_1_1.gif");
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QCOMPARE(readBytes(foto + "/1_1_1_1.gif"), QByteArray("GIF89a first"));
        QCOMPARE(readBytes(foto + "/1_1_2_2.gif"), QByteArray("GIF89a first"));
        QVERIFY(QFile::remove(foto + "/1_1_2_2.gif"));

        // Cancelling the dialog or a file that has gone away.
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        click(z->WopTabl, 3);
        kit.desk.fileNames.push_back(kit.path("Pics/gone.gif"));
        QTest::mouseClick(z->PtiwGif, Qt::LeftButton);
        QVERIFY(kit.desk.lastText("error").contains(QStringLiteral("gone.gif")));
        QVERIFY(!QFileInfo::exists(foto + "/1_1_2_2.gif"));
    }

    void pointsAndTopicIntoExam()
    {
        open();
        click(z->WopTabl, 3);
        QTest::mouseClick(z->BitBtn2, Qt::LeftButton);
        QCOMPARE(z->WopTabl->currentIndex().row(), 2); // the changed table keeps the focused row
        for (int r = 1; r < tables().WopTabl.rowCount(); ++r)
            QCOMPARE(tables().WopTabl.cell(6, r), QStringLiteral("1"));
        QCOMPARE(bank().wopros.readAll<WoprosRec>()[0].Ball, QStringLiteral("3")); // stored only by "4"

        const auto before = bank().exam.readAll<ExamRec>();
        QCOMPARE(before.size(), size_t(3));
        tables().TemaTabl.setRow(3, {"1", "4", QString(125, u'н')});
        QTest::mouseClick(z->TemExam, Qt::LeftButton);
        QTest::mouseClick(z->TemExam, Qt::LeftButton);
        const auto after = bank().exam.readAll<ExamRec>();
        QCOMPARE(after.size(), size_t(5));
        QCOMPARE(after[2].Nazwan, before[2].Nazwan);
        for (const ExamRec &e : {after[3], after[4]}) {
            QCOMPARE(e.Tema, QStringLiteral("4"));
            QCOMPARE(e.Nazwan, QString(120, u'н'));
            QCOMPARE(e.Woprosov, QStringLiteral("5"));
            QCOMPARE(e.Nado, QStringLiteral("1"));
        }
        // Without a topic row there is nothing to add.
        while (tables().TemaTabl.rowCount() > 1)
            QTest::mouseClick(z->TemaMin, Qt::LeftButton);
        QTest::mouseClick(z->TemExam, Qt::LeftButton);
        QCOMPARE(bank().exam.count(), qint64(5));
    }

    void printoutShowsTheTopicAsOneTable()
    {
        open();
        // Unsaved edits are printed; a copy of a question gets the options again.
        tables().WopTabl.setRow(4, {"1", "1", "1", "1", "Копия 1.1", "", "1", ""});
        click(z->TemaTabl, 1);
        QTest::mouseClick(z->BitBtn1, Qt::LeftButton);
        QVERIFY(kit.desk.of("error").empty());
        QCOMPARE(kit.desk.of("open").size(), size_t(1));
        const DocumentModel &m = doc->model();
        QCOMPARE(m.fontSize(), 8.0);
        QCOMPARE(m.tableCount(), 1);
        QVERIFY(m.blocks().front().isTable());
        const DocumentModel::Table &t = m.tableAt(1);
        QCOMPARE(t.columns, 10);
        QCOMPARE(t.rows, 2 + 3 + 5 + 1);
        QVERIFY(t.borders);
        QCOMPARE(t.widths, std::vector<double>({23, 23, 23, 23, 23, 23, 300, 23, 23, 23}));
        QCOMPARE(tableRow(t, 1),
                 QStringList({"Predm", "Tema", "Test", "Wopr", "Otwe", "Kod_P", "Nazwan", "Porad", "Ball", "S_Kod"}));
        QCOMPARE(tableRow(t, 2), QStringList({"1", "1", "", "", "", "", "Тема один", "", "", ""}));
        QCOMPARE(tableRow(t, 3), QStringList({"1", "1", "1", "1", "", "", "Вопрос 1.1", "7", "2", "x"}));
        QCOMPARE(tableRow(t, 4), QStringList({"1", "1", "1", "1", "1", "+", "ответ 1.1 а", "", "", ""}));
        QCOMPARE(cellText(t, 5, 7), QStringLiteral("ответ 1.1 б"));
        QCOMPARE(tableRow(t, 6).mid(0, 4), QStringList({"1", " 1", "2", "2"})); // copied untrimmed
        QCOMPARE(cellText(t, 7, 7), QStringLiteral("ответ 1.2"));
        QCOMPARE(cellText(t, 8, 7), QStringLiteral("Копия 1.1"));
        QCOMPARE(cellText(t, 10, 7), QStringLiteral("ответ 1.1 б"));
        QCOMPARE(tableRow(t, 11), QStringList(10));
        QCOMPARE(z->Gauge1->value(), 0);

        // A topic without questions: captions, the topic and the empty row.
        click(z->TemaTabl, 3);
        QTest::mouseClick(z->BitBtn1, Qt::LeftButton);
        QCOMPARE(doc->model().tableAt(1).rows, 3);
        QCOMPARE(cellText(doc->model().tableAt(1), 2, 7), QStringLiteral("Тема три"));
    }

    // The check lists the bank's faults; a finding leads to its row, where
    // the author mends it, and the next check no longer lists it.
    void bankCheckLeadsToTheRows()
    {
        open();
        QTest::mouseClick(z->findChild<QPushButton *>("ProverkaBanka"), Qt::LeftButton);
        auto *list = z->findChild<QListWidget *>("SpisokOshibok");
        QVERIFY(list && list->isVisible());
        auto activate = [list](const QString &start) {
            const auto items = list->findItems(start, Qt::MatchStartsWith);
            if (items.size() != 1)
                return false;
            list->setCurrentItem(items[0]);
            QTest::keyClick(list, Qt::Key_Return);
            return true;
        };
        QVERIFY(activate("Tema.dat:3: 1_3: в теме нет ни одного вопроса"));
        QCOMPARE(z->TemaTabl->currentIndex().row(), 2);
        QCOMPARE(z->NoTem->text(), QStringLiteral("3"));
        QVERIFY(activate("Wopros.dat:4: 1_1_1_3: у вопроса нет ни одного варианта ответа"));
        QCOMPARE(z->WopTabl->currentIndex().row(), 3);
        QCOMPARE(z->ImyFile->text(), QStringLiteral("1_1_1_3"));
        QVERIFY(activate("Otwet.dat:5: 1_1_9_9: вариант ответа не относится ни к одному вопросу"));
        QCOMPARE(z->OtwTabl->currentIndex().row(), 4);
        QCOMPARE(tables().OtwTabl.currentRow(), 5);

        QTest::mouseClick(z->OtwMin, Qt::LeftButton);
        QTest::mouseClick(z->ZapOtw, Qt::LeftButton);
        QTest::mouseClick(z->ProverkaBanka, Qt::LeftButton);
        QVERIFY(list->findItems("Otwet.dat", Qt::MatchStartsWith).isEmpty());
        QCOMPARE(list->findItems("Tema.dat:3:", Qt::MatchStartsWith).size(), 1);
        QVERIFY(kit.desk.of("error").empty());
    }
};

QTEST_MAIN(EditorTest)
#include "test_editor.moc"
