// The bank checker over a subject folder of any five bank files (one input
// holds them, split at PartSeparator lines): it reports, it does not fail, and
// every finding names a bank file or Foto and a row that file has.
#include "bankcheck.h"
#include "errors.h"
#include "fuzzkit.h"
#include "records.h"

#include <QDir>
#include <QHash>

namespace
{

struct BankFile {
    const char *name;
    int recordSize;
};
const BankFile Files[] = {{"Predmet.dat", PredmetRec::Size},
                          {"Tema.dat", TemaRec::Size},
                          {"Wopros.dat", WoprosRec::Size},
                          {"Otwet.dat", OtwetRec::Size},
                          {"Exam.dat", ExamRec::Size}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<QByteArray> parts = partsOf(bytesOf(data, size), 5);
    const QString folder = scratchPath(QStringLiteral("Subject"));
    QDir(folder).mkpath(QStringLiteral("Foto"));
    QHash<QString, qsizetype> rows;
    for (int i = 0; i < 5; ++i) {
        const QString name = QString::fromLatin1(Files[i].name);
        putFile(QStringLiteral("Subject/") + name, parts[size_t(i)]);
        // A partial last record is reported at the row after the whole ones.
        const qsizetype bytes = parts[size_t(i)].size();
        rows.insert(name, bytes / Files[i].recordSize + (bytes % Files[i].recordSize != 0));
    }
    // A picture and an explanation file that records may name.
    putFile(QStringLiteral("Subject/Foto/1.bmp"), "BM");
    putFile(QStringLiteral("Subject/Foto/1.txt"), "x");

    std::vector<BankFinding> findings;
    try {
        findings = checkBank(folder);
    } catch (const TrivoError &) {
        return 0; // a folder that holds no bank at all is refused, not checked
    }
    int lastRank = 0;
    for (const BankFinding &f : findings) {
        FUZZ_REQUIRE(!f.message.isEmpty());
        FUZZ_REQUIRE(!findingLine(f).isEmpty());
        if (f.file == u"Foto") {
            FUZZ_REQUIRE(f.record == 0);
            continue;
        }
        FUZZ_REQUIRE(rows.contains(f.file));
        if (f.record < 1 || f.record > rows.value(f.file)) {
            std::fprintf(stderr, "%s (%lld rows)\n", qUtf8Printable(findingLine(f)), qlonglong(rows.value(f.file)));
            fuzzFailed("a finding names a row of its file", __FILE__, __LINE__);
        }
        int rank = 0;
        while (QString::fromLatin1(Files[rank].name) != f.file)
            ++rank;
        FUZZ_REQUIRE(rank >= lastRank); // file by file, in the order of the bank
        lastRank = rank;
    }
    return 0;
}
