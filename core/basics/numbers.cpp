#include "numbers.h"
#include "errors.h"
#include "text.h"

int NomerIz(const QString &text)
{
    if (trimmed(text).isEmpty())
        return 0;
    QString chosen;
    if (const qsizetype plus = text.indexOf(u'+'); plus >= 0)
        chosen = text.mid(plus + 1, 1);
    else if (const qsizetype star = text.indexOf(u'*'); star >= 0)
        chosen = star > 0 ? text.mid(star - 1, 1) : QString();
    else
        chosen = trimmed(text);
    return toIntOrThrow(chosen);
}

QString NomerPlus(const QString &text)
{
    return QString::number(NomerIz(text) + 1);
}

QString NomerMinus(const QString &text)
{
    const int n = NomerIz(text);
    return n >= 2 ? QString::number(n - 1) : QStringLiteral(" ");
}

bool VPredelah(double value, double low, double high)
{
    return low <= value && value <= high;
}
