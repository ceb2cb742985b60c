// The main window's creation, activation, subject choice, colours, log-in and menus.
#include "MainWindow.h"
#include "AccessWindow.h"
#include "Desktop.h"
#include "EditorWindow.h"
#include "ExamSetupWindow.h"
#include "ExplanationWindow.h"
#include "JournalWindow.h"
#include "RightAnswerWindow.h"
#include "ScreenFit.h"
#include "SettingsWindow.h"
#include "SubjectListWindow.h"
#include "TableModel.h"
#include "WidgetKit.h"
#include "WordDocument.h"
#include "banktables.h"
#include "editortables.h"
#include "journal.h"
#include "journalservice.h"
#include "subjects.h"
#include "textfile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTextEdit>
#include <QTimer>

const QString MainWindow::TopicPrompt =
    QStringLiteral("Мышкой нажмите справа стрелочку, выберите тему и нажмите кнопку");
namespace
{

const QString papkaPath()
{
    return installPath(QStringLiteral("Baza/Papka.dat"));
}

} // namespace

MainWindow::MainWindow()
{
    setObjectName(QStringLiteral("Form1"));
    QApplication::setApplicationDisplayName(QString()); // the program's title is empty
    setWindowTitle(QStringLiteral("Тренажёр для подготовки к экзаменам"));
    m_otwTekModel = new StringTableModel(&m_run.OtwTek(), this);
    m_sootModel = new StringTableModel(&m_run.Soot(), this);
    m_widimModel = new StringTableModel(&m_run.Widim(), this);
    m_otwTekModel->editable = false;
    m_widimModel->editable = false;
    buildMenus();
    buildWindow();
    keepGeometry(this, QSize(1240, 820));
    m_tick = new QTimer(this);
    m_tick->setInterval(250);
    connect(m_tick, &QTimer::timeout, this, [this] { tickClocks(secondsOfDay()); });
    m_tick->start();
    FormCreate();
    startJournal();
    connectRun();
    connectAids(); // after the creation step, which sets the modes itself
    createWindows();
    paint();
}

MainWindow::~MainWindow()
{
    // The journal's thread finishes what it was given. The journal window
    // goes before the journal it reads, the grids before the run whose tables
    // they show.
    m_journalService.reset();
    delete Zhurnal;
    delete m_otwTekModel;
    delete m_sootModel;
    delete m_widimModel;
}

void MainWindow::createWindows()
{
    // The main window comes first, so its creation step runs before any other
    // window exists. The settings are read into the program's state now, after
    // that step, and never again over what was changed since; Настройки shows
    // what was read here. It and the other windows are made when first opened
    // (below), so the main window shows sooner.
    m_settingsRead = std::make_unique<SettingsRead>(SettingsWindow::readIntoProgram());
    // Results that waited for the school's server are sent at the start (by
    // startJournal) and every minute.
    m_outboxTimer = new QTimer(this);
    m_outboxTimer->setInterval(60 * 1000);
    connect(m_outboxTimer, &QTimer::timeout, this, [this] { m_journalService->deliverOutbox(); });
    m_outboxTimer->start();
}

SettingsWindow *MainWindow::settingsWindow()
{
    if (!Nastroika) {
        Nastroika = new SettingsWindow(
            *m_settingsRead, [this] { return m_mainColour; }, this);
        connect(Nastroika, &SettingsWindow::mainColourChosen, this, &MainWindow::setMainColour);
        connect(Nastroika, &SettingsWindow::journalChanged, this, [this] {
            // The journal opens anew where the settings now point.
            delete Zhurnal;
            Zhurnal = nullptr;
            startJournal();
        });
    }
    return Nastroika;
}

EditorWindow *MainWindow::editorWindow()
{
    if (!Zagruzka) {
        Zagruzka = new EditorWindow(this);
        // Publishing a bank on the school's server takes the teacher's own log-in.
        Zagruzka->setTeacherSettings([this] { return teacherSettings(); });
    }
    return Zagruzka;
}

AccessWindow *MainWindow::accessWindow()
{
    if (!Form5)
        Form5 = new AccessWindow(this);
    return Form5;
}

