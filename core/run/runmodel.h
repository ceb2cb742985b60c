#pragma once
#include "bank.h"
#include "clock.h"
#include "protocol.h"
#include "random.h"
#include "run.h"
#include "runresult.h"
#include "stringtable.h"

#include <QObject>
#include <QSet>
#include <array>
#include <functional>
#include <optional>
#include <vector>

// The modes of the mode list: they hold for the next run and, where it makes
// sense, for the one in progress.
struct RunModes {
    bool prompting = true; // hints offered ("Wkl"), else the wrong options are not shown ("Wikl")
    bool random = false;   // questions in random order
    bool protocol = false; // every question and answer goes into the protocol
    QString pupil;         // the name the protocol gives
};

// Which parts of the answer area are on screen.
struct AnswerArea {
    bool rows = false;  // tick or number boxes beside the option texts (OtwetiOtm)
    bool exact = false; // one line to type the answer into (OdinTo4)
    bool grid = false;  // the matching and classification grids (Soot)
};

// Where a run's questions come from.
enum class RunSource {
    Topic,  // the topic chosen
    Exam,   // the draw over the whole subject
    Review, // the pupil's mistakes due for repeating
    Lesson, // a controlled test the teacher started: judged on the school's server
};

// One answer as the pupil gave it, in plain data.
struct GivenAnswer {
    QString typed;           // the exact answer
    std::vector<bool> ticks; // a tick per option row
    QStringList numbers;     // the number typed beside each ranked option
};

// Which controls of the run may be used now; the run switches them as it goes.
struct RunControls {
    bool running = false;       // the start button reads "Стоп"
    bool answer = false;        // Itog1
    bool putOff = true;         // Otlogit
    bool repeat = false;        // Powtorit1
    bool printProtocol = false; // PrnProtokol
    bool subjectChoice = true;  // the subject list and the exam menu
    bool topicChoice = true;    // the topic list (an exam shows each question's topic there)
    bool modeChoice = true;     // the mode list and the times, for the administrator
    bool plusSim = true, fifti = true, ispravit = true;
    bool rowUp = true, rowDown = true, revealNumber = true; // WWerh, Wniz, UbWopr
    std::array<bool, 5> lamps{};                            // grades reached, lit and never put out during a run
};

// One option row of the question on screen.
struct OptionRow {
    QString text;         // the option's text, trimmed
    bool numberBox;       // a number box beside it (ranking) instead of a tick box
    bool removed = false; // taken away by the "remove an error" hint
};

// A run of a topic or of the whole-subject exam: the run tables, the question
// on screen, every counter, the put-off questions, the modes, both clocks and
// the protocol. Every action of the pupil is one method; the main window only
// turns entries into plain data and paints what the run holds. Time is passed
// in as seconds since midnight. A method that meets a bad number raises
// TrivoError where the old handler stopped; what it did before stays done.
class RunModel : public QObject
{
    Q_OBJECT
public:
    explicit RunModel(RandomGen &gen = rng());

    // ---- starting and ending ----
    // The start of any run: clocks, controls, counters of hints and put-off
    // questions, a new protocol when the protocol mode is on.
    void begin(RunSource source, int now);
    void begin(bool exam, int now) { begin(exam ? RunSource::Exam : RunSource::Topic, now); }
    // A topic: its questions (shuffled when asked, then cut to the limit) and
    // options from the bank; then the first question.
    void startTopic(const BankFiles &bank, const QString &predm, const QString &tema, int now);
    // The whole-subject exam: the draw through Temp.dat; then the first question.
    void startExam(const BankFiles &bank, int now);
    // The mistakes to repeat: the questions of these keys (Predm_Tema_Test_Wopr)
    // in this order, those gone from the bank left out, cut to the limit; then
    // the first question. Hints are offered whatever the mode list says.
    void startReview(const BankFiles &bank, const QStringList &keys, int now);
    // A controlled test the teacher started on the school's server: its
    // questions and their options as the server gives them, without keys (no
    // option says its role), asked in the given order, without hints. Each
    // answer is judged by the server: answerJudged hands its points in.
    void startLesson(const std::vector<WoprosRec> &questions, const std::vector<OtwetRec> &options, int now);
    bool lesson() const { return m_source == RunSource::Lesson; }
    // The answer to the question on screen as the run keeps it in words:
    // what the school's server judges.
    QString givenText(const GivenAnswer &given) const;
    // The answer button of a lesson, with the points the server gave it.
    void answerJudged(const GivenAnswer &given, int points, bool right, int now);
    // A start that could not finish: back to idle with nothing to answer.
    void abandonStart();
    // Back to idle without closing (a start refused before anything was read).
    void backToIdle();
    // The stop button: idle, the closing text, the time spent, the protocol button.
    void stop(int now);

