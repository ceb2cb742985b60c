#pragma once
#include "journalsettings.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

class RunModel;

// What a PC of the school is doing now, as the teacher's «Класс сейчас»
// shows it: the run on screen, told by the main window on every change.
struct PcStatus {
    enum class State { Idle, Running, Finished };
    QString token; // the pupil's log-in on the school's server; empty: no pupil logged in with a code
    State state = State::Idle;
    QString subject, topic;
    int question = 0, questions = 0; // the question on screen of how many
    int points = 0, pointsPossible = 0;
    std::optional<int> secondsLeft; // while a clock of the run counts down
    QString grade;                  // of a finished run

    // The same to the teacher's eye; the time left runs on by itself.
    bool sameAs(const PcStatus &other) const;
    // What the server's trivo_pc_status takes, with the time left as it is
    // elapsedMs after the status was made.
    QByteArray json(qint64 elapsedMs = 0) const;
};

// The run as the teacher's view shows it (the token is the caller's).
PcStatus pcStatusOf(const RunModel &run);

// Sends the PC's status to the school's server on a thread of its own, so
// the window never waits for the server: report() returns at once, and only
// the newest status waits to be sent. A status the server did not take (a
// silent server, a cut network) is dropped; the next change, or the
// heartbeat that sends the latest status again every heartbeatMs, tries
// anew, so the teacher's view tells a PC that went silent from one that is
// only thinking. A pupil's log-in that the server no longer knows is given
// up and the status goes without it.
class StatusSender
{
public:
    StatusSender(const JournalSettings &settings, const QString &host, int heartbeatMs = 20000);
    // Stops sending; waits a second at most for a status on its way.
    ~StatusSender();
    StatusSender(const StatusSender &) = delete;
    StatusSender &operator=(const StatusSender &) = delete;

    // From any thread. A status the same as the last one (sameAs) is not sent
    // again before the heartbeat. A new token after another one first tells
    // the server that the other pupil left this PC.
    void report(const PcStatus &status);

    // What became of the statuses so far, for tests and the benchmark.
    int sent() const;
    int failed() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
