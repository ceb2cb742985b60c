// The main window starts and stops a run, hands it each answer, completes the
// protocol and paints what the run holds.
#include "Desktop.h"
#include "Documents.h"
#include "MainWindow.h"
#include "ProtocolDocument.h"
#include "WordDocument.h"
#include "banktables.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTextEdit>

// ---- start and stop ----

void MainWindow::PuskClick()
{
    if (Zastavka->isVisible()) {
        ZastPogasit1Click();
        if (m_ended || Zastavka->isVisible())
            return; // nobody logged in yet
    }
    const int now = secondsOfDay();
    if (m_run.running()) {
        m_run.stop(now);
        paint();
        return;
    }
    try {
        setRunIdentity(false);
        m_run.begin(false, now);
        if (WiborTema->currentText() == TopicPrompt) {
            desktop().message(QStringLiteral("Мышку заело?"), QStringLiteral("Тема не выбрана"),
                              Desktop::Icon::Warning);
            m_run.backToIdle();
            paint();
            return;
        }
        // The topic of the chosen item (the header row when none is chosen).
        const StringTable &topics = tables().TemaTabl;
        const int topicRow = WiborTema->currentIndex() + 1;
        m_run.setTopics(topics);
        m_run.startTopic(BankFiles(subjectFolder()), topics.cell(0, topicRow), topics.cell(1, topicRow), now);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        m_run.abandonStart();
    }
    paint();
}

void MainWindow::N28Click()
{
    if (m_run.running())
        return; // the exam starts from idle only
    const int now = secondsOfDay();
    try {
        setRunIdentity(true);
        m_run.begin(true, now);
        Zastavka->hide(); // hidden without the log-in
        m_run.showAnswerRows();
        m_run.setTopics(tables().TemaTabl);
        m_run.startExam(BankFiles(subjectFolder()), now);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        m_run.abandonStart();
    }
    paint();
}

void MainWindow::DalsheClick()
{
    m_run.nextQuestion(secondsOfDay());
    paint();
}

void MainWindow::handAnswer(void (RunModel::*step)(const GivenAnswer &, int))
{
    if (m_run.lesson() && m_run.running()) {
        lessonAnswer(givenAnswer()); // the server judges it
        return;
    }
    try {
        (m_run.*step)(givenAnswer(), secondsOfDay());
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
    paint();
}

void MainWindow::Itog1Click()
{
    handAnswer(&RunModel::answer);
}

void MainWindow::TimerWoprEndOfTime()
{
    handAnswer(&RunModel::timeOver);
}

// ---- the protocol's summary ----

void MainWindow::PrnProtokolClick()
{
    m_run.protocolPrinted();
    paintControls();
    if (!m_run.modes().protocol || !m_run.protocolOpen()) {
        desktop().message(QStringLiteral("Включите печать протокола"), QStringLiteral("Печать протокола выключена"),
                          Desktop::Icon::Warning);
        return;
    }
    try {
        const QDateTime now = QDateTime::currentDateTime();
        m_run.addSummary(PredmetName->currentText(), WiborTema->currentText(),
                         QLocale().toString(now.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
                             QLocale().toString(now.time(), QStringLiteral("HH:mm:ss")));
        m_protocolDocument = documentFactory()();
        writeProtocol(*m_protocolDocument, m_run.protocol());
        m_protocolDocument->makeVisible();
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

// ---- clocks ----

void MainWindow::tickClocks(int now)
{
    const bool endOfTime = m_run.tick(now);
    showClocks();
    if (m_lessonNow)
        lessonTick();
    if (endOfTime)
        emit questionTimeOver();
}

void MainWindow::showClocks()
{
    TimerWopr->setText(Clock::format(m_run.questionClock().shown()));
    TimerTema->setText(Clock::format(m_run.topicClock().shown()));
}

// ---- painting the run ----

void MainWindow::setText(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
}

void MainWindow::paint()
{
    paintCounters();
    paintControls();
    paintAnswerArea();
    showClocks();
    feedLive();
}

void MainWindow::paintCounters()
{
    const RunModel &r = m_run;
    const std::pair<QLineEdit *, int> numbers[] = {{KWopr, r.KWopr()},   {NWopr, r.NWopr()},
                                                   {WerWop, r.WerWop()}, {WseBal, r.WseBal()},
                                                   {WerBal, r.WerBal()}, {Podskazano, r.Podskazano()}};
    for (const auto &[box, value] : numbers)
        setText(box, QString::number(value));
    const std::pair<QLineEdit *, QString> texts[] = {{TekBal, r.TekBal()},
                                                     {KOtw, r.KOtw()},
                                                     {KPraw, r.KPraw()},
                                                     {WsegoWopTem, r.WsegoWopTem()},
                                                     {Ocenka, r.Ocenka()},
                                                     {TekOcenka, r.TekOcenka()},
                                                     {TipOtweta, r.typeText()},
                                                     {NomerWoprosa, r.questionKey()},
                                                     {TimeWopros, r.timeLimitText()}};
    for (const auto &[box, value] : texts)
        setText(box, value);
    if (WoprosM->toPlainText() != r.questionText())
        WoprosM->setPlainText(r.questionText());
    const QString mode = r.modeLine();
    RegimOshibok->setText(mode);
    RegimOshibok->setVisible(!mode.isEmpty());
    Gauge2->setMaximum(r.questionsLeftMax());
    Gauge2->setValue(r.questionsLeft());
    Gauge1->setMaximum(r.pointsGaugeMax());
    Gauge1->setValue(r.pointsGauge());
    Powtorit1->setText(QStringLiteral("Повтор\n") + r.deferredLine());
}

void MainWindow::paintControls()
{
    const RunControls &c = m_run.controls();
    Pusk->setText(c.running ? QStringLiteral("Стоп") : QStringLiteral("Пуск"));
    // A style sheet set again restyles the button even when it is the same.
    const QString puskColours = c.running ? QStringLiteral("background: #d02020; color: white; font-weight: bold;")
                                          : QStringLiteral("background: #2e9e3e; color: black; font-weight: bold;");
    if (Pusk->styleSheet() != puskColours)
        Pusk->setStyleSheet(puskColours);
    // The modes are the administrator's after the log-in; before it they are open, as at start-up.
    const bool admin = isAdmin(glo().KodDostupa) || glo().KodDostupa.isEmpty();
    const std::pair<QWidget *, bool> enabled[] = {{Itog1, c.answer},
                                                  {Otlogit, c.putOff},
                                                  {Powtorit1, c.repeat},
                                                  {PrnProtokol, c.printProtocol},
                                                  {PredmetName, c.subjectChoice},
                                                  {WiborTema, c.topicChoice},
                                                  {Regim, c.modeChoice && admin},
                                                  {WremIzm, c.modeChoice && admin},
                                                  {PlusSim, c.plusSim},
                                                  {Fifti, c.fifti},
                                                  {Ispravit, c.ispravit},
                                                  {WWerh, c.rowUp},
                                                  {Wniz, c.rowDown},
                                                  {UbWopr, c.revealNumber}};
    for (const auto &[w, on] : enabled)
        if (w) // a pane not made yet takes the state when it is
            w->setEnabled(on);
    N7->setEnabled(c.subjectChoice);
    for (size_t i = 0; i < Zw.size(); ++i) {
        Zw[i]->setEnabled(c.lamps[i]);
        Zw[i]->setAccessibleDescription(c.lamps[i] ? QStringLiteral("горит") : QStringLiteral("не горит"));
    }
}
