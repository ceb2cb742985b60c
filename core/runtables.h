#pragma once
#include "stringtable.h"

// The editor's tables, which are at the same time the working tables of a
// run: sections, topics, questions, answers and the import staging table.
struct RunTables {
    StringTable RazdelTab{3, 1};
    StringTable TemaTabl{3, 1};
    StringTable WopTabl{8, 1};
    StringTable OtwTabl{7, 1};
    StringTable IzTXT{7, 1};
    RunTables();
};
RunTables &tables();
