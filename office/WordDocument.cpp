#include "WordDocument.h"
#include "errors.h"

WordTable WordDocument::table(int k)
{
    if (k < 1 || k > tableCount())
        throw TrivoError(QStringLiteral("В документе нет таблицы %1 (таблиц в нём: %2)").arg(k).arg(tableCount()));
    return WordTable(*this, k);
}
