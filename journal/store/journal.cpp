#include "journal.h"
#include "resultwrite.h"
#include "schema.h"
#include "schoolwrite.h"
#include "serverguard.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <condition_variable>
#include <optional>
#include <thread>

namespace
{
QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("trivo-journal-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString unavailableText(const QString &why)
{
    return QStringLiteral("Журнал результатов недоступен: %1.").arg(why);
}

bool mentions(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *p : parts)
        if (text.contains(QLatin1String(p), Qt::CaseInsensitive))
            return true;
    return false;
}

// The results dealt out to so many connections: all of a pupil's to one,
// so that two never wait for each other's lock on a pupil, and about as
// many to each, so that none is left writing while the others wait for it.
std::vector<std::vector<const RunResult *>> dealtOut(const std::vector<RunResult> &results, size_t ways)
{
    QHash<QString, size_t> connectionOf, count;
    QStringList pupils; // in the order first met, so the deal does not depend on a hash
    for (const RunResult &r : results) {
        const QString folded = r.pupil.toCaseFolded();
        if (count[folded]++ == 0)
            pupils << folded;
    }
    std::stable_sort(pupils.begin(), pupils.end(),
                     [&](const QString &a, const QString &b) { return count.value(a) > count.value(b); });
    std::vector<size_t> load(ways);
    for (const QString &p : pupils) {
        const size_t least = size_t(std::min_element(load.begin(), load.end()) - load.begin());
        connectionOf.insert(p, least);
        load[least] += count.value(p);
    }
    std::vector<std::vector<const RunResult *>> out(ways);
    for (const RunResult &r : results)
        out[connectionOf.value(r.pupil.toCaseFolded())].push_back(&r);
    return out;
}
} // namespace

Journal::Journal(const JournalSettings &settings)
    : m_settings(settings), m_connection(newConnectionName()), m_outbox(settings.outbox)
{
    if (m_settings.engine == JournalSettings::Engine::Server)
        m_guard = std::make_unique<ServerGuard>();
}

Journal::Bounded::Bounded(Journal &journal)
{
    // The embedded journal is a file of this PC: nothing to cut.
    if (journal.m_guard && journal.m_guard->arm(journal.database(), journal.m_settings.answerSeconds + 1))
        m_guard = journal.m_guard.get();
}

Journal::Bounded::~Bounded()
{
    if (m_guard)
        m_guard->disarm();
}

