// trivo-bank load over any text, for every kind of bank file: a line either
// becomes a whole record or the load is refused naming it, and what dump
// prints of the records loads into records that dump prints the same.
#include "banklines.h"
#include "fuzzkit.h"

namespace
{

const char *const FileNames[] = {"Predmet.dat", "Tema.dat", "Wopros.dat", "Temp.dat",
                                 "Otwet.dat",   "Exam.dat", "Papka.dat",  "Dostup.dat"};

// The records as dump prints them.
QByteArray dumped(const std::vector<QByteArray> &records, const FileKind &kind)
{
    const std::vector<FieldSpec> fields = shownFields(kind);
    QString out;
    for (const QByteArray &rec : records) {
        QStringList texts;
        for (const FieldSpec &f : fields)
            texts << fieldText(rec, f);
        out += texts.join(u'\t') + u'\n';
    }
    return out.toUtf8();
}

// A text field that ends in a CR would lose it to the line's end.
bool endsInCr(const std::vector<QByteArray> &records, const FileKind &kind)
{
    for (const QByteArray &rec : records)
        for (const FieldSpec &f : shownFields(kind))
            if (f.kind == FieldKind::Text && fieldText(rec, f).endsWith(u'\r'))
                return true;
    return false;
}

// Every day load takes, dump prints: a date, or the number of a day that is no date.
bool everyDayShown(const std::vector<QByteArray> &records, const FileKind &kind)
{
    for (const QByteArray &rec : records)
        for (const FieldSpec &f : shownFields(kind))
            if (f.kind == FieldKind::Date && fieldText(rec, f).isEmpty())
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    for (const char *name : FileNames) {
        const FileKind kind = fileKindOf(QString::fromLatin1(name));
        FUZZ_REQUIRE(kind.recordSize > 0);
        const BankLines first = recordsOfLines(bytes, kind, QStringLiteral("source"));
        if (!first.error.isEmpty()) {
            FUZZ_REQUIRE(first.records.empty());
            FUZZ_REQUIRE(first.error.startsWith(u"source, строка "));
            continue;
        }
        for (const QByteArray &rec : first.records)
            FUZZ_REQUIRE(rec.size() == kind.recordSize);
        FUZZ_REQUIRE(everyDayShown(first.records, kind));

        const QByteArray text = dumped(first.records, kind);
        const BankLines second = recordsOfLines(text, kind, QStringLiteral("dump"));
        FUZZ_REQUIRE(second.error.isEmpty());
        FUZZ_REQUIRE(second.records.size() == first.records.size());
        FUZZ_REQUIRE(dumped(second.records, kind) == text || endsInCr(first.records, kind));
    }
    return 0;
}
