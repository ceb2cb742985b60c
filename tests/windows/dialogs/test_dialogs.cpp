// The settings, access table and subject list windows.
#include "AccessWindow.h"
#include "Accessibility.h"
#include "EditorWindow.h"
#include "ExamSetupWindow.h"
#include "ExplanationWindow.h"
#include "JournalWindow.h"
#include "Mnemonics.h"
#include "RightAnswerWindow.h"
#include "SettingsWindow.h"
#include "SubjectListWindow.h"
#include "WidgetKit.h"
#include "WindowTestKit.h"
#include "journalsettings.h"
#include "subjects.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLocale>
#include <QSet>
#include <QTableView>

class DialogsTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;

    std::vector<QStringList> papkaRows()
    {
        std::vector<QStringList> rows;
        for (const PapkaRec &r : RecordFile(kit.path("Baza/Papka.dat"), PapkaRec::Size).readAll<PapkaRec>())
            rows.push_back(subjectRow(r));
        return rows;
    }

private slots:
    void settingsAreShownAndStored()
    {
        kit.freshFolder();
        writeCp1251Lines(kit.path("Baza/NoKor.qdx"),
                         {"мой", "Учитель", "clSkyBlue", "2010", " 40", "6", "50", "65", "80", "7"});
        MainWindow *m = kit.start();
        SettingsWindow *s = kit.main->settingsWindow();
        QCOMPARE(s->LabeledEditFima->text(), QStringLiteral("Учитель"));
        QCOMPARE(s->VerOff->text(), QStringLiteral("2010"));
        QCOMPARE(s->BazWrWopr->text(), QStringLiteral("40"));
        QCOMPARE(s->MaxWopr->text(), QStringLiteral("7"));
        QCOMPARE(glo().SekWopr, 40);
        QCOMPARE(glo().PaytProc, 80);
        QCOMPARE(colorToName(m->mainColour()), QStringLiteral("clSkyBlue"));

        s->BazWrWopr->setText(QStringLiteral("45"));
        s->MaxWopr->setText(QStringLiteral("много")); // written as typed; the next start reports it
        // «Работа над ошибками» is on until a teacher switches it off for exam days.
        QVERIFY(s->RabotaNadOshibkami->isChecked());
        s->RabotaNadOshibkami->setChecked(false);
        kit.desk.colours.push_back(QColor(0, 0, 255));
        QTest::mouseClick(s->BitBtn4, Qt::LeftButton);
        QCOMPARE(colorToName(m->mainColour()), QStringLiteral("clBlue"));
        QTest::mouseClick(s->ZapNastr, Qt::LeftButton);
        QCOMPARE(readCp1251Lines(kit.path("Baza/NoKor.qdx")),
                 QStringList({"мой", "Учитель", "clBlue", "2010", "45", "6", "50", "65", "80", "много"}));
        QCOMPARE(glo().SekWopr, 40); // takes effect at the next start
        QVERIFY(!JournalSettings::load(kit.path("Baza")).repeatMistakes);
        QVERIFY(!m->findChild<QAction *>(QStringLiteral("N31"))->isEnabled());

        kit.destroy();
        kit.desk.clear();
        kit.start();
        QCOMPARE(kit.desk.of("error").front().text, QStringLiteral("Invalid numeric input"));
    }

    void settingsPrintTurnsTheWindowAqua()
    {
        kit.freshFolder();
        kit.start();
        SettingsWindow *s = kit.main->settingsWindow();
        QTest::mouseClick(s->BitBtn1, Qt::LeftButton);
        QCOMPARE(kit.desk.of("print").back().text, QStringLiteral("Nastroika"));
        QCOMPARE(s->palette().color(QPalette::Window), QColor(0, 255, 255));
    }

    void accessTableShowsAndStoresUsers()
    {
        kit.freshFolder();
        kit.start();
        AccessWindow *f = kit.main->accessWindow();
        f->FormShow();
        // The Russian date also under the C locale the suite runs in.
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(f->grid.row(1), QStringList({"01", today, "Администратор", "470259", "Z"}));
        QCOMPARE(f->grid.cell(2, 4), QStringLiteral("Пользователь 3"));
        QVERIFY(f->grid.cell(0, 5).isEmpty());

        // Clearing the code of the second user drops that user; a new row is added.
        f->grid.setCell(0, 2, QStringLiteral(" "));
        f->grid.setRow(5, {"05", today, "Новый ученик с очень длинным именем", "1234567", "W"});
        QTest::mouseClick(f->ZapDostup, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral("Перезапустите программу!!!"));
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Изменения вступят после этого"));
        const auto recs = RecordFile(kit.path("Baza/Dostup.dat"), DostupRec::Size).readAll<DostupRec>();
        QCOMPARE(recs.size(), size_t(4));
        QCOMPARE(recs[0].Kod, QStringLiteral("01"));
        QCOMPARE(recs[1].Kod, QStringLiteral("03"));
        QCOMPARE(recs[3].Fio, QStringLiteral("Новый ученик с очень"));
        QCOMPARE(recs[3].ParolPolz, QStringLiteral("123456"));
        QCOMPARE(dateOfDayNumber(recs[3].Data), QDate::currentDate());
        // The users in memory stay as loaded until the next start.
        QCOMPARE(glo().users.size(), size_t(4));
        QCOMPARE(glo().users[1].kod, QStringLiteral("02"));
    }

    void everyButtonHasItsLetter()
    {
        // Each dialog's buttons get underlined letters, none twice in a window,
        // and Alt with the letter's key works on the Latin layout as well.
        kit.freshFolder();
        kit.start();
        kit.login(QStringLiteral("470259"));
        MainWindow *m = kit.main;
        for (QDialog *w :
             std::initializer_list<QDialog *>{m->settingsWindow(), m->examSetupWindow(), m->accessWindow(),
                                              m->subjectListWindow(), m->editorWindow(), m->journalWindow()}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QSet<QChar> letters;
            for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
                const QString text = b->text();
                if (!b->isEnabled() ||
                    !std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); }))
                    continue; // a placeholder that is never on, or a "+" with its hint
                const QChar c = mnemonicOf(b->text());
                QVERIFY2(!c.isNull(), qPrintable(w->objectName() + u' ' + b->text()));
                QVERIFY2(!letters.contains(c), qPrintable(w->objectName() + u' ' + b->text()));
                letters.insert(c);
            }
            w->hide();
        }
        // «Выход» of the exam set-up, reached through the key of its letter on the Latin layout.
        ExamSetupWindow *e = m->examSetupWindow();
        e->show();
        QVERIFY(QTest::qWaitForWindowExposed(e));
        const QChar letter = mnemonicOf(e->BitBtn2->text());
        const QString latin = QStringLiteral("QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`");
        const QString russian = QStringLiteral("ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ");
        const QChar key = latin[russian.indexOf(letter)];
        QTest::keyClick(e, key.toLatin1(), Qt::AltModifier);
        QTRY_VERIFY(!e->isVisible());
    }

    void everyReachableControlHasAName()
    {
        // What a screen reader meets in each window, the main one during a run.
        kit.freshFolder();
        const BankFiles bank(kit.path("Istoriy"));
        QDir().mkpath(bank.folder);
        bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Тема"}});
        bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "Какие верны?", "", "1", ""}});
        bank.otwet.rewrite(
            std::vector<OtwetRec>{{"1", "1", "1", "1", "а", "+", "да"}, {"1", "1", "1", "1", "б", "", "нет"}});
        kit.start();
        kit.login(QStringLiteral("470259"));
        MainWindow *m = kit.main;
        glo().LimitWopr = 20;
        m->WiborTema->setCurrentIndex(0);
        QTest::keyClick(m, Qt::Key_F5);
        // The journal with its boxes filled: their empty first items are «all».
        m->journalWindow()->openFor(QString());
        QVERIFY(m->Zhurnal->waitUntilRead());
        QVERIFY(m->Zhurnal->Tema->count() > 0);
        QStringList unnamed;
        for (QWidget *w : std::initializer_list<QWidget *>{
                 m, m->settingsWindow(), m->examSetupWindow(), m->accessWindow(), m->subjectListWindow(),
                 m->editorWindow(), m->journalWindow(), m->rightAnswerWindow(), m->explanationWindow()}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            for (const QString &c : unnamedControls(w))
                unnamed << w->objectName() + u'/' + c;
            if (w != m)
                w->hide();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
        // The options say what they are; the tick state a screen reader tells by itself.
        QVERIFY2(m->PtiOtw[0]->accessibleName().startsWith(QStringLiteral("Вариант 1: ")),
                 qPrintable(m->PtiOtw[0]->accessibleName()));
    }

    void highContrastIsOneTickAway()
    {
        kit.freshFolder();
        kit.start();
        SettingsWindow *s = kit.main->settingsWindow();
        const QColor usual = QApplication::palette().color(QPalette::Window);
        s->Kontrast->setChecked(true);
        QVERIFY(highContrastChosen());
        QCOMPARE(QApplication::palette().color(QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(Qt::white));
        // The main window's own colour gives way to white as well.
        QCOMPARE(kit.main->findChild<QWidget *>(QStringLiteral("Form1Content"))->palette().color(QPalette::Window),
                 QColor(Qt::white));
        s->Kontrast->setChecked(false);
        QVERIFY(!highContrastChosen());
        QCOMPARE(QApplication::palette().color(QPalette::Window), usual);
    }

    void usersAndSubjectsAskBeforeEditsAreLost()
    {
        // The users table and the subject list: unchanged they close at once;
        // edited they ask, and «Да» stores what «Запомнить» would.
        kit.freshFolder();
        kit.start();
        AccessWindow *f = kit.main->accessWindow();
        SubjectListWindow *s = kit.main->subjectListWindow();
        for (QDialog *w : {static_cast<QDialog *>(f), static_cast<QDialog *>(s)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            kit.desk.clear();
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY(!w->isVisible());
            QVERIFY(kit.desk.of("question").empty());
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
        f->grid.setCell(2, 2, QStringLiteral("Иванова Мария"));
        s->PlusClick();
        for (QDialog *w : {static_cast<QDialog *>(f), static_cast<QDialog *>(s)}) {
            kit.desk.answers = {Desktop::Answer::Cancel, Desktop::Answer::Yes};
            w->close();
            QVERIFY(w->isVisible());
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }
        const auto questions = kit.desk.of("question");
        QCOMPARE(questions.size(), size_t(4));
        QCOMPARE(questions[0].text, QStringLiteral("Сохранить изменения в таблице пользователей?"));
        QCOMPARE(questions[2].text, QStringLiteral("Сохранить изменения в списке предметов?"));
        QCOMPARE(RecordFile(kit.path("Baza/Dostup.dat"), DostupRec::Size).readAll<DostupRec>()[1].Fio,
                 QStringLiteral("Иванова Мария"));
        QCOMPARE(papkaRows().size(), size_t(2));
    }

    void badDateStoresNothing()
    {
        kit.freshFolder();
        kit.start();
        AccessWindow *f = kit.main->accessWindow();
        f->FormShow();
        const QByteArray before = kit.bytes("Baza/Dostup.dat");
        f->grid.setCell(0, 2, QString());               // would shorten the file ...
        f->grid.setCell(1, 4, QStringLiteral("вчера")); // ... but this date cannot be read
        kit.desk.clear();
        QTest::mouseClick(f->ZapDostup, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("Не удалось прочитать дату «вчера»"));
        QVERIFY(kit.desk.of("message").empty());
        QCOMPARE(kit.bytes("Baza/Dostup.dat"), before);
    }

    void subjectListAddsDeletesAndStores()
    {
        kit.freshFolder();
        RecordFile(kit.path("Baza/Papka.dat"), PapkaRec::Size)
            .rewrite(std::vector<PapkaRec>{
                defaultSubject(), {2, "География", "Geogr", 3, 30, 120}, {3, "Физика", "Fizika", 2, 20, 80}});
        kit.start();
        SubjectListWindow *s = kit.main->subjectListWindow();
        s->FormActivate();
        QCOMPARE(s->grid.rowCount(), 4);
        s->PlusClick();
        QCOMPARE(s->grid.row(4), QStringList({"4", "Название нового предмета", "ImyPapki", "1", "1", "1"}));

        s->PapkiMouseDown(2);
        QCOMPARE(s->Udal->text(), QStringLiteral("2"));
        s->Papki->setCurrentIndex(s->Papki->model()->index(1, 0));
        QTest::mouseClick(s->Udal, Qt::LeftButton);
        QCOMPARE(s->grid.rowCount(), 4);
        QCOMPARE(s->grid.cell(1, 2), QStringLiteral("Физика"));
        QCOMPARE(s->grid.cell(0, 3), QStringLiteral("4")); // numbers are not renumbered

        s->grid.setCell(2, 3, QStringLiteral("ОченьДлинноеИмя"));
        QTest::mouseClick(s->SaveTab, Qt::LeftButton);
        QVERIFY(kit.desk.of("error").empty());
        const auto rows = papkaRows();
        QCOMPARE(rows.size(), size_t(3));
        QCOMPARE(rows[1], QStringList({"3", "Физика", "Fizika", "2", "20", "80"}));
        QCOMPARE(rows[2][2], QStringLiteral("ОченьДли"));
    }

    void subjectListNeverLosesTheStoredList()
    {
        kit.freshFolder();
        kit.start();
        SubjectListWindow *s = kit.main->subjectListWindow();
        s->FormActivate();
        s->PlusClick();
        const QByteArray before = kit.bytes("Baza/Papka.dat");

        s->grid.setCell(4, 2, QStringLiteral("сорок"));
        QTest::mouseClick(s->SaveTab, Qt::LeftButton);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'сорок' is not a valid integer value"));
        QCOMPARE(kit.bytes("Baza/Papka.dat"), before);

        // A folder outside the installation folder is refused before anything is written.
        s->grid.setCell(4, 2, QStringLiteral("1"));
        for (const QString folder : {"..", "../Baza", "/tmp", "", "a/b"}) {
            s->grid.setCell(2, 2, folder);
            kit.desk.clear();
            QTest::mouseClick(s->SaveTab, Qt::LeftButton);
            QVERIFY2(kit.desk.lastText("error").contains(QStringLiteral("«") + folder + QStringLiteral("»")),
                     qPrintable(folder));
            QCOMPARE(kit.bytes("Baza/Papka.dat"), before);
        }

        s->grid.setRowCount(1);
        kit.desk.clear();
        QTest::mouseClick(s->SaveTab, Qt::LeftButton);
        QVERIFY(!kit.desk.of("error").empty());
        QCOMPARE(kit.bytes("Baza/Papka.dat"), before);
    }

    void emptySubjectListStartsWithoutABank()
    {
        kit.freshFolder();
        QFile f(kit.path("Baza/Papka.dat"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        MainWindow *m = kit.start();
        QVERIFY(glo().TekPapka.isEmpty());
        QCOMPARE(m->PredmetName->count(), 0);
        QCOMPARE(m->KTem->text(), QStringLiteral("0"));
        QVERIFY(kit.desk.of("error").empty());
        QVERIFY(!QFile::exists(kit.path("Tema.dat")));
    }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
