#pragma once
#include "stringtable.h"

// The bank's tables as the editor shows them (sections, topics, questions,
// answers) and the import staging table. The main window lists its topics
// from the topic table; a run keeps tables of its own.
struct BankTables {
    StringTable RazdelTab{3, 1};
    StringTable TemaTabl{3, 1};
    StringTable WopTabl{8, 1};
    StringTable OtwTabl{7, 1};
    StringTable IzTXT{7, 1};
    BankTables();
};
BankTables &tables();
