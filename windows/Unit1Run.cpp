// The main window's run of a topic: start and stop, showing each question,
// judging the answer and the grades.
#include "Desktop.h"
#include "Documents.h"
#include "TableModel.h"
#include "Unit1.h"
#include "Unit7.h"
#include "Unit8.h"
#include "Windows.h"
#include "WordDocument.h"
#include "checking.h"
#include "editortables.h"
#include "exam.h"
#include "grading.h"
#include "questionfiles.h"
#include "runtables.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTextEdit>

namespace
{
const QString closedText = QStringLiteral("Тема закрыта. Если протокол был включен, то можно напечатать его в Word.");
} // namespace

bool TForm1::running() const
{
    return trimmed(Pusk->text()) != u"Пуск";
}

QString TForm1::deferredCount() const
{
    return Powtorit1->text().section(u'\n', 1);
}

int TForm1::number(QLineEdit *box) const
{
    return toIntOrThrow(trimmed(box->text()));
}

void TForm1::setRunningLook(bool on)
{
    Pusk->setText(on ? QStringLiteral("Стоп") : QStringLiteral("Пуск"));
    Pusk->setStyleSheet(on ? QStringLiteral("background: #d02020; color: white; font-weight: bold;")
                           : QStringLiteral("background: #2e9e3e; color: black; font-weight: bold;"));
}

void TForm1::enableIdleControls()
{
    PredmetName->setEnabled(true);
    N7->setEnabled(true);
    WiborTema->setEnabled(true);
    // The mode list and the time box come back for the administrator only: a
    // user never gets to change modes or times, not even after a run.
    const bool admin = isAdmin(glo().KodDostupa);
    Regim->setEnabled(admin);
    WremIzm->setEnabled(admin);
}

void TForm1::clearAnswerRows()
{
    for (size_t i = 0; i < PtiOtw.size(); ++i) {
        PtiOtw[i]->hide();
        PtiOtw[i]->setChecked(false);
        NomOtw[i]->hide();
        NomOtw[i]->clear();
        TxtOtw[i]->hide();
        TxtOtw[i]->clear();
        TxtOtw[i]->setEnabled(true);
    }
}

// ---- start and stop ----

void TForm1::beginRun(bool exam)
{
    Glo &g = glo();
    setRunningLook(true);
    for (QWidget *w : {static_cast<QWidget *>(PrnProtokol), static_cast<QWidget *>(PredmetName),
                       static_cast<QWidget *>(Regim), static_cast<QWidget *>(WremIzm)})
        w->setEnabled(false);
    if (!exam)
        WiborTema->setEnabled(false); // an exam shows each question's topic there
    N7->setEnabled(false);
    for (QLabel *z : Zw)
        z->setEnabled(false);
    StartTemy = secondsOfDay();
    protocolTables = 0;
    if (g.ProtokolWkl) {
        protocol = documentFactory()();
        protocol->newDocument();
        protocol->setFontSize(10);
        protocol->setBold(true);
    }
    Podskazano->setText(QStringLiteral("0"));
    Otlogit->setEnabled(true);
    Powtorit1->setText(QStringLiteral("Повтор\n    0"));
    Powtorit1->setEnabled(false);
}

void TForm1::resetRunCounters()
{
    m_widim->setRowCount(20);
    const bool hints = glo().RegimPodskaz == u"Wkl";
    WidimSoot->setVisible(!hints);
    SootTab->setVisible(hints);
    Ispravit->setEnabled(hints);
    Fifti->setEnabled(hints);
    Itog1->setEnabled(false);
    Ocenka->setText(QStringLiteral("0"));
    BallyZadano = 0;
    TekOcenka->setText(QStringLiteral("0"));
    for (QLineEdit *c : {NWopr, WerWop, KWopr, WerBal, WseBal})
        c->setText(QStringLiteral("0"));
}

void TForm1::finishStart(std::vector<QStringList> questions, std::vector<QStringList> answers)
{
    RunTables &t = tables();
    KWopr->setText(QString::number(questions.size()));
    Gauge2->setMaximum(std::max(int(questions.size()), 1));
    WseBal->setText(QString::number(pointsSum(questions, 6)));
    t.WopTabl.setDataRows(std::move(questions));
    t.WopTabl.setCurrentRow(0);
    t.OtwTabl.setDataRows(std::move(answers));
    m_answerIndex.build(t.OtwTabl);
    Gauge1->setValue(0);
    m_soot->setHeaders({QStringLiteral("№"), QStringLiteral("Не изменяемый столбец"),
                        QStringLiteral("Строки переставить"), QStringLiteral("№")});
    m_widim->setHeaders({QStringLiteral("Не изменяемый столбец"), QStringLiteral("Строки переставить")});
    Gauge1->setMaximum(std::max(number(WseBal) - 1, 0));
    Itog1->setEnabled(true);
    timerTema.reset(secondsOfDay());
    timerTema.start(secondsOfDay());
    showClocks();
}

