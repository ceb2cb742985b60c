#include "banklines.h"
#include "access.h"

#include <QDate>

std::vector<FieldSpec> shownFields(const FileKind &kind)
{
    std::vector<FieldSpec> out;
    for (const FieldSpec &s : kind.layout)
        if (s.kind != FieldKind::Reserved)
            out.push_back(s);
    return out;
}

QString fieldText(const QByteArray &rec, const FieldSpec &f)
{
    switch (f.kind) {
    case FieldKind::Text:
        return readText(rec, f.offset, f.size);
    case FieldKind::Int32:
        return QString::number(readInt32(rec, f.offset));
    case FieldKind::Date: {
        const QDate d = dateOfDayNumber(readDouble(rec, f.offset));
        return d.isValid() ? d.toString(Qt::ISODate) : QString::number(readDouble(rec, f.offset));
    }
    case FieldKind::Reserved:
        break;
    }
    return {};
}

namespace
{
// The days dump shows as dates: an ISO date has a year of four digits.
const QDate firstShownDay(1, 1, 1);
const QDate lastShownDay(9999, 12, 31);

// A day number the program takes for a date that dump could not print: it
// would come out as an empty field that load refuses.
bool beyondShownDays(double day)
{
    const QDate d = dateOfDayNumber(day);
    return d.isValid() && (d < firstShownDay || d > lastShownDay);
}
} // namespace

QString setField(QByteArray &rec, const FieldSpec &f, const QString &text)
{
    bool ok = true;
    switch (f.kind) {
    case FieldKind::Text:
        writeText(rec, f.offset, f.size, text);
        break;
    case FieldKind::Int32:
        writeInt32(rec, f.offset, text.toInt(&ok));
        break;
    case FieldKind::Date: {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        const double day = d.isValid() ? dayNumberOf(d) : text.toDouble(&ok);
        if (ok && beyondShownDays(day))
            return QStringLiteral("дата вне пределов 01.01.0001–31.12.9999: «%1»").arg(text);
        writeDouble(rec, f.offset, day);
        break;
    }
    case FieldKind::Reserved:
        break;
    }
    return ok ? QString() : QStringLiteral("не число: «%1»").arg(text);
}

BankLines recordsOfLines(const QByteArray &bytes, const FileKind &kind, const QString &sourceName)
{
    QString all = QString::fromUtf8(bytes);
    if (all.startsWith(QChar(0xFEFF)))
        all.remove(0, 1); // the byte order mark some editors put first
    QStringList lines = all.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an empty record

    const std::vector<FieldSpec> fields = shownFields(kind);
    BankLines out;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1); // a file saved by a Windows editor
        const QStringList texts = line.split(u'\t');
        const QString where = QStringLiteral("%1, строка %2").arg(sourceName, QString::number(n + 1));
        if (size_t(texts.size()) != fields.size()) {
            out.error =
                QStringLiteral("%1: полей %2, а должно быть %3").arg(where).arg(texts.size()).arg(fields.size());
            out.records.clear();
            return out;
        }
        QByteArray rec(kind.recordSize, '\0');
        for (size_t i = 0; i < fields.size(); ++i) {
            const QString fault = setField(rec, fields[i], texts.at(qsizetype(i)));
            if (!fault.isEmpty()) {
                out.error = QStringLiteral("%1: в поле %2 %3").arg(where, QString::fromLatin1(fields[i].name), fault);
                out.records.clear();
                return out;
            }
        }
        out.records.push_back(rec);
    }
    return out;
}
