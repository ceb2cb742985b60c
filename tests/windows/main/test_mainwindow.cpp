// The main window from a first start to the log-in, the subject choice and the menus.
#include "AccessWindow.h"
#include "ExamSetupWindow.h"
#include "ExplanationWindow.h"
#include "RightAnswerWindow.h"
#include "SettingsWindow.h"
#include "SubjectListWindow.h"
#include "WindowTestKit.h"
#include "banktables.h"
#include "subjects.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFocusFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTimer>

namespace
{
struct Spoken {
    QString what; // the object's name, or what it is part of
    QString name, description;
};

// The controls a screen reader can stop on in the window, as its
// accessibility tree shows them (a combo box's text field is a child of
// its own there): shown, enabled, and of a role a user acts on.
std::vector<Spoken> spokenControls(QWidget *window)
{
    std::vector<Spoken> out;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *a) {
        if (!a || !a->isValid() || a->state().invisible)
            return;
        static const QSet<QAccessible::Role> acted = {
            QAccessible::EditableText, QAccessible::CheckBox, QAccessible::ComboBox, QAccessible::PushButton,
            QAccessible::RadioButton,  QAccessible::SpinBox,  QAccessible::Table,    QAccessible::List};
        if (acted.contains(a->role()) && !a->state().disabled) {
            const QObject *o = a->object();
            QString what = o ? o->objectName() : QString();
            if (o && what.isEmpty()) // a part of a control, e.g. a combo box's text field
                what = QLatin1String(o->metaObject()->className()) + QStringLiteral(" in ") +
                       (o->parent() ? o->parent()->objectName() : QString());
            out.push_back({what, a->text(QAccessible::Name).trimmed(), a->text(QAccessible::Description)});
        }
        for (int i = 0; i < a->childCount(); ++i)
            walk(a->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return out;
}
} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
    WindowTestKit kit;

private slots:
    void firstStartCreatesTheDefaultFiles()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();

        const auto subjects = RecordFile(kit.path("Baza/Papka.dat"), PapkaRec::Size).readAll<PapkaRec>();
        QCOMPARE(subjects.size(), size_t(1));
        QCOMPARE(subjects[0].Nomer, 1);
        QCOMPARE(subjects[0].Nazwan, QStringLiteral("История"));
        QCOMPARE(subjects[0].Papka, QStringLiteral("Istoriy"));
        QCOMPARE(subjects[0].Tem, 52);
        QCOMPARE(subjects[0].Woprosov, 2562);
        QCOMPARE(subjects[0].Otwetov, 9600);
        QCOMPARE(m->PredmetName->count(), 1);
        QCOMPARE(glo().TekPapka, QStringLiteral("Istoriy"));

        QCOMPARE(RecordFile(kit.path("Baza/Dostup.dat"), DostupRec::Size).count(), 4);
        QCOMPARE(kit.bytes("Baza/NoKor.qdx"),
                 QByteArray("Trivo\r\nQdx\r\nclGradientActiveCaption\r\n2003\r\n30\r\n5\r\n55\r\n70\r\n85\r\n5\r\n"));
        QVERIFY(QFile::exists(kit.path("Baza/CwetFona.qdx")));
        QCOMPARE(kit.bytes("Baza/CwetFona.qdx").size(), 0);

        for (const char *f : {"Tema.dat", "Exam.dat", "Otwet.dat", "Wopros.dat", "Predmet.dat"}) {
            QVERIFY2(QFile::exists(kit.path(QStringLiteral("Istoriy/") + f)), f);
            QCOMPARE(QFileInfo(kit.path(QStringLiteral("Istoriy/") + f)).size(), 0);
        }
        QVERIFY(!QFile::exists(kit.path("Istoriy/Temp.dat")));
        QVERIFY(!QDir(kit.path("Istoriy/Foto")).exists());
        QCOMPARE(m->KTem->text(), QStringLiteral("0"));
        QCOMPARE(m->RWoprWseh->text(), QStringLiteral("0"));
        QCOMPARE(m->WiborTema->currentText(), MainWindow::TopicPrompt);
        QVERIFY(kit.desk.of("error").empty());

