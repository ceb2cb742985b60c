#pragma once
#include <QString>
#include <array>
#include <optional>

struct GradeBounds {
    int t3 = 55, t4 = 70, t5 = 85; // lower bounds of grades 3, 4, 5 in per cent
};

// Per cent of earned against possible; nothing when possible is 0.
std::optional<double> percentOf(int earned, int possible);

// The grade of a percentage: the last of the ranges [0,T3] "2", [T3,T4] "3",
// [T4,T5] "4", [T5,100] "5" that holds it (so a bound gets the higher grade);
// outside 0..100, or without a percentage, the previous text stays.
QString BalliOcenka(std::optional<double> percent, const GradeBounds &b, const QString &previous = {});

// Which of the five lamps the percentage lights (lamps are only ever switched on).
std::array<bool, 5> lampsFor(double percent, const GradeBounds &b);
