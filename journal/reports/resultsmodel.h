#pragma once
#include "resultfilter.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QSqlError>
#include <functional>
#include <vector>

class Journal;

// One row of the results table as the journal keeps it.
struct ResultsRow {
    QString id;
    QDateTime started;
    QString pupil, className, userCode, subject, topic, grade, host;
    int right = 0, asked = 0, pointsEarned = 0, pointsPossible = 0, seconds = 0;
    bool practice = false;
    QDateTime remarked; // when a corrected key marked it again; invalid when never
    QString gradeBefore;
};

// Where the next page of results starts: after the last row read, by its
// sort value and id (keyset paging: a page deep in the journal costs what the
// first does). Rows of no sort value form a block of their own, first or last
// as the engine sorts them.
struct ResultsCursor {
    bool any = false;     // a row was read
    bool inNulls = false; // the last row read had no sort value
    QVariant key;
    QString id;
};

// A page of the results to read: the first, with the count of all that pass
// the filter, or the page after a cursor.
struct ResultsQuery {
    ResultFilter filter;
    int sortColumn = 0;
    Qt::SortOrder order = Qt::DescendingOrder;
    bool first = true;
    ResultsCursor after;
};
struct ResultsPage {
    std::vector<ResultsRow> rows;
    ResultsCursor cursor; // after the last row read
    int total = -1;       // on a first page
    QString error, details;
};
// Reads the page; works on any thread that owns the journal.
ResultsPage readResults(Journal &journal, const ResultsQuery &query);

// The results of the journal as a table for the journal window: filtered and
// counted in the database, sorted by any column, read a page at a time as the
// view scrolls to them, so a journal of years opens at once.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Started,
        Pupil,
        ClassName,
        UserCode,
        Subject,
        Topic,
        Grade,
        Right,
        Asked,
        Points,
        Seconds,
        Host,
        ColumnCount
    };

    // Reads pages from the journal as they are wanted, at once.
    explicit ResultsModel(Journal &journal, QObject *parent = nullptr);
    // Hands each read to pages, which answers it now or later (a journal on
    // another thread); until it does, the model shows what it had.
    using PageSource = std::function<void(const ResultsQuery &, std::function<void(ResultsPage)>)>;
    explicit ResultsModel(PageSource pages, QObject *parent = nullptr);

    void setFilter(const ResultFilter &filter);
    ResultFilter filter() const { return m_filter; }
    // The read of the first page as the model now asks it: filter and order.
    ResultsQuery query() const { return {m_filter, m_sortColumn, m_order, true, {}}; }
    // A row's cells as the table shows them, column by column.
    static QStringList cells(const ResultsRow &row);
    // Reads the first page again (after new results were written).
    void reload();

    // All results that pass the filter, counted by the database.
    int totalCount() const { return m_total; }
    // The id of the result on a loaded row, for its question list.
    QString resultId(int row) const;
    // Whether a read is out that has not come back.
    bool reading() const { return m_reading; }
    // Why the last read failed (Russian), empty when it did not.
    QString lastError() const { return m_error; }
    // The driver's own words behind it.
    QString lastDetails() const { return m_details; }
    static constexpr int pageSize = 200;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // A read came back (filled, or failed with lastError()).
    void read();

private:
    static QVariant cell(const ResultsRow &row, int column);
    void firstPageRead(ResultsPage page);
    void nextPageRead(ResultsPage page);
    PageSource m_pages;
    quint64 m_generation = 0; // a read of an older filter or order is dropped
    bool m_reading = false;
    ResultFilter m_filter;
    int m_sortColumn = Started;
    Qt::SortOrder m_order = Qt::DescendingOrder;
    std::vector<ResultsRow> m_rows;
    ResultsCursor m_cursor;
    int m_total = 0;
    QString m_error, m_details;
};

// A run's grade as the journal shows it: «повторение» for practice,
// «прервана» for a run stopped before its grade, and a re-marked run's day
// and earlier grade.
QString gradeText(const QString &grade, bool practice, const QDateTime &remarked, const QString &gradeBefore);
