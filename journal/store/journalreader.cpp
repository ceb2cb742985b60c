#include "journalreader.h"
#include "journal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>

#include <array>
#include <atomic>
#include <mutex>

// What the window's thread and the journal's thread share.
struct ReaderState {
    explicit ReaderState(const JournalSettings &s) : settings(s) {}
    const JournalSettings settings;
    // The latest query of each lane; an older one is stale.
    std::array<std::atomic<quint64>, JournalReader::laneCount> latest{};
    std::mutex lock;
    std::unique_ptr<Journal> journal; // made and closed on the journal's thread
    bool closing = false;

    bool current(int lane, quint64 ticket) const { return latest[size_t(lane)].load() == ticket; }
    Journal &open()
    {
        const std::lock_guard l(lock);
        if (!journal)
            journal = std::make_unique<Journal>(settings);
        return *journal;
    }
    void giveUp()
    {
        const std::lock_guard l(lock);
        closing = true;
        if (journal)
            journal->giveUp();
    }
};

JournalReader::JournalReader(const JournalSettings &settings, QObject *parent)
    : QObject(parent), m_state(std::make_shared<ReaderState>(settings)), m_thread(new QThread), m_worker(new QObject)
{
    m_worker->moveToThread(m_thread);
    m_thread->setObjectName(QStringLiteral("journal reader"));
    // Once stopped, the thread and its worker go away by themselves, also
    // after this reader is gone.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_thread->start();
}

JournalReader::~JournalReader()
{
    forgetAll();
    m_state->giveUp();
    // The connection is closed on the thread that opened it.
    QMetaObject::invokeMethod(
        m_worker,
        [state = m_state] {
            std::unique_ptr<Journal> closed;
            {
                const std::lock_guard l(state->lock);
                closed = std::move(state->journal);
            }
            closed.reset();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    // Given up, a query returns at once; one still connecting is not waited
    // for: its thread ends by itself. At the program's end it must end first.
    if (!m_thread->wait(QDeadlineTimer(200)) && QCoreApplication::closingDown())
        m_thread->wait(QDeadlineTimer(qMax(1, m_state->settings.connectSeconds) * 1000 + 1000));
}

void JournalReader::submit(int lane, std::function<void(Journal &)> work, std::function<void()> done)
{
    Q_ASSERT(lane >= 0 && lane < laneCount);
    const quint64 ticket = ++m_state->latest[size_t(lane)];
    if (m_unanswered++ == 0)
        emit busyChanged(true);
    QPointer<JournalReader> self(this);
    QMetaObject::invokeMethod(
        m_worker,
        [state = m_state, lane, ticket, work = std::move(work), done = std::move(done), self] {
            // A newer query of the lane makes this one's work needless.
            const bool wanted = state->current(lane, ticket) && !state->closing;
            if (wanted)
                work(state->open());
            // Back on the window's thread, where the reader lives and may be
            // gone, as may the whole program when a late query ends.
            QCoreApplication *app = QCoreApplication::instance();
            if (!app)
                return;
            QMetaObject::invokeMethod(
                app,
                [state, lane, ticket, wanted, done, self] {
                    if (!self)
                        return;
                    if (wanted && state->current(lane, ticket))
                        done();
                    self->answered();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void JournalReader::answered()
{
    if (--m_unanswered == 0)
        emit busyChanged(false);
}

void JournalReader::forgetAll()
{
    for (auto &latest : m_state->latest)
        ++latest;
}

bool JournalReader::waitUntilIdle(int msec)
{
    const QDeadlineTimer deadline(msec);
    while (busy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !busy();
}