    // ---- the question on screen ----
    // Shows the next question of the table; nothing when the table is done.
    void nextQuestion(int now);
    // The answer button: judges what is given, closes the run after the last
    // question, then shows the next question and the grades.
    void answer(const GivenAnswer &given, int now);
    // The end of the question's time: the same as the answer button while it is enabled.
    void timeOver(const GivenAnswer &given, int now);
    // Advances both clocks; true when the question's time has just run out.
    bool tick(int now);

    // ---- aids ----
    // The right exact answer in full when it is longer than what is typed (PlusSim).
    std::optional<QString> hintExact(const QString &typed);
    // Removes a wrong option (ticks) or fills the first empty ranking number
    // with its right number; the row (from 1) changed, if any.
    std::optional<int> removeAnError(const QStringList &rankingNumbers);

    // Matching rows: the selected row as the NStr box holds it, and the row it becomes.
    QString rowUp(const QString &selected);
    QString rowDown(const QString &selected);
    void putInPlace();    // one bubble pass over the right column (Ispravit)
    void revealNumber();  // the first "?" of a classification (UbWopr)
    void putOff(int now); // Otlogit
    void repeat(int now); // Powtorit1
    // Shows the options table when the reply is the access code; true when it did.
    bool revealOptionsTable(const QString &reply);

    // ---- what the journal keeps ----
    // Who takes the run and on what; set before it begins.
    struct Identity {
        QString user, userCode, access; // the logged-in user, empty before a log-in
        QString typedName;              // the name the pupil gave at the start, if asked
        QString subject, topic;
        QString typedClass{}; // the class the pupil gave with the name, if asked
        QString session{};    // the pupil's log-in on the school's server, if they logged in there
    };
    void setIdentity(const Identity &who) { m_identity = who; }
    // What happened so far in the run (all of it once the run has ended).
    RunResult result() const;
    // The pupil the journal names for the run: the name typed at the start,
    // else the one typed for the protocol, else the user's.
    QString pupil() const;
    static const QString reviewTopic;
    // The journal keeps a question's text and answers cut to this many characters.
    static constexpr int keptTextLength = 2000;

    // ---- modes and times ----
    RunModes &modes() { return m_modes; }
    const RunModes &modes() const { return m_modes; }
    void setPrompting(bool on);
    void setQuestionLimit(int seconds) { m_questionClock.setLimit(seconds); }
    // The log-in (and the exam, which needs none) opens the option rows.
    void openAnswerRows();
    // The exam, which needs no log-in, shows the option rows as they stand.
    void showAnswerRows() { m_area.rows = true; }
    // The protocol button was pressed.
    void protocolPrinted() { m_controls.printProtocol = false; }
    // The creation step hides the answer area until the log-in.
    void hideAnswerArea() { m_area.rows = m_area.exact = false; }
    void setProtocol(bool on, const QString &pupil);

    // ---- the protocol ----
    const std::vector<ProtocolEntry> &protocol() const { return m_protocol; }
    // Whether a protocol of a run is there to complete.
    bool protocolOpen() const { return m_protocolOpen; }
    // The closing summary: 11 rows of caption and value.
    void addSummary(const QString &subject, const QString &topic, const QString &dateTime);

