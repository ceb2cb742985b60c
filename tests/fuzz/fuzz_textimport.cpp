// The import window's simple layouts over any file: the file read from disk
// and from memory gives the same lines, within the import's limits; staging
// gives rows of seven cells with the question count never going back; and the
// decoded topic keeps at most the options the main window shows per question.
#include "banktables.h"
#include "decoder.h"
#include "errors.h"
#include "fuzzkit.h"
#include "interchangekit.h"
#include "text.h"
#include "textimport.h"

#include <QHash>

namespace
{

void checkLines(const QStringList &lines)
{
    FUZZ_REQUIRE(lines.size() <= MaxImportLines);
    for (const QString &l : lines) {
        FUZZ_REQUIRE(!l.isEmpty() && l == trimmed(l));
        // A line is cut by its characters; a stray UTF-8 continuation byte after
        // a byte-order mark is not counted as one, but reads as U+FFFD.
        FUZZ_REQUIRE(l.size() <= ImportLineLength || l.contains(QChar(0xFFFD)));
    }
}

void checkStaging(const std::vector<QStringList> &rows, const QStringList &lines, bool linesKept)
{
    FUZZ_REQUIRE(!rows.empty());
    FUZZ_REQUIRE(rows.size() == size_t(lines.size()) + 1); // and the free row to type into
    qint64 count = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        FUZZ_REQUIRE(rows[r].size() == StagingCol::Count);
        if (r == 0 || r + 1 == rows.size())
            continue;
        FUZZ_REQUIRE(!linesKept || rows[r][StagingCol::Nazwan] == importLine(lines[qsizetype(r)]));
        bool ok = false;
        const qint64 n = rows[r][StagingCol::Wopr].toLongLong(&ok);
        FUZZ_REQUIRE(ok && n >= count);
        count = n;
    }
}

void checkDecoded(const std::vector<QStringList> &rows)
{
    BankTables t;
    setStagingRows(t.IzTXT, rows);
    const DecodeResult r = decodeStaging(t.IzTXT, t.TemaTabl, t.WopTabl, t.OtwTabl);
    FUZZ_REQUIRE(!r.appended);
    FUZZ_REQUIRE(t.WopTabl.rowCount() - 1 == r.questions);
    FUZZ_REQUIRE(t.OtwTabl.rowCount() - 1 == r.answers);
    QHash<QString, int> options;
    for (int a = 1; a < t.OtwTabl.rowCount(); ++a)
        ++options[t.OtwTabl.cell(3, a)];
    for (int q = 1; q < t.WopTabl.rowCount(); ++q) {
        FUZZ_REQUIRE(t.WopTabl.cell(3, q) == QString::number(q));
        FUZZ_REQUIRE(options.value(t.WopTabl.cell(3, q)) <= MaxItemOptions);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    ImportText fromMemory, fromFile;
    bool refused = false;
    try {
        fromMemory = importTextOf(bytes);
    } catch (const TrivoError &) {
        refused = true;
    }
    try {
        fromFile = readImportText(putFile(QStringLiteral("import.txt"), bytes));
        FUZZ_REQUIRE(!refused);
    } catch (const TrivoError &) {
        FUZZ_REQUIRE(refused);
        return 0;
    }
    FUZZ_REQUIRE(fromFile.lines == fromMemory.lines);
    FUZZ_REQUIRE(fromFile.encoding == fromMemory.encoding);
    checkLines(fromMemory.lines);

    // The digit-led layout keeps each line as it is; the w-led one puts its letters in.
    const std::vector<QStringList> digitLed = stageDigitLed(fromMemory.lines);
    checkStaging(digitLed, fromMemory.lines, true);
    checkDecoded(digitLed);
    const std::vector<QStringList> wLed = stageWLed(fromMemory.lines);
    checkStaging(wLed, fromMemory.lines, false);
    checkDecoded(wLed);
    return 0;
}
