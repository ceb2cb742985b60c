// The answering aids, the modes and the question times in the real main window.
#include "AccessWindow.h"
#include "Accessibility.h"
#include "EditorWindow.h"
#include "ExamSetupWindow.h"
#include "ExplanationWindow.h"
#include "RightAnswerWindow.h"
#include "SettingsWindow.h"
#include "SubjectListWindow.h"
#include "WindowTestKit.h"
#include "banktables.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>

namespace
{
struct Opt {
    QString code, label, text;
};

// A topic "Тема" whose questions are given as lists of options.
void writeTopic(const QString &folder, const std::vector<std::vector<Opt>> &questions)
{
    QDir().mkpath(folder);
    BankFiles bank(folder);
    std::vector<WoprosRec> qs;
    std::vector<OtwetRec> os;
    int n = 0;
    for (const auto &opts : questions) {
        const QString w = QString::number(++n);
        qs.push_back({"1", "1", "1", w, QStringLiteral("Вопрос %1").arg(n), "", "2", ""});
        for (const Opt &o : opts)
            os.push_back({"1", "1", "1", w, o.label, o.code, o.text});
    }
    bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Тема"}});
    bank.wopros.rewrite(qs);
    bank.otwet.rewrite(os);
}

const std::vector<Opt> matching312 = {{"-", "1", "А"}, {"-", "2", "Б"}, {"-", "3", "В"},
                                      {"+", "3", "в"}, {"+", "1", "а"}, {"+", "2", "б"}};
const std::vector<Opt> classes = {
    {"-", "1", "Класс 1"}, {"-", "2", "Класс 2"}, {"+", "2", "x"}, {"+", "1", "y"}, {"+", "2", "z"}};
const std::vector<Opt> ticks = {
    {"+", "1", "верно"}, {"", "2", "неверно 1"}, {"", "3", "неверно 2"}, {"+", "4", "тоже верно"}};
const std::vector<Opt> exact = {{"Ф", "1", "Полтава"}};
const std::vector<Opt> ranking = {{"1", "3", "третий"}, {"1", "1", "первый"}, {"1", "2", "второй"}};
} // namespace

class AidsTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;
    MainWindow *m = nullptr;

    void startWith(const std::vector<std::vector<Opt>> &questions, bool hints = true)
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"), questions);
        m = kit.start();
        kit.login("470259");
        m->Regim->item(0)->setCheckState(hints ? Qt::Checked : Qt::Unchecked);
        glo().LimitWopr = 20;
        m->WiborTema->setCurrentIndex(0);
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
    }

    QStringList rightLabels()
    {
        QStringList l;
        for (int r = 1; r <= m->run().KolPlus(); ++r)
            l << m->sootTable()->cell(3, r);
        return l;
    }

