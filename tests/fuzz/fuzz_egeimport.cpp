// The state-exam layout over any file: every line is marked, the scratch file
// keeps the marked records as they are, and the joined rows are staging rows
// that decode into questions of at most the options the main window shows.
#include "banktables.h"
#include "decoder.h"
#include "egeimport.h"
#include "errors.h"
#include "fuzzkit.h"
#include "interchangekit.h"
#include "recordfile.h"
#include "textimport.h"

#include <QHash>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList lines;
    try {
        lines = importLinesOf(bytesOf(data, size));
    } catch (const TrivoError &) {
        return 0;
    }
    const std::vector<EgeRec> marked = markEgeLines(lines);
    FUZZ_REQUIRE(marked.size() == size_t(lines.size()) + 1);
    FUZZ_REQUIRE(marked.back().Kod_P == EgeMark::End);
    for (const EgeRec &r : marked) {
        const EgeRec back = EgeRec::decode(r.encode());
        FUZZ_REQUIRE(back.Kod_P == r.Kod_P.left(5));
        FUZZ_REQUIRE(back.Nazwan == r.Nazwan.left(210) || r.Nazwan.contains(QChar(0xFFFD)) ||
                     back.Nazwan.contains(u'?'));
    }

    // The scratch file holds what was marked, record for record.
    const QString scratch = scratchPath(QStringLiteral("EGE.dat"));
    clearEgeScratch(scratch);
    writeEgeScratch(scratch, marked);
    const std::vector<QByteArray> stored = RecordFile(scratch, EgeRec::Size).readAllRaw();
    FUZZ_REQUIRE(stored.size() == marked.size());
    std::vector<EgeRec> reread;
    for (size_t i = 0; i < stored.size(); ++i) {
        FUZZ_REQUIRE(stored[i] == marked[i].encode());
        reread.push_back(EgeRec::decode(stored[i]));
    }

    const std::vector<QStringList> rows = joinEgeRecords(reread);
    qint64 count = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        FUZZ_REQUIRE(rows[r].size() == StagingCol::Count);
        if (r == 0 || rows[r][StagingCol::Wopr].isEmpty())
            continue;
        bool ok = false;
        const qint64 n = rows[r][StagingCol::Wopr].toLongLong(&ok);
        FUZZ_REQUIRE(ok && n >= count);
        count = n;
    }

    BankTables t;
    setStagingRows(t.IzTXT, rows);
    const DecodeResult d = decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
    FUZZ_REQUIRE(t.WopTabl.rowCount() - 1 == d.questions);
    QHash<QString, int> options;
    for (int a = 1; a < t.OtwTabl.rowCount(); ++a)
        ++options[t.OtwTabl.cell(3, a)];
    for (int q = 1; q < t.WopTabl.rowCount(); ++q)
        FUZZ_REQUIRE(options.value(t.WopTabl.cell(3, q)) <= MaxItemOptions);
    return 0;
}
