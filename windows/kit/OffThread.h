#pragma once
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <optional>

// Runs work on a thread of its own and hands what it gave to done on the
// receiver's thread; when the receiver is gone by then, done is not called.
// For work that may wait on a server: the window stays responsive meanwhile.
template <class T> void offThread(QObject *receiver, std::function<T()> work, std::function<void(const T &)> done)
{
    QPointer<QObject> to(receiver);
    QThread *thread = QThread::create([to, work = std::move(work), done = std::move(done)] {
        T result = work();
        if (to)
            QMetaObject::invokeMethod(
                to.data(),
                [to, done, result] {
                    if (to)
                        done(result);
                },
                Qt::QueuedConnection);
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

// The same, waiting for the result with the window's events running (a
// log-in that has to know before it goes on): the window repaints meanwhile.
template <class T> T waitOffThread(std::function<T()> work)
{
    QEventLoop loop;
    std::optional<T> result;
    offThread<T>(&loop, std::move(work), [&](const T &r) {
        result = r;
        loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return *result;
}
