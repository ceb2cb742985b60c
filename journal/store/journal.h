#pragma once
#include "journalsettings.h"
#include "outbox.h"
#include "review.h"
#include "runresult.h"

#include <QDeadlineTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class ServerGuard;
class OtherWriter;

// The results journal: every run that ends is kept, in the embedded database
// of this PC or on the school's server. A result the journal cannot take at
// the moment waits in the outbox and is sent later; nothing here throws, a
// problem becomes a Russian text in lastError().
//
// Each Journal has a connection of its own, so several may live in one process;
// one Journal is used from the thread that made it (giveUp() excepted). No
// wait on the server lasts longer than the settings allow: connecting is bounded
// by the connect timeout, every step after it by the answer timeout.
class Journal
{
public:
    explicit Journal(const JournalSettings &settings = JournalSettings::load());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    enum class Recorded {
        InJournal, // committed; anything waiting in the outbox was sent after it
        InOutbox,  // the journal was unreachable: the result waits (lastError says why)
        Lost,      // neither the journal nor the outbox could keep it (lastError says why)
    };
    // Writes the result and its questions in one transaction. The id is the
    // key: a result written twice is kept once, the report that ran longer
    // (a repeat pass after the close) replacing an earlier one. A result
    // without an id gets one.
    // After the server could not be reached, results go straight to the outbox
    // for a while (quietSeconds), so that a PC cut off from the network does
    // not wait for the connection timeout at the end of every run.
    Recorded record(const RunResult &result);
    static constexpr int quietSeconds = 30;

    // Sends the waiting results, the oldest first, many to a transaction (to
    // a server, up to three transactions at a time on three connections); each leaves
    // the outbox only after the journal has committed it. How many were
    // sent; lastError() says why some still wait.
    int deliverOutbox();
    // How many results wait in the outbox (-1 when the outbox cannot be read).
    int waiting();

    // The questions scheduled for the pupil (as results name pupils) in the
    // subject, soonest due first; nothing, with lastError(), when the journal
    // cannot be read. A PC of a school reads them for the pupil logged in
    // with session (RunResult::session), and for nobody without one.
    std::optional<std::vector<DueQuestion>> scheduledQuestions(const QString &pupil, const QString &subject,
                                                               const QString &session = {});

    // Connects and brings the schema up to date when not done yet. False with
    // lastError() when the journal cannot be reached.
    bool open();
    // The same, with the reason (Russian) in error when it fails.
    bool open(QString &error)
    {
        const bool opened = open();
        error = opened ? QString() : m_error;
        return opened;
    }
    // The open connection for the queries of the journal window (open() first).
    QSqlDatabase database() const;
    QString lastError() const { return m_error; }
    // Why the journal could not be reached the last time, in words that fit
    // after a colon («нет связи с сервером …»).
    QString lastReason() const { return m_reason; }
    // The driver's own words behind lastError(), for «Подробнее».
    QString lastDetails() const { return m_details; }
    const JournalSettings &settings() const { return m_settings; }

    // The Russian reason for a database error of this journal, for the
    // messages of the queries as well: the common failures (the server
    // refused, did not answer, the password, an unknown host, no such
    // database) in words; the driver's text is in details().
    QString explain(const QSqlError &e) const;
    static QString details(const QSqlError &e);

    // From any thread: stops waiting for the server. A call waiting on it
    // returns at once with an error, and the server is not tried again, so what
    // is recorded from now on waits in the outbox. For a program that closes.
    void giveUp();

    // A scope of server work bounded by the answer timeout (the queries of the
    // journal window): a server that does not answer in time has its
    // connection cut, and the query fails instead of hanging. Opened after
    // open(); nested scopes keep the outer one's time.
    class Bounded
    {
    public:
        explicit Bounded(Journal &journal);
        ~Bounded();
        Bounded(const Bounded &) = delete;
        Bounded &operator=(const Bounded &) = delete;

    private:
        ServerGuard *m_guard = nullptr;
    };

private:
    friend class OtherWriter;
    // A PC of a school: it calls the server's functions for its pupils and reaches no table.
    bool schoolPc() const { return m_settings.school && m_settings.engine == JournalSettings::Engine::Server; }
    bool cutOff() const;
    void fail(const QSqlError &e);
    bool writeNow(const std::vector<const RunResult *> &results);
    QSqlError write(const std::vector<const RunResult *> &results);
    void disconnect();
    JournalSettings m_settings;
    QString m_connection;
    Outbox m_outbox;
    QString m_error, m_reason, m_details;
    bool m_ready = false;
    bool m_refused = false; // the last write reached the journal and failed there, not cut off on the way
    QDeadlineTimer m_quiet{0};
    // A server that took its time to fail is not asked again at once: the
    // several queries of one look at the journal wait for it only once.
    QDeadlineTimer m_failedSlowly{0};
    std::unique_ptr<ServerGuard> m_guard; // the server's; none for the embedded journal
    // The other connections sending the outbox, while they do: giveUp() reaches them too.
    std::mutex m_othersLock;
    std::vector<OtherWriter *> m_others;
};
