#pragma once

class TForm1;
class TZagruzka;
class TNastroika;
class TForm5;
class TNaborWopr;
class TSpisPredm;
class TDalsheOkno;
class TTeksti;

// The eight windows of the program, each created once.
struct AppWindows {
    TForm1 *Form1 = nullptr;
    TZagruzka *Zagruzka = nullptr;
    TNastroika *Nastroika = nullptr;
    TForm5 *Form5 = nullptr;
    TNaborWopr *NaborWopr = nullptr;
    TSpisPredm *SpisPredm = nullptr;
    TDalsheOkno *DalsheOkno = nullptr;
    TTeksti *Teksti = nullptr;
};
AppWindows &wins();

// Creates the windows in the program's order (the main window first, so its
// creation step runs before any other window exists).
void createAllWindows();
// Deletes them again (tests start every case from a fresh set).
void destroyAllWindows();
