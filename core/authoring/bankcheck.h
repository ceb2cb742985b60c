#pragma once
#include <QString>
#include <vector>

// The bank checker: the mistakes that make a subject's questions unanswerable
// or lost, found in its five bank files and its Foto folder. Nothing is changed.

struct BankFinding {
    QString file;   // "Predmet.dat", "Tema.dat", "Wopros.dat", "Otwet.dat", "Exam.dat" or "Foto"
    int record = 0; // from 1, the row the editor shows; 0 for a file of the Foto folder
    QString key;    // Predm_Tema_Test_Wopr of a question or option, Predm_Tema of a topic, ...
    QString message;
};

// Every finding of the subject folder, file by file in the order above and
// record by record. TrivoError when the folder or one of its bank files
// cannot be read, or when the folder holds no bank at all.
std::vector<BankFinding> checkBank(const QString &subjectFolder);

// "FILE:RECORD: KEY: message", the one-line form of a finding.
QString findingLine(const BankFinding &f);
