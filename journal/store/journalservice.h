#pragma once
#include "journal.h"

#include <QObject>
#include <QThread>
#include <memory>

class JournalWorker;
struct JournalHandOver;

// Where a result handed to the journal's thread went.
struct JournalOutcome {
    Journal::Recorded how = Journal::Recorded::InJournal;
    QString id;
    QString message; // Russian, with the reason; empty when it is in the journal
    QString details; // the driver's own words
};

// The questions a pupil has to repeat, as the journal's thread read them.
struct DueListing {
    QString pupil, subject;
    bool read = false;                  // false: the journal could not be read, message says why
    std::vector<DueQuestion> questions; // soonest due first
    QString message, details;
};

// Writes results into the journal and sends the outbox on a thread of its own,
// so that a slow or silent server never holds up the window: record() and
// deliverOutbox() return at once and the outcome comes back as a signal. The
// Journal it writes through is made, used and closed on that thread.
class JournalService : public QObject
{
    Q_OBJECT
public:
    explicit JournalService(const JournalSettings &settings, QObject *parent = nullptr);
    // Waits for the results handed over: at most the answer timeout, then the
    // server is given up and what it has not taken is kept in the outbox.
    ~JournalService() override;

    const JournalSettings &settings() const { return m_settings; }

    // Hands a result over (one without an id gets one here); recorded() says
    // where it went.
    void record(const RunResult &result);
    // Sends what waits in the outbox; delivered() says how it went. A request
    // while one is still waiting to start adds nothing.
    void deliverOutbox();
    // Reads the questions scheduled for the pupil in the subject, after the
    // results handed over before; dueListed() brings them. On a PC of a
    // school, for the pupil logged in with session.
    void listDue(const QString &pupil, const QString &subject, const QString &session = {});
    // Lets the work handed over finish on its thread and deletes this service
    // after it, without waiting: for settings that point elsewhere now.
    void retire();
    // Waits, running the window's events, until everything handed over is
    // done or msec passed; false when it was not done. For tests.
    bool waitUntilIdle(int msec);

signals:
    void recorded(const JournalOutcome &outcome);
    // sent: results delivered now; waiting: results still in the outbox.
    void delivered(int sent, int waiting, const QString &message, const QString &details);
    void dueListed(const DueListing &listing);

private:
    JournalSettings m_settings;
    // Both are left behind, not destroyed, if the thread cannot be stopped
    // when the program closes: a running thread must not be destroyed.
    QThread *m_thread;
    JournalWorker *m_worker;
    std::shared_ptr<JournalHandOver> m_handOver;
};

Q_DECLARE_METATYPE(JournalOutcome)
Q_DECLARE_METATYPE(DueListing)
