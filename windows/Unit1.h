#pragma once
#include "UnitGlo.h"
#include "clock.h"
#include "colors.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <vector>

#include "run.h"

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
class StringTableModel;
class StringTable;
class WordDocument;

// The main window: subject and topic choice, the splash with the password,
// the question and answer area, the counters, clocks and modes.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int AnswerRows = 30;
    static const QString TopicPrompt;

    TForm1();
    ~TForm1() override;

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
    void Sovpad();
    void Wi4Ocenka();
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

    // Run state.
    int StartTemy = 0;
    QString WremyaTemy;
    int BallyZadano = 0;
    int protocolTables = 0;
    std::unique_ptr<WordDocument> protocol;
    int KolPlus = 0, KolMinus = 0;
    bool Ranzhir = false;
    QStringList PrawKody;
    bool running() const;
    // The second caption line of the repeat button: the number of questions put off.
    QString deferredCount() const;

    // Log-in with the splash password / through the prompt; false when the program ends.
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
    QGroupBox *OdinTo4;
    QLineEdit *OdinOt;
    QPushButton *PlusSim;
    QTextEdit *Memo1;
    QGroupBox *Soot;
    QTableView *SootTab, *WidimSoot, *OtwTek;
    QLineEdit *NStr;
    QPushButton *WWerh, *Wniz, *Ispravit, *UbWopr;
    QTextEdit *WoprosM;
    QLineEdit *TipOtweta, *NomerWoprosa;
    QLabel *notice;
    QLineEdit *KWopr, *NWopr, *WerWop, *WseBal, *WerBal, *TekBal, *Podskazano, *KOtw, *KPraw, *WsegoWopTem;
    QLineEdit *Ocenka, *TekOcenka;
    std::array<QLabel *, 5> Zw{};
    QProgressBar *Gauge1, *Gauge2;
    QListWidget *Regim;
    QGroupBox *WremIzm;
    QLineEdit *WoprSek, *OtwSek, *TimeWopros;
    QPushButton *WremaZadat;
    QLabel *TimerWopr, *TimerTema;
    QAction *N1, *N3, *N7, *N27, *N28, *N10, *N13, *N15, *N18, *N29, *w1, *N12, *N14, *N30, *N9, *N5, *N19, *N20,
        *editorItem, *settingsItem, *fileExit, *exitItem;

    // The hidden options table of the question on screen.
    StringTable *otwTek() const { return m_otwTek; }
    StringTable *sootTable() const { return m_soot; }
    StringTable *widimTable() const { return m_widim; }

    // The question countdown and the topic clock; the QTimer only feeds them the time.
    Clock timerWopr, timerTema;
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
    void ensureAnswerRows(int n);
    void setRunningLook(bool running);
    void beginRun(bool exam);
    void resetRunCounters();
    void finishStart(std::vector<QStringList> questions, std::vector<QStringList> answers);
    void abandonStart(const QString &error);
    void backToIdle();
    void enableIdleControls();
    void stopRun();
    void closeRun();
    void clearAnswerArea();
    void clearAnswerRows();
    void showExplanation(const QString &path);
    int number(QLineEdit *box) const;
    void addPoints(int points);
    void addHint();
    void swapRightColumn(int a, int b);
    void connectAids();
    void protocolTable(int rows, int columns, const std::vector<double> &widths, const std::vector<QStringList> &cells);
    void applyRights(bool admin);
    bool login(const QString &typed);
    void openInstalled(const QString &relative);
    // Makes the subject's folder the current one; a folder outside the
    // installation folder is refused with a message and no bank is open.
    bool chooseSubjectFolder(const PapkaRec &subject);
    void showWindow(QWidget *w);
    void reportError(const QString &text);

    ColorCode m_mainColour = 0;
    bool m_ended = false;
    bool m_skipActivation = false;
    bool m_inActivation = false;
    StringTable *m_otwTek, *m_soot, *m_widim;
    QTimer *m_tick;
    AnswerIndex m_answerIndex;
    QString m_explanation;
    StringTableModel *m_otwTekModel, *m_sootModel, *m_widimModel;
};