ExamSetupWindow *MainWindow::examSetupWindow()
{
    if (!NaborWopr)
        NaborWopr = new ExamSetupWindow(this);
    return NaborWopr;
}

SubjectListWindow *MainWindow::subjectListWindow()
{
    if (!SpisPredm)
        SpisPredm = new SubjectListWindow(this);
    return SpisPredm;
}

RightAnswerWindow *MainWindow::rightAnswerWindow()
{
    if (!DalsheOkno)
        DalsheOkno = new RightAnswerWindow(this);
    return DalsheOkno;
}

ExplanationWindow *MainWindow::explanationWindow()
{
    if (!Teksti)
        Teksti = new ExplanationWindow(this);
    return Teksti;
}

void MainWindow::setRunIdentity(bool exam)
{
    const Glo &g = glo();
    RunModel::Identity who;
    if (g.userRow >= 0 && g.userRow < int(g.users.size())) {
        who.user = trimmed(g.users[size_t(g.userRow)].fio);
        who.userCode = trimmed(g.users[size_t(g.userRow)].kod);
    }
    who.access = g.KodDostupa;
    if (m_schoolPupil) {
        // The school's server knows who logged in with this code.
        who.user = m_schoolPupil->fio;
        who.typedClass = m_schoolPupil->className;
        who.session = m_schoolPupil->token;
    } else if (m_journal->settings().askPupilName) {
        m_askedName = desktop().input(QStringLiteral("Журнал результатов"), QStringLiteral("Как Вас называть?"),
                                      m_askedName.isEmpty() ? who.user : m_askedName);
        who.typedName = m_askedName;
        if (m_journal->settings().askPupilClass) {
            m_askedClass = desktop().input(QStringLiteral("Журнал результатов"),
                                           QStringLiteral("Ваш класс (например, 9А)?"), m_askedClass);
            who.typedClass = m_askedClass;
        }
    }
    who.subject = PredmetName->currentText();
    who.topic = exam ? QString() : WiborTema->currentText();
    m_run.setIdentity(who);
}

void MainWindow::tell(const QString &text)
{
    Izveshenie->setText(text);
    Izveshenie->setToolTip(text);
    Izveshenie->setVisible(!text.isEmpty());
}

// ---- creation and activation ----

void MainWindow::reportError(const QString &text)
{
    desktop().error(text);
}

