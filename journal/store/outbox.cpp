#include "outbox.h"
#include "resultcodec.h"
#include "schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>
#include <thread>

namespace
{
QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("trivo-outbox-%1").arg(counter.fetchAndAddRelaxed(1));
}
} // namespace

Outbox::Outbox(const QString &path) : m_path(path), m_connection(newConnectionName()) {}

Outbox::~Outbox()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool Outbox::open(bool create)
{
    if (m_ready)
        return true;
    if (!create && !QFileInfo::exists(m_path))
        return false;
    if (!QDir().mkpath(QFileInfo(m_path).path())) {
        m_error = QStringLiteral("Не удалось создать папку %1").arg(QFileInfo(m_path).path());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase("QSQLITE", m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    QSqlQuery q(db);
    // The oldest come first; with thousands waiting, an index finds them
    // without sorting the whole outbox for each batch sent.
    const bool ok = db.open() &&
                    q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox ("
                                          "id TEXT PRIMARY KEY,"
                                          "queued TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP,"
                                          "body TEXT NOT NULL)")) &&
                    q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS outbox_queued ON outbox (queued, id)")) &&
                    // A result sent is in the journal: its place in the file
                    // need not be written over with zeros when it leaves.
                    q.exec(QStringLiteral("PRAGMA secure_delete=FAST"));
    if (!ok) {
        const QSqlError e = db.isOpen() ? q.lastError() : db.lastError();
        m_error = QStringLiteral("очередь отправки %1 недоступна: %2")
                      .arg(QDir::toNativeSeparators(m_path), e.databaseText().isEmpty() ? e.text() : e.databaseText());
        db.close();
        return false;
    }
    m_ready = true;
    return true;
}

bool Outbox::put(const RunResult &r)
{
    if (!open(true))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    // A report of a run that already waits takes its place when it ran as
    // long or longer (a repeat pass after the close), as in the journal.
    q.prepare(QStringLiteral("SELECT body FROM outbox WHERE id = ?"));
    q.addBindValue(r.id);
    bool ok = q.exec();
    if (ok && q.next()) {
        const std::optional<RunResult> waiting = decodeResult(q.value(0).toString().toUtf8());
        q.finish();
        if (waiting && waiting->seconds > r.seconds)
            return true;
        q.prepare(QStringLiteral("UPDATE outbox SET body = ? WHERE id = ?"));
        q.addBindValue(QString::fromUtf8(encodeResult(r)));
        q.addBindValue(r.id);
        ok = q.exec();
    } else if (ok) {
        q.prepare(QStringLiteral("INSERT INTO outbox (id, body) VALUES (?, ?) ON CONFLICT (id) DO NOTHING"));
        q.addBindValue(r.id);
        q.addBindValue(QString::fromUtf8(encodeResult(r)));
        ok = q.exec();
    }
    if (!ok) {
        m_error = QStringLiteral("не удалось записать в очередь отправки %1: %2")
                      .arg(QDir::toNativeSeparators(m_path), q.lastError().text());
        return false;
    }
    return true;
}

std::vector<RunResult> Outbox::oldest(int limit)
{
    std::vector<RunResult> out;
    m_damaged = 0;
    if (!open(false))
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT body FROM outbox ORDER BY queued, id LIMIT ?"));
    q.addBindValue(limit);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return out;
    }
    std::vector<QByteArray> bodies;
    while (q.next())
        bodies.push_back(q.value(0).toString().toUtf8());
    // Thousands waiting are read hundreds at a time, and reading them
    // back into results is most of the work: half of it goes to a second thread.
    std::vector<std::optional<RunResult>> decoded(bodies.size());
    auto decode = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            decoded[i] = decodeResult(bodies[i]);
    };
    if (bodies.size() < 64) {
        decode(0, bodies.size());
    } else {
        std::thread other(decode, bodies.size() / 2, bodies.size());
        decode(0, bodies.size() / 2);
        other.join();
    }
    for (std::optional<RunResult> &r : decoded) {
        if (r)
            out.push_back(std::move(*r));
        else
            ++m_damaged;
    }
    return out;
}

bool Outbox::remove(const QStringList &ids)
{
    if (!open(false))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    bool ok = q.exec(QStringLiteral("BEGIN"));
    // Well below the values SQLite takes in one statement.
    constexpr qsizetype perStatement = 500;
    for (qsizetype from = 0; ok && from < ids.size(); from += perStatement) {
        const QStringList part = ids.mid(from, perStatement);
        q.prepare(QStringLiteral("DELETE FROM outbox WHERE id IN (%1)")
                      .arg(QStringList(part.size(), QStringLiteral("?")).join(u',')));
        for (const QString &id : part)
            q.addBindValue(id);
        ok = q.exec();
    }
    if (ok)
        ok = q.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        m_error = q.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    return ok;
}

int Outbox::count()
{
    if (!m_ready && !QFileInfo::exists(m_path))
        return 0;
    if (!open(false))
        return m_error.isEmpty() ? 0 : -1;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) || !q.next()) {
        m_error = q.lastError().text();
        return -1;
    }
    return q.value(0).toInt();
}
