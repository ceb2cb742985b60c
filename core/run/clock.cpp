#include "clock.h"

#include <QTime>

bool Clock::setLimit(qint64 seconds)
{
    if (seconds < 0 || seconds > MaxLimit)
        return false;
    m_limit = int(seconds);
    if (m_limit == 0)
        m_down = false;
    return true;
}

bool Clock::setCountDown(bool down)
{
    if (down && m_limit <= 0)
        return false;
    m_down = down;
    return true;
}

void Clock::reset(int now)
{
    m_elapsed = 0;
    m_reference = now;
}

void Clock::start(int now)
{
    if (m_limit > 0 && m_elapsed == m_limit)
        m_elapsed = 0;
    m_running = true;
    m_reference = now;
}

bool Clock::tick(int now)
{
    if (!m_running)
        return false;
    int diff = now - m_reference;
    if (diff < 0)
        diff += 86400;
    m_elapsed += diff;
    m_reference = now;
    if (m_limit >= 1 && m_elapsed >= m_limit) {
        m_elapsed = m_limit;
        m_running = false;
        return true;
    }
    return false;
}

int Clock::shown() const
{
    return m_down && m_limit > 0 ? m_limit - m_elapsed : m_elapsed;
}

QString Clock::format(int seconds)
{
    seconds = std::max(seconds, 0);
    const int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const QString ms = QStringLiteral("%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return h > 0 ? QStringLiteral("%1:%2").arg(h).arg(ms) : ms;
}

int secondsOfDay()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 1000;
}
