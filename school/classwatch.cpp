#include "classwatch.h"
#include "journal.h"

#include <QSet>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <libpq-fe.h>
#include <memory>
#include <mutex>
#include <optional>

namespace
{
const QString channel = QStringLiteral("trivo_class");

const QString columns = QStringLiteral(
    "SELECT host, pupil, class_name, subject, topic, state, question, questions, points, points_possible,"
    " seconds_left, grade, (extract(epoch FROM clock_timestamp()::timestamp(3) - seen) * 1000)::bigint"
    " FROM pc_status");

// The PCs' names as an array of the server's, each quoted.
QString arrayOf(const QStringList &names)
{
    QStringList quoted;
    for (QString n : names)
        quoted << u'"' + n.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\"")) + u'"';
    return u'{' + quoted.join(u',') + u'}';
}

// Why a query failed: a connection the driver already knows to be gone
// fails without a word of the server's.
QSqlError failure(const QSqlQuery &q)
{
    return q.lastError().isValid()
               ? q.lastError()
               : QSqlError(QString(), QStringLiteral("connection to server was lost"), QSqlError::ConnectionError);
}
} // namespace

qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::optional<int> PcRow::secondsLeftAt(qint64 now) const
{
    if (!secondsLeft || state != QLatin1String("running"))
        return secondsLeft;
    return qMax<qint64>(0, *secondsLeft - silentMs(now) / 1000);
}

// The watch's side on its own thread: the connection, the channel, the reads.
class ClassWatchWorker : public QObject
{
public:
    ClassWatchWorker(ClassWatch *owner, const JournalSettings &teacher, int retryMs)
        : m_owner(owner), m_settings(teacher), m_retryMs(retryMs)
    {
    }

    // On the thread: connects now and keeps at it.
    void start()
    {
        m_timer = new QTimer(this);
        m_timer->setInterval(m_retryMs);
        connect(m_timer, &QTimer::timeout, this, [this] { m_up ? check() : connectNow(); });
        m_timer->start();
        connectNow();
    }

    // From any thread: a query waiting on the server is cut, and so is every later one.
    void giveUp()
    {
        std::lock_guard guard(m_lock);
        m_stopping = true;
        if (m_journal)
            m_journal->giveUp();
    }

    ~ClassWatchWorker() override { drop(); }

private:
    void connectNow()
    {
        {
            std::lock_guard guard(m_lock);
            if (m_stopping)
                return;
            m_journal = std::make_unique<Journal>(m_settings);
        }
        if (!m_journal->open())
            return lost(m_journal->lastReason(), m_journal->lastDetails());
        QSqlDriver *driver = m_journal->database().driver();
        // Subscribed before all is read: no news in between is missed.
        connect(driver, &QSqlDriver::notification, this,
                [this](const QString &name, QSqlDriver::NotificationSource, const QVariant &payload) {
                    if (name == channel)
                        heard(payload.toString());
                });
        if (!driver->subscribeToNotification(channel))
            return lost(driver->lastError());
        m_pending.clear();
        std::vector<PcRow> rows;
        if (const QSqlError e = read({}, rows); e.isValid())
            return lost(e);
        m_up = true;
        emit m_owner->connection(true, QString(), QString());
        emit m_owner->allRead(rows);
    }

    // A connection that fails a plain query is gone; the next tick connects anew.
    void check()
    {
        QSqlError e;
        {
            const Journal::Bounded step(*m_journal);
            QSqlQuery q(m_journal->database());
            if (!q.exec(QStringLiteral("SELECT 1")))
                e = failure(q);
        }
        if (e.isValid())
            return lost(e);
        hearPending();
    }

    void heard(const QString &host)
    {
        // The news of many PCs that came together are read in one query.
        if (m_pending.isEmpty())
            QMetaObject::invokeMethod(
                this, [this] { readPending(); }, Qt::QueuedConnection);
        m_pending.insert(host);
    }

    void readPending()
    {
        if (!m_up || m_pending.isEmpty())
            return;
        const QStringList hosts(m_pending.cbegin(), m_pending.cend());
        m_pending.clear();
        std::vector<PcRow> rows;
        if (const QSqlError e = read(hosts, rows); e.isValid())
            return lost(e);
        for (const PcRow &r : rows)
            emit m_owner->rowRead(r);
    }

