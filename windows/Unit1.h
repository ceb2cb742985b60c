#pragma once
#include "UnitGlo.h"
#include "clock.h"
#include "colors.h"

#include <QMainWindow>
#include <array>

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

// The main window: subject and topic choice, the splash with the password,
// the question and answer area, the counters, clocks and modes.
class TForm1 : public QMainWindow {
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
    std::array<QCheckBox *, AnswerRows> PtiOtw{};
    std::array<QLineEdit *, AnswerRows> NomOtw{};
    std::array<QTextEdit *, AnswerRows> TxtOtw{};
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
    void applyRights(bool admin);
    bool login(const QString &typed);
    void openInstalled(const QString &relative);
    void showWindow(QWidget *w);
    void reportError(const QString &text);

    ColorCode m_mainColour = 0;
    bool m_ended = false;
    bool m_skipActivation = false;
    bool m_inActivation = false;
    StringTable *m_otwTek, *m_soot, *m_widim;
    QTimer *m_tick;
    StringTableModel *m_otwTekModel, *m_sootModel, *m_widimModel;
};
