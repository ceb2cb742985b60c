// The answering aids of a run: hints, moving matching rows, putting questions
// off and repeating them, the prompting switch.
#include "programstate.h"
#include "runmodel.h"

namespace
{
const QString pendingMark = QStringLiteral("у");
const QString answersCode = QStringLiteral("7305918264");
} // namespace

void RunModel::setPrompting(bool on)
{
    m_modes.prompting = on;
    m_controls.ispravit = m_controls.fifti = m_controls.plusSim = on;
}

bool RunModel::revealOptionsTable(const QString &reply)
{
    if (trimmed(reply) != answersCode)
        return false;
    m_optionsTable = true; // once shown it stays for later questions
    return true;
}

// ---- matching rows ----

void RunModel::swapRightColumn(int a, int b)
{
    m_soot.beginUpdate();
    m_widim.beginUpdate();
    for (int c : {2, 3}) {
        const QString x = m_soot.cell(c, a);
        m_soot.setCell(c, a, m_soot.cell(c, b));
        m_soot.setCell(c, b, x);
    }
    const QString x = m_widim.cell(1, a);
    m_widim.setCell(1, a, m_widim.cell(1, b));
    m_widim.setCell(1, b, x);
    m_soot.endUpdate();
    m_widim.endUpdate();
}

QString RunModel::rowUp(const QString &selected)
{
    const int n = toIntOrThrow(trimmed(selected));
    if (n <= 1)
        return selected;
    swapRightColumn(n - 1, n);
    return NomerMinus(selected);
}

QString RunModel::rowDown(const QString &selected)
{
    const int n = toIntOrThrow(trimmed(selected));
    if (n <= 0 || n >= m_kolPlus)
        return selected;
    swapRightColumn(n, n + 1);
    return NomerPlus(selected);
}

void RunModel::putInPlace()
{
    for (int a = std::min(m_kolPlus, m_soot.rowCount() - 1); a >= 2; --a) {
        const int below = toIntOrThrow(trimmed(m_soot.cell(3, a)));
        const int above = toIntOrThrow(trimmed(m_soot.cell(3, a - 1)));
        if (below < above) {
            addHint();
            swapRightColumn(a - 1, a);
        }
    }
}

void RunModel::revealNumber()
{
    for (int k = 1; k <= m_kolPlus && k < m_soot.rowCount(); ++k)
        if (m_soot.cell(3, k) == u"?") {
            addHint();
            m_soot.setCell(3, k, m_prawKody.value(k - 1));
            return;
        }
}

// ---- hints in the other types ----

std::optional<QString> RunModel::hintExact(const QString &typed)
{
    const QString right = m_otwTek.cell(6, 1);
    if (trimmed(typed).size() >= trimmed(right).size())
        return std::nullopt;
    addHint();
    return right;
}

std::optional<int> RunModel::removeAnError(const QStringList &rankingNumbers)
{
    const int n = std::min(int(trimmed(m_kOtw).toInt()), int(m_rows.size()));
    if (trimmed(m_typeText) != answerTypeText(AnswerType::Ranking)) {
        for (int k = 1; k <= n; ++k)
            if (trimmed(m_otwTek.cell(5, k)) != u"+" && !m_rows[size_t(k - 1)].removed) {
                m_rows[size_t(k - 1)].removed = true;
                addHint();
                return k;
            }
        return std::nullopt;
    }
    for (int k = 1; k <= n; ++k)
        if (trimmed(rankingNumbers.value(k - 1)).isEmpty()) {
            addHint();
            return k;
        }
    return std::nullopt;
}

// ---- putting off and repeating ----

void RunModel::putOff(int now)
{
    m_wop.setCell(7, m_wop.currentRow(), QString());
    ++m_deferred;
    if (m_onScreen >= 0) {
        m_putOffKeys.insert(m_questionResults[size_t(m_onScreen)].key);
        trackLeft(now, false, 0, false);
    }
    if (m_wop.currentRow() < m_wop.rowCount() - 1) {
        nextQuestion(now); // not judged and earns nothing
        return;
    }
    // The last question was put off: it stays on screen until the repeat.
    m_controls.putOff = false;
    m_controls.answer = false;
    if (m_deferred != 0)
        m_controls.repeat = true;
}

void RunModel::repeat(int now)
{
    std::vector<QStringList> kept;
    for (int r = 1; r < m_wop.rowCount(); ++r)
        if (trimmed(m_wop.cell(7, r)) != pendingMark)
            kept.push_back(m_wop.row(r));
    for (QStringList &row : kept)
        row[7] = pendingMark;
    const int copied = int(kept.size());
    m_wop.setDataRows(std::move(kept));
    m_controls.answer = true;
    if (hints())
        m_controls.fifti = true;
    m_wop.setCurrentRow(0);
    m_nWopr = m_kWopr - copied; // the close comes after the last repeated question
    m_controls.putOff = true;
    m_deferred = 0;
    m_controls.repeat = false;
    // The repeat judges nothing: a put-off question is judged only when it is
    // answered at last, so no answer ever counts twice.
    nextQuestion(now);
}
