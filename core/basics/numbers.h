#pragma once
#include <QString>

// Numbers as answer cells and counters show them.

// The whole number an answer cell or counter shows: 0 for an empty text, the
// character after the first "+", else the character before the first "*",
// else the trimmed text. A text that is no whole number raises the standard
// conversion error.
int NomerIz(const QString &text);
// NomerIz(text) + 1 as decimal text.
QString NomerPlus(const QString &text);
// NomerIz(text) - 1 as decimal text when NomerIz(text) >= 2, otherwise " ".
QString NomerMinus(const QString &text);
// low <= value <= high.
bool VPredelah(double value, double low, double high);
