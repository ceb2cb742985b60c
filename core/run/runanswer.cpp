// A run judges each answer, keeps the grades and writes the protocol.
#include "checking.h"
#include "grading.h"
#include "programstate.h"
#include "runmodel.h"

int RunModel::tekBalNumber() const
{
    return toIntOrThrow(trimmed(m_tekBal));
}

void RunModel::rightAnswer()
{
    // The points first: a question whose points are no number counts nothing,
    // however often the answer is given.
    const int points = tekBalNumber();
    ++m_werWop;
    m_werBal += points;
}

void RunModel::addAnswerLine(const QString &text, bool newParagraph, bool bold)
{
    ProtocolEntry e{ProtocolEntry::Kind::Answer, text};
    e.newParagraph = newParagraph;
    e.bold = bold;
    m_protocol.push_back(std::move(e));
}

void RunModel::addTable(const std::vector<double> &widths, std::vector<QStringList> cells)
{
    if (!writing() || cells.empty())
        return;
    ProtocolEntry e{ProtocolEntry::Kind::Table};
    e.widths = widths;
    e.cells = std::move(cells);
    m_protocol.push_back(std::move(e));
}

void RunModel::Sovpad(const GivenAnswer &given)
{
    const int n = toIntOrThrow(trimmed(m_kOtw));
    std::vector<TickRow> ticks;
    for (int i = 1; i <= n; ++i) {
        const QString code = m_otwTek.cell(5, i);
        const bool ticked = size_t(i - 1) < given.ticks.size() && given.ticks[size_t(i - 1)];
        ticks.push_back({ticked, code});
        if (writing()) {
            const bool right = trimmed(code) == u"+";
            addAnswerLine(trimmed(tickAnswerCode(ticked, right) + QStringLiteral(" :  ") + m_otwTek.cell(6, i)), true,
                          right);
        }
    }
    const int c = tickCount(ticks);
    const int kPraw = toIntOrThrow(trimmed(m_kPraw));
    if (c == kPraw) {
        rightAnswer();
        return;
    }
    m_werBal = partialCredit(m_werBal, tekBalNumber(), c, kPraw);
    if (hints()) {
        // Training: the pupil sees the right options, the wrong ones dimmed.
        std::vector<int> dimmed;
        for (int i = 1; i <= n; ++i)
            if (trimmed(m_otwTek.cell(5, i)).isEmpty())
                dimmed.push_back(i);
        m_questionClock.stop();
        emit rightOptionsShown(dimmed, ticksVerdictText(c, kPraw));
    }
}

void RunModel::judgeGrid(bool matching, const QStringList &numbers)
{
    const bool hints = this->hints();
    std::vector<QStringList> cells;
    if (matching) {
        std::vector<std::pair<QString, QString>> pairs;
        for (int r = 1; r <= m_kolPlus && r < m_soot.rowCount(); ++r) {
            pairs.emplace_back(m_soot.cell(0, r), m_soot.cell(3, r));
            cells.push_back(
                {m_soot.cell(0, r), m_soot.cell(1, r), m_soot.cell(2, r), hints ? m_soot.cell(3, r) : QString()});
        }
        if (matchingRight(pairs))
            rightAnswer();
        addTable({23, 200, 200, 23}, std::move(cells));
        return;
    }
    // Classification: the numbers typed beside the right-column items.
    QStringList typed;
    for (int r = 1; r <= m_kolPlus && r < m_soot.rowCount(); ++r) {
        typed << numbers.value(r - 1);
        cells.push_back({m_soot.cell(0, r), m_soot.cell(1, r), m_soot.cell(2, r), numbers.value(r - 1),
                         hints ? trimmed(m_prawKody.value(r - 1)) : QString()});
    }
    const int n = int(typed.size());
    const int k = numbersRight(typed, m_prawKody);
    m_werBal = partialCredit(m_werBal, tekBalNumber(), k, n);
    if (k == n)
        ++m_werWop;
    addTable({23, 200, 200, 23, 23}, std::move(cells));
}

void RunModel::judgeRanking(const GivenAnswer &given)
{
    const int n = toIntOrThrow(trimmed(m_kOtw));
    QStringList typed;
    std::vector<QStringList> cells;
    for (int r = 1; r <= n; ++r) {
        typed << given.numbers.value(r - 1);
        cells.push_back(
            {given.numbers.value(r - 1), hints() ? m_prawKody.value(r - 1) : QString(), trimmed(m_otwTek.cell(6, r))});
    }
    const int k = numbersRight(typed, m_prawKody);
    m_werBal = partialCredit(m_werBal, tekBalNumber(), k, n);
    if (k == n)
        ++m_werWop;
    addTable({23, 23, 200}, std::move(cells));
}

