#include "lessonservice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

LessonService::LessonService(const JournalSettings &settings, const QString &token, const QString &queuePath,
                             QObject *parent)
    : QObject(parent), m_settings(settings), m_token(token), m_queuePath(queuePath), m_thread(new QThread),
      m_context(new QObject), m_client(std::make_shared<std::unique_ptr<LessonClient>>()),
      m_jobs(std::make_shared<std::atomic<int>>(0))
{
    m_context->moveToThread(m_thread);
    m_thread->start();
}

LessonService::~LessonService()
{
    // The client is closed on its own thread, after the call under way.
    QMetaObject::invokeMethod(
        m_context, [client = m_client] { client->reset(); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(m_context, &QObject::deleteLater, Qt::QueuedConnection);
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(qint64(m_settings.connectSeconds + m_settings.answerSeconds) * 1000))) {
        delete m_thread;
        return;
    }
    // A thread still waiting for the server is left to end on its own.
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    qWarning("the lesson's thread is still waiting for the server %s; left behind", qPrintable(m_settings.host));
}

template <class T> void LessonService::call(std::function<T(LessonClient &)> work, std::function<void(const T &)> done)
{
    ++*m_jobs;
    QPointer<LessonService> self(this);
    QMetaObject::invokeMethod(
        m_context,
        [self, work = std::move(work), done = std::move(done), client = m_client, jobs = m_jobs, settings = m_settings,
         token = m_token, queue = m_queuePath] {
            if (!*client)
                *client = std::make_unique<LessonClient>(settings, token, queue);
            const T result = work(**client);
            if (self)
                QMetaObject::invokeMethod(
                    self.data(),
                    [self, done, result, jobs] {
                        if (self)
                            done(result);
                        --*jobs;
                    },
                    Qt::QueuedConnection);
            else
                --*jobs;
        },
        Qt::QueuedConnection);
}

void LessonService::check()
{
    call<LessonOffer>(
        [](LessonClient &c) {
            LessonOffer offer;
            offer.lesson = c.currentLesson(offer.reply);
            if (offer.lesson)
                offer.questions = c.questions(offer.lesson->id, offer.reply);
            return offer;
        },
        [this](const LessonOffer &offer) { emit checked(offer); });
}

void LessonService::answer(qint64 lesson, int position, const QString &given)
{
    call<AnswerOutcome>([=](LessonClient &c) { return c.answer(lesson, position, given); },
                        [this, position](const AnswerOutcome &o) { emit answered(position, o); });
}

void LessonService::sendQueued()
{
    call<int>(
        [](LessonClient &c) {
            LessonReply reply;
            c.sendQueued(reply);
            return c.waiting();
        },
        [this](const int &waiting) { emit queueSent(waiting); });
}

void LessonService::finish(qint64 lesson)
{
    call<LessonEnd>(
        [lesson](LessonClient &c) {
            LessonEnd end;
            end.totals = c.finish(lesson, end.reply);
            return end;
        },
        [this](const LessonEnd &end) { emit finished(end); });
}

bool LessonService::waitUntilIdle(int msec)
{
    const QDeadlineTimer deadline(msec);
    while (*m_jobs > 0) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
    return true;
}