void MainWindow::FormCreate()
{
    Glo &g = glo();
    // The users are loaded whatever else fails, so the administrator can
    // always log in and repair what the message names.
    bool listRead = false;
    try {
        // Russian keyboard, a fresh random sequence (the hint button comes
        // enabled with its pane).
        desktop().activateKeyboardLayout(QStringLiteral("00000419"));
        seedFromClock();
        // The modes of a new program run.
        m_run.modes().protocol = false;
        m_run.modes().random = false;
        g.SekWopr = 30;
        Regim->item(0)->setCheckState(Qt::Checked);
        Regim->item(1)->setCheckState(Qt::Checked);
        Regim->item(2)->setCheckState(Qt::Unchecked);
        // The subject list; the first subject is the current one.
        g.TekPapka.clear();
        g.TekPredmet.clear();
        PredmetName->clear();
        if (!QDir().mkpath(installPath(QStringLiteral("Baza"))))
            throw TrivoError(cannotMakeFolderText(installPath(QStringLiteral("Baza"))));
        const auto subjects = openSubjects(RecordFile(papkaPath(), PapkaRec::Size));
        for (const PapkaRec &r : subjects)
            PredmetName->addItem(r.Nazwan);
        if (!subjects.empty())
            chooseSubjectFolder(subjects.front());
        listRead = true;
    } catch (const TrivoError &e) {
        reportError(QStringLiteral("Список предметов Baza/Papka.dat не прочитан: ") + e.text());
    }
    try {
        g.users = loadUsers(RecordFile(installPath(QStringLiteral("Baza/Dostup.dat")), DostupRec::Size),
                            QDate::currentDate());
    } catch (const TrivoError &e) {
        g.users.clear();
        for (const DostupRec &r : defaultUsers(QDate::currentDate()))
            g.users.push_back({r.Kod, r.Fio, r.ParolPolz, r.Dostup});
        reportError(QStringLiteral("Таблица пользователей Baza/Dostup.dat не прочитана, действуют пароли новой "
                                   "установки: ") +
                    e.text());
    }
    if (!listRead)
        return;
    try {
        // The settings, with their defaults first.
        g.ImyaPolz = QStringLiteral("Qdx");
        g.VerOff = QStringLiteral("2003");
        const NoKor n = NoKor::readOrCreate(installPath(QStringLiteral("Baza/NoKor.qdx")));
        g.ImyaPolz = n.text(NoKor::UserName);
        setMainColour(n.colour());
        g.VerOff = n.text(NoKor::OfficeVersion).left(4);
        g.SekWopr = n.number(NoKor::BaseTime);
        g.SekOtw = n.number(NoKor::TimePerOption);
        g.TriProc = n.number(NoKor::Grade3);
        g.ChetProc = n.number(NoKor::Grade4);
        g.PaytProc = n.number(NoKor::Grade5);
        g.LimitWopr = n.number(NoKor::Limit);
        MaxKW->setText(QString::number(g.LimitWopr));
        m_run.setQuestionLimit(g.SekWopr);
        WoprSek->setText(QString::number(g.SekWopr));
        OtwSek->setText(QString::number(g.SekOtw));
        m_run.modes().prompting = true;
        // The rows come whenever the answer area shows, so a stop above never
        // leaves it without them; here they are only cleared.
        clearEntries();
        g.winDos = WinDos::read(installPath(QStringLiteral("Baza/Win_Dos.qdx")));
        m_run.hideAnswerArea();
        // The saved colours; a missing colour file is made empty.
        const QString colours = installPath(QStringLiteral("Baza/CwetFona.qdx"));
        if (!QFileInfo::exists(colours)) {
            writeCp1251Lines(colours, {});
            return;
        }
        for (const SavedColour &c : savedColours(readCp1251Lines(colours))) {
            const ColorCode code = colorFromNameOrThrow(c.name);
            if (c.key == u"Form1")
                setMainColour(code);
            else
                setAnswerAreaColour(code);
        }
    } catch (const TrivoError &e) {
        reportError(e.text());
    }
}

bool MainWindow::chooseSubjectFolder(const PapkaRec &subject)
{
    Glo &g = glo();
    const QString problem = subjectFolderProblem(subject.Nazwan, subject.Papka);
    if (!problem.isEmpty()) {
        // The subject stays in the list, but no bank is opened for it.
        g.TekPapka.clear();
        g.TekPredmet.clear();
        desktop().message(problem, QStringLiteral("Папка предмета"), Desktop::Icon::Warning);
        return false;
    }
    g.TekPapka = trimmed(subject.Papka);
    g.TekPredmet = subject.Nazwan;
    return true;
}

bool MainWindow::event(QEvent *e)
{
    const bool handled = QMainWindow::event(e);
    if (e->type() == QEvent::Show && Zastavka->isVisible())
        Parol->setFocus(); // the first thing to type is the password
    if (e->type() == QEvent::WindowActivate && !m_ended) {
        if (m_skipActivation)
            m_skipActivation = false; // the error box of the last activation just closed
        else if (!m_inActivation)
            FormActivate();
    }
    return handled;
}