    // The rows of these PCs (of all when none are named), or why they could not be read.
    QSqlError read(const QStringList &hosts, std::vector<PcRow> &rows)
    {
        QSqlError e;
        {
            const Journal::Bounded step(*m_journal);
            QSqlQuery all(m_journal->database());
            // The query for some PCs is prepared once: one round trip a read.
            if (!hosts.isEmpty() && !m_some) {
                m_some.emplace(m_journal->database());
                m_some->setForwardOnly(true);
                if (!m_some->prepare(columns + QStringLiteral(" WHERE host = ANY (CAST(? AS text[]))")))
                    return failure(*m_some);
            }
            QSqlQuery &q = hosts.isEmpty() ? all : *m_some;
            bool done;
            if (hosts.isEmpty()) {
                q.setForwardOnly(true);
                done = q.exec(columns);
            } else {
                q.bindValue(0, arrayOf(hosts));
                done = q.exec();
            }
            if (!done)
                e = failure(q);
            const qint64 now = steadyMs();
            while (done && q.next())
                rows.push_back(rowOf(q, now));
            q.finish();
        }
        hearPending();
        return e;
    }

    static PcRow rowOf(const QSqlQuery &q, qint64 now)
    {
        PcRow r;
        r.host = q.value(0).toString();
        r.pupil = q.value(1).toString();
        r.className = q.value(2).toString();
        r.subject = q.value(3).toString();
        r.topic = q.value(4).toString();
        r.state = q.value(5).toString();
        r.question = q.value(6).toInt();
        r.questions = q.value(7).toInt();
        r.points = q.value(8).toInt();
        r.pointsPossible = q.value(9).toInt();
        if (!q.value(10).isNull())
            r.secondsLeft = q.value(10).toInt();
        r.grade = q.value(11).toString();
        r.ageMs = qMax<qint64>(0, q.value(12).toLongLong());
        r.readAt = now;
        return r;
    }

    // News that came while a query waited for its answer is kept by the
    // client library, and the socket has nothing more to say of it: taken here.
    void hearPending()
    {
        if (!m_journal)
            return;
        const QVariant handle = m_journal->database().driver()->handle();
        if (qstrcmp(handle.typeName(), "PGconn*") != 0)
            return;
        PGconn *connection = *static_cast<PGconn *const *>(handle.data());
        if (!connection)
            return;
        PQconsumeInput(connection);
        while (PGnotify *n = PQnotifies(connection)) {
            if (channel == QString::fromUtf8(n->relname))
                heard(QString::fromUtf8(n->extra));
            PQfreemem(n);
        }
    }

    void lost(const QSqlError &e) { lost(m_journal->explain(e), Journal::details(e)); }
    void lost(const QString &reason, const QString &details)
    {
        const bool told = !m_up && m_toldDown;
        m_up = false;
        drop();
        if (!told || reason != m_lastReason)
            emit m_owner->connection(false, reason, details);
        m_toldDown = true;
        m_lastReason = reason;
    }

    void drop()
    {
        m_some.reset();
        std::lock_guard guard(m_lock);
        m_journal.reset();
    }

    ClassWatch *m_owner;
    JournalSettings m_settings;
    int m_retryMs;
    QTimer *m_timer = nullptr;
    std::mutex m_lock; // m_journal, for giveUp() from the window's thread
    std::unique_ptr<Journal> m_journal;
    bool m_stopping = false;
    bool m_up = false, m_toldDown = false;
    QString m_lastReason;
    QSet<QString> m_pending;
    std::optional<QSqlQuery> m_some; // the rows of some PCs, prepared on this connection
};

ClassWatch::ClassWatch(const JournalSettings &teacher, int retryMs, QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new ClassWatchWorker(this, teacher, qMax(100, retryMs)))
{
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::started, m_worker, [w = m_worker] { w->start(); });
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
}

void ClassWatch::start()
{
    if (!m_thread->isRunning())
        m_thread->start();
}

ClassWatch::~ClassWatch()
{
    if (!m_thread->isRunning() && !m_thread->isFinished()) {
        delete m_worker; // never started: it made nothing on the thread
        delete m_thread;
        return;
    }
    m_worker->giveUp();
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}
