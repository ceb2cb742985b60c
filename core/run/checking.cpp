#include "checking.h"
#include "random.h"
#include "text.h"

int partialCredit(int earned, int points, int k, int n)
{
    if (n == 0)
        return earned;
    return int(roundHalfEven(double(earned) + double(points) * double(k) / double(n)));
}

int tickCount(const std::vector<TickRow> &rows)
{
    int c = 0;
    for (const TickRow &r : rows) {
        if (!r.ticked)
            continue;
        const QString code = trimmed(r.code);
        if (code == u"+")
            ++c;
        else if (code.isEmpty())
            return 0;
    }
    return c;
}

QString ticksVerdictText(int counted, int rightOptions)
{
    if (counted <= 0)
        return QStringLiteral("Ответ неверный");
    return QStringLiteral("Ответ верный частично: %1 из %2").arg(counted).arg(rightOptions);
}

QString tickAnswerCode(bool ticked, bool right)
{
    return QString(ticked ? u'в' : u'-') + QChar(right ? u'+' : u'-');
}

bool exactAnswerRight(const QString &typed, const QString &expected)
{
    return trimmed(typed) == trimmed(expected);
}

bool matchingRight(const std::vector<std::pair<QString, QString>> &leftAndRightLabels)
{
    for (const auto &[left, right] : leftAndRightLabels)
        if (left != right)
            return false;
    return true;
}

int numbersRight(const QStringList &typed, const QStringList &right)
{
    int k = 0;
    for (qsizetype i = 0; i < typed.size() && i < right.size(); ++i)
        k += trimmed(typed[i]) == trimmed(right[i]);
    return k;
}
