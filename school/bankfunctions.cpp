#include "schoolschema.h"

QStringList bankFunctions()
{
    return {};
}
