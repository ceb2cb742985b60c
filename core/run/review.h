#pragma once
#include "runresult.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <vector>

// The scheduling of a pupil's mistakes: each question the pupil once got
// wrong comes back at intervals that grow while the answers stay right. The
// memory model is FSRS-4.5 (Free Spaced Repetition Scheduler, version 4.5,
// of the open-spaced-repetition project) with its published default
// parameters and a desired retention of 90 %, its intervals in whole days,
// the time between answers in days with their fraction, with three rules of
// our own on top:
// - a question answered right from the start is never scheduled;
// - a wrong answer brings the question back one day later, whatever FSRS
//   would allow after the lapse;
// - a right answer a day or more after the last one gives a longer interval
//   than the one before; a right answer within a day never shortens it, nor
//   lengthens it beyond what the stability gives.
// Everything here is a pure function of the answers and the times passed in.

// What the program remembers of one question for one pupil.
struct QuestionMemory {
    double stability = 0;  // days after which recall falls to 90 %; 0 while not scheduled
    double difficulty = 0; // 1 (easy) to 10 (hard)
    int right = 0, wrong = 0;
    bool lastRight = false; // the last answer was right
    int interval = 0;       // days of the interval set by the last answer
    QDateTime last;         // the last answer
    QDateTime due;          // when the question is to be asked again; invalid when not scheduled
    QString textHash;       // of the question's text when it was last answered
    bool scheduled() const { return due.isValid(); }
};

// One answer to a question, as the run reported it.
struct ReviewAnswer {
    QDateTime at;
    bool right = false;
    bool hinted = false; // a right answer found with hints counts as a hard one
    QString textHash;    // empty when not known (answers kept before the hash was)
};

// FSRS's probability of recall after elapsedDays at this stability.
double recallChance(double elapsedDays, double stability);
// The memory after one more answer.
QuestionMemory afterAnswer(QuestionMemory m, const ReviewAnswer &a);
// The memory after all the answers, in time order, from the memory before
// them. A question whose text changed between two answers starts afresh at
// the answer to the new text.
QuestionMemory replayAnswers(const std::vector<ReviewAnswer> &answers, QuestionMemory from = {});

// A short stable hash of a question's text (trimmed), to notice a changed question.
QString questionTextHash(const QString &text);

// A scheduled question as the journal lists it.
struct DueQuestion {
    QString key;
    QString textHash;
    QDateTime due;
};
// The questions to repeat on the day today: due then or earlier, most overdue
// first, at most limit of them. A question whose key is gone from the bank
// (bankHashes: key -> the text hash of the question now) is skipped, and so is
// one whose text changed since it was scheduled: it starts afresh.
std::vector<DueQuestion> questionsToRepeat(std::vector<DueQuestion> scheduled,
                                           const QHash<QString, QString> &bankHashes, const QDate &today, int limit);
// The earliest due time after the day today among the questions still in the bank unchanged.
QDateTime nextDue(const std::vector<DueQuestion> &scheduled, const QHash<QString, QString> &bankHashes,
                  const QDate &today);

// "Повторить сегодня: N вопросов", the word agreeing with the number.
QString repeatTodayText(int n);

// A run of mistakes as the main window names it while it goes on:
// «Работа над ошибками: вопрос 2 из 5».
QString reviewProgressText(int shown, int asked);
// The first day a question of a run of mistakes that was not put right comes
// back, as the schedule makes it after the run ended at end: the day after
// for a wrong answer, the day itself for a question the pupil never answered
// (it stays due). Invalid when every question was answered right.
QDate reviewComesBack(const std::vector<QuestionResult> &questions, int asked, const QDateTime &end);
// What came of a run of mistakes: «Исправлено 3 из 5. 2 вопроса вернутся
// 10.12.2026.», or «Исправлено 5 из 5.» when every one was put right.
QString reviewOutcomeText(int corrected, int asked, const QDate &back);

// A mistake counts as learnt once it has been answered right again and the
// schedule lets it rest for three weeks or more.
constexpr int learntInterval = 21;