// A connection of its own, in a thread of its own, that writes one batch of
// the outbox while the journal's connection writes another: while one waits
// for the server, another gets its batch ready, and the server writes them
// on all its cores.
class OtherWriter
{
public:
    explicit OtherWriter(const JournalSettings &settings) : m_thread([this, settings] { serve(settings); }) {}
    ~OtherWriter()
    {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    // Starts writing the results; they must live until finished() returns.
    void start(std::vector<const RunResult *> results)
    {
        {
            std::lock_guard lock(m_lock);
            m_batch = std::move(results);
            m_busy = true;
        }
        m_wake.notify_all();
    }
    // Waits for the batch: whether it was committed.
    bool finished()
    {
        std::unique_lock lock(m_lock);
        m_wake.wait(lock, [&] { return !m_busy; });
        return m_written;
    }
    void giveUp()
    {
        std::lock_guard lock(m_lock);
        if (m_journal)
            m_journal->giveUp();
    }

private:
    void serve(const JournalSettings &settings)
    {
        Journal journal(settings);
        {
            std::lock_guard lock(m_lock);
            m_journal = &journal;
        }
        std::unique_lock lock(m_lock);
        for (;;) {
            m_wake.wait(lock, [&] { return m_stop || m_busy; });
            if (m_stop)
                break;
            const std::vector<const RunResult *> batch = m_batch;
            lock.unlock();
            const bool written = journal.writeNow(batch);
            lock.lock();
            m_written = written;
            m_busy = false;
            m_wake.notify_all();
        }
        m_journal = nullptr;
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<const RunResult *> m_batch;
    bool m_busy = false, m_written = false, m_stop = false;
    Journal *m_journal = nullptr;
    std::thread m_thread; // last: starts when all the above are made
};

void Journal::giveUp()
{
    if (m_guard)
        m_guard->giveUp();
    std::lock_guard lock(m_othersLock);
    for (OtherWriter *other : m_others)
        other->giveUp();
}

bool Journal::cutOff() const
{
    return m_guard && (m_guard->cut() || m_guard->gaveUp());
}

void Journal::fail(const QSqlError &e)
{
    m_reason = explain(e);
    m_details = details(e);
}

Journal::~Journal()
{
    disconnect();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase Journal::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

void Journal::disconnect()
{
    m_ready = false;
    if (m_guard)
        m_guard->disarm();
    if (QSqlDatabase::contains(m_connection))
        database().close();
}

bool Journal::open()
{
    if (m_ready && database().isOpen() && !cutOff())
        return true;
    if (m_ready)
        disconnect(); // a connection that was cut is dead
    const bool embedded = m_settings.engine == JournalSettings::Engine::Embedded;
    if (!embedded && m_guard->gaveUp()) {
        m_reason = QStringLiteral("ожидание ответа сервера %1:%2 прервано, программа закрывается")
                       .arg(m_settings.host)
                       .arg(m_settings.port);
        m_details.clear();
        m_error = unavailableText(m_reason);
        return false;
    }
    if (!m_failedSlowly.hasExpired()) {
        m_error = unavailableText(m_reason); // the reason of the last attempt stands
        return false;
    }
    if (!QSqlDatabase::contains(m_connection)) {
        const QString driver = embedded ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
        if (!QSqlDatabase::isDriverAvailable(driver)) {
            m_reason =
                QStringLiteral("в системе нет модуля Qt для базы данных %1 (пакет %2)")
                    .arg(driver, embedded ? QStringLiteral("libqt6sql6-sqlite") : QStringLiteral("libqt6sql6-psql"));
            m_details.clear();
            m_error = unavailableText(m_reason);
            return false;
        }
        QSqlDatabase::addDatabase(driver, m_connection);
    }
    QSqlDatabase db = database();
    if (embedded) {
        const QString folder = QFileInfo(m_settings.file).path();
        if (!QDir().mkpath(folder)) {
            m_reason = QStringLiteral("не удалось создать папку %1").arg(QDir::toNativeSeparators(folder));
            m_details.clear();
            m_error = unavailableText(m_reason);
            return false;
        }
        db.setDatabaseName(m_settings.file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    } else {
        db.setHostName(m_settings.host);
        db.setPort(m_settings.port);
        db.setDatabaseName(m_settings.database);
        db.setUserName(m_settings.user);
        db.setPassword(m_settings.password);
        // Keepalives and the user timeout make the system notice a server
        // that went away without a word (a cut cable, a frozen machine); the
        // guard catches one whose system still answers for it.
        const int answer = qMax(1, m_settings.answerSeconds);
        const int idle = qMax(1, answer / 2);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;"
                                            "keepalives_interval=%3;keepalives_count=3;tcp_user_timeout=%4")
                                 .arg(qMax(1, m_settings.connectSeconds))
                                 .arg(idle)
                                 .arg(qMax(1, (answer - idle) / 3))
                                 .arg(answer * 1000));
    }
    QElapsedTimer connecting;
    connecting.start();
    QSqlError e;
    if (!db.open())
        e = db.lastError();
    std::optional<Bounded> setup;
    if (!e.isValid())
        setup.emplace(*this);
    if (!e.isValid() && embedded) {
        // Readers never wait for the writer, and many PCs' worth of writers
        // take turns without failing. A journal of years is gigabytes: the
        // upper levels of its trees stay in memory (32 MB at most), so that
        // a topic's ten thousand runs are not read from the file page by page.
        QSqlQuery q(db);
        for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
                                   "PRAGMA cache_size=-32768"})
            if (!q.exec(QLatin1String(pragma))) {
                e = q.lastError();
                break;
            }
    }
    if (!e.isValid() && !embedded) {
        // The server's notices ("already exists, skipping") are no news for a teacher.
        // A statement the server cannot finish in time is stopped by the
        // server itself, before the guard has to cut the connection.
        QSqlQuery q(db);
        for (const QString &set : {QStringLiteral("SET client_min_messages TO ERROR"),
                                   QStringLiteral("SET statement_timeout TO %1").arg(m_settings.answerSeconds * 1000)})
            if (!q.exec(set)) {
                e = q.lastError();
                break;
            }
        // Compiling a big query costs the server up to a third of a second,
        // more than the journal's queries take to run. A server too old to
        // compile queries has no such setting, which is just as well.
        if (!e.isValid())
            q.exec(QStringLiteral("SET jit TO off"));
    }
    // The pupils' PCs' role may only call the school's functions: the
    // tables are brought up to date by the school's set-up, not from here.
    if (!e.isValid())
        e = schoolPc() ? schoolServerReady(db) : migrate(db);
    setup.reset();
    if (e.isValid()) {
        fail(e);
        m_error = unavailableText(m_reason);
        db.close();
        if (!embedded && connecting.elapsed() > 1000)
            m_failedSlowly.setRemainingTime(3000);
        return false;
    }
    m_ready = true;
    return true;
}

