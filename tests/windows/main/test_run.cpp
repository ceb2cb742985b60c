// A topic from "Пуск" to its close in the real main window: every answer type
// judged right, partly right and wrong, the grades, the stop and the protocol.
#include "Documents.h"
#include "DocxDocument.h"
#include "ExplanationWindow.h"
#include "RightAnswerWindow.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>

namespace
{
// One question and its options: codes (Kod_P, Otwe, text).
struct Q {
    QString wopr, text, ball;
    std::vector<std::array<QString, 3>> options;
};

void writeBank(const QString &folder, const std::vector<std::pair<QString, std::vector<Q>>> &topics)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    std::vector<TemaRec> temas;
    std::vector<WoprosRec> qs;
    std::vector<OtwetRec> os;
    int t = 0;
    for (const auto &[name, questions] : topics) {
        const QString tema = QString::number(++t);
        temas.push_back({"1", tema, name});
        for (const Q &q : questions) {
            qs.push_back({"1", tema, "1", q.wopr, q.text, "", q.ball, ""});
            for (const auto &o : q.options)
                os.push_back({"1", tema, "1", q.wopr, o[1], o[0], o[2]});
        }
    }
    bank.tema.rewrite(temas);
    bank.wopros.rewrite(qs);
    bank.otwet.rewrite(os);
}

const std::vector<std::pair<QString, std::vector<Q>>> fiveTypes = {
    {"Все виды",
     {{"1",
       "Кто из них правил в России?",
       "4",
       {{{"+", "1", "Пётр I"}}, {{"+", "2", "Иван IV"}}, {{"", "3", "Наполеон"}}}},
      {"2", "В каком году началась Великая Отечественная война?", "2", {{{"Ф", "1", "1941"}}}},
      {"3",
       "Соотнесите события и годы",
       "3",
       {{{"-", "1", "Крещение Руси"}}, {{"-", "2", "Полтавская битва"}}, {{"+", "2", "1709"}}, {{"+", "1", "988"}}}},
      {"4",
       "Отнесите правителей к династиям",
       "3",
       {{{"-", "1", "Рюриковичи"}},
        {{"-", "2", "Романовы"}},
        {{"+", "1", "Иван III"}},
        {{"+", "2", "Пётр I"}},
        {{"+", "2", "Екатерина II"}}}},
      {"5",
       "Расположите по порядку",
       "2",
       {{{"1", "2", "Полтавская битва"}}, {{"1", "1", "Куликовская битва"}}, {{"1", "3", "Бородинское сражение"}}}}}},
    {"Пустая тема", {}},
};
} // namespace

class RunTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;
    DocxDocument *doc = nullptr;
    DocumentFactory programFactory;
    MainWindow *m = nullptr;

    void startWith(const std::vector<std::pair<QString, std::vector<Q>>> &topics, bool hints = false,
                   bool protocolOn = false)
    {
        kit.freshFolder();
        writeBank(kit.path("Istoriy"), topics);
        documentFactory() = [this] {
            auto d = std::make_unique<DocxDocument>(desktopHooks());
            d->setFolder(kit.path("Documents"));
            doc = d.get();
            return d;
        };
        m = kit.start();
        kit.login("470259");
        m->run().modes().prompting = hints;
        m->run().modes().protocol = protocolOn;
        glo().LimitWopr = 20;
    }

    void pickTopic(int index)
    {
        m->WiborTema->setCurrentIndex(index);
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
    }

    // What the row buttons do: the right column moves, the left one stays.
    void swapRight(int a, int b)
    {
        StringTable *t = m->sootTable();
        for (int c : {2, 3}) {
            const QString x = t->cell(c, a);
            t->setCell(c, a, t->cell(c, b));
            t->setCell(c, b, x);
        }
    }

    void answer() { QTest::mouseClick(m->Itog1, Qt::LeftButton); }

