#include "grading.h"
#include "programstate.h"

std::optional<double> percentOf(int earned, int possible)
{
    if (possible == 0)
        return std::nullopt;
    return double(earned) * 100.0 / double(possible);
}

QString BalliOcenka(std::optional<double> percent, const GradeBounds &b, const QString &previous)
{
    if (!percent)
        return previous;
    const double p = *percent;
    QString grade = previous;
    if (VPredelah(p, 0, b.t3))
        grade = QStringLiteral("2");
    if (VPredelah(p, b.t3, b.t4))
        grade = QStringLiteral("3");
    if (VPredelah(p, b.t4, b.t5))
        grade = QStringLiteral("4");
    if (VPredelah(p, b.t5, 100))
        grade = QStringLiteral("5");
    return grade;
}

std::array<bool, 5> lampsFor(double p, const GradeBounds &b)
{
    const double half = double(b.t3) / 2.0;
    return {VPredelah(p, 10, half), VPredelah(p, half, b.t3), VPredelah(p, b.t3, b.t4), VPredelah(p, b.t4, b.t5),
            VPredelah(p, b.t5, 100)};
}