void MainWindow::FormActivate()
{
    Glo &g = glo();
    m_inActivation = true;
    try {
        // The question timer's limit goes back to the base time (the clocks come with the run).
        m_run.setQuestionLimit(g.SekWopr);
        showClocks();
        if (g.TekPapka.isEmpty()) {
            // A subject list without any subject: nothing to open.
            WiborTema->clear();
            WiborTema->setEditText(TopicPrompt);
            tables().TemaTabl.setDataRows({});
            KTem->setText(QStringLiteral("0"));
            RWoprWseh->setText(QStringLiteral("0"));
            m_inActivation = false;
            return;
        }
        const BankFiles bank(subjectFolder());
        // A subject folder that is not there yet is made first.
        if (!QDir().mkpath(bank.folder))
            throw TrivoError(cannotMakeFolderText(g.TekPapka));
        bank.openAll();
        RWoprWseh->setText(QString::number(bank.wopros.count()));
        // The settings, with their defaults first.
        WiborTema->clear();
        WiborTema->setEditText(TopicPrompt);
        const auto topics = bank.tema.readAll<TemaRec>();
        QStringList names;
        names.reserve(qsizetype(topics.size()));
        for (const TemaRec &t : topics)
            names << t.Nazwan;
        WiborTema->addItems(names);
        WiborTema->setCurrentIndex(-1);
        WiborTema->setEditText(TopicPrompt);
        fillTopicTable(tables().TemaTabl, topics);
        KTem->setText(QString::number(topics.size()));
    } catch (const TrivoError &e) {
        m_skipActivation = true;
        reportError(e.text());
    }
    m_inActivation = false;
}

// ---- subject, limit, colours ----

void MainWindow::PredmetNameClick()
{
    try {
        const auto found = findSubject(RecordFile(papkaPath(), PapkaRec::Size), PredmetName->currentText());
        if (found && chooseSubjectFolder(*found))
            QDir().mkdir(subjectFolder());
    } catch (const TrivoError &e) {
        reportError(e.text());
    }
    FormActivate();
}

void MainWindow::MaxKWClick()
{
    if (!isAdmin(glo().KodDostupa)) {
        desktop().message(QStringLiteral(" И для начальника. Увы!"), QString(), Desktop::Icon::Warning);
        return;
    }
    const QString typed = desktop().input(QStringLiteral("Введите новое ограничение"),
                                          QStringLiteral("Вопросов по теме не больше чем?"), MaxKW->text());
    MaxKW->setText(typed);
    try {
        glo().LimitWopr = toIntOrThrow(typed);
    } catch (const TrivoError &e) {
        reportError(e.text());
    }
}

void MainWindow::setMainColour(ColorCode c)
{
    m_mainColour = c;
    paintBackground(m_content, c);
}

void MainWindow::setAnswerAreaColour(ColorCode c)
{
    paintBackground(answerRowsPanel, c);
}

void MainWindow::N12Click()
{
    const auto chosen = desktop().chooseColour(paintColour(m_mainColour));
    if (!chosen)
        return;
    const ColorCode c = colorFromRgb(chosen->rgb() & 0xFFFFFF);
    setMainColour(c);
    try {
        ZapParam(installPath(QStringLiteral("Baza/CwetFona.qdx")), colorToName(c), QStringLiteral("Form1"));
    } catch (const TrivoError &e) {
        reportError(e.text());
    }
}

void MainWindow::N14Click()
{
    ZastPogasit1Click();
    if (m_ended || Zastavka->isVisible())
        return; // nobody logged in: the answer area is not shown
    const auto chosen = desktop().chooseColour(answerRowsPanel->palette().color(QPalette::Window));
    if (!chosen)
        return;
    const ColorCode c = colorFromRgb(chosen->rgb() & 0xFFFFFF);
    setAnswerAreaColour(c);
    try {
        ZapParam(installPath(QStringLiteral("Baza/CwetFona.qdx")), colorToName(c), QStringLiteral("Otwet"));
    } catch (const TrivoError &e) {
        reportError(e.text());
    }
}

// ---- log-in ----

void MainWindow::applyRights(bool admin)
{
    for (QAction *a : {N1, N3, N27})
        a->setEnabled(admin);
    Regim->setEnabled(admin && m_run.controls().modeChoice);
    WremIzm->setEnabled(admin && m_run.controls().modeChoice);
    KPraw->setVisible(admin);
    NomerWoprosa->setVisible(admin);
}

