// The bank's record files: any bytes read as records of any kind. Decoding and
// encoding again settles on one form, the byte-level helpers agree with the
// decoded texts, and a file is read and rewritten as whole records only.
#include "egeimport.h"
#include "fuzzkit.h"
#include "recordfile.h"
#include "records.h"
#include "text.h"

#include <tuple>

namespace
{

const char *const FileNames[] = {"Predmet.dat", "Tema.dat",  "Wopros.dat", "Otwet.dat",
                                 "Exam.dat",    "Papka.dat", "Dostup.dat", "EGE.dat"};
constexpr int BankKinds = 5; // the first five: text fields only

// decode(encode(decode(rec))) encodes to the same bytes as decode(rec).
template <class R> QByteArray settled(const QByteArray &rec)
{
    const QByteArray once = R::decode(rec).encode();
    FUZZ_REQUIRE(once.size() == R::Size);
    FUZZ_REQUIRE(R::decode(once).encode() == once);
    return once;
}

QByteArray settledAs(int kind, const QByteArray &rec)
{
    switch (kind) {
    case 0:
        return settled<PredmetRec>(rec);
    case 1:
        return settled<TemaRec>(rec);
    case 2:
        return settled<WoprosRec>(rec);
    case 3:
        return settled<OtwetRec>(rec);
    case 4:
        return settled<ExamRec>(rec);
    case 5:
        return settled<PapkaRec>(rec);
    case 6:
        return settled<DostupRec>(rec);
    default: {
        const QByteArray once = settled<EgeRec>(rec);
        const EgeRec r = EgeRec::decode(once);
        FUZZ_REQUIRE(EgeRec::decode(r.encode()) == r);
        return once;
    }
    }
}

// The byte-level helpers of a bank record against its decoded texts.
void checkBankRecord(const QByteArray &rec, const FileKind &kind)
{
    QByteArray canonical;
    appendCanonicalRecord(canonical, rec.constData(), kind);
    FUZZ_REQUIRE(canonical.size() == kind.recordSize);

    QStringList codes;
    QByteArray key;
    for (const FieldSpec &f : kind.layout) {
        if (f.kind != FieldKind::Text)
            continue;
        const QString text = trimmed(readText(rec, f.offset, f.size));
        FUZZ_REQUIRE(text.size() <= f.size);
        FUZZ_REQUIRE(trimmedFieldIs(rec.constData(), rec.size(), f, text));
        FUZZ_REQUIRE(trimmedFieldIs(canonical.constData(), canonical.size(), f, text) || text.contains(QChar(0xFFFD)));
        codes << text;
        keyOf(canonical.constData(), canonical.size(), kind.layout, int(codes.size()), key);
        FUZZ_REQUIRE(key == keyOfCodes(codes));
    }
    QStringList cells;
    for (const FieldSpec &f : kind.layout)
        if (f.kind == FieldKind::Text)
            cells << readText(rec, f.offset, f.size);
    QByteArray fromRow;
    appendRecordOfRow(fromRow, cells, kind);
    FUZZ_REQUIRE(fromRow == canonical);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int kindIndex = data[0] % 8;
    const QByteArray bytes = bytesOf(data + 1, size - 1);
    const int recordSize =
        kindIndex == 7 ? EgeRec::Size : fileKindOf(QString::fromLatin1(FileNames[kindIndex])).recordSize;
    FUZZ_REQUIRE(recordSize > 0);

    const RecordFile file(putFile(QString::fromLatin1(FileNames[kindIndex]), bytes), recordSize);
    const qint64 count = file.count();
    FUZZ_REQUIRE(count == bytes.size() / recordSize);
    const QByteArray whole = bytes.left(count * recordSize);
    FUZZ_REQUIRE(file.readRecords() == whole);
    const std::vector<QByteArray> raw = file.readAllRaw();
    FUZZ_REQUIRE(qint64(raw.size()) == count);

    qint64 n = 0;
    file.forEachRecord([&](const QByteArray &rec) {
        FUZZ_REQUIRE(rec == raw[size_t(n)]);
        FUZZ_REQUIRE(rec == file.readRaw(n));
        ++n;
    });
    FUZZ_REQUIRE(n == count);
    FUZZ_REQUIRE(file.readRaw(count).isEmpty());

    for (const QByteArray &rec : raw) {
        FUZZ_REQUIRE(rec.size() == recordSize);
        const QByteArray once = settledAs(kindIndex, rec);
        if (kindIndex < BankKinds) {
            const FileKind kind = fileKindOf(QString::fromLatin1(FileNames[kindIndex]));
            checkBankRecord(rec, kind);
            QByteArray canonical;
            appendCanonicalRecord(canonical, rec.constData(), kind);
            FUZZ_REQUIRE(canonical == once);
        }
    }

    // A rewrite keeps the whole records and drops a partial last one.
    file.rewriteRaw(raw);
    FUZZ_REQUIRE(fileBytes(file.path()) == whole);
    return 0;
}