    // ---- what the window paints ----
    const RunControls &controls() const { return m_controls; }
    bool running() const { return m_controls.running; }
    bool exam() const { return m_exam; }
    RunSource source() const { return m_source; }
    int KWopr() const { return m_kWopr; }
    int NWopr() const { return m_nWopr; }
    int WerWop() const { return m_werWop; }
    int WseBal() const { return m_wseBal; }
    int WerBal() const { return m_werBal; }
    const QString &TekBal() const { return m_tekBal; }
    int Podskazano() const { return m_podskazano; }
    const QString &KOtw() const { return m_kOtw; }
    const QString &KPraw() const { return m_kPraw; }
    const QString &WsegoWopTem() const { return m_wsegoWopTem; }
    const QString &Ocenka() const { return m_ocenka; }
    const QString &TekOcenka() const { return m_tekOcenka; }
    int deferred() const { return m_deferred; }
    // The second caption line of the repeat button.
    QString deferredLine() const;
    // What the window names a run of mistakes by beside its counters while a
    // question of it waits for an answer: «Работа над ошибками: вопрос 2 из 5»;
    // empty for the other runs and once it has ended.
    QString modeLine() const;
    int pointsAsked() const { return m_pointsAsked; }
    const QString &timeSpent() const { return m_timeSpent; }
    // The gauges: questions left and points earned, with their maximums.
    int questionsLeft() const { return m_questionsLeft; }
    int questionsLeftMax() const { return m_questionsLeftMax; }
    int pointsGauge() const { return m_pointsGauge; }
    int pointsGaugeMax() const { return m_pointsGaugeMax; }

    const Clock &questionClock() const { return m_questionClock; }
    const Clock &topicClock() const { return m_topicClock; }
    const QString &timeLimitText() const { return m_timeLimitText; }

    // The question on screen.
    const QString &questionText() const { return m_questionText; }
    const QString &questionKey() const { return m_questionKey; }
    const QString &questionTopic() const { return m_questionTopic; }
    const QString &typeText() const { return m_typeText; }
    const AnswerArea &answerArea() const { return m_area; }
    const std::vector<OptionRow> &optionRows() const { return m_rows; }
    bool gridNumbersShown() const { return m_sootShown; } // SootTab, else WidimSoot
    bool gridPlainShown() const { return m_widimShown; }
    const QString &explanationPath() const { return m_explanation; }
    bool noticeShown() const { return m_notice; }
    bool optionsTableShown() const { return m_optionsTable; }
    int KolPlus() const { return m_kolPlus; }
    int KolMinus() const { return m_kolMinus; }
    bool ranking() const { return m_ranking; }
    const QStringList &PrawKody() const { return m_prawKody; }

    // The run tables and the grids of the question on screen. The pupil types
    // classification numbers straight into column 3 of the matching grid.
    const StringTable &WopTabl() const { return m_wop; }
    const StringTable &OtwTabl() const { return m_otw; }
    StringTable &OtwTek() { return m_otwTek; }
    StringTable &Soot() { return m_soot; }
    StringTable &Widim() { return m_widim; }
    const StringTable &OtwTek() const { return m_otwTek; }
    const StringTable &Soot() const { return m_soot; }
    const StringTable &Widim() const { return m_widim; }
    // The topics by their codes, for the topic of each question of an exam.
    void setTopics(const StringTable &temaTabl);