QString Journal::explain(const QSqlError &e) const
{
    const QString text = (e.databaseText() + u' ' + e.driverText()).trimmed();
    const bool embedded = m_settings.engine == JournalSettings::Engine::Embedded;
    const QString file = QDir::toNativeSeparators(m_settings.file);
    const QString server = QStringLiteral("%1:%2").arg(m_settings.host).arg(m_settings.port);
    if (embedded && (e.nativeErrorCode() == u"26" || mentions(text, {"not a database", "malformed"})))
        return QStringLiteral("файл %1 не является базой данных журнала или повреждён").arg(file);
    if (embedded && mentions(text, {"unable to open", "readonly", "read-only", "disk i/o"}))
        return QStringLiteral("не удалось открыть файл %1 для записи (%2)").arg(file, text);
    if (embedded && mentions(text, {"database or disk is full"}))
        return QStringLiteral("нет места на диске для файла %1").arg(file);
    if (embedded && mentions(text, {"locked", "busy"}))
        return QStringLiteral("файл %1 занят другой программой").arg(file);
    if (mentions(text, {"password authentication failed", "no password supplied", "authentication failed"}))
        return QStringLiteral("сервер %1 не принял имя пользователя «%2» или пароль").arg(server, m_settings.user);
    if (mentions(text, {"does not exist"}) && mentions(text, {"database"}))
        return QStringLiteral("на сервере %1 нет базы «%2»").arg(server, m_settings.database);
    // The rest are the server's; the embedded journal's other failures are told as they are.
    if (embedded)
        return QStringLiteral("%1: %2").arg(m_settings.place(), text);
    const QString noLink = QStringLiteral("нет связи с сервером %1: ").arg(server);
    if (cutOff())
        return noLink + QStringLiteral("сервер не ответил за %1 с").arg(m_settings.answerSeconds);
    if (mentions(text,
                 {"could not translate host", "name or service not known", "name resolution", "nodename nor servname"}))
        return noLink + QStringLiteral("компьютер «%1» не найден в сети").arg(m_settings.host);
    if (mentions(text, {"connection refused"}))
        return noLink + QStringLiteral("сервер отказал в соединении (база данных на нём не запущена или порт закрыт)");
    if (mentions(text,
                 {"timeout expired", "timed out", "statement timeout", "no route to host", "network is unreachable"}))
        return noLink + QStringLiteral("сервер не отвечает");
    if (mentions(text, {"server closed the connection", "terminating connection", "could not send", "could not receive",
                        "no connection", "connection to server was lost"}))
        return noLink + QStringLiteral("соединение прервано");
    if (mentions(text, {"could not connect", "connection to server"}) || e.type() == QSqlError::ConnectionError)
        return noLink.chopped(2);
    if (!embedded && mentions(text, {"permission denied"}))
        return QStringLiteral("у пользователя «%1» нет прав на базу «%2» сервера %3")
            .arg(m_settings.user, m_settings.database, server);
    return QStringLiteral("%1: %2").arg(m_settings.place(), text);
}

QString Journal::details(const QSqlError &e)
{
    QStringList parts;
    for (const QString &t : {e.databaseText().trimmed(), e.driverText().trimmed()})
        if (!t.isEmpty() && !parts.contains(t))
            parts << t;
    if (!e.nativeErrorCode().isEmpty())
        parts << QStringLiteral("Код ошибки: %1").arg(e.nativeErrorCode());
    return parts.join(u'\n');
}

bool Journal::writeNow(const std::vector<const RunResult *> &results)
{
    const bool reused = m_ready;
    QSqlError e;
    if (open()) {
        e = write(results);
        if (e.isValid() && reused && !cutOff()) {
            // A connection that served before may have died with a server that
            // restarted since: one fresh try before the result goes to the outbox.
            disconnect();
            if (open())
                e = write(results);
        }
        if (m_ready && !e.isValid())
            return true;
        if (m_ready) {
            fail(e);
            m_refused = !cutOff();
            // The next attempt connects anew; a server that came back is found again.
            disconnect();
        }
    }
    m_quiet.setRemainingTime(quietSeconds * 1000);
    return false;
}

QSqlError Journal::write(const std::vector<const RunResult *> &results)
{
    QSqlDatabase db = database();
    const Bounded step(*this);
    if (schoolPc())
        return writeToSchool(db, results);
    if (QSqlError e = beginWrite(db); e.isValid())
        return e;
    QSqlError e = writeResults(db, results);
    if (!e.isValid())
        e = commitWrite(db);
    if (e.isValid())
        rollbackWrite(db);
    return e;
}

