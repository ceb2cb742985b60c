#include "resultsmodel.h"
#include "journal.h"
#include "schema.h"

#include <QSqlQuery>

namespace
{
const char *const sortExpressions[ResultsModel::ColumnCount] = {
    "r.started", "r.pupil_folded",  "r.class_name", "r.user_code",     "r.subject", "r.topic",
    "r.grade",   "r.right_answers", "r.asked",      "r.points_earned", "r.seconds", "r.host"};

const char *const headers[ResultsModel::ColumnCount] = {"Начало",   "Ученик", "Класс",  "Код",
                                                        "Предмет",  "Тема",   "Оценка", "Верно",
                                                        "Вопросов", "Баллы",  "Время",  "Компьютер"};

QString clockText(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

namespace
{
// One read of pages: the query's filter, order and cursor over one journal.
class PageReading
{
public:
    PageReading(Journal &journal, const ResultsQuery &query) : m_journal(journal), m_query(query) {}

    ResultsPage read()
    {
        ResultsPage page;
        page.cursor = m_query.after;
        if (!m_journal.open()) {
            page.error = m_journal.lastError();
            page.details = m_journal.lastDetails();
            return page;
        }
        const Journal::Bounded step(m_journal);
        if (m_query.first && !count(page))
            return page;
        readPage(page);
        return page;
    }

private:
    bool count(ResultsPage &page)
    {
        const SqlCondition c = conditionOf(m_query.filter);
        QSqlQuery q(m_journal.database());
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM results r") + c.sql);
        for (const QVariant &v : c.values)
            q.addBindValue(v);
        if (!q.exec() || !q.next())
            return fail(page, q.lastError());
        page.total = q.value(0).toInt();
        return true;
    }

    bool fail(ResultsPage &page, const QSqlError &e)
    {
        page.error = m_journal.explain(e);
        page.details = Journal::details(e);
        page.rows.clear();
        return false;
    }

    void readPage(ResultsPage &page)
    {
        // Only the start of a run may be unknown. SQLite sorts the rows of no
        // value before all others, PostgreSQL after them; each engine keeps its own.
        std::vector<bool> blocks{false};
        if (m_query.sortColumn == ResultsModel::Started) {
            const bool server = dialectOf(m_journal.database()) == Dialect::Postgres;
            const bool nullsFirst = server != (m_query.order == Qt::AscendingOrder);
            blocks = {nullsFirst, !nullsFirst};
        }
        size_t block = 0;
        while (page.cursor.any && block + 1 < blocks.size() && blocks[block] != page.cursor.inNulls)
            ++block;
        for (; block < blocks.size(); ++block) {
            const int wanted = ResultsModel::pageSize - int(page.rows.size());
            if (wanted <= 0)
                break;
            if (!readBlock(blocks[block], wanted, page))
                return;
        }
    }

    bool readBlock(bool nulls, int limit, ResultsPage &page)
    {
        const SqlCondition c = conditionOf(m_query.filter);
        const QString key = QLatin1String(sortExpressions[m_query.sortColumn]);
        const bool ascending = m_query.order == Qt::AscendingOrder;
        const QString direction = ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
        const QString after = ascending ? QStringLiteral(" > ") : QStringLiteral(" < ");
        const ResultsCursor cursor = page.cursor;
        const bool continues = cursor.any && cursor.inNulls == nulls;
        QStringList parts;
        if (m_query.sortColumn == ResultsModel::Started)
            parts << key + (nulls ? QStringLiteral(" IS NULL") : QStringLiteral(" IS NOT NULL"));
        // The id breaks ties, so that pages neither repeat nor skip a row.
        if (continues)
            parts << (nulls ? QStringLiteral("r.id") + after + u'?'
                            : QStringLiteral("(%1, r.id)%2(?, ?)").arg(key, after));
        QString where = c.sql;
        if (!parts.isEmpty())
            where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
                     parts.join(QStringLiteral(" AND "));
        // The time comes back as the text the database compares, never through
        // the local time zone.
        const QString keyRead =
            m_query.sortColumn == ResultsModel::Started ? QStringLiteral("CAST(r.started AS TEXT)") : key;
        QSqlQuery q(m_journal.database());
        q.setForwardOnly(true);
        q.prepare(
            QStringLiteral("SELECT r.id, r.started, r.pupil, r.user_code, r.subject, r.topic, r.grade, r.host,"
                           " r.right_answers, r.asked, r.points_earned, r.points_possible, r.seconds, ") +
            keyRead +
            QStringLiteral(", r.practice, r.class_name, CAST(r.remarked AS TEXT), r.grade_before FROM results r") +
            where + QStringLiteral(" ORDER BY ") + key + direction + QStringLiteral(", r.id") + direction +
            QStringLiteral(" LIMIT ?"));
        for (const QVariant &v : c.values)
            q.addBindValue(v);
        if (continues && !nulls)
            q.addBindValue(cursor.key);
        if (continues)
            q.addBindValue(cursor.id);
        q.addBindValue(limit);
        if (!q.exec())
            return fail(page, q.lastError());
        while (q.next()) {
            ResultsRow r;
            r.id = q.value(0).toString();
            r.started = timeFromStored(q.value(1));
            r.pupil = q.value(2).toString();
            r.userCode = q.value(3).toString();
            r.subject = q.value(4).toString();
            r.topic = q.value(5).toString();
            r.grade = q.value(6).toString();
            r.host = q.value(7).toString();
            r.right = q.value(8).toInt();
            r.asked = q.value(9).toInt();
            r.pointsEarned = q.value(10).toInt();
            r.pointsPossible = q.value(11).toInt();
            r.seconds = q.value(12).toInt();
            r.practice = q.value(14).toBool();
            r.className = q.value(15).toString();
            r.remarked = timeFromStored(q.value(16));
            r.gradeBefore = q.value(17).toString();
            page.cursor = {true, nulls, q.value(13), r.id};
            page.rows.push_back(std::move(r));
        }
        return true;
    }

    Journal &m_journal;
    const ResultsQuery &m_query;
};
} // namespace

ResultsPage readResults(Journal &journal, const ResultsQuery &query)
{
    return PageReading(journal, query).read();
}

ResultsModel::ResultsModel(Journal &journal, QObject *parent)
    : ResultsModel(
          [&journal](const ResultsQuery &q, std::function<void(ResultsPage)> done) { done(readResults(journal, q)); },
          parent)
{
}

ResultsModel::ResultsModel(PageSource pages, QObject *parent) : QAbstractTableModel(parent), m_pages(std::move(pages))
{
    reload();
}

void ResultsModel::setFilter(const ResultFilter &filter)
{
    m_filter = filter;
    reload();
}

void ResultsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_order = order;
    reload();
}

void ResultsModel::reload()
{
    const quint64 generation = ++m_generation;
    m_reading = true;
    m_pages({m_filter, m_sortColumn, m_order, true, {}}, [this, generation](ResultsPage page) {
        if (generation == m_generation)
            firstPageRead(std::move(page));
    });
}

void ResultsModel::firstPageRead(ResultsPage page)
{
    beginResetModel();
    m_reading = false;
    m_rows = std::move(page.rows);
    m_cursor = page.cursor;
    m_total = page.error.isEmpty() ? page.total : 0;
    m_error = page.error;
    m_details = page.details;
    endResetModel();
    emit read();
}

bool ResultsModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_reading && m_error.isEmpty() && int(m_rows.size()) < m_total;
}

void ResultsModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const quint64 generation = m_generation;
    m_reading = true;
    m_pages({m_filter, m_sortColumn, m_order, false, m_cursor}, [this, generation](ResultsPage page) {
        if (generation == m_generation)
            nextPageRead(std::move(page));
    });
}

void ResultsModel::nextPageRead(ResultsPage page)
{
    m_reading = false;
    if (!page.error.isEmpty() || page.rows.empty()) {
        // Rows were deleted meanwhile, or the journal went away: stop asking for them.
        m_total = int(m_rows.size());
        if (!page.error.isEmpty()) {
            m_error = page.error;
            m_details = page.details;
        }
        emit read();
        return;
    }
    m_cursor = page.cursor;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(page.rows.begin()), std::make_move_iterator(page.rows.end()));
    endInsertRows();
    emit read();
}

QString ResultsModel::resultId(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].id : QString();
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()) || role != Qt::DisplayRole)
        return {};
    return cell(m_rows[size_t(index.row())], index.column());
}

QStringList ResultsModel::cells(const ResultsRow &row)
{
    QStringList out;
    for (int c = 0; c < ColumnCount; ++c)
        out << cell(row, c).toString();
    return out;
}

QVariant ResultsModel::cell(const ResultsRow &r, int column)
{
    switch (column) {
    case Started:
        return r.started.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    case Pupil:
        return r.pupil;
    case ClassName:
        return r.className;
    case UserCode:
        return r.userCode;
    case Subject:
        return r.subject;
    case Topic:
        return r.topic;
    case Grade:
        return gradeText(r.grade, r.practice, r.remarked, r.gradeBefore);
    case Right:
        return r.right;
    case Asked:
        return r.asked;
    case Points:
        return QStringLiteral("%1 из %2").arg(r.pointsEarned).arg(r.pointsPossible);
    case Seconds:
        return clockText(r.seconds);
    case Host:
        return r.host;
    }
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(headers[section]);
}

QString gradeText(const QString &grade, bool practice, const QDateTime &remarked, const QString &gradeBefore)
{
    // Grades go from 2 to 5; a run stopped before it was graded keeps the
    // starting "0", which is no grade to show; practice earns none.
    auto shown = [&](const QString &g) {
        return practice ? QStringLiteral("повторение") : g.trimmed() == u"0" ? QStringLiteral("прервана") : g;
    };
    if (!remarked.isValid())
        return shown(grade);
    // A run marked again after its key was corrected says so, and what it had.
    const QString day = remarked.toString(QStringLiteral("dd.MM.yyyy"));
    return practice || gradeBefore == grade
               ? QStringLiteral("%1 (пересчитано %2)").arg(shown(grade), day)
               : QStringLiteral("%1 (пересчитано %2, было %3)").arg(shown(grade), day, shown(gradeBefore));
}
