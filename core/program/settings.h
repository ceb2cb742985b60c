#pragma once
#include "colors.h"

#include <QString>
#include <QStringList>
#include <vector>

// The program's settings files in Baza: NoKor.qdx (ten lines by position),
// CwetFona.qdx (saved colours, key and value per line), Win_Dos.qdx (the
// character translation table).

struct NoKor {
    // Line numbers (from 1) of NoKor.qdx.
    enum Line {
        Reserved = 1,
        UserName,
        MainColour,
        OfficeVersion,
        BaseTime,
        TimePerOption,
        Grade3,
        Grade4,
        Grade5,
        Limit,
        LineCount = Limit
    };

    QStringList lines; // always LineCount entries; missing lines read as empty

    static NoKor defaults();
    // Reads the file; creates it with the defaults first when it is missing.
    static NoKor readOrCreate(const QString &path);
    void write(const QString &path) const;

    QString text(Line l) const { return lines.value(l - 1); }
    void setText(Line l, const QString &t) { lines[l - 1] = t; }
    // Lines 5..10 as numbers: "Invalid numeric input" when a line is no whole number.
    int number(Line l) const;
    // Line 3 as a colour: "'%s' is not a valid integer value" when it names no colour.
    ColorCode colour() const;
};

// Stores value under key in the colour file (see the comments in the source).
void ZapParam(const QString &path, const QString &value, const QString &key);

// The colours a colour file asks for, in line order: key "Form1" or "Otwet",
// and the colour name (from the 7th character on, at most 20, trimmed).
struct SavedColour {
    QString key;
    QString name;
};
std::vector<SavedColour> savedColours(const QStringList &lines);

// Win_Dos.qdx: line 1 the target characters, line 2 the source characters.
struct WinDos {
    QString target, source;
    // Throws "File not found" when the file is missing.
    static WinDos read(const QString &path);
};
