#pragma once
#include "recordfile.h"
#include "records.h"

#include <QStringList>
#include <optional>
#include <vector>

// The subject list Baza/Papka.dat.

// The subject a new installation offers.
PapkaRec defaultSubject();
// Opens the list, creating it with the default subject when it is missing.
std::vector<PapkaRec> openSubjects(const RecordFile &papka);
// The first subject whose trimmed name equals the trimmed name given.
std::optional<PapkaRec> findSubject(const RecordFile &papka, const QString &name);

// The grid row of a subject: number, name, folder, topics, questions, answers.
QStringList subjectRow(const PapkaRec &r);
// Rows of the grid -> records. Every numeric cell is checked before anything
// is returned ("'%s' is not a valid integer value"); names are taken as typed.
std::vector<PapkaRec> subjectsFromRows(const std::vector<QStringList> &rows);
// Stores the grid rows; a bad cell, a subject folder that is not one plain
// folder inside the installation folder, or an empty list leaves the file untouched.
void storeSubjects(const RecordFile &papka, const std::vector<QStringList> &rows);
