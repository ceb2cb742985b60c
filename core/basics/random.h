#pragma once
#include <QtGlobal>

// Whole number nearest to x, an exact half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
qint64 roundHalfEven(double x);

// The program's one pseudo-random generator: a 32-bit linear congruential
// sequence, state := state * 134775813 + 1 (mod 2^32), draw = state / 2^32.
class RandomGen
{
public:
    explicit RandomGen(quint32 seed = 0) : m_state(seed) {}
    void seed(quint32 s) { m_state = s; }
    quint32 state() const { return m_state; }
    // A real in [0, 1).
    double next();
    // Round(next() * k), half to even.
    qint64 draw(qint64 k) { return roundHalfEven(next() * double(k)); }

private:
    quint32 m_state;
};

// The generator the whole program shares; seeded once at start.
RandomGen &rng();
// Seeds the shared generator from the clock.
void seedFromClock();
