// trivo-bank: looks into a question bank without the program.
//   trivo-bank dump FILE   one line per record, the fields in layout order, tab-separated
#include "UnitGlo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: trivo-bank dump FILE\n"
               "  FILE: Predmet.dat, Tema.dat, Wopros.dat, Temp.dat, Otwet.dat, Exam.dat, Papka.dat or Dostup.dat\n",
               stderr);
    return 2;
}

int error(const QString &text)
{
    std::fprintf(stderr, "trivo-bank: %s\n", qUtf8Printable(text));
    return 1;
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

int dump(const QString &path)
{
    const FileKind kind = fileKindOf(path);
    if (kind.recordSize == 0)
        return error(QStringLiteral("%1: not a bank file name").arg(path));
    QFile f(path);
    if (!f.exists())
        return error(QStringLiteral("%1: no such file").arg(path));
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly))
        return error(QStringLiteral("%1: cannot read (%2)").arg(path, f.errorString()));
    QByteArray out;
    for (;;) {
        const QByteArray rec = f.read(kind.recordSize);
        if (rec.size() < kind.recordSize)
            break; // a trailing partial record is not a record
        QStringList fields;
        for (const FieldSpec &s : kind.layout)
            if (s.kind != FieldKind::Reserved)
                fields << fieldText(rec, s);
        out += fields.join(u'\t').toUtf8();
        out += '\n';
    }
    if (f.error() != QFileDevice::NoError)
        return error(QStringLiteral("%1: cannot read (%2)").arg(path, f.errorString()));
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || args.at(1) != u"dump")
        return usage();
    if (!cp1251Available())
        return error(QStringLiteral("the windows-1251 converter is not available"));
    return dump(args.at(2));
}
