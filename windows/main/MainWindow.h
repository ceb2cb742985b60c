#pragma once
#include "clock.h"
#include "colors.h"
#include "lessonservice.h"
#include "pcstatus.h"
#include "programstate.h"
#include "runmodel.h"
#include "teacheraccess.h"

#include <QMainWindow>
#include <QSet>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTableView;
class QTimer;
class QTextEdit;
class QVBoxLayout;
class StringTableModel;
class WordDocument;
class EditorWindow;
class SettingsWindow;
struct SettingsRead;
class AccessWindow;
class ExamSetupWindow;
class SubjectListWindow;
class RightAnswerWindow;
class ExplanationWindow;
class JournalWindow;
class Journal;
class JournalService;
struct BankFetch;
struct JournalOutcome;
struct DueListing;

// The main window, where a pupil logs in, picks a subject and a topic and takes
// the test: it shows the run (RunModel) and hands it the pupil's answers.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int AnswerRows = 30;
    static const QString TopicPrompt;

    MainWindow();
    ~MainWindow() override;

    // The creation step; runs once, from the constructor.
    void FormCreate();
    // The activation step: reopens the current subject's bank and lists its topics.
    void FormActivate();

    // Handlers.
    void PredmetNameClick();
    void MaxKWClick();
    void N12Click();
    void N14Click();
    void ZastPogasit1Click();
    void N10Click();
    void N13Click();
    void N15Click();
    void N18Click();
    void N29Click();
    void w1Click();
    void N9Click();
    void N30Click();
    void N27Click();
    void editorClick();
    void settingsClick();

    // The run of a topic.
    void PuskClick();
    void N28Click();
    void DalsheClick();
    void Itog1Click();
    void PrnProtokolClick();

    // Answering aids.
    void SootTabMouseDown(int row);
    void WidimSootMouseDown(int row);
    void WWerhClick();
    void WnizClick();
    void IspravitClick();
    void UbWoprClick();
    void PlusSimClick();
    void FiftiClick();
    void OtlogitClick();
    void Powtorit1Click();
    void N5Click();

    // Modes and times.
    void RegimClickCheck(int item);
    void WremaZadatClick();
    void N20Click();
    void TimerWoprEndOfTime();

    // The run on screen; everything it knows lives there.
    RunModel &run() { return m_run; }
    const RunModel &run() const { return m_run; }
    bool running() const { return m_run.running(); }

    // Log-in with the splash password / through the prompt; true when someone
    // logged in. Nothing typed or the prompt cancelled changes nothing; a
    // refused password ends the program (ended()).
    bool NewDostup();
    bool ProveritDostup();

    ColorCode mainColour() const { return m_mainColour; }
    void setMainColour(ColorCode c);
    void setAnswerAreaColour(ColorCode c);
    // True once a refused log-in has closed the window (the program ends).
    bool ended() const { return m_ended; }

    // Controls, named as the program's documents name them.
    QComboBox *PredmetName, *WiborTema;
    QLineEdit *KTem, *RWoprWseh;
    QPushButton *MaxKW, *Pusk, *Itog1, *Otlogit, *Fifti, *Powtorit1, *PrnProtokol, *Dalshe;
    QFrame *Zastavka;
    QLineEdit *Parol;
    QPushButton *ZastPogasit1;
    QScrollArea *OtwetiOtm;
    QWidget *answerRowsPanel;
    // Answer rows, index 0 = row 1; a question with more options than rows
    // gets further rows made for it (PtiOtw31 ...).
    std::vector<QCheckBox *> PtiOtw;
    std::vector<QLineEdit *> NomOtw;
    std::vector<QTextEdit *> TxtOtw;
    // The answer area's panes: none until a question first shows it.
    QGroupBox *OdinTo4 = nullptr;
    QLineEdit *OdinOt = nullptr;
    QPushButton *PlusSim = nullptr;
    QTextEdit *Memo1 = nullptr;
    QGroupBox *Soot = nullptr;
    QTableView *SootTab = nullptr, *WidimSoot = nullptr, *OtwTek = nullptr;
    QLineEdit *NStr = nullptr;
    QPushButton *WWerh = nullptr, *Wniz = nullptr, *Ispravit = nullptr, *UbWopr = nullptr;
    QTextEdit *WoprosM;
    QLineEdit *TipOtweta, *NomerWoprosa;
    QLabel *notice;
    // The quiet line at the foot of the window: what a user should know but
    // need not answer (a result kept for the journal, a password to change).
    QLabel *Izveshenie;
    QLineEdit *KWopr, *NWopr, *WerWop, *WseBal, *WerBal, *TekBal, *Podskazano, *KOtw, *KPraw, *WsegoWopTem;
    QLineEdit *Ocenka, *TekOcenka;
    // Above the counters: which run they count when it is not a topic's.
    QLabel *RegimOshibok;
    std::array<QLabel *, 5> Zw{};
    QProgressBar *Gauge1, *Gauge2;
    QListWidget *Regim;
    QGroupBox *WremIzm;
    QLineEdit *WoprSek, *OtwSek, *TimeWopros;
    QPushButton *WremaZadat;
    QLabel *TimerWopr, *TimerTema;
    QAction *journalItem;
    QAction *N31; // «Работа над ошибками»
    QAction *N1, *N3, *N7, *N27, *N28, *N10, *N13, *N15, *N18, *N29, *w1, *N12, *N14, *N30, *N9, *N5, *N19, *N20,
        *editorItem, *settingsItem, *fileExit, *exitItem;

    // The windows opened from this one, each made when it is first wanted.
    EditorWindow *editorWindow();
    SettingsWindow *settingsWindow();
    AccessWindow *accessWindow();
    ExamSetupWindow *examSetupWindow();
    SubjectListWindow *subjectListWindow();
    RightAnswerWindow *rightAnswerWindow();
    ExplanationWindow *explanationWindow();
    JournalWindow *Zhurnal = nullptr; // made when the journal is first opened
    JournalWindow *journalWindow();
    // Opens the editor at a question of a subject's bank, for the administrator
    // who found it in the journal's analysis.
    void editQuestion(const QString &subject, const QString &questionKey);

    // Every run that ends goes into the results journal, written on the
    // journal's own thread; the journal window reads it through journal().
    Journal &journal() { return *m_journal; }
    JournalService &journalService() { return *m_journalService; }
    // Shows text in the quiet line (an empty text clears it); never a modal box.
    void tell(const QString &text);
    void ZhurnalClick();
    // A teacher's own log-in on the school's server, for what the PCs' role
    // may not do (the journal, the pupils' accounts, publishing a bank): the
    // one kept by this desktop account, else asked for (login, password, and
    // whether to keep it); held until the next log-in. Nothing when cancelled
    // or when this PC is not one of a school.
    std::optional<JournalSettings> teacherSettings();
    // The pupil's PC in a controlled test (none unless a pupil logged in with their code).
    LessonService *lessonService() { return m_lessonService.get(); }

    // The grids of the question on screen (the run's tables).
    StringTable *sootTable() { return &m_run.Soot(); }
    StringTable *widimTable() { return &m_run.Widim(); }

    // The QTimer feeds the run's two clocks the time of day.
    void tickClocks(int now);
    void showClocks();

