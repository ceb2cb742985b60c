#include "random.h"

#include <QDateTime>
#include <cmath>

qint64 roundHalfEven(double x)
{
    const double f = std::floor(x);
    const double diff = x - f;
    qint64 r = qint64(f);
    if (diff > 0.5 || (diff == 0.5 && (r % 2 != 0)))
        ++r;
    return r;
}

double RandomGen::next()
{
    m_state = m_state * 134775813u + 1u;
    return double(m_state) / 4294967296.0;
}

RandomGen &rng()
{
    static RandomGen g;
    return g;
}

void seedFromClock()
{
    rng().seed(quint32(QDateTime::currentMSecsSinceEpoch()));
}
