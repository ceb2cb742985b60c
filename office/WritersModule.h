#pragma once
// The writers' module: the code that makes zip archives (libzip) and workbooks
// (libxlsxwriter) lives in a module of its own, loaded when a document is first
// written, so that the program does not load those libraries, and what they
// load, at every start. These are its entry points; the module and the
// program are built together, and writersAbi guards against an old module.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct Report;
struct WorkbookLayout;
struct ZipPart;

inline constexpr int writersAbi = 3;

extern "C" {
// writersAbi of the module's build.
using WritersAbiFunction = int (*)();
// Packs the parts into archive; false with the reason in error when it cannot.
using ZipArchiveFunction = bool (*)(const std::vector<ZipPart> *parts, QByteArray *archive, QString *error);
// Writes the report as a workbook at file (a scratch name the caller replaces
// the real file with), a sheet for each table named by sheetNames, in order;
// libxlsxwriter keeps its own temporary files in scratchFolder. False with
// the reason in error.
using WriteWorkbookFunction = bool (*)(const QString *file, const QString *scratchFolder, const QStringList *sheetNames,
                                       const Report *report, const WorkbookLayout *layout, QString *error);
// Unpacks the named parts of the zip archive: each part's bytes, nothing for
// a part the archive lacks. False with the reason in error (Russian) when the
// archive cannot be read, or a part is damaged or unpacks to more than limit bytes.
using UnzipPartsFunction = bool (*)(const QByteArray *archive, const QStringList *names, qint64 limit,
                                    std::vector<std::optional<QByteArray>> *parts, QString *error);
}

struct WritersModule {
    ZipArchiveFunction zipArchive = nullptr;
    WriteWorkbookFunction writeWorkbook = nullptr;
    UnzipPartsFunction unzipParts = nullptr;
};

// The module beside the program (../lib/trivo/modules from the folder of the running
// executable, in the build tree and when installed), loaded at the first call.
// Throws TrivoError with a Russian text when it is missing, damaged or does not fit.
const WritersModule &writersModule();
// Loads the module at path (for tests); throws like writersModule.
WritersModule loadWritersModule(const QString &path);
// Where writersModule looks for it.
QString writersModulePath();
