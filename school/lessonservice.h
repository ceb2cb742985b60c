#pragma once
#include "lessonclient.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

// What the server said of the test of the pupil's class.
struct LessonOffer {
    LessonReply reply;
    std::optional<CurrentLesson> lesson; // none: no test runs for the class now
    std::vector<ShownQuestion> questions;
};

struct LessonEnd {
    LessonReply reply;
    std::optional<LessonTotals> totals;
};

// The pupil's PC in a controlled test, on a thread of its own: every call to
// the server (the test of the class, each answer, the queue of answers kept
// while the network was away, the end) returns at once and its outcome comes
// back as a signal, so that a slow or lost server never holds up the window.
// The lesson client is made, used and closed on that thread.
class LessonService : public QObject
{
    Q_OBJECT
public:
    LessonService(const JournalSettings &settings, const QString &token, const QString &queuePath,
                  QObject *parent = nullptr);
    // Waits for the call under way at most the settings' answer time; what
    // was not sent stays in the queue on the disk.
    ~LessonService() override;

    void check();
    void answer(qint64 lesson, int position, const QString &given);
    void sendQueued();
    void finish(qint64 lesson);
    // Waits, running the window's events, until every call is done or msec
    // passed; false when not. For tests.
    bool waitUntilIdle(int msec);

signals:
    void checked(const LessonOffer &offer);
    void answered(int position, const AnswerOutcome &outcome);
    // After the queue was sent: how many answers still wait on this PC.
    void queueSent(int waiting);
    void finished(const LessonEnd &end);

private:
    // Runs work on the service's thread with its client; done with what it
    // gave, back on this object's thread.
    template <class T> void call(std::function<T(LessonClient &)> work, std::function<void(const T &)> done);
    JournalSettings m_settings;
    QString m_token, m_queuePath;
    QThread *m_thread;
    QObject *m_context; // lives on the thread
    std::shared_ptr<std::unique_ptr<LessonClient>> m_client;
    std::shared_ptr<std::atomic<int>> m_jobs;
};
