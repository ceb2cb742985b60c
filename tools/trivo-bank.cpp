// trivo-bank: looks into a question bank, and writes one, without the program.
//   trivo-bank dump FILE            one line per record, the fields in layout order, tab-separated
//   trivo-bank load FILE [SOURCE]   the reverse: lines as dump prints them become FILE's records
#include "programstate.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace
{

int usage()
{
    std::fputs("usage: trivo-bank dump FILE\n"
               "       trivo-bank load FILE [SOURCE]   (SOURCE absent or \"-\": standard input)\n"
               "  FILE: Predmet.dat, Tema.dat, Wopros.dat, Temp.dat, Otwet.dat, Exam.dat, Papka.dat or Dostup.dat\n",
               stderr);
    return 2;
}

int error(const QString &text)
{
    std::fprintf(stderr, "trivo-bank: %s\n", qUtf8Printable(text));
    return 1;
}

// The fields a line shows, in layout order: everything but the reserved bytes.
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

// The reverse of fieldText; false when a number field does not hold a number.
// A date field also takes the plain day number that dump prints for a day it
// cannot show as a date.
bool setField(QByteArray &rec, const FieldSpec &f, const QString &text)
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
        writeDouble(rec, f.offset, d.isValid() ? dayNumberOf(d) : text.toDouble(&ok));
        break;
    }
    case FieldKind::Reserved:
        break;
    }
    return ok;
}

int dump(const QString &path)
{
    const FileKind kind = fileKindOf(path);
    if (kind.recordSize == 0)
        return error(QStringLiteral("%1: это не имя файла банка").arg(path));
    QFile f(path);
    if (!f.exists())
        return error(QStringLiteral("%1: нет такого файла").arg(path));
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly))
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(path, f.errorString()));
    const std::vector<FieldSpec> fields = shownFields(kind);
    QByteArray out;
    for (;;) {
        const QByteArray rec = f.read(kind.recordSize);
        if (rec.size() < kind.recordSize)
            break; // a trailing partial record is not a record
        QStringList texts;
        for (const FieldSpec &s : fields)
            texts << fieldText(rec, s);
        out += texts.join(u'\t').toUtf8();
        out += '\n';
    }
    if (f.error() != QFileDevice::NoError)
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(path, f.errorString()));
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

int load(const QString &path, const QString &source)
{
    const FileKind kind = fileKindOf(path);
    if (kind.recordSize == 0)
        return error(QStringLiteral("%1: это не имя файла банка").arg(path));
    const bool fromStdin = source.isEmpty() || source == u"-";
    const QString sourceName = fromStdin ? QStringLiteral("стандартный ввод") : source;
    QFile in(fromStdin ? QString() : source);
    const bool opened =
        fromStdin ? in.open(stdin, QIODevice::ReadOnly) : !QFileInfo(source).isDir() && in.open(QIODevice::ReadOnly);
    if (!opened)
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(sourceName, in.errorString()));
    QString all = QString::fromUtf8(in.readAll());
    if (all.startsWith(QChar(0xFEFF)))
        all.remove(0, 1); // the byte order mark some editors put first
    QStringList lines = all.split(u'\n');
    if (in.error() != QFileDevice::NoError)
        return error(QStringLiteral("%1: не удалось прочитать (%2)").arg(sourceName, in.errorString()));
    if (lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not an empty record

    // Every line is checked before the file is touched: a bad line leaves FILE as it was.
    const std::vector<FieldSpec> fields = shownFields(kind);
    std::vector<QByteArray> records;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1); // a file saved by a Windows editor
        const QStringList texts = line.split(u'\t');
        const QString where = QStringLiteral("%1, строка %2").arg(sourceName, QString::number(n + 1));
        if (size_t(texts.size()) != fields.size())
            return error(
                QStringLiteral("%1: полей %2, а должно быть %3").arg(where).arg(texts.size()).arg(fields.size()));
        QByteArray rec(kind.recordSize, '\0');
        for (size_t i = 0; i < fields.size(); ++i)
            if (!setField(rec, fields[i], texts.at(qsizetype(i))))
                return error(QStringLiteral("%1: в поле %2 не число: «%3»")
                                 .arg(where, QString::fromLatin1(fields[i].name), texts.at(qsizetype(i))));
        records.push_back(rec);
    }
    try {
        RecordFile(path, kind.recordSize).rewriteRaw(records);
    } catch (const TrivoError &e) {
        return error(e.text());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    const bool isDump = command == u"dump" && args.size() == 3;
    const bool isLoad = command == u"load" && (args.size() == 3 || args.size() == 4);
    if (!isDump && !isLoad)
        return usage();
    if (!cp1251Available())
        return error(QStringLiteral("нет преобразователя текста windows-1251"));
    return isDump ? dump(args.at(2)) : load(args.at(2), args.value(3));
}
