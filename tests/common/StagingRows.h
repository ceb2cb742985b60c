#pragma once
// Rows of the import staging table as the import tests write them.
#include <QStringList>
#include <vector>

using Rows = std::vector<QStringList>;

// A staging row: Wopr, Otwe, Kod_P, Nazwan (the three code columns stay empty).
inline QStringList row(const QString &wopr, const QString &otwe, const QString &kod, const QString &text)
{
    return {QString(), QString(), QString(), wopr, otwe, kod, text};
}
inline QStringList title(const QString &text)
{
    return row({}, {}, {}, text);
}
inline QStringList question(int n, const QString &text)
{
    return row(QString::number(n), {}, {}, text);
}