        // Settings and modes as a new start leaves them.
        QCOMPARE(m->MaxKW->text(), QStringLiteral("5"));
        QCOMPARE(m->WoprSek->text(), QStringLiteral("30"));
        QCOMPARE(m->OtwSek->text(), QStringLiteral("5"));
        QCOMPARE(m->Regim->item(0)->checkState(), Qt::Checked);
        QCOMPARE(m->Regim->item(1)->checkState(), Qt::Checked);
        QCOMPARE(m->Regim->item(2)->checkState(), Qt::Unchecked);
        QVERIFY(kit.main->run().modes().prompting);
        QVERIFY(m->Parol->text().isEmpty()); // no password is offered to whoever presses Enter
        QVERIFY(m->Zastavka->isVisible());
        QVERIFY(!m->OtwetiOtm->isVisible());
        QCOMPARE(kit.desk.lastText("layout"), QStringLiteral("00000419"));
    }

    void windowsAndControlsAreFoundByName()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        QCOMPARE(m->objectName(), QStringLiteral("Form1"));
        // The other windows wait until they are first wanted, then each is
        // made once under its name.
        const char *windows[] = {"Zagruzka", "Nastroika", "Form5", "NaborWopr", "SpisPredm", "DalsheOkno", "Teksti"};
        for (const char *name : windows)
            QVERIFY2(!m->findChild<QDialog *>(QLatin1String(name)), name);
        const QDialog *made[] = {m->editorWindow(),     m->settingsWindow(),    m->accessWindow(),
                                 m->examSetupWindow(),  m->subjectListWindow(), m->rightAnswerWindow(),
                                 m->explanationWindow()};
        for (size_t i = 0; i < std::size(windows); ++i)
            QCOMPARE(m->findChild<QDialog *>(QLatin1String(windows[i])), made[i]);
        QCOMPARE(m->editorWindow(), made[0]);
        // The answer rows come with the answer area, at the log-in.
        QVERIFY(!m->findChild<QCheckBox *>(QStringLiteral("PtiOtw1")));
        kit.login(QStringLiteral("470259"));
        QCOMPARE(m->PtiOtw[29]->accessibleName(), QStringLiteral("Вариант ответа 30"));
        QCOMPARE(m->NomOtw[29]->accessibleName(), QStringLiteral("Номер варианта 30"));
        for (int i = 1; i <= 30; ++i) {
            QVERIFY(m->findChild<QCheckBox *>(QStringLiteral("PtiOtw%1").arg(i)));
            QVERIFY(m->findChild<QLineEdit *>(QStringLiteral("NomOtw%1").arg(i)));
            QVERIFY(m->findChild<QTextEdit *>(QStringLiteral("TxtOtw%1").arg(i)));
        }
        // The rows stand one under another in a grid: the box, then the text.
        auto *rows = qobject_cast<QGridLayout *>(m->answerRowsPanel->layout());
        QVERIFY(rows);
        for (int i = 1; i <= 30; ++i) {
            int row, column, rowSpan, columnSpan;
            for (const QString &name :
                 {QStringLiteral("PtiOtw%1"), QStringLiteral("NomOtw%1"), QStringLiteral("TxtOtw%1")}) {
                rows->getItemPosition(rows->indexOf(m->findChild<QWidget *>(name.arg(i))), &row, &column, &rowSpan,
                                      &columnSpan);
                QCOMPARE(row, i - 1);
                QCOMPARE(column, name.startsWith(u'T') ? 1 : 0);
            }
        }
        for (const char *name : {"N1", "N3", "N7", "N27", "N28", "N10", "N13", "N15", "N18", "N29", "w1", "N12", "N14",
                                 "N30", "N9", "N5", "N20"})
            QVERIFY2(m->findChild<QAction *>(QLatin1String(name)), name);
        QVERIFY(QApplication::applicationDisplayName().isEmpty());
    }

    void missingTranslationTableStopsTheCreationStep()
    {
        kit.freshFolder(false);
        MainWindow *m = kit.start();
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("File not found"));
        // Steps after the table are not done: no colour file, but the program runs on.
        QVERIFY(!QFile::exists(kit.path("Baza/CwetFona.qdx")));
        QVERIFY(m->isVisible());
        QVERIFY(QFile::exists(kit.path("Istoriy/Tema.dat")));
    }

    void badSettingsLineIsReported()
    {
        kit.freshFolder();
        writeCp1251Lines(kit.path("Baza/NoKor.qdx"),
                         {"x", "Qdx", "clRed", "2003", "тридцать", "5", "55", "70", "85", "5"});
        kit.start();
        const auto errors = kit.desk.of("error");
        QVERIFY(!errors.empty());
        QCOMPARE(errors.front().text, QStringLiteral("Invalid numeric input"));

        kit.freshFolder();
        writeCp1251Lines(kit.path("Baza/NoKor.qdx"),
                         {"x", "Qdx", "clNoSuch", "2003", "30", "5", "55", "70", "85", "5"});
        kit.start();
        QCOMPARE(kit.desk.of("error").front().text, QStringLiteral("'clNoSuch' is not a valid integer value"));
    }

    void activationRelistsTopicsAndRebuildsExam()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        const BankFiles bank(kit.path("Istoriy"));
        bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Древняя Русь"}, {"1", "2", "Смута"}});
        QFile::remove(bank.exam.path());
        m->WiborTema->setEditText(QStringLiteral("что-то"));
        kit.reactivate();
        QCOMPARE(m->WiborTema->count(), 2);
        QCOMPARE(m->WiborTema->itemText(1), QStringLiteral("Смута"));
        QCOMPARE(m->WiborTema->currentText(), MainWindow::TopicPrompt);
        QCOMPARE(m->KTem->text(), QStringLiteral("2"));
        QCOMPARE(bank.exam.count(), 2);
        QCOMPARE(tables().TemaTabl.cell(2, 2), QStringLiteral("Смута"));
    }

    void choosingASubjectWithoutFolderCreatesIt()
    {
        kit.freshFolder();
        RecordFile papka(kit.path("Baza/Papka.dat"), PapkaRec::Size);
        papka.rewrite(std::vector<PapkaRec>{defaultSubject(), {2, "  География ", "Geogr", 1, 1, 1}});
        MainWindow *m = kit.start();
        QCOMPARE(m->PredmetName->count(), 2);
        m->PredmetName->setCurrentIndex(1);
        m->PredmetNameClick();
        QCOMPARE(glo().TekPapka, QStringLiteral("Geogr"));
        for (const char *f : {"Tema.dat", "Exam.dat", "Otwet.dat", "Wopros.dat", "Predmet.dat"})
            QVERIFY2(QFile::exists(kit.path(QStringLiteral("Geogr/") + f)), f);

        // A name that matches nothing keeps the subject.
        m->PredmetName->setEditable(true);
        m->PredmetName->setEditText(QStringLiteral("Химия"));
        m->PredmetNameClick();
        QCOMPARE(glo().TekPapka, QStringLiteral("Geogr"));
    }

    void subjectFolderOutsideIsRefused()
    {
        kit.freshFolder();
        RecordFile papka(kit.path("Baza/Papka.dat"), PapkaRec::Size);
        const QStringList bad = {"..", "../Vne", "/abs", "", "a/b", "a\\b"};
        std::vector<PapkaRec> subjects{{1, "Внешний", "..", 1, 1, 1}};
        for (int i = 0; i < bad.size(); ++i)
            subjects.push_back({i + 2, QStringLiteral("Предмет %1").arg(i), bad[i], 1, 1, 1});
        subjects.push_back(defaultSubject());
        papka.rewrite(subjects);

        // The first subject is chosen at start: its folder is refused there too.
        MainWindow *m = kit.start();
        QCOMPARE(kit.desk.of("message").front().caption, QStringLiteral("Папка предмета"));
        QVERIFY(kit.desk.of("message").front().text.contains(QStringLiteral("«Внешний»")));
        QVERIFY(glo().TekPapka.isEmpty());
        QCOMPARE(m->PredmetName->count(), int(subjects.size())); // every subject stays in the list
        for (int i = 0; i < bad.size(); ++i) {
            kit.desk.clear();
            m->PredmetName->setCurrentIndex(i + 1);
            m->PredmetNameClick();
            QVERIFY(glo().TekPapka.isEmpty());
            QCOMPARE(m->KTem->text(), QStringLiteral("0"));
            const QString text = kit.desk.lastText("message");
            const QString stored = papka.readAll<PapkaRec>()[size_t(i + 1)].Papka; // cut to its field
            QVERIFY2(text.contains(QStringLiteral("«Предмет %1»").arg(i)) &&
                         text.contains(QStringLiteral("«") + stored + QStringLiteral("»")),
                     qPrintable(text));
        }
        // Nothing was made outside, nor in the refused places.
        for (const char *f : {"Tema.dat", "Wopros.dat", "Otwet.dat", "Exam.dat", "Predmet.dat", "Vne"})
            QVERIFY2(!QFile::exists(kit.path("../") + f), f);
        QVERIFY(!QFile::exists("/abs") && !QFile::exists(kit.path("a")));
        QCOMPARE(QDir(kit.path(".")).entryList(QDir::Files), QStringList());

        // A good subject afterwards opens as ever.
        m->PredmetName->setCurrentIndex(m->PredmetName->count() - 1);
        m->PredmetNameClick();
        QCOMPARE(glo().TekPapka, QStringLiteral("Istoriy"));
        QVERIFY(QFile::exists(kit.path("Istoriy/Tema.dat")));
    }

    void startupErrorsNeverLockTheAdministratorOut_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::newRow("subject list unreadable") << "Baza/Papka.dat";
        QTest::newRow("user table unreadable") << "Baza/Dostup.dat";
    }
    void startupErrorsNeverLockTheAdministratorOut()
    {
        QFETCH(QString, broken);
        kit.freshFolder();
        QVERIFY(QDir().mkpath(kit.path(broken))); // a folder where the file should be
        MainWindow *m = kit.start();
        QVERIFY(!kit.desk.of("error").empty());
        QVERIFY(kit.desk.of("error").front().text.contains(broken));
        kit.login("470259");
        QVERIFY(!m->ended());
        QCOMPARE(glo().KodDostupa, QStringLiteral("Z"));
        QVERIFY(m->N9->isEnabled() || m->N3->isEnabled());
    }

    void administratorGetsEveryRight()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("470259"));
        QCOMPARE(glo().KodDostupa, QStringLiteral("Z"));
        QVERIFY(!m->Zastavka->isVisible());
        QVERIFY(m->OtwetiOtm->isVisible());
        for (QAction *a : {m->N1, m->N3, m->N27})
            QVERIFY(a->isEnabled());
        QVERIFY(m->Regim->isEnabled() && m->WremIzm->isEnabled());
        QVERIFY(m->KPraw->isVisible() && m->NomerWoprosa->isVisible());

        kit.desk.inputs.push_back(QStringLiteral("12"));
        m->MaxKWClick();
        QCOMPARE(glo().LimitWopr, 12);
        QCOMPARE(m->MaxKW->text(), QStringLiteral("12"));
        kit.desk.inputs.push_back(QStringLiteral("двенадцать"));
        m->MaxKWClick();
        QCOMPARE(m->MaxKW->text(), QStringLiteral("двенадцать"));
        QCOMPARE(glo().LimitWopr, 12);
        QCOMPARE(kit.desk.lastText("error"), QStringLiteral("'двенадцать' is not a valid integer value"));

        for (QAction *a : {m->N9, m->N30, m->N27, m->editorItem, m->settingsItem}) {
            kit.desk.clear();
            a->trigger();
            QCOMPARE(kit.desk.of("modal").size(), size_t(1));
        }
        // Opening the windows reads no settings over the limit set in this session.
        QCOMPARE(glo().LimitWopr, 12);
    }

    void userIsRefusedEveryAdministratorEntry()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("318642 "));
        QCOMPARE(glo().KodDostupa, QStringLiteral("W"));
        for (QAction *a : {m->N1, m->N3, m->N27})
            QVERIFY(!a->isEnabled());
        QVERIFY(!m->Regim->isEnabled());
        QVERIFY(!m->WremIzm->isEnabled());
        QVERIFY(!m->KPraw->isVisible());
        QVERIFY(!m->NomerWoprosa->isVisible());

        kit.desk.clear();
        m->MaxKWClick();
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral(" И для начальника. Увы!"));
        QCOMPARE(glo().LimitWopr, 5);
        // The handlers refuse on their own too, whatever enabled their entries.
        for (auto handler : {&MainWindow::N9Click, &MainWindow::N30Click, &MainWindow::N27Click,
                             &MainWindow::editorClick, &MainWindow::settingsClick})
            (m->*handler)();
        QVERIFY(kit.desk.of("modal").empty());
    }

    void unknownPasswordEndsTheProgram()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("111111"));
        QVERIFY(m->ended());
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Что-то я Вас не припоминаю"));
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral("Повторите запуск программы"));
        QVERIFY(glo().KodDostupa.isEmpty());
    }

    void closedLetterEndsTheProgram()
    {
        kit.freshFolder();
        RecordFile(kit.path("Baza/Dostup.dat"), DostupRec::Size)
            .rewrite(std::vector<DostupRec>{{"01", 0, "Гость", "222222", "Q"}});
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("222222"));
        QVERIFY(m->ended());
        QCOMPARE(kit.desk.lastText("message"), QStringLiteral("Увы!!!"));
        QCOMPARE(kit.desk.of("message").back().caption, QStringLiteral("Вам доступ закрыт"));
    }

    void loginThroughTheUserMenu()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("470259"));
        kit.desk.inputs.push_back(QStringLiteral("529073"));
        m->N10->trigger();
        const auto inputs = kit.desk.of("input");
        QCOMPARE(inputs.back().caption, QStringLiteral("Введите ровно 6 цифр"));
        QCOMPARE(inputs.back().text, QStringLiteral("Пароль?|")); // nothing offered in advance
        QVERIFY(inputs.back().hidden);                            // typed as dots, like the splash's password
        QCOMPARE(glo().KodDostupa, QStringLiteral("W"));
        QVERIFY(!m->N3->isEnabled());
    }

    // Nobody is let in by a box left empty or cancelled, whatever the
    // administrator's password is: not on the splash (Enter, or Пуск while it
    // shows), not through «Пользователь» (cancelled by the script, Escape or
    // the window's close, or accepted empty). Whoever was in stays, with
    // their rights, and the program goes on.
    void anEmptyOrCancelledBoxLetsNobodyIn_data()
    {
        QTest::addColumn<QString>("admin");
        QTest::addColumn<QString>("how");
        for (const char *admin : {"470259", "135790"})
            for (const char *how :
                 {"splash Enter", "splash Пуск", "menu cancel", "menu empty", "menu Escape", "menu close"})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(admin, how))) << admin << how;
    }

    void anEmptyOrCancelledBoxLetsNobodyIn()
    {
        QFETCH(QString, admin);
        QFETCH(QString, how);
        kit.freshFolder();
        RecordFile(kit.path("Baza/Dostup.dat"), DostupRec::Size)
            .rewrite(
                std::vector<DostupRec>{{"01", 0, "Администратор", admin, "Z"}, {"02", 0, "Ученик", "318642", "W"}});
        MainWindow *m = kit.start();
        QVERIFY(m->Parol->text().isEmpty());
        const bool splash = how.startsWith(QStringLiteral("splash"));
        if (splash) {
            QTRY_VERIFY(m->Parol->hasFocus());
            if (how.endsWith(QStringLiteral("Enter")))
                QTest::keyClick(m->Parol, Qt::Key_Return);
            else
                QTest::keyClick(m, Qt::Key_F5);
            QVERIFY(glo().KodDostupa.isEmpty());
            QVERIFY(m->Zastavka->isVisible());
            QVERIFY(!m->running());
            QTRY_VERIFY(m->Parol->hasFocus()); // the password is still wanted
        } else {
            kit.login(QStringLiteral("318642"));
            QCOMPARE(glo().KodDostupa, QStringLiteral("W"));
            if (how.endsWith(QStringLiteral("cancel")) || how.endsWith(QStringLiteral("empty"))) {
                kit.desk.inputs.push_back(how.endsWith(QStringLiteral("empty")) ? std::optional<QString>(QString())
                                                                                : std::nullopt);
                m->N10->trigger();
            } else {
                // The real box, as a pupil leaves it.
                QtDesktop real;
                setDesktop(&real);
                bool startedEmpty = false;
                QTimer::singleShot(0, [&] {
                    auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
                    if (!box)
                        return;
                    startedEmpty = box->findChild<QLineEdit *>()->text().isEmpty();
                    if (how.endsWith(QStringLiteral("Escape")))
                        QTest::keyClick(box, Qt::Key_Escape);
                    else
                        box->close();
                });
                m->N10->trigger();
                setDesktop(&kit.desk);
                QVERIFY(startedEmpty);
            }
            QCOMPARE(glo().KodDostupa, QStringLiteral("W"));
            QCOMPARE(glo().userRow, 1);
            QVERIFY(!m->N1->isEnabled() && !m->N3->isEnabled() && !m->N27->isEnabled());
            QVERIFY(!m->KPraw->isVisibleTo(m));
        }
        QVERIFY(!m->ended() && m->isVisible());
        QVERIFY(kit.desk.of("message").empty());
        // The same box lets the administrator in with the password typed.
        if (splash) {
            kit.login(admin);
        } else {
            kit.desk.inputs.push_back(admin);
            m->N10->trigger();
        }
        QCOMPARE(glo().KodDostupa, QStringLiteral("Z"));
        QVERIFY(m->N1->isEnabled() && m->N3->isEnabled());
    }

    void typingInTheSplashLogsIn()
    {
        // However the password box got the focus, what the pupil types is the password.
        for (const char *how : {"start", "tab", "click"}) {
            kit.freshFolder();
            MainWindow *m = kit.start();
            QTRY_VERIFY(m->Parol->hasFocus());
            if (qstrcmp(how, "tab") == 0) {
                m->ZastPogasit1->setFocus();
                QTest::keyClick(m->ZastPogasit1, Qt::Key_Backtab);
            } else if (qstrcmp(how, "click") == 0) {
                m->ZastPogasit1->setFocus();
                QTest::mouseClick(m->Parol, Qt::LeftButton, {}, QPoint(5, 5));
            }
            QTRY_VERIFY2(m->Parol->hasFocus(), how);
            QTest::keyClicks(m->Parol, QStringLiteral("318642"));
            QTest::keyClick(m->Parol, Qt::Key_Return);
            QCOMPARE(glo().KodDostupa, QStringLiteral("W"));
            QVERIFY2(!m->Izveshenie->isVisible(), how);
        }
    }

    void keysWorkOnEitherLayout()
    {
        // After the log-in the topic is next; Ctrl+Q ends the program for a pupil too.
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("318642"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m->WiborTema));
        // The focus is framed in the program's blue, around the control and outside it.
        auto *frame = m->findChild<QFocusFrame *>(QStringLiteral("focusFrame"));
        QVERIFY(frame && frame->isVisible());
        QVERIFY(frame->geometry().contains(m->WiborTema->geometry()));
        QVERIFY(frame->geometry() != m->WiborTema->geometry());
        QVERIFY(!m->N1->isEnabled());
        // Alt with the key of «Ж» opens «Журнал»: ';' on the Latin layout, ':'
        // with Shift, with the key's text or, as some desktops send it, without.
        QSignalSpy journal(m->journalItem, &QAction::triggered);
        QObject::disconnect(m->journalItem, nullptr, m, nullptr); // the key is what is tried here, not the window
        const std::tuple<Qt::Key, const char *, Qt::KeyboardModifiers> zhe[] = {
            {Qt::Key_Semicolon, "", Qt::AltModifier},
            {Qt::Key_Semicolon, ";", Qt::AltModifier},
            {Qt::Key_Colon, ":", Qt::AltModifier | Qt::ShiftModifier}};
        for (const auto &[key, text, mods] : zhe) {
            QTest::sendKeyEvent(QTest::Press, QApplication::focusWidget(), key, QString::fromLatin1(text), mods);
            QTest::sendKeyEvent(QTest::Release, QApplication::focusWidget(), key, QString::fromLatin1(text), mods);
        }
        QCOMPARE(journal.count(), 3);
        QTest::keySequence(m, QKeySequence(Qt::CTRL | Qt::Key_Q));
        QVERIFY(!m->isVisible());

        // Alt with the key of «Ф» on the Latin layout opens «Файл»; inside the
        // menu the key of «Ы» (S) chooses «Выход».
        kit.freshFolder();
        m = kit.start();
        kit.login(QStringLiteral("470259"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier, 10);
        QCOMPARE(m->menuBar()->activeAction(), m->N1);
        auto *file = m->findChild<QMenu *>(QStringLiteral("menuN1"));
        QTRY_VERIFY(file->isVisible());
        QTest::keyClick(file, Qt::Key_S);
        QTRY_VERIFY(!m->isVisible());
    }

    // Every key of a Russian letter on the Latin layout, shifted or not, is that letter's.
    void everyRussianLetterHasItsLatinKey()
    {
        const QString keys = QStringLiteral("qwertyuiop[]asdfghjkl;'zxcvbnm,.`");
        const QString shifted = QStringLiteral("QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~");
        QSet<QChar> letters;
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const QChar letter = russianLetterOnKey(keys[i]);
            QVERIFY2(letter.isLetter(), qPrintable(keys.mid(i, 1)));
            QCOMPARE(russianLetterOnKey(shifted[i]), letter);
            letters.insert(letter);
        }
        QCOMPARE(letters.size(), 33); // А to Я and Ё
        QCOMPARE(russianLetterOnKey(u';'), QChar(u'Ж'));
        QCOMPARE(russianLetterOnKey(u'`'), QChar(u'Ё'));
        QVERIFY(russianLetterOnKey(u'/').isNull());
    }

    // What a screen reader meets in the main window during a run: every
    // control it can stop on has a name (the topic box's text field
    // included), and none is described by a hint about the mouse. (The
    // topic box itself is spoken by the text it shows, the prompt.)
    void aScreenReaderHearsEveryControlByName()
    {
        kit.freshFolder();
        const BankFiles bank(kit.path("Istoriy"));
        QDir().mkpath(bank.folder);
        bank.tema.rewrite(std::vector<TemaRec>{{"1", "1", "Тема"}});
        bank.wopros.rewrite(std::vector<WoprosRec>{{"1", "1", "1", "1", "Какие верны?", "", "1", ""}});
        bank.otwet.rewrite(
            std::vector<OtwetRec>{{"1", "1", "1", "1", "а", "+", "да"}, {"1", "1", "1", "1", "б", "", "нет"}});
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("470259"));
        QStringList unnamed, mouseHints;
        auto listen = [&](const QString &when) {
            for (const Spoken &c : spokenControls(m)) {
                if (c.name.isEmpty())
                    unnamed << when + u'/' + c.what;
                if (c.description.contains(QStringLiteral("Мышкой")) ||
                    c.name.contains(QStringLiteral("Мышкой щёлкни")))
                    mouseHints << when + u'/' + c.what + u' ' + c.name + u' ' + c.description;
            }
        };
        listen(QStringLiteral("chosen"));
        m->WiborTema->setCurrentIndex(0);
        QTest::keyClick(m, Qt::Key_F5);
        QVERIFY(m->PtiOtw[0]->isVisible());
        listen(QStringLiteral("running"));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
        QVERIFY2(mouseHints.isEmpty(), qPrintable(mouseHints.join(u'\n')));
        QCOMPARE(m->PtiOtw[0]->accessibleName(), QStringLiteral("Вариант 1: да"));
    }

    void shippedAdministratorPasswordIsToldQuietly()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("470259"));
        QVERIFY(m->Izveshenie->isVisible());
        QVERIFY(m->Izveshenie->text().contains(QStringLiteral("Сервис → Пароли")));
        QVERIFY(kit.desk.of("message").empty());
        // Once: logging in again through the user menu says nothing new.
        m->tell({});
        kit.desk.inputs.push_back(QStringLiteral("470259"));
        m->N10->trigger();
        QVERIFY(!m->Izveshenie->isVisible());

        // A changed password is not mentioned.
        kit.freshFolder();
        RecordFile(kit.path("Baza/Dostup.dat"), DostupRec::Size)
            .rewrite(std::vector<DostupRec>{{"01", 0, "Завуч", "135790", "Z"}});
        m = kit.start();
        kit.login(QStringLiteral("135790"));
        QCOMPARE(glo().KodDostupa, QStringLiteral("Z"));
        QVERIFY(!m->Izveshenie->isVisible());
    }

    void userPromptTakesWhatIsTyped()
    {
        // The real input box of the user menu, typed into as a pupil would.
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.login(QStringLiteral("470259"));
        QtDesktop real;
        setDesktop(&real);
        bool typed = false;
        QTimer::singleShot(0, [&typed] {
            auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!box)
                return;
            auto *line = box->findChild<QLineEdit *>();
            typed = QTest::qWaitFor([line] { return line->hasFocus(); }, 2000);
            QTest::keyClicks(line, QStringLiteral("318642"));
            box->accept();
        });
        m->N10->trigger();
        setDesktop(&kit.desk);
        QVERIFY(typed);
        QCOMPARE(glo().KodDostupa, QStringLiteral("W"));
    }

    void coloursAreStoredAndAppliedAtTheNextStart()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        kit.desk.colours.push_back(QColor(255, 0, 0));
        m->N12->trigger();
        QCOMPARE(colorToName(m->mainColour()), QStringLiteral("clRed"));
        kit.desk.colours.push_back(QColor(0x12, 0x34, 0x56));
        m->Parol->setText(QStringLiteral("470259"));
        m->N14->trigger(); // also logs in first, through the splash
        QCOMPARE(glo().KodDostupa, QStringLiteral("Z"));
        QCOMPARE(readCp1251Lines(kit.path("Baza/CwetFona.qdx")), QStringList({"Form1 clRed", "Otwet $00563412"}));
        kit.desk.colours.push_back(std::nullopt);
        m->N12->trigger(); // cancelled: nothing changes
        QCOMPARE(colorToName(m->mainColour()), QStringLiteral("clRed"));

        kit.destroy();
        m = kit.start();
        QCOMPARE(colorToName(m->mainColour()), QStringLiteral("clRed"));
        QCOMPARE(m->answerRowsPanel->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));
    }

    void laterColourLinesWin()
    {
        kit.freshFolder();
        writeCp1251Lines(kit.path("Baza/CwetFona.qdx"), {"Form1 clRed", "Otwet clAqua", "Form1 clBlue"});
        MainWindow *m = kit.start();
        QCOMPARE(colorToName(m->mainColour()), QStringLiteral("clBlue"));
    }

    void documentEntriesOpenTheirFilesOrSayWhereTheyAre()
    {
        kit.freshFolder();
        MainWindow *m = kit.start();
        const std::pair<QAction *, QString> entries[] = {{m->N13, "Help/ReadMe.doc"},
                                                         {m->N18, "Baza/FIPI_Obrazec_2007.doc"},
                                                         {m->N29, "Baza/Obrazec.txt"},
                                                         {m->w1, "Baza/wObrazec.txt"}};
        for (const auto &[action, file] : entries) {
            action->trigger();
            QCOMPARE(kit.desk.lastText("open"), kit.path(file));
        }
        QVERIFY(kit.desk.of("notOpened").empty());

        // Nothing on the desktop opens them: each says where its file is and
        // opens that folder when the answer is yes.
        kit.desk.openSucceeds = false;
        QVERIFY(QDir().mkpath(kit.path("Help")));
        bool yes = false;
        for (const auto &[action, file] : entries) {
            writeCp1251Lines(kit.path(file), {QStringLiteral("образец")});
            const QString folder = QDir::toNativeSeparators(QFileInfo(kit.path(file)).absolutePath());
            kit.desk.clear();
            kit.desk.openFolder.push_back(yes = !yes);
            action->trigger();
            const auto told = kit.desk.of("notOpened");
            QCOMPARE(told.size(), size_t(1));
            QCOMPARE(told[0].icon, Desktop::Icon::Question);
            QVERIFY2(told[0].text.contains(QFileInfo(file).fileName()) && told[0].text.contains(folder),
                     qPrintable(told[0].text));
            QCOMPARE(kit.desk.lastText("folder"), yes ? folder : QString());
        }
        // A file missing from the installation: where it belongs, and no folder to open.
        QVERIFY(QFile::remove(kit.path("Help/ReadMe.doc")));
        kit.desk.clear();
        kit.desk.openFolder.push_back(true);
        m->N13->trigger();
        QCOMPARE(kit.desk.of("notOpened").back().icon, Desktop::Icon::Warning);
        QVERIFY(kit.desk.lastText("notOpened").contains(QDir::toNativeSeparators(kit.path("Help"))));
        QVERIFY(kit.desk.of("folder").empty());
        QVERIFY(kit.desk.of("error").empty());
        m->N15->trigger();
        QCOMPARE(kit.desk.of("print").back().caption, QStringLiteral("landscape"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
