#include "schoolschema.h"

QStringList pupilFunctions()
{
    return {};
}
