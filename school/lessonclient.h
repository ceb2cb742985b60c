#pragma once
#include "journalsettings.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSqlError>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Journal;

// A pupil's PC in a controlled test: it asks the school's server for the
// test of the pupil's class, its questions (never their keys), sends each
// answer to be judged there, and ends the test with the pupil's grade.
// The client keeps one connection of its own as the PCs' role while it
// works (an answer's mark comes back without a new log-in to the server each
// time), waits no longer than the settings allow, and opens it anew once
// when it finds it cut.
//
// An answer is first kept in a small embedded database beside the program's
// files (the queue), then sent; it leaves the queue only once the server has
// judged or refused it. So a PC that loses the network loses no answer: the
// queue is sent, in the order the answers were given, when the server is
// back, by the next answer or by sendQueued(). The server judges each
// answer once, so an answer sent again (the reply lost on the way) changes
// nothing. One LessonClient is used from one thread.

struct CurrentLesson {
    qint64 id = 0;
    QString subject, topic; // topic empty for the whole-subject exam
    bool exam = false;
    int seconds = 0;     // the test's time
    int secondsLeft = 0; // for this pupil, extra time included
    int questionCount = 0;
    int answered = 0; // questions this pupil answered already
};

struct ShownQuestion {
    int position = 0; // from 1
    QString key;      // Predm_Tema_Test_Wopr, for the question's picture
    QString answerType, text;
    int points = 0;
    QJsonObject shown; // the options as lessons.h's shownOptions gives them
};

// What came of a call to the server.
enum class LessonCall {
    Done,
    Unreachable, // the server could not be asked (message says why); try again later
    Expired,     // the pupil's log-in is unknown or too old: log in again
    Refused,     // the server would not (not this class's test, no such question)
};

struct LessonReply {
    LessonCall call = LessonCall::Unreachable;
    QString message, details; // Russian for the pupil; the driver's own words
};

struct AnswerOutcome {
    enum class Status {
        Judged, // points and right are the server's judgement
        Queued, // kept on this PC; it goes when the server is back
        Late,   // refused: the pupil's time was over
        Refused // refused for another reason (message)
    };
    Status status = Status::Queued;
    int points = 0;
    bool right = false;
    QString message;
};

struct LessonTotals {
    int points = 0, pointsPossible = 0, answered = 0, questions = 0;
    QString grade; // empty when there were no points to earn
};

class LessonClient
{
public:
    // queuePath: the queue's file (Baza/lesson-answers.sqlite on a PC).
    LessonClient(const JournalSettings &settings, const QString &token, const QString &queuePath);
    ~LessonClient();
    LessonClient(const LessonClient &) = delete;
    LessonClient &operator=(const LessonClient &) = delete;

    // The test running now for the pupil's class; none when there is none.
    // Also sets this PC's clock for the answers' stamps to the server's.
    std::optional<CurrentLesson> currentLesson(LessonReply &reply);
    std::vector<ShownQuestion> questions(qint64 lesson, LessonReply &reply);

    // Keeps the answer (stamped now), then sends what waits, this one last.
    // An answer to a position already waiting is the one kept before.
    AnswerOutcome answer(qint64 lesson, int position, const QString &given);
    // Sends what waits, in order; how many the server took (judged or
    // refused). Stops at the first that cannot be sent.
    int sendQueued(LessonReply &reply);
    // Answers waiting on this PC (-1 when the queue cannot be read).
    int waiting();

    // Sends what waits, then ends the pupil's test on the server.
    std::optional<LessonTotals> finish(qint64 lesson, LessonReply &reply);

private:
    bool openQueue(QString &error);
    // Does work on the server's connection: true when it was done, else
    // reply says why. A kept connection found cut is opened anew once.
    bool onServer(LessonReply &reply, const std::function<QSqlError(Journal &)> &work);
    // Sends what waits in order; the outcome of one of them, when asked.
    int drain(LessonReply &reply, qint64 lesson = 0, int position = 0, AnswerOutcome *outcome = nullptr);
    JournalSettings m_settings;
    QString m_token, m_queuePath, m_connection;
    qint64 m_clockOffsetMs = 0; // the server's clock less this PC's
    std::unique_ptr<Journal> m_server;
};