void TForm1::backToIdle()
{
    setRunningLook(false);
    timerTema.stop();
    timerWopr.stop();
    enableIdleControls();
}

void TForm1::abandonStart(const QString &error)
{
    // The start could not finish: back to idle, nothing to answer.
    desktop().error(error);
    backToIdle();
    Itog1->setEnabled(false);
    Otlogit->setEnabled(false);
}

void TForm1::PuskClick()
{
    if (Zastavka->isVisible()) {
        ZastPogasit1Click();
        if (m_ended)
            return;
    }
    if (running()) {
        stopRun();
        return;
    }
    Glo &g = glo();
    try {
        beginRun(false);
        if (WiborTema->currentText() == TopicPrompt) {
            desktop().message(QStringLiteral("Мышку заело?"), QStringLiteral("Тема не выбрана"),
                              Desktop::Icon::Warning);
            backToIdle();
            return;
        }
        resetRunCounters();
        // The topic of the chosen item (the header row when none is chosen).
        const StringTable &topics = tables().TemaTabl;
        const int topicRow = WiborTema->currentIndex() + 1;
        const QString predm = trimmed(topics.cell(0, topicRow));
        const QString tema = trimmed(topics.cell(1, topicRow));
        const BankFiles bank(subjectFolder());
        for (const ExamRec &e : bank.exam.readAll<ExamRec>())
            if (trimmed(e.Predm) == predm && trimmed(e.Tema) == tema) {
                WsegoWopTem->setText(e.Woprosov);
                break;
            }
        auto rows = topicQuestionRows(bank.wopros, predm, tema, rng(), 100);
        if (g.Sluchaino)
            orderByKeys(rows, 5);
        cutToLimit(rows, g.LimitWopr); // after the shuffle: any question may be asked
        finishStart(std::move(rows), topicAnswerRows(bank.otwet, predm, tema));
    } catch (const TrivoError &e) {
        abandonStart(e.text());
        return;
    }
    DalsheClick();
}

void TForm1::N28Click()
{
    if (running())
        return; // the exam starts from idle only
    Glo &g = glo();
    try {
        beginRun(true);
        Zastavka->hide(); // hidden without the log-in
        OtwetiOtm->show();
        resetRunCounters();
        const BankFiles bank(subjectFolder());
        // The draw goes to Temp.dat, topic after topic, and is read back from there.
        bank.temp.rewrite(drawExamQuestions(bank.exam.readAll<ExamRec>(), bank.wopros.readAll<WoprosRec>(), rng()));
        std::vector<QStringList> rows;
        for (const WoprosRec &q : bank.temp.readAll<WoprosRec>()) {
            if (int(rows.size()) >= g.LimitWopr)
                break; // the limit is applied before the shuffle here
            rows.push_back(questionRow(q, rng(), 1000));
        }
        if (g.Sluchaino)
            orderByKeys(rows, 5);
        std::vector<QStringList> answers;
        for (const OtwetRec &a : bank.otwet.readAll<OtwetRec>())
            answers.push_back(rowOf(a));
        finishStart(std::move(rows), std::move(answers));
    } catch (const TrivoError &e) {
        abandonStart(e.text());
        return;
    }
    DalsheClick();
}

void TForm1::stopRun()
{
    backToIdle();
    Itog1->setEnabled(false);
    Otlogit->setEnabled(false);
    PrnProtokol->setEnabled(true);
    const int spent = secondsOfDay() - StartTemy;
    WremyaTemy = durationText(spent < 0 ? spent + 86400 : spent); // across midnight
    WoprosM->setPlainText(closedText);
}

void TForm1::closeRun()
{
    // The close after the last question is a stop that also empties the
    // questions-left gauge and offers the put-off questions.
    stopRun();
    Gauge2->setValue(0);
    if (trimmed(deferredCount()) != u"0")
        Powtorit1->setEnabled(true);
}

// ---- showing a question ----

