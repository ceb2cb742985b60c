#pragma once
// The process-wide state of one program run: the settings held for it, the
// users and the logged-in letter, the current subject. It brings the records,
// files and small helpers that go with it.
#include "access.h"
#include "bank.h"
#include "errors.h"
#include "installfolder.h"
#include "numbers.h"
#include "random.h"
#include "records.h"
#include "settings.h"
#include "text.h"

#include <QString>
#include <vector>

// Process-wide state of one program run.
struct Glo {
    QString TekPapka;
    QString TekPredmet; // the name of the subject whose folder TekPapka is
    // Settings held for the run.
    int SekWopr = 30, SekOtw = 5;
    int TriProc = 55, ChetProc = 70, PaytProc = 85;
    int LimitWopr = 5;
    QString VerOff = QStringLiteral("2003");
    QString ImyaPolz = QStringLiteral("Qdx");
    // Access.
    std::vector<User> users;
    QString KodDostupa;
    int userRow = -1; // the logged-in user's row of the access table
    // Character translation table.
    WinDos winDos;
};
Glo &glo();
// The absolute path of the current subject folder; TrivoError naming the
// subject when its folder is not a plain folder inside the installation folder.
QString subjectFolder();
