#include "Unit1.h"
#include "Desktop.h"
#include "TableModel.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"
#include "Unit8.h"
#include "WidgetKit.h"
#include "Windows.h"
#include "WordDocument.h"
#include "editortables.h"
#include "runtables.h"
#include "subjects.h"
#include "textfile.h"

#include <QFileInfo>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

const QString TForm1::TopicPrompt = QStringLiteral("Мышкой нажмите справа стрелочку, выберите тему и нажмите кнопку");
namespace
{

const QString papkaPath()
{
    return installPath(QStringLiteral("Baza/Papka.dat"));
}

} // namespace

TForm1::TForm1()
{
    setObjectName(QStringLiteral("Form1"));
    m_otwTek = new StringTable(7, 1);
    m_soot = new StringTable(4, 20);
    m_widim = new StringTable(2, 20);
    m_otwTekModel = new StringTableModel(m_otwTek, this);
    m_sootModel = new StringTableModel(m_soot, this);
    m_widimModel = new StringTableModel(m_widim, this);
    m_otwTekModel->editable = false;
    m_widimModel->editable = false;
    buildMenus();
    buildWindow();
    resize(1240, 820);
    m_tick = new QTimer(this);
    m_tick->setInterval(250);
    connect(m_tick, &QTimer::timeout, this, [this] { tickClocks(secondsOfDay()); });
    m_tick->start();
    FormCreate();
    connectAids(); // after the creation step, which sets the modes itself
}

TForm1::~TForm1()
{
    delete m_otwTekModel;
    delete m_sootModel;
    delete m_widimModel;
    delete m_otwTek;
    delete m_soot;
    delete m_widim;
}

// ---- creation and activation ----

void TForm1::reportError(const QString &text)
{
    desktop().error(text);
}

