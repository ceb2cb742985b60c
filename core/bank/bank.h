#pragma once
#include "recordfile.h"
#include "records.h"

#include <QStringList>

// One subject's bank: the files of a subject folder and the rules that link
// their records.

// Codes are compared as texts after trimming, exactly; never as numbers.
bool sameCode(const QString &a, const QString &b);

// The question key Predm_Tema_Test_Wopr of trimmed codes (also its picture's base name).
QString questionKey(const QString &predm, const QString &tema, const QString &test, const QString &wopr);

enum class AnswerType { Matching, Classification, Exact, Ranking, Ticks };

// The text shown for an answer type in the type box.
QString answerTypeText(AnswerType t);
// The answer type that the role codes (Kod_P) of a question's options give.
AnswerType answerTypeOf(const QStringList &roleCodes);

struct BankFiles {
    QString folder; // absolute path of the subject folder
    RecordFile tema, exam, otwet, wopros, predmet, temp;

    explicit BankFiles(const QString &folderPath = {});

    // Opens the subject's five bank files in the order the main window needs
    // them: missing files are created empty, a missing Exam.dat is built from
    // Tema.dat. Temp.dat is left alone.
    void openAll() const;
};

// Builds Exam.dat from Tema.dat when it does not exist (5 questions, 1 asked per topic);
// an existing Exam.dat is left untouched. Returns true when it was built.
bool openOrBuildExam(const RecordFile &exam, const RecordFile &tema);