Journal::Recorded Journal::record(const RunResult &result)
{
    m_error.clear();
    m_details.clear();
    RunResult fresh;
    const RunResult *r = &result;
    if (result.id.trimmed().isEmpty()) {
        fresh = result;
        fresh.id = newRunId();
        r = &fresh;
    }
    if ((m_quiet.hasExpired() || m_settings.engine == JournalSettings::Engine::Embedded) && writeNow({r})) {
        if (m_outbox.count() > 0)
            deliverOutbox();
        return Recorded::InJournal;
    }
    if (m_outbox.put(*r)) {
        m_error = unavailableText(m_reason) + QStringLiteral(" Результат сохранён и будет отправлен позже.");
        return Recorded::InOutbox;
    }
    m_error = unavailableText(m_reason) +
              QStringLiteral(" Сохранить результат не удалось и в очереди отправки: %1.").arg(m_outbox.lastError());
    return Recorded::Lost;
}

int Journal::deliverOutbox()
{
    m_error.clear();
    m_details.clear();
    const int waitingNow = m_outbox.count();
    if (waitingNow <= 0)
        return 0;
    if (!open()) {
        m_error = unavailableText(m_reason) + QStringLiteral(" Ждут отправки результатов: %1.").arg(waitingNow);
        return 0;
    }
    // Many results to a transaction: a school's PCs back on the network send
    // thousands at once. To a server, more connections send a batch each at
    // the same time.
    constexpr int batch = 200, otherConnections = 2;
    std::vector<std::unique_ptr<OtherWriter>> others;
    if (m_settings.engine == JournalSettings::Engine::Server)
        for (int i = 0; i < otherConnections && waitingNow > batch * (i + 1); ++i) {
            others.push_back(std::make_unique<OtherWriter>(m_settings));
            std::lock_guard lock(m_othersLock);
            m_others.push_back(others.back().get());
        }
    auto forgetOthers = [&] {
        std::lock_guard lock(m_othersLock);
        m_others.clear();
    };
    const auto forgetAtEnd = qScopeGuard(forgetOthers);
    int sent = 0;
    // Committed results leave the outbox, and only then. A failure here
    // only means they are sent once more, which the ids make harmless.
    auto takeOut = [&](const std::vector<const RunResult *> &done) {
        QStringList ids;
        for (const RunResult *r : done)
            ids << r->id;
        sent += int(ids.size());
        if (m_outbox.remove(ids))
            return true;
        m_error = (ids.size() == 1 ? QStringLiteral("Не удалось убрать отправленный результат из очереди: %1")
                                   : QStringLiteral("Не удалось убрать отправленные результаты из очереди: %1"))
                      .arg(m_outbox.lastError());
        return false;
    };
    for (;;) {
        const int asked = batch * int(1 + others.size());
        const std::vector<RunResult> results = m_outbox.oldest(asked);
        if (results.empty())
            break;
        std::vector<std::vector<const RunResult *>> theirs = dealtOut(results, 1 + others.size());
        const std::vector<const RunResult *> all = std::move(theirs.front());
        theirs.erase(theirs.begin());
        for (size_t i = 0; i < others.size(); ++i)
            if (!theirs[i].empty())
                others[i]->start(theirs[i]);
        m_refused = false;
        const bool written = all.empty() || writeNow(all);
        // The other batches leave the outbox once committed; one that failed
        // comes first the next time round. All are waited for before any
        // leaves: they write from the results read here.
        std::vector<bool> committed(others.size());
        bool failed = false;
        for (size_t i = 0; i < others.size(); ++i) {
            committed[i] = !theirs[i].empty() && others[i]->finished();
            failed = failed || (!theirs[i].empty() && !committed[i]);
        }
        for (size_t i = 0; i < others.size(); ++i)
            if (committed[i] && !takeOut(theirs[i]))
                return sent;
        // What another connection could not send goes on this one from now on.
        if (failed) {
            forgetOthers();
            others.clear();
        }
        if (!written) {
            // A result the journal refuses holds back no other: the batch goes
            // one by one up to it. A journal out of reach is not asked again.
            size_t one = 0;
            for (; m_refused && all.size() > 1 && one < all.size() && writeNow({all[one]}); ++one)
                if (!takeOut({all[one]}))
                    return sent;
            if (one < all.size() || all.size() == 1) {
                m_error = unavailableText(m_reason) +
                          QStringLiteral(" Ждут отправки результатов: %1.").arg(qMax(0, m_outbox.count()));
                return sent;
            }
            continue; // the batch went after all
        }
        if (!takeOut(all))
            return sent;
        if (int(results.size()) + m_outbox.damaged() < asked && !failed)
            break;
    }
    if (m_outbox.damaged() > 0)
        m_error = QStringLiteral("В очереди отправки %1 есть повреждённые записи (%2); они оставлены в ней.")
                      .arg(QDir::toNativeSeparators(m_outbox.path()))
                      .arg(m_outbox.damaged());
    return sent;
}

int Journal::waiting()
{
    return m_outbox.count();
}
