#pragma once
#include <QDateTime>
#include <QString>
#include <vector>

// What happened in one run of a topic or of the whole-subject exam, as the
// run reports it when it closes or is stopped. The results journal keeps it.

// One question as it was shown and answered (or left).
struct QuestionResult {
    QString key;        // Predm_Tema_Test_Wopr
    QString answerType; // "Точный ответ", "Птички поставить", ...
    int pointsPossible = 0;
    int pointsEarned = 0; // points the answer added to the run
    bool answered = false;
    bool right = false;
    int hints = 0;
    int seconds = 0;    // time spent on the question, over all its showings
    QString textHash{}; // of the question's text, to notice a question changed since
    QString topic{};    // the question's own topic (an exam draws from all of them)
    // What the pupil saw and did, kept as it was, so that a later edit of the
    // bank does not change what a past run shows. Answers are lines: the
    // typed text; the ticked options; "option — number" for the grids and
    // the ranking.
    QString text{};
    QString given{};
    QString rightAnswer{};
};

struct RunResult {
    QString id;             // a UUID (newRunId); writing the same result twice keeps one
    QString pupil;          // the name typed for the protocol, else the logged-in user's name
    QString className;      // «9А»: typed at the start, or the account a class shares
    QString userCode;       // Kod of the access table, empty before a log-in
    QString access;         // "Z" or "W"
    QString host;           // the PC's name
    QString subject, topic; // the topic is "Экзамен по всему предмету" for the exam
    QDateTime started;
    int seconds = 0; // duration
    bool prompting = false, randomOrder = false, protocol = false, exam = false;
    int asked = 0; // questions of the run (KWopr)
    int answered = 0;
    int right = 0;
    int putOff = 0; // questions put off at least once
    int pointsPossible = 0, pointsEarned = 0;
    QString grade;        // by points against all points (Ocenka)
    QString runningGrade; // by points against the points asked (TekOcenka)
    int hints = 0;
    // A «Работа над ошибками» run: practice, which earns no grade. Its grade is
    // still worked out and kept, but no average, chart or grade count takes it.
    bool practice = false;
    // The pupil's log-in on the school's server (its token), which the server
    // records the run under; empty without a school or a pupil's own log-in.
    QString session;
    std::vector<QuestionResult> questions;
};

// A new run's id: a UUID whose first 48 bits are the moment the run started,
// in milliseconds, and whose other bits are chance (RFC 9562, version 7). Ids
// made later sort later, so a journal's indexes by id take new runs in one
// place at their end instead of on pages all over them.
QString newRunId(const QDateTime &started = QDateTime::currentDateTime());

// Whether a name reads as a school class: «9А», «11 Б», «5-в», «7».
bool looksLikeClass(const QString &name);