private slots:
    void focusGoesWhereThePupilAnswers_data()
    {
        QTest::addColumn<std::vector<Opt>>("question");
        QTest::addColumn<QString>("focused"); // the object name; "grid" for the grid shown
        QTest::newRow("typed answer") << exact << "OdinOt";
        QTest::newRow("ticks") << ticks << "PtiOtw1";
        QTest::newRow("ranking") << ranking << "NomOtw1";
        QTest::newRow("matching") << matching312 << "grid";
    }
    void focusGoesWhereThePupilAnswers()
    {
        // After F5 and after each answer the keys go to the first answer control.
        QFETCH(std::vector<Opt>, question);
        QFETCH(QString, focused);
        startWith({question, question});
        for (int n = 1; n <= 2; ++n) {
            QWidget *f = QApplication::focusWidget();
            QVERIFY(f);
            if (focused == u"grid") {
                auto *grid = qobject_cast<QTableView *>(f);
                QVERIFY2(grid && (f == m->SootTab || f == m->WidimSoot), qPrintable(f->objectName()));
                QCOMPARE(grid->currentIndex(), grid->model()->index(0, 0));
                // Tab leaves the grid; the arrows stay inside it.
                QTest::keyClick(grid, Qt::Key_Down);
                QCOMPARE(QApplication::focusWidget(), f);
                QTest::keyClick(grid, Qt::Key_Tab);
                QVERIFY(QApplication::focusWidget() != f);
            } else {
                QCOMPARE(f->objectName(), focused);
            }
            QTest::mouseClick(m->Itog1, Qt::LeftButton);
        }
    }

    void theKeyboardIsEnough()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"), {ticks, exact, exact});
        glo() = Glo{};
        m = kit.start();
        // The password box has the focus; Enter logs in.
        QCOMPARE(QApplication::focusWidget(), m->Parol);
        m->Parol->selectAll();
        QTest::keyClicks(m->Parol, QStringLiteral("470259"));
        QTest::keyClick(m->Parol, Qt::Key_Return);
        QVERIFY(m->Zastavka->isHidden());
        glo().LimitWopr = 20;
        m->WiborTema->setCurrentIndex(0);
        QTest::keyClick(m, Qt::Key_F5); // start
        QCOMPARE(m->Pusk->text(), QStringLiteral("Стоп"));

        // Tab walks the tick boxes in their order, past the option texts; Space ticks.
        m->PtiOtw[0]->setFocus();
        QTest::keyClick(m->PtiOtw[0], Qt::Key_Space);
        QVERIFY(m->PtiOtw[0]->isChecked());
        QTest::keyClick(m->PtiOtw[0], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m->PtiOtw[1]);
        QTest::keyClick(m->PtiOtw[1], Qt::Key_Tab);
        QTest::keyClick(m->PtiOtw[2], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m->PtiOtw[3]);
        QTest::keyClick(m->PtiOtw[3], Qt::Key_Space);
        QTest::keyClick(m, Qt::Key_Return, Qt::ControlModifier); // answer
        QCOMPARE(m->WerWop->text(), QStringLiteral("1"));

        // Enter in the answer line answers; F6 puts off, F7 repeats.
        m->OdinOt->setText(QStringLiteral("Полтава")); // typed (the test keyboard knows no Cyrillic)
        QTest::keyClick(m->OdinOt, Qt::Key_Return);
        QCOMPARE(m->WerWop->text(), QStringLiteral("2"));
        QTest::keyClick(m, Qt::Key_F6);
        QCOMPARE(m->Powtorit1->text(), QStringLiteral("Повтор\n     1"));
        QVERIFY(!m->Itog1->isEnabled());
        QTest::keyClick(m, Qt::Key_F7);
        QVERIFY(m->Itog1->isEnabled());
        QCOMPARE(m->NWopr->text(), QStringLiteral("3"));
        m->OdinOt->setText(QStringLiteral("Полтава")); // typed (the test keyboard knows no Cyrillic)
        QTest::keyClick(m->OdinOt, Qt::Key_Return);
        QCOMPARE(m->WerWop->text(), QStringLiteral("3"));
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));

        // Menus have their letters; F1 opens the help; Escape closes a dialog.
        for (QAction *a : {m->N1, m->N3, m->N7, m->N10, m->N13})
            QVERIFY2(a->text().contains(u'&'), qPrintable(a->text()));
        kit.desk.clear();
        QTest::keyClick(m, Qt::Key_F1);
        QVERIFY(kit.desk.lastText("open").endsWith(QStringLiteral("Help/ReadMe.doc")));
        for (QDialog *d : std::initializer_list<QDialog *>{m->editorWindow(), m->settingsWindow(), m->accessWindow(),
                                                           m->examSetupWindow(), m->subjectListWindow(),
                                                           m->rightAnswerWindow(), m->explanationWindow()}) {
            d->show();
            QVERIFY(QTest::qWaitForWindowActive(d));
            bool hasDefault = false;
            for (QPushButton *b : d->findChildren<QPushButton *>())
                hasDefault = hasDefault || b->isDefault();
            QVERIFY2(hasDefault, qPrintable(d->objectName()));
            QTest::keyClick(d, Qt::Key_Escape);
            QVERIFY2(!d->isVisible(), qPrintable(d->objectName()));
        }
        QTest::keyClick(m, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!m->isVisible());
    }

    void ispravitSortsOnePassAtATime()
    {
        startWith({matching312});
        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Соответствие"));
        QVERIFY(m->Ispravit->isEnabled() && m->SootTab->isVisible());
        QCOMPARE(rightLabels(), QStringList({"3", "1", "2"}));
        QTest::mouseClick(m->Ispravit, Qt::LeftButton);
        QCOMPARE(rightLabels(), QStringList({"1", "3", "2"}));
        QCOMPARE(m->Podskazano->text(), QStringLiteral("1"));
        QCOMPARE(m->widimTable()->cell(1, 1), QStringLiteral("а"));
        QTest::mouseClick(m->Ispravit, Qt::LeftButton);
        QCOMPARE(rightLabels(), QStringList({"1", "2", "3"}));
        QCOMPARE(m->Podskazano->text(), QStringLiteral("2"));
        QCOMPARE(m->sootTable()->cell(1, 1), QStringLiteral("А")); // the left column never moves
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->WerBal->text(), QStringLiteral("2"));
    }

    void rowButtonsMoveTheSelection()
    {
        startWith({matching312}, false);
        QVERIFY(!m->SootTab->isVisible());
        QVERIFY(!m->Ispravit->isEnabled());
        m->NStr->setText(QStringLiteral("1"));
        QTest::mouseClick(m->WWerh, Qt::LeftButton);
        QCOMPARE(rightLabels(), QStringList({"3", "1", "2"}));
        m->NStr->setText(QStringLiteral("3"));
        QTest::mouseClick(m->Wniz, Qt::LeftButton);
        QCOMPARE(rightLabels(), QStringList({"3", "1", "2"}));
        m->WidimSootMouseDown(2);
        QCOMPARE(m->NStr->text(), QStringLiteral("2"));
        QTest::mouseClick(m->WWerh, Qt::LeftButton);
        QCOMPARE(rightLabels(), QStringList({"1", "3", "2"}));
        QCOMPARE(m->NStr->text(), QStringLiteral("1")); // the selection follows the moved item
    }

    // Alt+Up / Alt+Down move the row in focus of whichever grid shows, and
    // the focus goes with it; a classification's rows do not move.
    void altArrowsMoveTheRowInFocus_data()
    {
        QTest::addColumn<std::vector<Opt>>("question");
        QTest::addColumn<bool>("hints");
        QTest::addColumn<QString>("keys"); // u / d for Alt+Up / Alt+Down
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("focusRow");
        QTest::newRow("down twice, with numbers") << matching312 << true << "dd" << QStringList{"1", "2", "3"} << 2;
        QTest::newRow("down twice, plain") << matching312 << false << "dd" << QStringList{"1", "2", "3"} << 2;
        QTest::newRow("not past the last") << matching312 << true << "ddd" << QStringList{"1", "2", "3"} << 2;
        QTest::newRow("not above the first") << matching312 << false << "u" << QStringList{"3", "1", "2"} << 0;
        QTest::newRow("down and back") << matching312 << true << "du" << QStringList{"3", "1", "2"} << 0;
        QTest::newRow("classification stays") << classes << true << "dd" << QStringList{"?", "?", "?"} << 0;
    }

    void altArrowsMoveTheRowInFocus()
    {
        QFETCH(std::vector<Opt>, question);
        QFETCH(bool, hints);
        QFETCH(QString, keys);
        QFETCH(QStringList, labels);
        QFETCH(int, focusRow);
        startWith({question}, hints);
        auto *grid = qobject_cast<QTableView *>(QApplication::focusWidget());
        QVERIFY(grid == (hints ? m->SootTab : m->WidimSoot));
        for (const QChar k : keys)
            QTest::keyClick(grid, k == u'u' ? Qt::Key_Up : Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(rightLabels(), labels);
        QCOMPARE(QApplication::focusWidget(), grid);
        QCOMPARE(grid->currentIndex().row(), focusRow);
        QVERIFY(kit.desk.of("error").empty());
    }

    void rowButtonsRefuseText()
    {
        startWith({matching312});
        m->NStr->setText(QStringLiteral("два"));
        QTest::mouseClick(m->Wniz, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'два' is not a valid integer value"));
        QCOMPARE(rightLabels(), QStringList({"3", "1", "2"}));
    }

    void ubWoprFillsTheFirstQuestionMark()
    {
        startWith({classes});
        QCOMPARE(m->TipOtweta->text(), QStringLiteral("Проставить номера"));
        QVERIFY(m->UbWopr->isEnabled());
        m->sootTable()->setCell(3, 1, QStringLiteral("1")); // typed by the student: skipped
        QTest::mouseClick(m->UbWopr, Qt::LeftButton);
        QCOMPARE(rightLabels(), QStringList({"1", "1", "?"}));
        QCOMPARE(m->Podskazano->text(), QStringLiteral("1"));
        QTest::mouseClick(m->UbWopr, Qt::LeftButton);
        QTest::mouseClick(m->UbWopr, Qt::LeftButton); // nothing left: costs nothing
        QCOMPARE(rightLabels(), QStringList({"1", "1", "2"}));
        QCOMPARE(m->Podskazano->text(), QStringLiteral("2"));
    }

    void plusSimAndFifti()
    {
        startWith({exact, ticks, ranking});
        QTest::mouseClick(m->PlusSim, Qt::LeftButton);
        QCOMPARE(m->OdinOt->text(), QStringLiteral("Полтава"));
        m->OdinOt->setText(QStringLiteral("Нарва!!"));
        QTest::mouseClick(m->PlusSim, Qt::LeftButton);
        QCOMPARE(m->OdinOt->text(), QStringLiteral("Нарва!!"));
        QCOMPARE(m->Podskazano->text(), QStringLiteral("1"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);

        QTest::mouseClick(m->Fifti, Qt::LeftButton);
        QVERIFY(m->TxtOtw[1]->isHidden());
        QVERIFY(!m->PtiOtw[1]->isHidden());
        QTest::mouseClick(m->Fifti, Qt::LeftButton);
        QVERIFY(m->TxtOtw[2]->isHidden());
        QTest::mouseClick(m->Fifti, Qt::LeftButton); // no wrong option left shown
        QCOMPARE(m->Podskazano->text(), QStringLiteral("3"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);

        m->NomOtw[0]->setText(QStringLiteral("3"));
        QTest::mouseClick(m->Fifti, Qt::LeftButton);
        QCOMPARE(m->NomOtw[1]->text(), QStringLiteral("1"));
        QCOMPARE(m->Podskazano->text(), QStringLiteral("4"));
    }

    void puttingOffAndRepeating()
    {
        std::vector<std::vector<Opt>> ten(10, exact);
        startWith(ten);
        QCOMPARE(m->KWopr->text(), QStringLiteral("10"));
        for (int q = 1; q <= 10; ++q) {
            QCOMPARE(m->NWopr->text(), QString::number(q));
            if (q == 3 || q == 5) {
                QTest::mouseClick(m->Otlogit, Qt::LeftButton);
                continue;
            }
            m->OdinOt->setText(QStringLiteral("Полтава"));
            QTest::mouseClick(m->Itog1, Qt::LeftButton);
        }
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
        QVERIFY(m->Powtorit1->isEnabled());
        QCOMPARE(m->Powtorit1->text(), QStringLiteral("Повтор\n     2"));
        QCOMPARE(m->WerWop->text(), QStringLiteral("8"));

        QTest::mouseClick(m->Powtorit1, Qt::LeftButton);
        QCOMPARE(m->NWopr->text(), QStringLiteral("9"));
        QCOMPARE(m->run().WopTabl().rowCount(), 3);
        QCOMPARE(m->run().WopTabl().cell(3, 1), QStringLiteral("3"));
        QCOMPARE(m->run().WopTabl().cell(3, 2), QStringLiteral("5"));
        QCOMPARE(m->run().WopTabl().cell(7, 2), QStringLiteral("у"));
        QVERIFY(!m->Powtorit1->isEnabled());
        m->OdinOt->setText(QStringLiteral("Полтава"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->NWopr->text(), QStringLiteral("10"));
        m->OdinOt->setText(QStringLiteral("Полтава"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->WerWop->text(), QStringLiteral("10"));
        QVERIFY(!m->Itog1->isEnabled());
    }

    void puttingOffTheLastQuestion()
    {
        startWith({exact, exact});
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QTest::mouseClick(m->Otlogit, Qt::LeftButton);
        QCOMPARE(m->WoprosM->toPlainText(), QStringLiteral("Вопрос 2"));
        QVERIFY(!m->Itog1->isEnabled());
        QVERIFY(!m->Otlogit->isEnabled());
        QVERIFY(m->Powtorit1->isEnabled());
        m->tickClocks(secondsOfDay() + 3600); // the end of time does nothing now
        QCOMPARE(m->WoprosM->toPlainText(), QStringLiteral("Вопрос 2"));

        // The repeat judges nothing: the question is asked again and counts once.
        m->OdinOt->setText(QStringLiteral("Полтава"));
        QTest::mouseClick(m->Powtorit1, Qt::LeftButton);
        QCOMPARE(m->WerWop->text(), QStringLiteral("0"));
        QCOMPARE(m->WoprosM->toPlainText(), QStringLiteral("Вопрос 2"));
        QVERIFY(m->OdinOt->text().isEmpty());
        QVERIFY(m->Itog1->isEnabled());
        m->OdinOt->setText(QStringLiteral("Полтава"));
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->WerWop->text(), QStringLiteral("1"));
        QCOMPARE(m->WerBal->text(), QStringLiteral("2"));
        QVERIFY(!m->Itog1->isEnabled() && !m->Powtorit1->isEnabled());
    }

    void puttingOffChangesNoCounter_data()
    {
        QTest::addColumn<QList<int>>("deferred");
        QTest::newRow("none") << QList<int>{};
        QTest::newRow("middle") << QList<int>{2};
        QTest::newRow("last") << QList<int>{4};
        QTest::newRow("first and last") << QList<int>{1, 4};
        QTest::newRow("all") << QList<int>{1, 2, 3, 4};
    }
    void puttingOffChangesNoCounter()
    {
        // The same answers, some given only after putting the questions off,
        // end with the same counters and grades.
        QFETCH(QList<int>, deferred);
        startWith({exact, exact, exact, exact});
        const QStringList answers = {QStringLiteral("Полтава"), QStringLiteral("нет"), QStringLiteral("Полтава"),
                                     QStringLiteral("Полтава")};
        auto answerShown = [&] {
            const int q = m->WoprosM->toPlainText().section(u' ', 1).toInt();
            m->OdinOt->setText(answers[q - 1]);
            QTest::mouseClick(m->Itog1, Qt::LeftButton);
        };
        for (int q = 1; q <= 4; ++q) {
            if (deferred.contains(q))
                QTest::mouseClick(m->Otlogit, Qt::LeftButton);
            else
                answerShown();
            QVERIFY(m->WerWop->text().toInt() <= m->KWopr->text().toInt());
        }
        if (!deferred.isEmpty()) {
            m->OdinOt->setText(QStringLiteral("Полтава")); // whatever stands there is not judged
            QTest::mouseClick(m->Powtorit1, Qt::LeftButton);
            for (int i = 0; i < deferred.size(); ++i)
                answerShown();
        }
        QCOMPARE(m->WerWop->text(), QStringLiteral("3"));
        QCOMPARE(m->WerBal->text(), QStringLiteral("6"));
        QCOMPARE(m->WseBal->text(), QStringLiteral("8"));
        QCOMPARE(m->Ocenka->text(), QStringLiteral("4"));
        QCOMPARE(m->TekOcenka->text(), QStringLiteral("4"));
        QVERIFY(!m->Itog1->isEnabled() && !m->Powtorit1->isEnabled());
    }

    void panesKeepTheirPlace_data()
    {
        QTest::addColumn<bool>("exactFirst");
        QTest::newRow("exact, then matching") << true;
        QTest::newRow("matching, then exact") << false;
    }

    void panesKeepTheirPlace()
    {
        // The exact answer's and the matching's panes come with the first
        // question that shows them, whichever comes first: with the run's
        // state (no aids without prompting), under the answer rows in their
        // order, and on Tab where the window has them.
        QFETCH(bool, exactFirst);
        startWith(exactFirst ? std::vector{exact, matching312} : std::vector{matching312, exact}, false);
        for (int n = 0; n < 2; ++n) {
            const bool exactShown = exactFirst == (n == 0);
            QVERIFY(exactShown ? m->OdinTo4->isVisible() && !m->PlusSim->isEnabled()
                               : m->Soot->isVisible() && !m->Ispravit->isEnabled() && m->WWerh->isEnabled());
            QVERIFY2(unnamedControls(m).isEmpty(), qPrintable(unnamedControls(m).join(u' ')));
            if (n == 0)
                QTest::mouseClick(m->Itog1, Qt::LeftButton);
        }
        const QLayout *area = m->OtwetiOtm->parentWidget()->layout();
        QVERIFY(area->indexOf(m->OtwetiOtm) < area->indexOf(m->OdinTo4));
        QVERIFY(area->indexOf(m->OdinTo4) < area->indexOf(m->Soot));
        QList<QWidget *> onTab;
        for (QWidget *w = m->OtwetiOtm->nextInFocusChain(); w != m->Itog1; w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                onTab << w;
        QCOMPARE(onTab, (QList<QWidget *>{m->OdinOt, m->PlusSim, m->Memo1, m->WidimSoot, m->SootTab, m->NStr, m->WWerh,
                                          m->Wniz, m->Ispravit, m->UbWopr}));
    }

    void optionsTableBehindTheCode()
    {
        startWith({ticks});
        kit.desk.inputs.push_back(QStringLiteral("1234567890"));
        m->N5->trigger();
        QVERIFY(!m->OtwTek || m->OtwTek->isHidden()); // the table is made when it first shows
        QVERIFY(kit.desk.of("message").empty());
        QCOMPARE(kit.desk.of("input").back().caption, QStringLiteral("А оно Вам надо"));
        kit.desk.inputs.push_back(QStringLiteral(" 7305918264 "));
        m->N5->trigger();
        QVERIFY(!m->OtwTek->isHidden());
        QCOMPARE(m->OtwTek->model()->data(m->OtwTek->model()->index(1, 6)).toString(), QStringLiteral("неверно 1"));
    }

    void questionTimeAndItsEnd()
    {
        startWith({ticks, ticks});
        QCOMPARE(m->TimeWopros->text(), QStringLiteral("50")); // 30 + 4 x 5
        QCOMPARE(m->run().questionClock().limit(), 50);
        const int t0 = secondsOfDay();
        m->tickClocks(t0 + 49);
        QCOMPARE(m->NWopr->text(), QStringLiteral("1"));
        m->tickClocks(t0 + 50);
        QCOMPARE(m->NWopr->text(), QStringLiteral("2")); // answered as it stood
        QCOMPARE(m->WerBal->text(), QStringLiteral("0"));
    }

    void timesOfZeroNeverSubmit()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"), {ticks});
        m = kit.start();
        kit.login("470259");
        m->WoprSek->setText(QStringLiteral("0"));
        m->OtwSek->setText(QStringLiteral("0"));
        QTest::mouseClick(m->WremaZadat, Qt::LeftButton);
        QCOMPARE(glo().SekWopr, 0);
        m->WiborTema->setCurrentIndex(0);
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QCOMPARE(m->run().questionClock().limit(), 0);
        QVERIFY(!m->run().questionClock().countsDown());
        const int t0 = secondsOfDay();
        for (int s = 1; s <= 5; ++s)
            m->tickClocks((t0 + s * 20000) % 86400);
        QCOMPARE(m->NWopr->text(), QStringLiteral("1"));
        QVERIFY(m->Itog1->isEnabled());
    }

    void timeChangeIsForTheAdministrator()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"), {ticks});
        m = kit.start();
        kit.login("604815");
        m->WoprSek->setText(QStringLiteral("5"));
        m->N20->trigger();
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral(" И для начальника. Увы!"));
        QCOMPARE(glo().SekWopr, 30);

        kit.desk.clear();
        kit.desk.inputs.push_back(QStringLiteral("470259"));
        m->N10->trigger();
        m->WoprSek->setText(QStringLiteral("45"));
        m->OtwSek->setText(QStringLiteral("x"));
        m->N19->trigger();
        QCOMPARE(glo().SekWopr, 45);
        QCOMPARE(m->run().questionClock().limit(), 45);
        QCOMPARE(glo().SekOtw, 5);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'x' is not a valid integer value"));
    }

    void editorWaitsForTheRunToStop()
    {
        startWith({ticks, ticks});
        m->editorItem->trigger();
        QVERIFY(kit.desk.of("modal").empty());
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Идёт тест"));
        QCOMPARE(m->run().WopTabl().rowCount(), 3); // the run's questions are still there
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        m->editorItem->trigger();
        QCOMPARE(kit.desk.of("modal").size(), size_t(1));
    }

    void userKeepsModesLockedAfterARun()
    {
        kit.freshFolder();
        writeTopic(kit.path("Istoriy"), {ticks});
        m = kit.start();
        kit.login("318642");
        m->WiborTema->setCurrentIndex(0);
        QTest::mouseClick(m->Pusk, Qt::LeftButton);
        QTest::mouseClick(m->Itog1, Qt::LeftButton);
        QCOMPARE(m->Pusk->text(), QStringLiteral("Пуск"));
        QVERIFY(!m->Regim->isEnabled());
        QVERIFY(!m->WremIzm->isEnabled());
        QVERIFY(m->WiborTema->isEnabled());
    }

    void modeSwitches()
    {
        kit.freshFolder();
        m = kit.start();
        kit.login("470259");
        m->Regim->item(0)->setCheckState(Qt::Unchecked);
        QVERIFY(!m->run().modes().prompting);
        // The panes come with the first question that shows them, and take the run's state then.
        QVERIFY(!m->Fifti->isEnabled() && !m->run().controls().plusSim && !m->run().controls().ispravit);
        m->Regim->item(1)->setCheckState(Qt::Unchecked);
        QVERIFY(m->run().modes().random);

        kit.desk.inputs.push_back(QStringLiteral("Петров П. 10 А"));
        m->Regim->item(2)->setCheckState(Qt::Checked);
        QVERIFY(m->run().modes().protocol);
        QCOMPARE(m->run().modes().pupil, QStringLiteral("Петров П. 10 А"));
        m->Regim->item(2)->setCheckState(Qt::Unchecked);
        QVERIFY(!m->run().modes().protocol);
        kit.desk.inputs.push_back(std::nullopt);
        m->Regim->item(2)->setCheckState(Qt::Checked);
        QCOMPARE(kit.desk.of("input").back().text, QStringLiteral("Как Вас называть?|Иванов И.И. 9 Г"));
        QCOMPARE(kit.desk.of("input").back().caption, QStringLiteral("Идентификационная информация"));
        QCOMPARE(m->run().modes().pupil, QStringLiteral("Иванов И.И. 9 Г"));
        QVERIFY(!m->PrnProtokol->isEnabled());
    }
};

QTEST_MAIN(AidsTest)
#include "test_aids.moc"