bool MainWindow::login(const QString &typed)
{
    // On a PC of a school a pupil's own code goes to the school's server first.
    bool handled = false;
    if (schoolLogin(typed, handled))
        return true;
    if (handled)
        return false;
    const LoginResult r = decideLogin(glo().users, typed);
    if (r.outcome == LoginOutcome::Nothing)
        return false; // whoever is logged in stays, with their rights
    if (r.outcome == LoginOutcome::Unknown) {
        desktop().message(QStringLiteral("Повторите запуск программы"), QStringLiteral("Что-то я Вас не припоминаю"),
                          Desktop::Icon::Warning);
    } else if (r.outcome == LoginOutcome::Closed) {
        glo().KodDostupa = r.letter;
        desktop().message(QStringLiteral("Увы!!!"), QStringLiteral("Вам доступ закрыт"), Desktop::Icon::Warning);
    } else {
        glo().KodDostupa = r.letter;
        glo().userRow = r.row;
        // A new log-in is a new pupil, also on an account the class shares:
        // the name typed before belongs to the one who logged in before.
        m_askedName.clear();
        m_askedClass.clear();
        m_schoolPupil.reset();
        m_teacher.reset();
        startLessons(); // none for a user of this PC's own
        applyRights(isAdmin(r.letter));
        if (keepsShippedPassword(glo().users[size_t(r.row)]) && !std::exchange(m_toldShippedPassword, true))
            tell(QStringLiteral("Вы вошли с паролем администратора, с которым программа поставляется: его знает "
                                "каждый, кто читал справку. Смените его в меню Сервис → Пароли."));
        askDueCount();
        return true;
    }
    m_ended = true;
    close();
    return false;
}

bool MainWindow::NewDostup()
{
    return login(Parol->text());
}

bool MainWindow::ProveritDostup()
{
    // The box starts empty: a password shown in it would log in whoever
    // pressed Enter or «Отмена». A cancelled box changes nothing.
    const std::optional<QString> typed =
        desktop().password(QStringLiteral("Введите ровно 6 цифр"), QStringLiteral("Пароль?"));
    return typed && login(*typed);
}

void MainWindow::N10Click()
{
    ProveritDostup();
}

void MainWindow::ZastPogasit1Click()
{
    if (!NewDostup()) {
        if (!m_ended)
            Parol->setFocus(Qt::OtherFocusReason); // nothing typed yet: the password is still wanted
        return;
    }
    Zastavka->hide();
    m_run.openAnswerRows();
    clearEntries();
    paint();
    // The next thing to do is to choose a topic.
    (WiborTema->isEnabled() ? static_cast<QWidget *>(WiborTema) : PredmetName)->setFocus(Qt::OtherFocusReason);
}

// ---- menus ----

void MainWindow::openInstalled(const QString &relative)
{
    const QString path = installPath(relative);
    if (!desktop().openFile(path))
        desktop().reportNotOpened(path);
}

void MainWindow::N13Click()
{
    openInstalled(QStringLiteral("Help/ReadMe.doc"));
}
void MainWindow::N18Click()
{
    openInstalled(QStringLiteral("Baza/FIPI_Obrazec_2007.doc"));
}
void MainWindow::N29Click()
{
    openInstalled(QStringLiteral("Baza/Obrazec.txt"));
}
void MainWindow::w1Click()
{
    openInstalled(QStringLiteral("Baza/wObrazec.txt"));
}

void MainWindow::N15Click()
{
    if (!desktop().printWindow(this, true))
        reportError(QStringLiteral("Не удалось напечатать окно: принтер недоступен."));
}

void MainWindow::showWindow(QWidget *w)
{
    desktop().showModal(static_cast<QDialog *>(w));
}

void MainWindow::N9Click()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(accessWindow());
}

void MainWindow::N30Click()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(subjectListWindow());
}

void MainWindow::N27Click()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(examSetupWindow());
}

void MainWindow::editorClick()
{
    if (!isAdmin(glo().KodDostupa))
        return;
    // The bank is not edited under a running test.
    if (running()) {
        desktop().message(QStringLiteral("Остановите тест кнопкой «Стоп», затем откройте редактор."),
                          QStringLiteral("Идёт тест"), Desktop::Icon::Warning);
        return;
    }
    showWindow(editorWindow());
}

void MainWindow::settingsClick()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(settingsWindow());
}