private slots:
    void initTestCase() { programFactory = documentFactory(); }
    void cleanup() { documentFactory() = programFactory; }

    void everyTypeAllRight()
    {
        startWith(fiveTypes);
        pickTopic(0);
        QCOMPARE(m->Pusk->text(), QStringLiteral("Стоп"));
        QCOMPARE(m->KWopr->text(), QStringLiteral("5"));
        QCOMPARE(m->WseBal->text(), QStringLiteral("14"));
        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Птички поставить"));
        QCOMPARE(m->KOtw->text(), QStringLiteral("3"));
        QCOMPARE(m->KPraw->text(), QStringLiteral("2"));
        QCOMPARE(m->NomerWoprosa->text(), QStringLiteral("1_1_1_1"));
        QCOMPARE(m->TimeWopros->text(), QStringLiteral("45"));
        QVERIFY(m->PtiOtw[0]->isVisible() && !m->PtiOtw[3]->isVisible());
        m->PtiOtw[0]->setChecked(true);
        m->PtiOtw[1]->setChecked(true);
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("4"));

        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Точный ответ"));
        QVERIFY(m->OdinTo4->isVisible());
        m->OdinOt->setText(QStringLiteral("1941 "));
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("6"));

        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Соответствие"));
        QVERIFY(m->Soot->isVisible());
        QVERIFY(m->WidimSoot->isVisible());
        swapRight(1, 2); // the student puts 988 beside the first item
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("9"));

        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Проставить номера"));
        QCOMPARE(m->sootTable()->cell(3, 1), QStringLiteral("?"));
        QCOMPARE(m->run().PrawKody(), QStringList({"1", "2", "2"}));
        for (int r = 1; r <= 3; ++r)
            m->sootTable()->setCell(3, r, m->run().PrawKody()[r - 1]);
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("12"));

        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Ранжирование"));
        QVERIFY(m->NomOtw[0]->isVisible());
        m->NomOtw[0]->setText(QStringLiteral("2"));
        m->NomOtw[1]->setText(QStringLiteral(" 1"));
        m->NomOtw[2]->setText(QStringLiteral("3"));
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("14"));
        QCOMPARE(m->WerWop->text(), QStringLiteral("5"));

        // The close after the last question.
        QCOMPARE(m->WoprosM->toPlainText(),
                 QStringLiteral("Тема закрыта. Если протокол был включен, то можно напечатать его в Word."));
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
        QVERIFY(!m->Itog1->isEnabled() && !m->Otlogit->isEnabled());
        QVERIFY(m->PrnProtokol->isEnabled());
        QVERIFY(m->PredmetName->isEnabled() && m->WiborTema->isEnabled() && m->Regim->isEnabled());
        QVERIFY(!m->Powtorit1->isEnabled());
        QCOMPARE(m->Gauge2->value(), 0);
        QCOMPARE(m->Ocenka->text(), QStringLiteral("5"));
        QCOMPARE(m->TekOcenka->text(), QStringLiteral("5"));
        QVERIFY(m->Zw[4]->isEnabled());
        QVERIFY(!m->run().questionClock().running() && !m->run().topicClock().running());
    }

    void partlyRightAndWrongAnswers()
    {
        startWith(fiveTypes);
        pickTopic(0);
        m->PtiOtw[0]->setChecked(true); // one of two right ticks: round(4 * 1/2) = 2
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("2"));
        QCOMPARE(m->WerWop->text(), QStringLiteral("0"));
        QVERIFY(kit.desk.of("modal").empty()); // no training window without hints

        m->OdinOt->setText(QStringLiteral("1941 г."));
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("2"));

        answer(); // matching left as shown: wrong, no partial credit
        QCOMPARE(m->WerBal->text(), QStringLiteral("2"));

        m->sootTable()->setCell(3, 1, QStringLiteral("1"));
        m->sootTable()->setCell(3, 2, QStringLiteral(" 2 "));
        m->sootTable()->setCell(3, 3, QStringLiteral("1")); // 2 of 3 of 3 points
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("4"));
        QCOMPARE(m->WerWop->text(), QStringLiteral("0"));

        m->NomOtw[0]->setText(QStringLiteral("2")); // 1 of 3 of 2 points: round(0.667) = 1
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("5"));
        QCOMPARE(m->Ocenka->text(), QStringLiteral("2")); // 5 of 14 = 35.7 %
        QVERIFY(m->Zw[0]->isEnabled() && m->Zw[1]->isEnabled());
        QVERIFY(!m->Zw[2]->isEnabled());
    }

    // Training after a ticks answer not all right: the window «Правильно»
    // says how far it was right (right ticks of the right options, none when
    // a wrong tick voids them) while the right options stay bright.
    void trainingSaysWhyTheRightOptionsShow_data()
    {
        QTest::addColumn<QString>("ticks"); // t ticked, - not, for Пётр I (+), Иван IV (+), Наполеон
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("said");
        QTest::newRow("a wrong tick voids") << "ttt"
                                            << "0"
                                            << "Ответ неверный";
        QTest::newRow("nothing ticked") << "---"
                                        << "0"
                                        << "Ответ неверный";
        QTest::newRow("one of two") << "-t-"
                                    << "2"
                                    << "Ответ верный частично: 1 из 2";
        QTest::newRow("all right: no window") << "tt-"
                                              << "4"
                                              << "";
    }

    void trainingSaysWhyTheRightOptionsShow()
    {
        QFETCH(QString, ticks);
        QFETCH(QString, points);
        QFETCH(QString, said);
        startWith(fiveTypes, true);
        QList<bool> greyedWhileShown;
        QString verdict;
        kit.desk.onModal = [&](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("DalsheOkno"));
            QCOMPARE(d->windowTitle(), QStringLiteral("Правильно"));
            greyedWhileShown = {m->TxtOtw[0]->isEnabled(), m->TxtOtw[1]->isEnabled(), m->TxtOtw[2]->isEnabled()};
            QCOMPARE(m->TipOtweta->text(), QStringLiteral("Птички поставить")); // next question not shown yet
            verdict = child<QLabel>(d, "Werdikt")->text();
            // Above «Дальше», which says it too when it takes the focus.
            auto *next = child<QPushButton>(d, "BitBtn1");
            QVERIFY(child<QLabel>(d, "Werdikt")->geometry().bottom() < next->geometry().top());
            QCOMPARE(next->accessibleDescription(), verdict);
        };
        pickTopic(0);
        for (int i = 0; i < 3; ++i)
            m->PtiOtw[size_t(i)]->setChecked(ticks[i] == u't');
        answer();
        QCOMPARE(m->WerBal->text(), points);
        if (said.isEmpty()) {
            QVERIFY(kit.desk.of("modal").empty());
        } else {
            QCOMPARE(verdict, said + QStringLiteral(". Верные варианты остались выделенными."));
            QCOMPARE(greyedWhileShown, QList<bool>({true, true, false}));
        }
        QVERIFY(m->TxtOtw[2]->isEnabled() || !m->TxtOtw[2]->isVisible());
        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Точный ответ"));
    }

    void zeroQuestionsAndTopicPrompt()
    {
        startWith(fiveTypes);
        // No topic chosen.
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral("Мышку заело?"));
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Тема не выбрана"));
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));

        pickTopic(1);
        QCOMPARE(m->KWopr->text(), QStringLiteral("0"));
        QVERIFY(m->Itog1->isEnabled());
        answer();
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
        QVERIFY(m->WoprosM->toPlainText().startsWith(QStringLiteral("Тема закрыта.")));
        QVERIFY(kit.desk.of("error").empty()); // no points at all: no grade, no failure
        QVERIFY(m->Ocenka->text().isEmpty());

        glo().LimitWopr = 0; // a limit of 0 is a run of zero questions too
        pickTopic(0);
        QCOMPARE(m->KWopr->text(), QStringLiteral("0"));
    }

    void stopInTheMiddle()
    {
        startWith(fiveTypes);
        pickTopic(0);
        answer();
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
        QVERIFY(m->WoprosM->toPlainText().startsWith(QStringLiteral("Тема закрыта.")));
        QVERIFY(m->PrnProtokol->isEnabled());
        QVERIFY(!m->Itog1->isEnabled());
        QVERIFY(!m->Powtorit1->isEnabled());
        QCOMPARE(m->KWopr->text(), QStringLiteral("5"));
        QVERIFY(!m->run().timeSpent().isEmpty());
    }

    void limitAndRandomOrder()
    {
        std::vector<Q> many;
        for (int i = 1; i <= 12; ++i)
            many.push_back({QString::number(i), QStringLiteral("Вопрос %1").arg(i), "1", {{{"Ф", "1", "x"}}}});
        startWith({{"Много", many}});
        glo().LimitWopr = 4;
        pickTopic(0);
        QCOMPARE(m->KWopr->text(), QStringLiteral("4"));
        QCOMPARE(m->run().WopTabl().cell(3, 4), QStringLiteral("4")); // file order
        QTest::mouseClick(m->Pusk, Qt::LeftButton);

        m->run().modes().random = true;
        rng().seed(12345);
        RandomGen same(12345);
        std::vector<QStringList> expected;
        for (int i = 1; i <= 12; ++i)
            expected.push_back({QString::number(i), QString::number(same.draw(100))});
        orderByKeys(expected, 1);
        pickTopic(0);
        for (int r = 1; r <= 4; ++r)
            QCOMPARE(m->run().WopTabl().cell(3, r), expected[size_t(r - 1)][0]);
    }

    void protocolLinesAreWritten()
    {
        startWith(fiveTypes, true, true);
        pickTopic(0);
        m->PtiOtw[0]->setChecked(true);
        m->PtiOtw[1]->setChecked(true);
        answer();
        m->OdinOt->setText(QStringLiteral("1941"));
        answer();
        swapRight(1, 2);
        answer(); // matching: a 4-column table
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QTest::mouseClick(m->PrnProtokol, Qt::LeftButton);
        QVERIFY(doc);
        const QString text = doc->model().characters();
        QVERIFY2(text.contains(QStringLiteral("1. Кто из них правил в России?")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("в+ :  Пётр I")));
        QVERIFY(text.contains(QStringLiteral("-- :  Наполеон")));
        QVERIFY(
            text.contains(QStringLiteral("2. В каком году началась Великая Отечественная война?++ :  1941 Вы 1941")));
        const int wrong = text.indexOf(QStringLiteral("-- :  Наполеон")) + 1;
        const int right = text.indexOf(QStringLiteral("в+ :  Пётр I")) + 1;
        QVERIFY(!doc->model().isBoldAt(wrong));
        QVERIFY(doc->model().isBoldAt(right));
        QCOMPARE(doc->model().tableCount(), 2); // the matching answer and the summary
        QCOMPARE(doc->model().tableAt(1).columns, 4);
    }

    void protocolSummaryAndSignature()
    {
        startWith(fiveTypes, false, true);
        m->run().modes().pupil = QStringLiteral("Петров П. 10 А");
        QTest::mouseClick(m->PrnProtokol, Qt::LeftButton); // disabled before a run: nothing happens
        QVERIFY(kit.desk.of("message").empty());
        pickTopic(0);
        m->PtiOtw[0]->setChecked(true);
        m->PtiOtw[1]->setChecked(true);
        answer();
        QTest::mouseClick(m->Pusk, Qt::LeftButton); // stopped after one question
        QVERIFY(m->PrnProtokol->isEnabled());
        QTest::mouseClick(m->PrnProtokol, Qt::LeftButton);
        QVERIFY(!m->PrnProtokol->isEnabled());
        const auto &summary = doc->model().tableAt(doc->model().tableCount());
        QCOMPARE(summary.rows, 11);
        QCOMPARE(summary.columns, 2);
        auto cell = [&](int r, int c) {
            QString t;
            for (const auto &run : summary.cell(r, c))
                t += run.text;
            return t;
        };
        QCOMPARE(cell(4, 1), QStringLiteral("Задано вопросов"));
        QCOMPARE(cell(4, 2), QStringLiteral("5"));              // the planned number stays
        QCOMPARE(cell(6, 2), QStringLiteral("2   Процент 20")); // 1 of 5 right
        QCOMPARE(cell(9, 2), QStringLiteral("5   Процент 29")); // running grade 4 of 4, then 4 of 14 points
        QCOMPARE(cell(11, 2), QStringLiteral("Петров П. 10 А"));
        QVERIFY(doc->model().characters().endsWith(
            QStringLiteral("Подписи: Преподаватель ________________________   Аттестуемый ______________________ \n")));
        QVERIFY(QFile::exists(doc->lastFile()));
        QCOMPARE(kit.desk.lastText("open"), doc->lastFile());

        // Protocol off: the warning and nothing else.
        m->run().modes().protocol = false;
        pickTopic(0);
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QTest::mouseClick(m->PrnProtokol, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral("Включите печать протокола"));
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Печать протокола выключена"));
    }

    void protocolThatNothingOpensSaysWhereItIs()
    {
        startWith(fiveTypes, false, true);
        pickTopic(0);
        m->PtiOtw[0]->setChecked(true);
        answer();
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        kit.desk.openSucceeds = false;
        kit.desk.openFolder.push_back(true);
        QTest::mouseClick(m->PrnProtokol, Qt::LeftButton);
        QVERIFY(doc && QFile::exists(doc->lastFile()));
        QVERIFY(kit.desk.lastText("notOpened").contains(QFileInfo(doc->lastFile()).fileName()));
        QCOMPARE(kit.desk.lastText("folder"), QDir::toNativeSeparators(kit.path("Documents")));
        QVERIFY(kit.desk.of("error").empty());
    }

    void pictureAndExplanationFiles()
    {
        startWith({{"Файлы",
                    {{"1", "Где это? File#poltava.txt#", "1", {{{"Ф", "1", "Полтава"}}}},
                     {"2", "Документ File#ukaz.doc#", "1", {{{"Ф", "1", "x"}}}},
                     {"3", "Без конца File#abcdefghijklmnopqrstuvwxyz", "1", {{{"Ф", "1", "x"}}}},
                     {"4", "Чужой файл File#../../Baza/NoKor.qdx#", "1", {{{"Ф", "1", "x"}}}},
                     {"5", "Огромный File#big.txt#", "1", {{{"Ф", "1", "x"}}}},
                     {"6", "Программа File#run.sh#", "1", {{{"Ф", "1", "x"}}}},
                     {"7", "Ярлык File#app.desktop#", "1", {{{"Ф", "1", "x"}}}},
                     {"8", "Без расширения File#tool#", "1", {{{"Ф", "1", "x"}}}}}}});
        QDir().mkpath(kit.path("Istoriy/Foto"));
        {
            // 300 MB that take no room on the disk: only the first mebibyte is read.
            QFile big(kit.path("Istoriy/Foto/big.txt"));
            QVERIFY(big.open(QIODevice::WriteOnly) && big.write("\xc0\xc1\xc2 ") == 4 && big.resize(300'000'000));
        }
        for (const char *name : {"run.sh", "app.desktop", "tool"})
            writeCp1251Lines(kit.path("Istoriy/Foto/") + name, {"echo"});
        writeCp1251Lines(kit.path("Istoriy/Foto/poltava.txt"), {"Полтавская битва, 1709 год."});
        writeCp1251Lines(kit.path("Istoriy/Foto/ukaz.doc"), {"doc"});
        writeCp1251Lines(kit.path("Istoriy/Foto/1_1_1_1.gif"), {"GIF89a"});
        pickTopic(0);
        QCOMPARE(m->WoprosM->toPlainText(), QStringLiteral("Где это? "));
        QVERIFY(kit.main->explanationWindow()->isVisible());
        QCOMPARE(kit.main->explanationWindow()->windowTitle(),
                 QStringLiteral("Пояснения к вопросу из файла: ") + kit.path("Istoriy/Foto/poltava.txt"));
        QCOMPARE(kit.main->explanationWindow()->Poyasnen->toPlainText().trimmed(),
                 QStringLiteral("Полтавская битва, 1709 год."));
        QCOMPARE(kit.desk.lastText("open"), kit.path("Istoriy/Foto/1_1_1_1.gif"));
        QVERIFY(m->notice->isVisible());
        QCOMPARE(m->notice->text(), QStringLiteral("Закройте окна с информацией к вопросу!!!"));

        kit.desk.clear();
        answer();
        QVERIFY(!kit.main->explanationWindow()->isVisible());
        QCOMPARE(kit.desk.lastText("open"), kit.path("Istoriy/Foto/ukaz.doc"));
        QVERIFY(!m->notice->isVisible()); // the notice is for pictures only

        kit.desk.clear();
        answer();
        QCOMPARE(m->WoprosM->toPlainText(), QStringLiteral("Без конца "));
        QVERIFY(kit.desk.of("open").empty());

        answer(); // a reference that leaves the Foto folder is never followed
        QCOMPARE(m->WoprosM->toPlainText(), QStringLiteral("Чужой файл "));
        QVERIFY(kit.desk.of("open").empty());
        QVERIFY(!kit.main->explanationWindow()->isVisible());

        answer();
        const QString shown = kit.main->explanationWindow()->Poyasnen->toPlainText();
        QVERIFY(shown.startsWith(QStringLiteral("АБВ")));
        QVERIFY(shown.size() < 1100 * 1024);
        QVERIFY(shown.endsWith(QStringLiteral("[Текст обрезан: показаны первые 1024 КБ из 292969 КБ файла.]")));

        // Bank data never hands a program to the desktop.
        for (const QString name : {"run.sh", "app.desktop", "tool"}) {
            kit.desk.clear();
            answer();
            QVERIFY(kit.desk.of("open").empty());
            QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Файл не открыт"));
            QVERIFY(kit.desk.lastText("message").contains(QStringLiteral("«") + name + QStringLiteral("»")));
        }
    }

    void manyOptionsGetRowsOfTheirOwn()
    {
        Q big{"1", "Отметьте чётные числа", "2", {}};
        for (int i = 1; i <= 34; ++i)
            big.options.push_back({i % 2 ? QString() : QStringLiteral("+"), QString::number(i), QString::number(i)});
        startWith({{"Большой", {big}}});
        pickTopic(0);
        QCOMPARE(m->KOtw->text(), QStringLiteral("34"));
        QCOMPARE(m->KPraw->text(), QStringLiteral("17"));
        QVERIFY(m->PtiOtw.size() >= 34);
        QCOMPARE(m->TxtOtw[33]->toPlainText(), QStringLiteral("34"));
        QVERIFY(!m->PtiOtw[33]->isHidden());
        for (int i = 2; i <= 34; i += 2)
            m->PtiOtw[size_t(i - 1)]->setChecked(true);
        answer();
        QCOMPARE(m->WerBal->text(), QStringLiteral("2"));
    }

    void topicFromTheHeaderRowAndLimits()
    {
        startWith(fiveTypes);
        m->WiborTema->setCurrentIndex(-1);
        m->WiborTema->setEditText(QStringLiteral("Что-то своё"));
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QCOMPARE(m->KWopr->text(), QStringLiteral("0")); // the header row matches no question
    }
};

QTEST_MAIN(RunTest)
#include "test_run.moc"