signals:
    // The countdown of the question on screen reached its limit.
    void questionTimeOver();

protected:
    bool event(QEvent *e) override;

private:
    void buildMenus();
    void buildWindow();
    void buildAnswerRows();
    // The panes the run's answer area shows now, made if they were not yet.
    void ensurePanes();
    void buildExactPane();
    void buildMatchingPane();
    void buildOptionsTable();
    void placePane(QWidget *pane, int stretch);
    void keepPanesTabOrder();
    void styleControls();
    void ensureAnswerRows(int n);
    void createWindows();
    void connectRun();
    void connectAids();
    // Alt+Up / Alt+Down on a matching grid: the row in focus goes up / down one place.
    void moveGridRow(QTableView *grid, int step);
    // Paints everything the run shows: counters, gauges, lamps, enabled
    // controls and the answer area.
    void paint();
    void paintCounters();
    void paintControls();
    void paintAnswerArea();
    void setText(QLineEdit *box, const QString &text);
    // Answer area: entries go, a question's rows come, the aids' files open.
    void clearEntries();
    void showQuestion();
    // The focus goes to the first control the pupil answers with.
    void focusFirstAnswer();
    void showRightOptions(const std::vector<int> &dimmedRows, const QString &verdict);
    void showExplanation(const QString &path);
    GivenAnswer givenAnswer() const;
    // Hands the pupil's answer to the run (the answer button, the end of time).
    void handAnswer(void (RunModel::*step)(const GivenAnswer &, int));
    QStringList rankingNumbers() const;
    void applyRights(bool admin);
    bool login(const QString &typed);
    // Makes the subject's folder the current one; a folder outside the
    // installation folder is refused with a message and no bank is open.
    bool chooseSubjectFolder(const PapkaRec &subject);
    void openInstalled(const QString &relative);
    void showWindow(QWidget *w);
    void reportError(const QString &text);
    // Who takes the next run and on what, for the journal.
    void setRunIdentity(bool exam);
    void recordRun(const RunResult &result);
    // Makes the journal where the settings point, and its thread.
    void startJournal();
    // What the journal's thread answered, told in the quiet line.
    void journalRecorded(const JournalOutcome &outcome);
    void journalDelivered(int sent, int waiting);
    void tellJournal(const QString &text, const QString &why);
    // «Работа над ошибками»: the due questions are asked for on the journal's
    // thread; its answer starts the run, or after the log-in tells how many wait.
    void N31Click();
    void askDueCount();
    void dueListed(const DueListing &listing);
    QString loggedInPupil() const;
    // A pupil's own code checked by the school's server: true when it let
    // the pupil in; handled when nothing else is to be tried (the server
    // said to wait).
    bool schoolLogin(const QString &typed, bool &handled);
    // The journal on a PC of the school: the teacher's, or the pupil's own runs.
    void schoolJournal();
    // A controlled test the teacher started for the logged-in pupil's class:
    // asked for at the log-in and every few seconds while no run goes on,
    // started at once, each answer judged by the server.
    void startLessons();
    void lessonChecked(const LessonOffer &offer);
    void lessonAnswer(const GivenAnswer &given);
    void lessonAnswered(int position, const AnswerOutcome &outcome);
    void lessonFinished(const LessonEnd &end);
    void lessonQueueSent(int waiting);
    // Each second: the test's own time, and answers waiting to be sent.
    void lessonTick();
    void endLesson(const QString &why);
    // «Ученики и коды входа»: the pupils' accounts, with the teacher's own log-in.
    void UchenikiClick();
    QAction *pupilsItem = nullptr;
    // «Класс сейчас» (MainWindowLive.cpp): this PC's run told to the school's
    // server on every change, and the teacher's live view of the class.
    void startLive(const JournalSettings &settings);
    void feedLive();
    void KlassSeichasClick();
    QAction *KlassSeichasItem = nullptr;
    std::unique_ptr<StatusSender> m_live;
    // The banks published on the school's server (MainWindowBanks.cpp):
    // fetched once the window runs, quietly, and on «Обновить банки».
    void ObnovitBankiClick();
    void fetchBanksAtStart();
    void fetchPublishedBanks(bool quiet);
    void showFetchedBanks(const BankFetch &fetched, bool quiet);
    QAction *ObnovitBanki = nullptr;
    bool m_fetchingBanks = false;

    EditorWindow *Zagruzka = nullptr;
    SettingsWindow *Nastroika = nullptr;
    std::unique_ptr<SettingsRead> m_settingsRead; // what Настройки shows when it is made
    AccessWindow *Form5 = nullptr;
    ExamSetupWindow *NaborWopr = nullptr;
    SubjectListWindow *SpisPredm = nullptr;
    RightAnswerWindow *DalsheOkno = nullptr;
    ExplanationWindow *Teksti = nullptr;
    RunModel m_run;
    QWidget *m_content = nullptr;           // what the window shows, inside its scroll area
    QVBoxLayout *m_answersLayout = nullptr; // the answer rows' area and the panes under it
    ColorCode m_mainColour = 0;
    bool m_ended = false;
    bool m_skipActivation = false;
    bool m_inActivation = false;
    QTimer *m_tick;
    std::unique_ptr<WordDocument> m_protocolDocument;
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<JournalService> m_journalService;
    QString m_journalNotice; // what the quiet line was told about the journal
    QString m_askedName;     // the name the pupil gave at the last start
    QString m_askedClass;    // and the class
    // The pupil logged in with their own code on the school's server.
    struct SchoolPupil {
        QString token, fio, className;
    };
    std::optional<SchoolPupil> m_schoolPupil;
    // The controlled test under way on this PC.
    struct LessonNow {
        qint64 id = 0;
        QDateTime ends;             // the pupil's end of the test, by this PC's clock
        std::vector<int> positions; // the server's number of each question, in the run's order
        bool awaiting = false;      // an answer is with the server
        GivenAnswer given;          // and what it was
        int waiting = 0;            // answers kept on this PC for the server
        bool ended = false;
        bool finished = false;  // the server has the pupil's end and gave the totals
        bool prompting = false; // the mode list's hints, shown off during the test and back after it
    };
    std::optional<LessonNow> m_lessonNow;
    QSet<qint64> m_lessonsDone; // tests this pupil ended on this PC
    std::unique_ptr<LessonService> m_lessonService;
    QTimer *m_lessonTimer = nullptr;
    std::optional<TeacherLogin> m_teacher; // typed at this log-in, kept here if not on the disk
    QString m_journalUser;                 // whose log-in the journal window reads with
    QString m_dueNotice;                   // «Повторить сегодня: …» as the quiet line shows it
    bool m_reviewAsked = false;            // «Работа над ошибками» waits for the journal's list
    bool m_toldShippedPassword = false;
    QTimer *m_outboxTimer = nullptr;
    StringTableModel *m_otwTekModel, *m_sootModel, *m_widimModel;
};
