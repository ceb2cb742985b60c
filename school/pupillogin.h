#pragma once
#include "journalsettings.h"

#include <QDateTime>
#include <QString>
#include <vector>

// A pupil's own log-in on a PC of the school, and what the pupil may read
// with it: their own runs. Each call opens a connection of its own to the
// school's server as the PCs' role (the settings of a school's PC), waits no
// longer than the settings allow, and closes it again; so it may run on any
// thread, and the window calls it off its own.

struct PupilLogin {
    enum class Status {
        Granted,     // the code is a pupil's: token, fio and className are theirs
        Unknown,     // no pupil has that code
        Wait,        // too many wrong codes from this PC: try again in waitSeconds
        Unreachable, // the server could not be asked (message says why)
    };
    Status status = Status::Unreachable;
    QString token; // goes with every run of the pupil (RunResult::session)
    QString fio, className;
    int waitSeconds = 0;
    QString message; // Russian, for the pupil; empty when granted
    QString details; // the driver's own words, when the server could not be asked
};

// Checks the pupil's code on the server; host is this PC's name.
PupilLogin logInPupil(const JournalSettings &settings, const QString &code, const QString &host);

// One of the pupil's own runs, as the server keeps it.
struct OwnRun {
    QString id, subject, topic;
    QDateTime started;
    int seconds = 0, asked = 0, answered = 0, right = 0, pointsPossible = 0, pointsEarned = 0;
    QString grade;
    bool practice = false;
    QDateTime remarked;  // when a teacher marked it again; invalid when never
    QString gradeBefore; // the grade it had before that
};

struct PupilResults {
    bool read = false;        // false: message says why nothing was read
    bool expired = false;     // the log-in is unknown or too old: the pupil logs in again
    std::vector<OwnRun> runs; // newest first
    QString message, details;
};

// The runs the pupil logged in with token recorded, newest first.
PupilResults myResults(const JournalSettings &settings, const QString &token);
