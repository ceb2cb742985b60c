#pragma once
#include "interchange.h"

// Small pieces shared by the readers and writers of the interchange formats.

// Limits of the readers. A question file of one topic is small; these keep a
// broken or hostile file from taking the memory or the stack of the program
// (and with them the author's unsaved work).
// Questions and categories of one file: ten times what a topic can take.
constexpr int MaxFileEntries = 10000;
// Options of one question: the answer rows the main window shows.
constexpr int MaxItemOptions = 30;

// Throws TrivoError, naming the line, for the entry past MaxFileEntries;
// entries counts the questions and categories read so far.
void countEntry(int &entries, const QString &format, qint64 line);

// The option rows an item takes in the bank (a matching pair takes two).
qsizetype optionRowsOf(const Item &item);
// Why an item with this many option rows is not carried over.
QString tooManyOptions(qsizetype rows);

// The text of a question file: UTF-16 after its byte-order mark; else UTF-8
// (a byte-order mark is dropped) when the bytes are valid UTF-8, code page
// 1251 otherwise.
QString decodeQuestionFile(const QByteArray &bytes);

// One note line about the n-th question of a file (or the question numbered n).
QString noteAbout(const QString &number, const QString &text, const QString &what);
inline QString noteAbout(int number, const QString &text, const QString &what)
{
    return noteAbout(QString::number(number), text, what);
}
// One note line about what stands on a line of a file that is no question.
QString noteAboutLine(int line, const QString &text, const QString &what);

// Text on one line: every run of blanks, line ends and other control characters
// becomes one blank, none at the ends.
QString oneLine(const QString &text);

// The plain text of an HTML fragment: tags left out (a paragraph or line
// break becomes a blank), entities decoded, on one line.
QString plainOfHtml(const QString &html);
// Whether an HTML fragment shows a picture or another embedded file.
bool htmlHasPicture(const QString &html);

// Points of a question from a grade written as a number: whole points from 0
// to 99; anything else is rounded into that range with a note.
int pointsOfGrade(const QString &grade, int number, const QString &text, QStringList &notes);

// A question of a kind the bank lacks, counted for requireQuestions().
void countLacking(Reading &reading, const QString &kind);
// A reading without any question that could be carried over is an error; it
// names the kinds the file held instead and the notes on what was left out.
void requireQuestions(const Reading &reading);

// The name of a topic from a category path ("$course$/top/Физика"): its last
// part, "//" standing for a slash within a name; empty when it names none.
QString topicNameOfCategory(const QString &path);
// A category named in a file: the first one names the topic; later ones
// are merged into it with a note.
void takeCategory(Reading &reading, const QString &path);
// The category path of a topic named name.
QString categoryOfTopic(const QString &name);

// The share of a right option when k options are right, as the other system
// wants it written (one of its fixed percentages where there is one).
QString rightShare(int k);

// A matching pair as a question file gives it. A right-hand item with no
// left-hand one has no pair in a bank: it is counted in unpaired, not kept.
void addMatchingPair(Item &item, const QString &left, const QString &right, int &unpaired);
// The note about the unpaired items; empty when there were none.
QString unpairedNote(int unpaired);

// A typed question keeps one answer: the first the file gives with full marks
// (grade in per cent). The other system compares typed answers with a star
// standing for any text and "\*" for a star itself; ours are compared
// exactly, so an answer holding such a star cannot be given here.
struct TypedAnswers {
    int leftOut = 0;       // further answers
    QStringList wildcards; // answers with full marks that hold a wildcard star
};
void addTypedAnswer(Item &item, const QString &text, double grade, TypedAnswers &seen);
// What to say of a typed question once its answers are read: why it is not
// carried over (no answer with full marks that can be given here), else a
// note about the answers left out; both empty when there is nothing to say.
struct TypedAnswerNotes {
    QString skip, note;
};
TypedAnswerNotes typedAnswerNotes(const Item &item, const TypedAnswers &seen);
// A typed answer as the other system compares it: each star written as "\*".
QString typedAnswerOut(const QString &answer);
