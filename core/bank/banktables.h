#pragma once
#include "stringtable.h"

// The bank's tables as the editor shows them (sections, topics, questions,
// answers) and the import staging table. The main window lists its topics
// from the topic table; a run keeps tables of its own.
struct BankTables {
    StringTable RazdelTab{fileKindOf<PredmetRec>()};
    StringTable TemaTabl{fileKindOf<TemaRec>()};
    StringTable WopTabl{fileKindOf<WoprosRec>()};
    StringTable OtwTabl{fileKindOf<OtwetRec>()};
    StringTable IzTXT{7, 1};
    BankTables();
};
BankTables &tables();
