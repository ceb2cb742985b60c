#pragma once
#include "journalsettings.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class Journal;
class QThread;
struct ReaderState;

// The queries of a window that looks into the journal, worked on a thread of
// their own with a Journal made there, so that a slow or silent server never
// holds up a window: ask() returns at once and the answer comes back later on
// this object's thread.
//
// Each query belongs to a lane (the results, one section, ...). A newer query
// of a lane replaces the one before it: if that one has not started it never
// runs, and if it is running its answer is dropped.
class JournalReader : public QObject
{
    Q_OBJECT
public:
    explicit JournalReader(const JournalSettings &settings, QObject *parent = nullptr);
    // Stops waiting for the server at once; a query still running finishes
    // on its own thread, which then goes away by itself.
    ~JournalReader() override;
    JournalReader(const JournalReader &) = delete;
    JournalReader &operator=(const JournalReader &) = delete;

    static constexpr int laneCount = 16;

    // Runs work with the journal on its thread; done gets the result on this
    // object's thread, unless the lane was asked again meanwhile.
    template <class T> void ask(int lane, std::function<T(Journal &)> work, std::function<void(T)> done)
    {
        auto result = std::make_shared<std::optional<T>>();
        submit(
            lane, [work = std::move(work), result](Journal &j) { result->emplace(work(j)); },
            [done = std::move(done), result] {
                if (*result)
                    done(std::move(**result));
            });
    }
    // Drops what every lane was asked so far: no answer of it comes back.
    void forgetAll();

    // Whether any query asked is still without its answer.
    bool busy() const { return m_unanswered > 0; }
    // Runs the events until every query is answered, at most msec; false when
    // one is still out. For tests.
    bool waitUntilIdle(int msec);

signals:
    // busy() changed.
    void busyChanged(bool busy);

private:
    void submit(int lane, std::function<void(Journal &)> work, std::function<void()> done);
    void answered();
    std::shared_ptr<ReaderState> m_state;
    QThread *m_thread;
    QObject *m_worker; // lives on m_thread
    int m_unanswered = 0;
};
