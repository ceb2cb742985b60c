#pragma once
#include "bank.h"
#include "banktables.h"

// Rows of the editor's tables from records, and the other way round.
QStringList rowOf(const PredmetRec &r);
QStringList rowOf(const TemaRec &r);
QStringList rowOf(const WoprosRec &r);
QStringList rowOf(const OtwetRec &r);

struct EditorCounts {
    qint64 sections = 0, topics = 0, questions = 0, answers = 0;
};

// Loads the four bank tables from the subject's files; an empty file gives one
// data row of defaults so that the author has a row to type into.
EditorCounts loadEditorTables(const BankFiles &bank, BankTables &t);

// The topic table as the main window fills it: one row per Tema.dat record.
void fillTopicTable(StringTable &temaTabl, const std::vector<TemaRec> &topics);
