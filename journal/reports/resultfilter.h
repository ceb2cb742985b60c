#pragma once
#include <QDate>
#include <QString>
#include <QVariantList>

// Which results the journal window shows; an empty field does not filter.
struct ResultFilter {
    QString pupil = {};       // the pupil's name contains this, in any letter case
    bool pupilExact = false;  // the pupil's name is this, in any letter case
    QString className = {};   // exactly
    QString subject = {};     // exactly
    QString topic = {};       // exactly
    QDate from = {}, to = {}; // days the run started, both included
    QString grade = {};       // exactly ("2" ... "5")
    QString userCode = {};    // a "W" user sees only the runs of their own code
    QString ownPupil = {};    // and, when the name is asked at the log-in, only this name's (any letter case)
    // «Работа над ошибками» runs are practice, left out unless asked for. Being
    // ungraded, they never pass a filter by grade.
    bool withPractice = false;
    // Only each pupil's first run of its subject and topic (practice aside),
    // whatever the other fields leave out: what a class knew before it practised.
    bool firstAttempts = false;
};

// The WHERE clause of the filter over the results table (alias r), with its
// values in order; "" when nothing filters.
struct SqlCondition {
    QString sql;
    QVariantList values;
};
SqlCondition conditionOf(const ResultFilter &f);