void TForm1::clearAnswerArea()
{
    m_widim->setRowCount(20);
    m_soot->beginUpdate();
    m_widim->beginUpdate();
    for (int r = 1; r <= 19; ++r) {
        for (int c = 0; c < 4; ++c)
            m_soot->setCell(c, r, QString());
        for (int c = 0; c < 2; ++c)
            m_widim->setCell(c, r, QString());
    }
    m_soot->endUpdate();
    m_widim->endUpdate();
    clearAnswerRows();
    OdinOt->clear();
    OdinTo4->hide();
}

void TForm1::DalsheClick()
{
    Glo &g = glo();
    StringTable &wop = tables().WopTabl;
    // 1
    if (wins().Teksti && wins().Teksti->isVisible())
        wins().Teksti->close();
    Ranzhir = false;
    timerWopr.reset(secondsOfDay());
    timerWopr.setCountDown(true);
    // 2, 3
    clearAnswerArea();
    // 4
    if (wop.currentRow() >= wop.rowCount() - 1) {
        timerWopr.stop();
        showClocks();
        notice->hide();
        return;
    }
    // 5
    const int row = wop.currentRow() + 1;
    wop.setCurrentRow(row);
    const QStringList q = wop.row(row);
    KolPlus = KolMinus = 0;
    int exactCount = 0;
    // 6
    WoprosM->setPlainText(q.value(4));
    NWopr->setText(NomerPlus(NWopr->text()));
    // 7
    m_explanation.clear();
    QString shown = q.value(4);
    if (const qsizetype at = shown.indexOf(QStringLiteral("File#")); at >= 0) {
        const QString after = shown.mid(at + 5, 20);
        const qsizetype hash = after.indexOf(u'#');
        const QString name = hash >= 0 ? after.left(hash) : QString();
        shown = shown.left(at);
        WoprosM->setPlainText(shown);
        // Only a file of the subject's Foto folder can be named.
        if (const auto path = fotoPath(g.TekPapka, name)) {
            m_explanation = *path;
            if (wins().Teksti)
                wins().Teksti->setWindowTitle(QStringLiteral("Пояснения к вопросу из файла: ") + m_explanation);
        }
    }
    // 8
    if (g.ProtokolWkl && protocol) {
        protocol->insertParagraphAfter();
        protocol->insertAfter(QString::number(row) + QStringLiteral(". ") + WoprosM->toPlainText());
    }
    // 9
    Gauge2->setValue(std::clamp(number(KWopr) - number(NWopr) + 1, 0, Gauge2->maximum()));
    // 10
    const QString predm = trimmed(q.value(0)), tema = trimmed(q.value(1));
    // The topic table holds Tema.dat as the activation read it (the editor,
    // which could change it, does not open during a run).
    const StringTable &topics = tables().TemaTabl;
    for (int r = 1; r < topics.rowCount(); ++r)
        if (trimmed(topics.cell(0, r)) == predm && trimmed(topics.cell(1, r)) == tema) {
            WiborTema->setEditText(topics.cell(2, r));
            break;
        }
    // 11
    NomerWoprosa->setText(questionKey(q.value(0), q.value(1), q.value(2), q.value(3)));
    TekBal->setText(trimmed(q.value(6)));
    // 12, 13
    KOtw->clear();
    const QString picture =
        fotoPath(g.TekPapka, questionKey(q.value(0), q.value(1), q.value(2), q.value(3)) + QStringLiteral(".gif"))
            .value_or(QString());
    const std::vector<int> &options = m_answerIndex.rowsOf(q.value(0), q.value(1), q.value(2), q.value(3));
    const int n = int(options.size());
    ensureAnswerRows(n); // a question with more options than rows gets more rows
    std::vector<QStringList> tek;
    tek.reserve(options.size());
    m_soot->beginUpdate();
    m_widim->beginUpdate();
    for (int r = 1; r <= n; ++r) {
        const QStringList opt = tables().OtwTabl.row(options[size_t(r - 1)]);
        tek.push_back(opt);
        const QString code = trimmed(opt.value(5));
        if (code == u"+") {
            ++KolPlus;
            if (KolPlus < m_soot->rowCount()) {
                m_soot->setCell(3, KolPlus, opt.value(4));
                m_soot->setCell(2, KolPlus, opt.value(6));
                m_widim->setCell(1, KolPlus, opt.value(6));
            }
        } else if (code == u"-") {
            ++KolMinus;
            if (KolMinus < m_soot->rowCount()) {
                m_soot->setCell(0, KolMinus, opt.value(4));
                m_soot->setCell(1, KolMinus, opt.value(6));
                m_widim->setCell(0, KolMinus, opt.value(6));
            }
        } else if (code.contains(u'Ф')) {
            ++exactCount;
        } else if (code == u"1") {
            Ranzhir = true;
        }
        (Ranzhir ? static_cast<QWidget *>(NomOtw[size_t(r - 1)]) : PtiOtw[size_t(r - 1)])->show();
        TxtOtw[size_t(r - 1)]->setPlainText(trimmed(opt.value(6)));
        TxtOtw[size_t(r - 1)]->show();
    }
    m_soot->endUpdate();
    m_widim->endUpdate();
    // 14
    m_otwTek->setDataRows(std::move(tek));
    KOtw->setText(QString::number(n));
    // 15
    const qint64 limit = qint64(g.SekWopr) + qint64(n) * g.SekOtw;
    timerWopr.setLimit(limit);
    timerWopr.setCountDown(true);
    TimeWopros->setText(QString::number(limit));
    // 16
    if (Ranzhir) {
        PrawKody.clear();
        for (int r = 1; r <= n; ++r)
            PrawKody << m_otwTek->cell(4, r).left(2);
    }
    // 17
    timerWopr.start(secondsOfDay());
    showClocks();
    // 18
    if (KolMinus > 0)
        m_widim->setRowCount(std::min(KolPlus + 1, 20));
    // 19
    const bool hints = g.RegimPodskaz == u"Wkl";
    if (KolPlus >= 1 && KolMinus >= 1) {
        Soot->show();
        OtwetiOtm->hide();
        OdinTo4->hide();
        KPraw->setText(QString::number(KolPlus));
        if (KolPlus == KolMinus) {
            TipOtweta->setText(answerTypeText(AnswerType::Matching));
            m_soot->setCell(2, 0, QStringLiteral("Строки переставить"));
            WWerh->setEnabled(true);
            Wniz->setEnabled(true);
            WidimSoot->show();
            SootTab->hide();
            UbWopr->setEnabled(false);
            SootTab->setVisible(hints);
            Ispravit->setEnabled(hints);
        } else {
            TipOtweta->setText(answerTypeText(AnswerType::Classification));
            m_soot->setCell(2, 0, QStringLiteral("Проставить номера справа"));
            Ispravit->setEnabled(false);
            WWerh->setEnabled(false);
            Wniz->setEnabled(false);
            WidimSoot->hide();
            SootTab->show();
            PrawKody.clear();
            const int shownRows = std::min(KolPlus, m_soot->rowCount() - 1);
            for (int k = 1; k <= shownRows; ++k)
                PrawKody << m_soot->cell(3, k).left(2);
            UbWopr->setEnabled(hints);
            for (int k = 1; k <= shownRows; ++k)
                m_soot->setCell(3, k, QStringLiteral("?"));
        }
    } else if (exactCount >= 1) {
        TipOtweta->setText(answerTypeText(AnswerType::Exact));
        OdinTo4->show();
        OtwetiOtm->hide();
        Soot->hide();
        KPraw->setText(QStringLiteral("1"));
    } else if (Ranzhir) {
        TipOtweta->setText(answerTypeText(AnswerType::Ranking));
        OtwetiOtm->show();
        OdinTo4->hide();
        Soot->hide();
        KPraw->setText(KOtw->text());
    } else {
        TipOtweta->setText(answerTypeText(AnswerType::Ticks));
        OtwetiOtm->show();
        OdinTo4->hide();
        Soot->hide();
        KPraw->setText(QString::number(KolPlus));
    }
    // 20
    const bool pictureOpened = !picture.isEmpty() && QFileInfo::exists(picture);
    if (pictureOpened)
        desktop().openFile(picture);
    // 21
    if (!m_explanation.isEmpty() && QFileInfo::exists(m_explanation))
        showExplanation(m_explanation);
    // 22
    notice->setText(QStringLiteral("Закройте окна с информацией к вопросу!!!"));
    notice->setVisible(pictureOpened);
}

void TForm1::showExplanation(const QString &path)
{
    if (!path.endsWith(QStringLiteral("txt"))) {
        // A bank copied from elsewhere must not start a program.
        if (mayOpenFromBank(path))
            desktop().openFile(path);
        else
            desktop().message(refusedToOpenText(path), QStringLiteral("Файл не открыт"), Desktop::Icon::Warning);
        return;
    }
    TTeksti *t = wins().Teksti;
    if (!t)
        return;
    QString text;
    try {
        text = readExplanation(path);
    } catch (const TrivoError &) {
        return; // a file that cannot be read is skipped like a missing one
    }
    t->Poyasnen->clear();
    t->Poyasnen->setPlainText(text);
    t->show();
}
