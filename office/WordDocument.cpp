#include "WordDocument.h"
#include "errors.h"

WordTable WordDocument::table(int k)
{
    if (k < 1 || k > tableCount())
        throw TrivoError(QStringLiteral("There is no table %1 (the document has %2)").arg(k).arg(tableCount()));
    return WordTable(*this, k);
}