    static const QString closedText;

signals:
    // The answer area is emptied: what the pupil typed or ticked goes.
    void answerAreaCleared();
    // A new question is on screen.
    void questionShown();
    // The explanation window of the last question is to close.
    void explanationClosed();
    // A file of the Foto folder to open beside the question.
    void pictureOpened(const QString &path);
    void explanationOpened(const QString &path);
    // Training: the right options are to be shown; the rows listed are dimmed
    // meanwhile. The verdict says how far the answer was right.
    void rightOptionsShown(const std::vector<int> &dimmedRows, const QString &verdict);
    // The run closed or was stopped: what happened in it. A repeat pass after
    // the close ends it again, with the same result id and everything so far.
    void runEnded(const RunResult &result);

private:
    void resetCounters();
    // The answer table holds the run's answer records already.
    void finishStart(std::vector<QStringList> questions, int now);
    void close(int now);
    void end(int now); // the stop without its report
    // What came of a run of mistakes, said where the closing text would be.
    QString reviewOutcome() const;
    void clearAnswerArea();
    void judge(const GivenAnswer &given);
    // The answer button's steps around a judging (the run's own or the server's).
    void answerWith(const GivenAnswer &given, int now, const std::function<void()> &judging);
    // The lines of the answer given and of the right one, as the journal keeps them.
    void answerLines(const GivenAnswer &given, QStringList &gave, QStringList &right) const;
    // Judging ticks: the count of right ticks against the right options.
    void Sovpad(const GivenAnswer &given);
    void judgeRanking(const GivenAnswer &given);
    void judgeGrid(bool matching, const QStringList &numbers);
    void rightAnswer();
    // Both grades and the lamps after an answer.
    void Wi4Ocenka();
    void addHint() { ++m_podskazano; }
    void swapRightColumn(int a, int b);
    void addAnswerLine(const QString &text, bool newParagraph, bool bold);
    void addTable(const std::vector<double> &widths, std::vector<QStringList> cells);
    bool writing() const { return m_modes.protocol && m_protocolOpen; }
    // Hints are offered: the mode list says so, or the run repeats mistakes.
    bool hints() const { return m_source == RunSource::Review || (m_modes.prompting && m_source != RunSource::Lesson); }
    // Per question: shown, left (answered, put off or the run ended).
    void trackShown(int now);
    void trackLeft(int now, bool answered, int earned, bool right);
    // The answer given to the question on screen and the right one, as the journal keeps them.
    void noteAnswer(const GivenAnswer &given, bool answered = true);
    int tekBalNumber() const;

    RandomGen &m_gen;
    RunModes m_modes;
    RunControls m_controls;
    bool m_exam = false;
    RunSource m_source = RunSource::Topic;
    int m_kWopr = 0, m_nWopr = 0, m_werWop = 0, m_wseBal = 0, m_werBal = 0, m_podskazano = 0;
    QString m_tekBal = QStringLiteral("0"), m_kOtw, m_kPraw;
    QString m_wsegoWopTem = QStringLiteral("0"), m_ocenka = QStringLiteral("0"), m_tekOcenka = QStringLiteral("0");
    int m_deferred = 0;
    int m_pointsAsked = 0;
    int m_startSecond = 0;
    QString m_timeSpent;
    int m_secondsSpent = 0;
    int m_questionsLeft = 0, m_questionsLeftMax = 100, m_pointsGauge = 0, m_pointsGaugeMax = 100;
    Clock m_questionClock, m_topicClock;
    QString m_timeLimitText;

    QString m_questionText, m_questionKey, m_questionTopic, m_typeText, m_explanation;
    AnswerArea m_area;
    std::vector<OptionRow> m_rows;
    bool m_sootShown = true, m_widimShown = true, m_notice = false, m_optionsTable = false;
    int m_kolPlus = 0, m_kolMinus = 0;
    bool m_ranking = false;
    QStringList m_prawKody;

    StringTable m_wop{8, 1}, m_otw{fileKindOf<OtwetRec>()}, m_otwTek{7, 1}, m_soot{4, 20}, m_widim{2, 20};
    AnswerIndex m_answerIndex;
    QHash<QString, QString> m_topicNames;

    std::vector<ProtocolEntry> m_protocol;
    bool m_protocolOpen = false;

    Identity m_identity;
    QDateTime m_started;
    QString m_resultId;
    std::vector<QuestionResult> m_questionResults;
    QHash<QString, int> m_resultOfKey;
    QSet<QString> m_putOffKeys;
    bool m_closedNow = false;
    int m_onScreen = -1; // the result of the question on screen, -1 when none
    int m_shownAt = 0, m_hintsAtShow = 0;
};
