// A class list from any bytes: as text, as a workbook, and as a sheet with
// its table of texts (the input's two parts). Whatever the file, the list
// keeps its limits, every pupil in it has a name and a class that looks like
// one, and a list with a problem names it; reading the file from disk gives
// what the bytes give.
#include "classlist.h"
#include "fuzzkit.h"

// The writers' module's unpacking, linked in.
extern "C" bool trivoUnzipParts(const QByteArray *archive, const QStringList *names, qint64 limit,
                                std::vector<std::optional<QByteArray>> *parts, QString *error);

namespace
{
bool unzip(const QByteArray &archive, const QStringList &names, qint64 limit,
           std::vector<std::optional<QByteArray>> &parts, QString &error)
{
    return trivoUnzipParts(&archive, &names, limit, &parts, &error);
}

void check(const ClassList &list)
{
    FUZZ_REQUIRE(list.pupils.size() <= size_t(ClassListLimits::rows));
    for (const ClassListPupil &p : list.pupils) {
        FUZZ_REQUIRE(!p.fio.isEmpty() && p.fio.size() <= ClassListLimits::fioLength && p.fio == p.fio.simplified());
        FUZZ_REQUIRE(!p.className.isEmpty() && p.className.size() <= ClassListLimits::classLength);
        FUZZ_REQUIRE(p.className.front().isDigit() && !p.className.contains(u' '));
        FUZZ_REQUIRE(p.row > 0);
    }
    FUZZ_REQUIRE(list.ok() == classListProblemsText(list).isEmpty());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const ClassList text = classListOfText(bytes);
    check(text);
    const ClassList book = classListOfWorkbook(bytes, unzip);
    check(book);
    const std::vector<QByteArray> parts = partsOf(bytes, 2);
    check(classListOfSheet(parts[0], parts[1]));

    const ClassList fromFile = readClassList(putFile(QStringLiteral("list"), bytes), unzip);
    if (!bytes.startsWith("\xD0\xCF\x11\xE0")) {
        const ClassList &same = bytes.startsWith("PK\x03\x04") ? book : text;
        FUZZ_REQUIRE(fromFile.problems == same.problems && fromFile.pupils.size() == same.pupils.size());
    }
    return 0;
}
