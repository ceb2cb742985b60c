// The main window judges an answer, keeps the grades and completes the protocol.
#include "Desktop.h"
#include "Documents.h"
#include "TableModel.h"
#include "Unit1.h"
#include "Unit7.h"
#include "Unit8.h"
#include "Windows.h"
#include "WordDocument.h"
#include "checking.h"
#include "exam.h"
#include "grading.h"
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
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTextEdit>

// ---- judging ----

void TForm1::addPoints(int points)
{
    WerBal->setText(QString::number(number(WerBal) + points));
}

void TForm1::protocolTable(int rows, int columns, const std::vector<double> &widths,
                           const std::vector<QStringList> &cells)
{
    if (!glo().ProtokolWkl || !protocol || rows <= 0)
        return;
    protocol->addTable(protocol->end() - 1, rows, columns);
    ++protocolTables;
    protocol->insertAfter(QStringLiteral(" "));
    WordTable table = protocol->table(protocolTables);
    for (size_t c = 0; c < widths.size(); ++c)
        table.setColumnWidth(int(c) + 1, widths[c]);
    for (size_t r = 0; r < cells.size(); ++r)
        for (qsizetype c = 0; c < cells[r].size(); ++c)
            table.setCellText(int(r) + 1, int(c) + 1, cells[r][c]);
}

void TForm1::Sovpad()
{
    Glo &g = glo();
    const int n = number(KOtw);
    std::vector<TickRow> ticks;
    for (int i = 1; i <= n; ++i) {
        const QString code = m_otwTek->cell(5, i);
        const bool ticked = PtiOtw[size_t(i - 1)]->isChecked();
        ticks.push_back({ticked, code});
        if (g.ProtokolWkl && protocol) {
            const bool right = trimmed(code) == u"+";
            protocol->insertParagraphAfter();
            const int s = protocol->end();
            const QString line = trimmed(tickAnswerCode(ticked, right) + QStringLiteral(" :  ") + m_otwTek->cell(6, i));
            protocol->insertAfter(line);
            if (!right)
                protocol->unbold(s, s + int(line.size()) - 1);
        }
    }
    const int c = tickCount(ticks);
    const int kPraw = number(KPraw);
    if (c == kPraw) {
        WerWop->setText(NomerPlus(WerWop->text()));
        addPoints(number(TekBal));
        return;
    }
    WerBal->setText(QString::number(partialCredit(number(WerBal), number(TekBal), c, kPraw)));
    if (g.RegimPodskaz == u"Wkl") {
        for (int i = 1; i <= n; ++i)
            if (trimmed(m_otwTek->cell(5, i)).isEmpty())
                TxtOtw[size_t(i - 1)]->setEnabled(false);
        timerWopr.stop();
        if (wins().DalsheOkno)
            desktop().showModal(wins().DalsheOkno);
        for (int i = 1; i <= n; ++i)
            TxtOtw[size_t(i - 1)]->setEnabled(true);
    }
}

void TForm1::Itog1Click()
{
    Glo &g = glo();
    const bool hints = g.RegimPodskaz == u"Wkl";
    try {
        const QString type = trimmed(TipOtweta->text());
        if (type == answerTypeText(AnswerType::Ticks)) {
            Sovpad();
        } else if (type == answerTypeText(AnswerType::Exact)) {
            const QString expected = m_otwTek->cell(6, 1);
            const bool right = exactAnswerRight(OdinOt->text(), expected);
            if (right) {
                WerWop->setText(NomerPlus(WerWop->text()));
                addPoints(number(TekBal));
            }
            if (g.ProtokolWkl && protocol)
                protocol->insertAfter(trimmed((right ? QStringLiteral("+") : QStringLiteral("-")) +
                                              QStringLiteral("+ :  ") + trimmed(expected) + QStringLiteral(" Вы ") +
                                              trimmed(OdinOt->text())));
        } else if (type == answerTypeText(AnswerType::Matching)) {
            std::vector<std::pair<QString, QString>> pairs;
            std::vector<QStringList> cells;
            for (int r = 1; r <= KolPlus && r < m_soot->rowCount(); ++r) {
                pairs.emplace_back(m_soot->cell(0, r), m_soot->cell(3, r));
                cells.push_back({m_soot->cell(0, r), m_soot->cell(1, r), m_soot->cell(2, r),
                                 hints ? m_soot->cell(3, r) : QString()});
            }
            if (matchingRight(pairs)) {
                WerWop->setText(NomerPlus(WerWop->text()));
                addPoints(number(TekBal));
            }
            protocolTable(int(cells.size()), 4, {23, 200, 200, 23}, cells);
        } else if (type == answerTypeText(AnswerType::Classification)) {
            QStringList typed;
            std::vector<QStringList> cells;
            for (int r = 1; r <= KolPlus && r < m_soot->rowCount(); ++r) {
                typed << m_soot->cell(3, r);
                cells.push_back({m_soot->cell(0, r), m_soot->cell(1, r), m_soot->cell(2, r), m_soot->cell(3, r),
                                 hints ? trimmed(PrawKody.value(r - 1)) : QString()});
            }
            const int n = int(typed.size());
            const int k = numbersRight(typed, PrawKody);
            WerBal->setText(QString::number(partialCredit(number(WerBal), number(TekBal), k, n)));
            if (k == n)
                WerWop->setText(NomerPlus(WerWop->text()));
            protocolTable(n, 5, {23, 200, 200, 23, 23}, cells);
        } else if (type == answerTypeText(AnswerType::Ranking)) {
            const int n = number(KOtw);
            QStringList typed;
            std::vector<QStringList> cells;
            for (int r = 1; r <= n; ++r) {
                typed << NomOtw[size_t(r - 1)]->text();
                cells.push_back({NomOtw[size_t(r - 1)]->text(), hints ? PrawKody.value(r - 1) : QString(),
                                 trimmed(m_otwTek->cell(6, r))});
            }
            const int k = numbersRight(typed, PrawKody);
            WerBal->setText(QString::number(partialCredit(number(WerBal), number(TekBal), k, n)));
            if (k == n)
                WerWop->setText(NomerPlus(WerWop->text()));
            protocolTable(n, 3, {23, 23, 200}, cells);
        }
        // 6
        if (trimmed(KWopr->text()) == trimmed(NWopr->text()))
            closeRun();
        // 7, 8
        Gauge1->setValue(std::clamp(number(WerBal) - 1, 0, Gauge1->maximum()));
        if (!trimmed(TekBal->text()).isEmpty())
            BallyZadano += number(TekBal);
    } catch (const TrivoError &e) {
        desktop().error(e.text());
        return;
    }
    // 9, 10
    DalsheClick();
    Wi4Ocenka();
    // 11
    if (!Itog1->isEnabled() && !Powtorit1->isEnabled()) {
        timerWopr.stop();
        showClocks();
    }
}

