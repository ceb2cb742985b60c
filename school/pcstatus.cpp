#include "pcstatus.h"
#include "journal.h"
#include "runmodel.h"
#include "schoolwrite.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

bool PcStatus::sameAs(const PcStatus &o) const
{
    return token == o.token && state == o.state && subject == o.subject && topic == o.topic && question == o.question &&
           questions == o.questions && points == o.points && pointsPossible == o.pointsPossible &&
           secondsLeft.has_value() == o.secondsLeft.has_value() && grade == o.grade;
}

QByteArray PcStatus::json(qint64 elapsedMs) const
{
    static const char *const states[] = {"", "running", "finished"};
    QJsonObject o{
        {QStringLiteral("state"), QLatin1String(states[int(state)])},
        {QStringLiteral("subject"), subject},
        {QStringLiteral("topic"), topic},
        {QStringLiteral("question"), question},
        {QStringLiteral("questions"), questions},
        {QStringLiteral("points"), points},
        {QStringLiteral("pointsPossible"), pointsPossible},
        {QStringLiteral("grade"), grade},
        {QStringLiteral("said"), QDateTime::currentDateTime().addMSecs(-elapsedMs).toString(Qt::ISODateWithMs)}};
    if (secondsLeft)
        o.insert(QStringLiteral("secondsLeft"), qMax(0, *secondsLeft - int(elapsedMs / 1000)));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

PcStatus pcStatusOf(const RunModel &run)
{
    PcStatus s;
    // The counters of a run stay on screen after it ended, until the next one starts.
    s.state = run.running()     ? PcStatus::State::Running
              : run.KWopr() > 0 ? PcStatus::State::Finished
                                : PcStatus::State::Idle;
    if (s.state == PcStatus::State::Idle)
        return s;
    const RunResult r = run.result();
    s.subject = r.subject;
    s.topic = r.topic;
    s.questions = run.KWopr();
    s.question = qBound(0, run.NWopr(), s.questions);
    s.points = run.WerBal();
    s.pointsPossible = run.WseBal();
    if (s.state == PcStatus::State::Finished) {
        s.grade = run.Ocenka();
        return s;
    }
    // The whole run's countdown when it has one, else the question's.
    for (const Clock *c : {&run.topicClock(), &run.questionClock()})
        if (c->running() && c->countsDown() && c->limit() > 0) {
            s.secondsLeft = c->shown();
            break;
        }
    return s;
}

struct StatusSender::Shared {
    JournalSettings settings;
    QString host;
    int heartbeatMs = 20000;

    std::mutex lock;
    std::condition_variable wake;
    std::optional<PcStatus> latest; // the newest status reported
    QElapsedTimer latestMade;       // since it was reported
    bool waiting = false;           // the newest is not sent yet
    QString leaving;                // the token of a pupil who left this PC, to tell
    QString refusedToken;           // a log-in the server no longer knows
    bool stop = false, done = false;
    Journal *journal = nullptr;     // the one the thread uses, for giveUp()
    std::optional<QSqlQuery> query; // the thread's, on that journal's connection
    std::atomic<int> sent{0}, failed{0};

    void serve();
    // The connection made when there is none, and opened; drop() lets it go.
    bool reach(std::unique_ptr<Journal> &j);
    void drop(std::unique_ptr<Journal> &j);
    bool send(std::unique_ptr<Journal> &journal, const QString &token, const QByteArray &status);
};

bool StatusSender::Shared::reach(std::unique_ptr<Journal> &j)
{
    if (!j) {
        auto made = std::make_unique<Journal>(settings);
        std::lock_guard guard(lock);
        if (stop)
            return false;
        journal = made.get();
        j = std::move(made);
    }
    return j->open();
}

void StatusSender::Shared::drop(std::unique_ptr<Journal> &j)
{
    query.reset();
    {
        std::lock_guard guard(lock);
        journal = nullptr;
    }
    j.reset();
}

bool StatusSender::Shared::send(std::unique_ptr<Journal> &j, const QString &token, const QByteArray &status)
{
    QSqlError e;
    if (reach(j)) {
        const Journal::Bounded step(*j);
        // Prepared once a connection: a status is one round trip.
        if (!query) {
            query.emplace(j->database());
            // What a PC is doing now need not outlive a crash of the server, so
            // its commit does not wait for the disk (this connection sends nothing else).
            if (!query->prepare(QStringLiteral("SELECT trivo_pc_status(?, ?, CAST(? AS jsonb)) FROM"
                                               " (SELECT set_config('synchronous_commit', 'off', false)) AS quick"))) {
                e = query->lastError();
                query.reset();
            }
        }
        if (query) {
            query->bindValue(0, token.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(token));
            query->bindValue(1, host);
            query->bindValue(2, QString::fromUtf8(status));
            const bool done = query->exec();
            e = query->lastError();
            query->finish();
            if (done)
                return true;
        }
    }
    // The server answered no (the codes of its refusals): the connection
    // stands. Anything else may have left it dead: the next try connects anew.
    const QString code = e.nativeErrorCode();
    if (pupilSessionRefused(e)) {
        std::lock_guard guard(lock);
        refusedToken = token;
    } else if (!(code.startsWith(QLatin1String("42")) || code.startsWith(QLatin1String("22")))) {
        drop(j);
    }
    return false;
}

void StatusSender::Shared::serve()
{
    std::unique_ptr<Journal> j;
    // Connected at once, so that the first answer is not the one that waits for it.
    if (!reach(j))
        drop(j);
    std::unique_lock guard(lock);
    auto nextBeat = std::chrono::steady_clock::now() + std::chrono::milliseconds(heartbeatMs);
    for (;;) {
        wake.wait_until(guard, nextBeat, [&] { return stop || waiting; });
        if (stop)
            break;
        nextBeat = std::chrono::steady_clock::now() + std::chrono::milliseconds(heartbeatMs);
        if (!latest)
            continue; // nothing to say yet
        waiting = false;
        const PcStatus status = *latest;
        const qint64 age = latestMade.elapsed();
        const QString left = std::exchange(leaving, QString());
        const QString refused = refusedToken;
        guard.unlock();
        if (!left.isEmpty() && left != refused) {
            PcStatus gone;
            gone.token = left;
            QJsonObject o = QJsonDocument::fromJson(gone.json()).object();
            o.insert(QStringLiteral("leaving"), true);
            send(j, left, QJsonDocument(o).toJson(QJsonDocument::Compact));
        }
        const QByteArray body = status.json(age);
        bool ok = send(j, status.token == refused ? QString() : status.token, body);
        // A log-in the server just refused: the status goes without it.
        if (!ok && !status.token.isEmpty()) {
            guard.lock();
            const bool nowRefused = refusedToken == status.token && refused != status.token;
            guard.unlock();
            if (nowRefused)
                ok = send(j, QString(), body);
        }
        (ok ? sent : failed).fetch_add(1);
        guard.lock();
    }
    journal = nullptr;
    guard.unlock();
    query.reset();
    j.reset();
}

StatusSender::StatusSender(const JournalSettings &settings, const QString &host, int heartbeatMs)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->settings = settings;
    m_shared->host = host;
    m_shared->heartbeatMs = qMax(100, heartbeatMs);
    // The thread holds the state too: a thread left behind at the close still has it.
    std::thread([s = m_shared] {
        s->serve();
        std::lock_guard guard(s->lock);
        s->done = true;
        s->wake.notify_all();
    }).detach();
}

StatusSender::~StatusSender()
{
    std::unique_lock guard(m_shared->lock);
    m_shared->stop = true;
    if (m_shared->journal)
        m_shared->journal->giveUp();
    m_shared->wake.notify_all();
    // A step on the connection returns at once when given up; only a
    // connection being made may take its time, and the window does not wait
    // for it: that thread ends by itself.
    m_shared->wake.wait_for(guard, std::chrono::seconds(1), [&] { return m_shared->done; });
}

void StatusSender::report(const PcStatus &status)
{
    {
        std::lock_guard guard(m_shared->lock);
        Shared &s = *m_shared;
        if (s.latest && s.latest->sameAs(status))
            return;
        if (s.latest && !s.latest->token.isEmpty() && s.latest->token != status.token)
            s.leaving = s.latest->token;
        s.latest = status;
        s.latestMade.start();
        s.waiting = true;
    }
    m_shared->wake.notify_all();
}

int StatusSender::sent() const
{
    return m_shared->sent.load();
}

int StatusSender::failed() const
{
    return m_shared->failed.load();
}
