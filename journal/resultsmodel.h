#pragma once
#include "resultfilter.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QSqlError>
#include <vector>

class Journal;

// The results of the journal as a table for the journal window: filtered and
// counted in the database, sorted by any column, read a page at a time as the
// view scrolls to them, so a journal of years opens at once.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Started, Pupil, UserCode, Subject, Topic, Grade, Right, Asked, Points, Seconds, Host, ColumnCount };

    explicit ResultsModel(Journal &journal, QObject *parent = nullptr);

    void setFilter(const ResultFilter &filter);
    ResultFilter filter() const { return m_filter; }
    // Reads the first page again (after new results were written).
    void reload();

    // All results that pass the filter, counted by the database.
    int totalCount() const { return m_total; }
    // The id of the result on a loaded row, for its question list.
    QString resultId(int row) const;
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

private:
    struct Row {
        QString id;
        QDateTime started;
        QString pupil, userCode, subject, topic, grade, host;
        int right = 0, asked = 0, pointsEarned = 0, pointsPossible = 0, seconds = 0;
        bool practice = false;
    };
    // Where the next page starts: after the last row read, by its sort value
    // and id (keyset paging: a page deep in the journal costs what the first
    // does). Rows of no sort value form a block of their own, first or last
    // as the engine sorts them.
    struct Cursor {
        bool any = false;     // a row was read
        bool inNulls = false; // the last row read had no sort value
        QVariant key;
        QString id;
    };
    bool readPage(std::vector<Row> &into);
    bool readBlock(bool nulls, int limit, std::vector<Row> &into);
    void fail(const QSqlError &e);
    Journal &m_journal;
    ResultFilter m_filter;
    int m_sortColumn = Started;
    Qt::SortOrder m_order = Qt::DescendingOrder;
    std::vector<Row> m_rows;
    Cursor m_cursor;
    int m_total = 0;
    QString m_error, m_details;
};
