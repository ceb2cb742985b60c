// NoKor.qdx and Win_Dos.qdx as any bytes: the settings always have their ten
// lines, a number or colour that is none is refused with the program's error,
// and writing the settings and reading them again gives the same lines.
#include "errors.h"
#include "fuzzkit.h"
#include "settings.h"
#include "textfile.h"

namespace
{

// What a line becomes once written: a character without a cp1251 form turns to "?".
QString written(QString line)
{
    return line.replace(QChar(0xFFFD), u'?');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const NoKor n = NoKor::readOrCreate(putFile(QStringLiteral("NoKor.qdx"), bytes));
    FUZZ_REQUIRE(n.lines.size() == NoKor::LineCount);
    for (int l = NoKor::BaseTime; l <= NoKor::Limit; ++l)
        try {
            n.number(NoKor::Line(l));
        } catch (const TrivoError &) {
        }
    try {
        n.colour();
    } catch (const TrivoError &) {
    }

    const QString copy = scratchPath(QStringLiteral("NoKor2.qdx"));
    n.write(copy);
    const NoKor back = NoKor::readOrCreate(copy);
    FUZZ_REQUIRE(back.lines.size() == NoKor::LineCount);
    for (int i = 0; i < NoKor::LineCount; ++i)
        FUZZ_REQUIRE(back.lines[i] == written(n.lines[i]));
    // Written once, the file is read and written again byte for byte.
    back.write(copy);
    const QByteArray once = fileBytes(copy);
    NoKor::readOrCreate(copy).write(copy);
    FUZZ_REQUIRE(fileBytes(copy) == once);

    const WinDos w = WinDos::read(putFile(QStringLiteral("Win_Dos.qdx"), bytes));
    const QStringList lines = readCp1251Lines(scratchPath(QStringLiteral("Win_Dos.qdx")));
    FUZZ_REQUIRE(w.target == lines.value(0) && w.source == lines.value(1));
    return 0;
}