void RunModel::judge(const GivenAnswer &given)
{
    const QString type = trimmed(m_typeText);
    if (type == answerTypeText(AnswerType::Ticks)) {
        Sovpad(given);
    } else if (type == answerTypeText(AnswerType::Exact)) {
        const QString expected = m_otwTek.cell(6, 1);
        const bool right = exactAnswerRight(given.typed, expected);
        if (right)
            rightAnswer();
        if (writing())
            addAnswerLine(trimmed((right ? QStringLiteral("+") : QStringLiteral("-")) + QStringLiteral("+ :  ") +
                                  trimmed(expected) + QStringLiteral(" Вы ") + trimmed(given.typed)),
                          false, true);
    } else if (type == answerTypeText(AnswerType::Matching)) {
        judgeGrid(true, given.numbers);
    } else if (type == answerTypeText(AnswerType::Classification)) {
        judgeGrid(false, given.numbers);
    } else if (type == answerTypeText(AnswerType::Ranking)) {
        judgeRanking(given);
    }
}

void RunModel::answer(const GivenAnswer &given, int now)
{
    answerWith(given, now, [&] { judge(given); });
}

void RunModel::answerJudged(const GivenAnswer &given, int points, bool right, int now)
{
    answerWith(given, now, [&] {
        m_werBal += points;
        if (right)
            ++m_werWop;
    });
}

void RunModel::answerWith(const GivenAnswer &given, int now, const std::function<void()> &judging)
{
    const int werWop = m_werWop, werBal = m_werBal;
    noteAnswer(given);
    judging();
    if (m_onScreen >= 0)
        trackLeft(now, true, m_werBal - werBal, m_werWop > werWop);
    if (m_kWopr == m_nWopr)
        close(now);
    m_pointsGauge = std::clamp(m_werBal - 1, 0, m_pointsGaugeMax);
    if (!trimmed(m_tekBal).isEmpty())
        m_pointsAsked += tekBalNumber();
    nextQuestion(now);
    Wi4Ocenka();
    if (!m_controls.answer && !m_controls.repeat)
        m_questionClock.stop();
    if (m_closedNow) {
        m_closedNow = false;
        emit runEnded(result());
    }
}

void RunModel::timeOver(const GivenAnswer &given, int now)
{
    if (m_controls.answer)
        answer(given, now);
}

void RunModel::Wi4Ocenka()
{
    const Glo &g = glo();
    const GradeBounds b{g.TriProc, g.ChetProc, g.PaytProc};
    const auto final = percentOf(m_werBal, m_wseBal);
    m_ocenka = BalliOcenka(final, b);
    if (final) {
        const auto lamps = lampsFor(*final, b);
        for (size_t i = 0; i < lamps.size(); ++i)
            if (lamps[i])
                m_controls.lamps[i] = true;
    }
    m_tekOcenka = BalliOcenka(percentOf(m_werBal, m_pointsAsked), b);
}

void RunModel::addSummary(const QString &subject, const QString &topic, const QString &dateTime)
{
    // A run without questions or points has no percentage: the cell shows the grade alone.
    auto percent = [](int part, int whole) {
        const auto p = percentOf(part, whole);
        return p ? QStringLiteral("   Процент ") + QString::number(roundHalfEven(*p)) : QString();
    };
    ProtocolEntry e{ProtocolEntry::Kind::Summary};
    e.cells = {
        {QStringLiteral("Дата время"), dateTime},
        {QStringLiteral("Предмет"), subject},
        {QStringLiteral("Тема"), topic},
        {QStringLiteral("Задано вопросов"), QString::number(m_kWopr)},
        {QStringLiteral("Получено правильных ответов"), QString::number(m_werWop)},
        {QStringLiteral("Оценка"), m_ocenka + percent(m_werWop, m_kWopr)},
        {QStringLiteral("Из всех баллов"), QString::number(m_wseBal)},
        {QStringLiteral("Набрано баллов"), QString::number(m_werBal)},
        {QStringLiteral("Оценка по баллам"), m_tekOcenka + percent(m_werBal, m_wseBal)},
        {QStringLiteral("Затрачено времени"), m_timeSpent},
        {QStringLiteral("Отвечал на вопросы"), m_modes.pupil},
    };
    m_protocol.push_back(std::move(e));
}
