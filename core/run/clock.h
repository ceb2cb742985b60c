#pragma once
#include <QString>

// One of the two clocks of a run (the question countdown, the topic clock).
// Time is passed in as seconds since midnight, so tests never sleep.
class Clock
{
public:
    static constexpr int MaxLimit = 86399; // under one day

    // Accepted when 0 <= seconds <= MaxLimit; otherwise the old limit stays. 0 = no limit.
    bool setLimit(qint64 seconds);
    int limit() const { return m_limit; }
    // Counting down is accepted only while a limit is set.
    bool setCountDown(bool down);
    bool countsDown() const { return m_down; }

    void reset(int now);
    void start(int now);
    void stop() { m_running = false; }
    // Advances by the whole seconds since the last reference (across midnight
    // too); true when the limit has just been reached and the clock stopped.
    bool tick(int now);

    bool running() const { return m_running; }
    int elapsed() const { return m_elapsed; }
    // What the display shows: the elapsed time, or what is left when counting down.
    int shown() const;
    // "mm:ss" below an hour, "h:mm:ss" from an hour on.
    static QString format(int seconds);

private:
    int m_limit = 0;
    int m_elapsed = 0;
    int m_reference = 0;
    bool m_down = false;
    bool m_running = false;
};

// Seconds since midnight of the local clock.
int secondsOfDay();