void TForm1::FormCreate()
{
    Glo &g = glo();
    // The users are loaded whatever else fails, so the administrator can
    // always log in and repair what the message names.
    bool listRead = false;
    try {
        // 1
        PlusSim->setEnabled(true);
        desktop().activateKeyboardLayout(QStringLiteral("00000419"));
        seedFromClock();
        // 2
        g.ProtokolWkl = false;
        g.Sluchaino = false;
        g.SekWopr = 30;
        Regim->item(0)->setCheckState(Qt::Checked);
        Regim->item(1)->setCheckState(Qt::Checked);
        Regim->item(2)->setCheckState(Qt::Unchecked);
        // 3, 4
        g.TekPapka.clear();
        g.TekPredmet.clear();
        PredmetName->clear();
        if (!QDir().mkpath(installPath(QStringLiteral("Baza"))))
            throw TrivoError(QStringLiteral("Cannot create folder: %1").arg(installPath(QStringLiteral("Baza"))));
        const auto subjects = openSubjects(RecordFile(papkaPath(), PapkaRec::Size));
        for (const PapkaRec &r : subjects)
            PredmetName->addItem(r.Nazwan);
        if (!subjects.empty())
            chooseSubjectFolder(subjects.front());
        listRead = true;
    } catch (const TrivoError &e) {
        reportError(QStringLiteral("Список предметов Baza/Papka.dat не прочитан: ") + e.text());
    }
    // 5
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
        // 6
        g.ImyaPolz = QStringLiteral("Qdx");
        g.VerOff = QStringLiteral("2003");
        // 7
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
        timerWopr.setLimit(g.SekWopr);
        WoprSek->setText(QString::number(g.SekWopr));
        OtwSek->setText(QString::number(g.SekOtw));
        // 8
        g.RegimPodskaz = QStringLiteral("Wkl");
        // 9: the 30 rows are built with the window, so a stop above never leaves
        // the answer area without its rows; here they are only cleared.
        for (size_t i = 0; i < PtiOtw.size(); ++i) {
            PtiOtw[i]->setChecked(false);
            NomOtw[i]->clear();
            TxtOtw[i]->clear();
        }
        // 10
        g.winDos = WinDos::read(installPath(QStringLiteral("Baza/Win_Dos.qdx")));
        // 11
        OdinTo4->hide();
        OtwetiOtm->hide();
        // 12
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

bool TForm1::chooseSubjectFolder(const PapkaRec &subject)
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

bool TForm1::event(QEvent *e)
{
    const bool handled = QMainWindow::event(e);
    if (e->type() == QEvent::WindowActivate && !m_ended) {
        if (m_skipActivation)
            m_skipActivation = false; // the error box of the last activation just closed
        else if (!m_inActivation)
            FormActivate();
    }
    return handled;
}

void TForm1::FormActivate()
{
    Glo &g = glo();
    m_inActivation = true;
    try {
        // 1: the question timer's limit goes back to the base time (the clocks come with the run).
        timerWopr.setLimit(g.SekWopr);
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
        // 2..5 (a subject folder that is not there yet is made first)
        if (!QDir().mkpath(bank.folder))
            throw TrivoError(QStringLiteral("Cannot create folder: %1").arg(g.TekPapka));
        bank.openAll();
        RWoprWseh->setText(QString::number(bank.wopros.count()));
        // 6
        WiborTema->clear();
        WiborTema->setEditText(TopicPrompt);
        // 7
        const auto topics = bank.tema.readAll<TemaRec>();
        QStringList names;
        names.reserve(qsizetype(topics.size()));
        for (const TemaRec &t : topics)
            names << t.Nazwan;
        WiborTema->addItems(names);
        WiborTema->setCurrentIndex(-1);
        WiborTema->setEditText(TopicPrompt);
        fillTopicTable(tables().TemaTabl, topics);
        // 8
        KTem->setText(QString::number(topics.size()));
    } catch (const TrivoError &e) {
        m_skipActivation = true;
        reportError(e.text());
    }
    m_inActivation = false;
}

// ---- clocks ----

void TForm1::tickClocks(int now)
{
    timerTema.tick(now);
    const bool endOfTime = timerWopr.tick(now);
    showClocks();
    if (endOfTime)
        emit questionTimeOver();
}

void TForm1::showClocks()
{
    TimerWopr->setText(Clock::format(timerWopr.shown()));
    TimerTema->setText(Clock::format(timerTema.shown()));
}

// ---- subject, limit, colours ----

void TForm1::PredmetNameClick()
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

void TForm1::MaxKWClick()
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

void TForm1::setMainColour(ColorCode c)
{
    m_mainColour = c;
    paintBackground(centralWidget(), c);
}

void TForm1::setAnswerAreaColour(ColorCode c)
{
    paintBackground(answerRowsPanel, c);
}

void TForm1::N12Click()
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

void TForm1::N14Click()
{
    ZastPogasit1Click();
    if (m_ended)
        return;
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

void TForm1::applyRights(bool admin)
{
    for (QAction *a : {N1, N3, N27})
        a->setEnabled(admin);
    Regim->setEnabled(admin);
    WremIzm->setEnabled(admin);
    KPraw->setVisible(admin);
    NomerWoprosa->setVisible(admin);
}

bool TForm1::login(const QString &typed)
{
    const LoginResult r = decideLogin(glo().users, typed);
    if (r.outcome == LoginOutcome::Unknown) {
        desktop().message(QStringLiteral("Повторите запуск программы"), QStringLiteral("Что-то я Вас не припоминаю"),
                          Desktop::Icon::Warning);
    } else if (r.outcome == LoginOutcome::Closed) {
        glo().KodDostupa = r.letter;
        desktop().message(QStringLiteral("Увы!!!"), QStringLiteral("Вам доступ закрыт"), Desktop::Icon::Warning);
    } else {
        glo().KodDostupa = r.letter;
        applyRights(isAdmin(r.letter));
        return true;
    }
    m_ended = true;
    close();
    return false;
}

bool TForm1::NewDostup()
{
    return login(Parol->text());
}

bool TForm1::ProveritDostup()
{
    return login(
        desktop().input(QStringLiteral("Введите ровно 6 цифр"), QStringLiteral("Пароль?"), DefaultAdminPassword));
}

void TForm1::N10Click()
{
    ProveritDostup();
}

void TForm1::ZastPogasit1Click()
{
    if (!NewDostup())
        return;
    Zastavka->hide();
    OtwetiOtm->show();
    OdinTo4->hide();
    Soot->hide();
    clearAnswerRows();
}

// ---- menus ----

void TForm1::openInstalled(const QString &relative)
{
    // Nothing is reported when a document does not open.
    desktop().openFile(installPath(relative));
}

void TForm1::N13Click()
{
    openInstalled(QStringLiteral("Help/ReadMe.doc"));
}
void TForm1::N18Click()
{
    openInstalled(QStringLiteral("Baza/FIPI_Obrazec_2007.doc"));
}
void TForm1::N29Click()
{
    openInstalled(QStringLiteral("Baza/Obrazec.txt"));
}
void TForm1::w1Click()
{
    openInstalled(QStringLiteral("Baza/wObrazec.txt"));
}

void TForm1::N15Click()
{
    if (!desktop().printWindow(this, true))
        reportError(QStringLiteral("Не удалось напечатать окно: принтер недоступен."));
}

void TForm1::showWindow(QWidget *w)
{
    desktop().showModal(static_cast<QDialog *>(w));
}

void TForm1::N9Click()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(wins().Form5);
}

void TForm1::N30Click()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(wins().SpisPredm);
}

void TForm1::N27Click()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(wins().NaborWopr);
}

void TForm1::editorClick()
{
    if (!isAdmin(glo().KodDostupa))
        return;
    // The editor's tables are the run's tables: opening it would pull the
    // questions from under a running test.
    if (running()) {
        desktop().message(QStringLiteral("Остановите тест кнопкой «Стоп», затем откройте редактор."),
                          QStringLiteral("Идёт тест"), Desktop::Icon::Warning);
        return;
    }
    showWindow(wins().Zagruzka);
}

void TForm1::settingsClick()
{
    if (isAdmin(glo().KodDostupa))
        showWindow(wins().Nastroika);
}