// ---- the protocol's summary ----

void TForm1::PrnProtokolClick()
{
    PrnProtokol->setEnabled(false);
    const Glo &g = glo();
    if (!g.ProtokolWkl || !protocol) {
        desktop().message(QStringLiteral("Включите печать протокола"), QStringLiteral("Печать протокола выключена"),
                          Desktop::Icon::Warning);
        return;
    }
    try {
        // A run without questions or points has no percentage: the cell shows the grade alone.
        auto percent = [](int part, int whole) {
            const auto p = percentOf(part, whole);
            return p ? QStringLiteral("   Процент ") + QString::number(roundHalfEven(*p)) : QString();
        };
        const QDateTime now = QDateTime::currentDateTime();
        const std::vector<QStringList> rows = {
            {QStringLiteral("Дата время"), QLocale().toString(now.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
                                               QLocale().toString(now.time(), QStringLiteral("HH:mm:ss"))},
            {QStringLiteral("Предмет"), PredmetName->currentText()},
            {QStringLiteral("Тема"), WiborTema->currentText()},
            {QStringLiteral("Задано вопросов"), KWopr->text()},
            {QStringLiteral("Получено правильных ответов"), WerWop->text()},
            {QStringLiteral("Оценка"), Ocenka->text() + percent(number(WerWop), number(KWopr))},
            {QStringLiteral("Из всех баллов"), WseBal->text()},
            {QStringLiteral("Набрано баллов"), WerBal->text()},
            {QStringLiteral("Оценка по баллам"), TekOcenka->text() + percent(number(WerBal), number(WseBal))},
            {QStringLiteral("Затрачено времени"), WremyaTemy},
            {QStringLiteral("Отвечал на вопросы"), g.ImyaUchenika},
        };
        protocol->addTable(protocol->end() - 1, 11, 2);
        ++protocolTables;
        protocol->insertAfter(QStringLiteral(" "));
        WordTable table = protocol->table(protocolTables);
        table.enableBorders();
        for (size_t r = 0; r < rows.size(); ++r)
            for (int c = 0; c < 2; ++c)
                table.setCellText(int(r) + 1, c + 1, rows[r][c]);
        protocol->insertAfter(QStringLiteral(" "));
        protocol->insertParagraphAfter();
        protocol->insertAfter(QStringLiteral("Подписи: Преподаватель ________________________   "
                                             "Аттестуемый ______________________ "));
        protocol->makeVisible();
    } catch (const TrivoError &e) {
        desktop().error(e.text());
    }
}

// ---- grades ----

void TForm1::Wi4Ocenka()
{
    const Glo &g = glo();
    const GradeBounds b{g.TriProc, g.ChetProc, g.PaytProc};
    const int earned = number(WerBal);
    const auto final = percentOf(earned, number(WseBal));
    Ocenka->setText(BalliOcenka(final, b));
    if (final) {
        const auto lamps = lampsFor(*final, b);
        for (size_t i = 0; i < lamps.size(); ++i)
            if (lamps[i])
                Zw[i]->setEnabled(true);
    }
    TekOcenka->setText(BalliOcenka(percentOf(earned, BallyZadano), b));
}
