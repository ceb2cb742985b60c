#pragma once
#include <QString>
#include <QStringList>

// Small text files of the program (settings, colours, exports): code page 1251,
// lines ended by CR LF. Reading accepts LF alone as well.

// Reads all lines; throws TrivoError("File not found") when the file is missing.
QStringList readCp1251Lines(const QString &path);
// Writes the lines, each followed by CR LF, replacing the file in one step.
void writeCp1251Lines(const QString &path, const QStringList &lines);
