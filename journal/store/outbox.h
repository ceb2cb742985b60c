#pragma once
#include "runresult.h"

#include <QString>
#include <QStringList>
#include <vector>

// Results that wait for the journal: a small embedded database beside the
// program's files, one row per result keyed by its id, kept until the journal
// has committed the result. Used from one thread, like the journal that owns it.
class Outbox
{
public:
    explicit Outbox(const QString &path);
    ~Outbox();
    Outbox(const Outbox &) = delete;
    Outbox &operator=(const Outbox &) = delete;

    // Keeps the result; putting the same id again keeps one, the report that
    // ran longer (of equal ones, the later). False with lastError() when it
    // could not be kept.
    bool put(const RunResult &r);
    // The oldest waiting results, at most limit of them. A row that is no
    // result any more (damaged by hand) is left where it is and counted in
    // damaged().
    std::vector<RunResult> oldest(int limit);
    // Takes the results out, all or none.
    bool remove(const QStringList &ids);
    // How many results wait; 0 when the outbox was never made, -1 on error.
    int count();
    int damaged() const { return m_damaged; }
    QString lastError() const { return m_error; }
    QString path() const { return m_path; }

private:
    bool open(bool create);
    QString m_path, m_connection, m_error;
    bool m_ready = false;
    int m_damaged = 0;
};
