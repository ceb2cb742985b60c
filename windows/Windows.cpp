#include "Windows.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"
#include "Unit7.h"
#include "Unit8.h"

#include <QApplication>

AppWindows &wins()
{
    static AppWindows w;
    return w;
}

void createAllWindows()
{
    QApplication::setApplicationDisplayName(QString());
    auto &w = wins();
    w.Form1 = new TForm1;
    w.Zagruzka = new TZagruzka(w.Form1);
    w.Nastroika = new TNastroika(w.Form1);
    w.Form5 = new TForm5(w.Form1);
    w.NaborWopr = new TNaborWopr(w.Form1);
    w.SpisPredm = new TSpisPredm(w.Form1);
    w.DalsheOkno = new TDalsheOkno(w.Form1);
    w.Teksti = new TTeksti(w.Form1);
}

void destroyAllWindows()
{
    delete wins().Form1; // owns the others
    wins() = AppWindows{};
}
