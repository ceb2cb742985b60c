#include "journalservice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <mutex>
#include <vector>

// What the window's thread and the journal's thread share.
struct JournalHandOver {
    std::mutex lock;
    // Results handed over that the journal has not answered for yet: kept in
    // the outbox by the window's thread if the journal's cannot be stopped.
    std::vector<RunResult> pending;
    Journal *journal = nullptr; // while it exists, for giveUp()
    int jobs = 0;               // handed over and not done
    bool deliveryQueued = false;

    void done(const QString &id)
    {
        const std::lock_guard l(lock);
        std::erase_if(pending, [&](const RunResult &r) { return r.id == id; });
    }
    void jobDone()
    {
        const std::lock_guard l(lock);
        --jobs;
    }
};

// Lives on the journal's thread; the Journal is made there at the first job.
class JournalWorker : public QObject
{
    Q_OBJECT
public:
    JournalWorker(const JournalSettings &settings, std::shared_ptr<JournalHandOver> handOver)
        : m_settings(settings), m_handOver(std::move(handOver))
    {
    }

    void record(const RunResult &r)
    {
        Journal &j = journal();
        JournalOutcome o;
        o.id = r.id;
        o.how = j.record(r);
        if (o.how != Journal::Recorded::InJournal) {
            o.message = j.lastError();
            o.details = j.lastDetails();
        }
        m_handOver->done(r.id);
        emit recorded(o);
        m_handOver->jobDone();
    }

    void deliver()
    {
        {
            const std::lock_guard l(m_handOver->lock);
            m_handOver->deliveryQueued = false;
        }
        Journal &j = journal();
        const int sent = j.deliverOutbox();
        const int waiting = j.waiting();
        const bool troubled = waiting != 0 || !j.lastError().isEmpty();
        emit delivered(sent, waiting, troubled ? j.lastError() : QString(), troubled ? j.lastDetails() : QString());
        m_handOver->jobDone();
    }

    void listDue(const QString &pupil, const QString &subject, const QString &session)
    {
        Journal &j = journal();
        DueListing l;
        l.pupil = pupil;
        l.subject = subject;
        if (auto due = j.scheduledQuestions(pupil, subject, session)) {
            l.read = true;
            l.questions = std::move(*due);
        } else {
            l.message = j.lastError();
            l.details = j.lastDetails();
        }
        emit dueListed(l);
        m_handOver->jobDone();
    }

    // The last job: the connection is closed on the thread that opened it.
    void close()
    {
        {
            const std::lock_guard l(m_handOver->lock);
            m_handOver->journal = nullptr;
        }
        m_journal.reset();
        QThread::currentThread()->quit();
    }

signals:
    void recorded(const JournalOutcome &outcome);
    void delivered(int sent, int waiting, const QString &message, const QString &details);
    void dueListed(const DueListing &listing);

private:
    Journal &journal()
    {
        if (!m_journal) {
            m_journal = std::make_unique<Journal>(m_settings);
            const std::lock_guard l(m_handOver->lock);
            m_handOver->journal = m_journal.get();
        }
        return *m_journal;
    }

    JournalSettings m_settings;
    std::shared_ptr<JournalHandOver> m_handOver;
    std::unique_ptr<Journal> m_journal;
};

JournalService::JournalService(const JournalSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_thread(new QThread), m_handOver(std::make_shared<JournalHandOver>())
{
    m_worker = new JournalWorker(settings, m_handOver);
    m_worker->moveToThread(m_thread);
    connect(m_worker, &JournalWorker::recorded, this, &JournalService::recorded);
    connect(m_worker, &JournalWorker::delivered, this, &JournalService::delivered);
    connect(m_worker, &JournalWorker::dueListed, this, &JournalService::dueListed);
    m_thread->setObjectName(QStringLiteral("journal"));
    m_thread->start();
}

JournalService::~JournalService()
{
    QMetaObject::invokeMethod(m_worker, &JournalWorker::close, Qt::QueuedConnection);
    // A server that does not answer has its connection cut by the journal
    // itself within the answer timeout; if it is still waited for after that
    // (it was connecting), the program stops waiting.
    if (!m_thread->wait(QDeadlineTimer(qMax(1, m_settings.answerSeconds) * 1000 + 2000))) {
        {
            const std::lock_guard l(m_handOver->lock);
            if (m_handOver->journal)
                m_handOver->journal->giveUp();
        }
        if (!m_thread->wait(QDeadlineTimer(2000))) {
            std::vector<RunResult> pending;
            {
                const std::lock_guard l(m_handOver->lock);
                pending = m_handOver->pending;
            }
            // Kept twice at worst: the id makes that harmless.
            Outbox outbox(m_settings.outbox);
            for (const RunResult &r : pending)
                if (!outbox.put(r))
                    qWarning("a result could not be kept in the outbox: %s", qPrintable(outbox.lastError()));
            qWarning("the journal's thread is still waiting for the server %s; left behind",
                     qPrintable(m_settings.host));
            return;
        }
    }
    delete m_worker;
    delete m_thread;
}

void JournalService::retire()
{
    disconnect(this, &JournalService::recorded, nullptr, nullptr);
    disconnect(this, &JournalService::delivered, nullptr, nullptr);
    disconnect(this, &JournalService::dueListed, nullptr, nullptr);
    connect(m_thread, &QThread::finished, this, &QObject::deleteLater);
    QMetaObject::invokeMethod(m_worker, &JournalWorker::close, Qt::QueuedConnection);
}

void JournalService::record(const RunResult &result)
{
    RunResult r = result;
    if (r.id.trimmed().isEmpty())
        r.id = newRunId();
    {
        const std::lock_guard l(m_handOver->lock);
        m_handOver->pending.push_back(r);
        ++m_handOver->jobs;
    }
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, r] { w->record(r); }, Qt::QueuedConnection);
}

void JournalService::deliverOutbox()
{
    {
        const std::lock_guard l(m_handOver->lock);
        if (m_handOver->deliveryQueued)
            return;
        m_handOver->deliveryQueued = true;
        ++m_handOver->jobs;
    }
    QMetaObject::invokeMethod(m_worker, &JournalWorker::deliver, Qt::QueuedConnection);
}

void JournalService::listDue(const QString &pupil, const QString &subject, const QString &session)
{
    {
        const std::lock_guard l(m_handOver->lock);
        ++m_handOver->jobs;
    }
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, pupil, subject, session] { w->listDue(pupil, subject, session); },
        Qt::QueuedConnection);
}

bool JournalService::waitUntilIdle(int msec)
{
    const QDeadlineTimer deadline(msec);
    for (;;) {
        int jobs = 0;
        {
            const std::lock_guard l(m_handOver->lock);
            jobs = m_handOver->jobs;
        }
        // The signals of the last jobs were sent before they were done.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (jobs == 0)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
}

#include "journalservice.moc"
