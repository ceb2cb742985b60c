#include "programstate.h"

Glo &glo()
{
    static Glo g;
    return g;
}

QString subjectFolder()
{
    return subjectFolderPath(glo().TekPapka, glo().TekPredmet);
}
