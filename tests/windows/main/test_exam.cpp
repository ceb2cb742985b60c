// The exam composition window and the whole-subject exam.
#include "ExamSetupWindow.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

namespace
{
// Topics 1..3 with 3, 12 and 0 questions (each with one exact-answer option).
void writeSubject(const QString &folder, const std::vector<int> &counts)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    std::vector<TemaRec> topics;
    std::vector<WoprosRec> qs;
    std::vector<OtwetRec> os;
    for (size_t t = 0; t < counts.size(); ++t) {
        const QString tema = QString::number(t + 1);
        topics.push_back({"1", tema, QStringLiteral("Тема %1").arg(tema)});
        for (int q = 1; q <= counts[t]; ++q) {
            qs.push_back(
                {"1", tema, "1", QString::number(q), QStringLiteral("Вопрос %1.%2").arg(tema).arg(q), "", "1", ""});
            os.push_back({"1", tema, "1", QString::number(q), "1", "Ф", QStringLiteral("%1.%2").arg(tema).arg(q)});
        }
    }
    bank.tema.rewrite(topics);
    bank.wopros.rewrite(qs);
    bank.otwet.rewrite(os);
}
} // namespace

class ExamTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;

    BankFiles bank() const { return BankFiles(kit.path("Istoriy")); }

