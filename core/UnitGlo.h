#pragma once
// The chief header: the shared records, the process-wide state and the small
// helpers that every window uses.
#include "access.h"
#include "bank.h"
#include "errors.h"
#include "installfolder.h"
#include "random.h"
#include "records.h"
#include "settings.h"
#include "text.h"

#include <QString>
#include <vector>

// The whole number an answer cell or counter shows: 0 for an empty text, the
// character after the first "+", else the character before the first "*",
// else the trimmed text. A text that is no whole number raises the standard
// conversion error.
int NomerIz(const QString &text);
// NomerIz(text) + 1 as decimal text.
QString NomerPlus(const QString &text);
// NomerIz(text) - 1 as decimal text when NomerIz(text) >= 2, otherwise " ".
QString NomerMinus(const QString &text);
// low <= value <= high.
bool VPredelah(double value, double low, double high);

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
    // Modes.
    QString RegimPodskaz = QStringLiteral("Wkl");
    bool Sluchaino = false;
    bool ProtokolWkl = false;
    QString ImyaUchenika;
    // Access.
    std::vector<User> users;
    QString KodDostupa;
    // Character translation table.
    WinDos winDos;
};
Glo &glo();
// The absolute path of the current subject folder; TrivoError naming the
// subject when its folder is not a plain folder inside the installation folder.
QString subjectFolder();
