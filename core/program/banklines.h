#pragma once
#include "records.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The text form of bank records that trivo-bank dump prints and load reads:
// one line per record, the fields in layout order, separated by tabs.

// The fields a line shows, in layout order: everything but the reserved bytes.
std::vector<FieldSpec> shownFields(const FileKind &kind);

// One field of a record as a line shows it: the text, the number, or the day
// as an ISO date (the plain day number when it is no date).
QString fieldText(const QByteArray &rec, const FieldSpec &f);

// The reverse of fieldText; what is wrong with text (empty when nothing is):
// a number field that does not hold a number, a day outside 01.01.0001 to
// 31.12.9999. A date field also takes the plain day number that dump prints
// for a day it cannot show as a date.
QString setField(QByteArray &rec, const FieldSpec &f, const QString &text);

// The records of a load source: UTF-8 text (a byte order mark first is
// dropped), one record a line, LF or CR LF at the ends. Every line is checked:
// at the first bad one, error names sourceName, the line and the fault, and
// no records are given.
struct BankLines {
    std::vector<QByteArray> records;
    QString error;
};
BankLines recordsOfLines(const QByteArray &bytes, const FileKind &kind, const QString &sourceName);