private slots:
    void compositionCountsInsertsAndStores()
    {
        kit.freshFolder();
        writeSubject(kit.path("Istoriy"), {3, 12, 0});
        kit.start();
        ExamSetupWindow *w = kit.main->examSetupWindow();
        w->FormActivate();
        QCOMPARE(w->grid.rowCount(), 4); // built from the topics on the first opening
        QCOMPARE(w->grid.row(1), QStringList({"1", "1", "Тема 1", "5", "1"}));

        QTest::mouseClick(w->Wse, Qt::LeftButton);
        QCOMPARE(w->grid.cell(3, 1), QStringLiteral("3"));
        QCOMPARE(w->grid.cell(3, 2), QStringLiteral("12"));
        QCOMPARE(w->grid.cell(3, 3), QStringLiteral("0"));
        w->KolW->setText(QStringLiteral(" 5"));
        QTest::mouseClick(w->Wstawit, Qt::LeftButton);
        QCOMPARE(w->grid.cell(4, 1), QStringLiteral("3"));
        QCOMPARE(w->grid.cell(4, 2), QStringLiteral("5"));
        QCOMPARE(w->grid.cell(4, 3), QStringLiteral("0"));

        w->grid.setCell(2, 2, QString(130, u'Я'));
        w->grid.setRowCount(3); // a shorter table leaves no old records behind
        QTest::mouseClick(w->Zapomn, Qt::LeftButton);
        const auto recs = bank().exam.readAll<ExamRec>();
        QCOMPARE(recs.size(), size_t(2));
        QCOMPARE(recs[1].Nazwan.size(), 120);
        QCOMPARE(recs[1].Nado, QStringLiteral("5"));

        w->grid.setCell(3, 1, QStringLiteral("много"));
        QTest::mouseClick(w->Wstawit, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'много' is not a valid integer value"));
    }

    void topicListGoesToTheSpreadsheet()
    {
        kit.freshFolder();
        writeSubject(kit.path("Istoriy"), {3, 12});
        kit.start();
        ExamSetupWindow *w = kit.main->examSetupWindow();
        w->FormActivate();
        kit.desk.startSucceeds = false;
        QTest::mouseClick(w->SpisTem, Qt::LeftButton);
        const QStringList lines = readCp1251Lines(kit.path("L_Excel.txt"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("Предмет;Тема;Название;Вопросов;Надо;"));
        QCOMPARE(lines[2], QStringLiteral("1;2;Тема 2;5;1;"));
        QCOMPARE(kit.desk.lastText("open"), kit.path("L_Excel.txt")); // no spreadsheet program: the associated one

        // Nothing takes the list at all: the window says where it was written.
        kit.desk.openSucceeds = false;
        QTest::mouseClick(w->SpisTem, Qt::LeftButton);
        const QString told = kit.desk.lastText("notOpened");
        QVERIFY2(told.contains(QStringLiteral("L_Excel.txt")) &&
                     told.contains(QDir::toNativeSeparators(kit.dir->path())),
                 qPrintable(told));
        QVERIFY(kit.desk.of("error").empty());
    }

    void examDrawsFromEveryTopic()
    {
        kit.freshFolder();
        writeSubject(kit.path("Istoriy"), {3, 4, 2, 5});
        bank().exam.rewrite(std::vector<ExamRec>{{"1", "1", "Тема 1", "3", "2"},
                                                 {"1", "2", "Тема 2", "4", "3"},
                                                 {"1", "3", "Тема 3", "2", "0"},
                                                 {"1", "4", "Тема 4", "5", "1"}});
        MainWindow *m = kit.start();
        glo().LimitWopr = 20;
        m->N28->trigger();
        QVERIFY(!m->Zastavka->isVisible()); // hidden without the log-in
        QVERIFY(glo().KodDostupa.isEmpty());
        QCOMPARE(m->Pusk->text(), QStringLiteral("Стоп"));
        QVERIFY(m->WiborTema->isEnabled());
        const auto temp = bank().temp.readAll<WoprosRec>();
        QCOMPARE(temp.size(), size_t(6));
        const QStringList topicsInOrder = {"1", "1", "2", "2", "2", "4"};
        for (size_t i = 0; i < temp.size(); ++i)
            QCOMPARE(temp[i].Tema, topicsInOrder[qsizetype(i)]);
        QVERIFY(temp[0].Wopr.toInt() < temp[1].Wopr.toInt()); // file order within a topic
        QCOMPARE(m->KWopr->text(), QStringLiteral("6"));
        QCOMPARE(m->WseBal->text(), QStringLiteral("6"));
        QCOMPARE(m->run().OtwTabl().rowCount(), 6 + 1);               // the answers of the drawn questions only
        QCOMPARE(m->run().WopTabl().cell(1, 6), QStringLiteral("4")); // asked in the drawn order
        QCOMPARE(m->WiborTema->currentText(), QStringLiteral("Тема 1"));

        // Answer all six: each question finds its options whatever its topic.
        for (int q = 0; q < 6; ++q) {
            const QStringList row = m->run().WopTabl().row(q + 1);
            m->OdinOt->setText(row[1] + u'.' + row[3]);
            QTest::mouseClick(m->Itog1, Qt::LeftButton);
        }
        QCOMPARE(m->WerWop->text(), QStringLiteral("6"));
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
    }

    void examLimitAndImpossibleDraws()
    {
        kit.freshFolder();
        writeSubject(kit.path("Istoriy"), {3, 4});
        // More asked than the topic has, and a count beyond the real questions: bounded draws.
        bank().exam.rewrite(std::vector<ExamRec>{{"1", "1", "Тема 1", "3", "7"}, {"1", "2", "Тема 2", "9", "9"}});
        MainWindow *m = kit.start();
        glo().LimitWopr = 5;
        m->N28->trigger();
        QCOMPARE(bank().temp.count(), 7); // 3 of topic 1, the 4 real ones of topic 2
        QCOMPARE(m->KWopr->text(), QStringLiteral("5"));
        QCOMPARE(m->run().WopTabl().cell(1, 5), QStringLiteral("2")); // the last topics are cut first
        QTest::mouseClick(m->Pusk, Qt::LeftButton);

        bank().exam.rewrite(std::vector<ExamRec>{{"1", "1", "Тема 1", "три", "1"}});
        m->N28->trigger();
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'три' is not a valid integer value"));
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
    }
};

QTEST_MAIN(ExamTest)
#include "test_exam.moc"
