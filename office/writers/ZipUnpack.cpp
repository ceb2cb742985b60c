// Reading parts of a zip archive held in memory (a workbook brought by a
// teacher), by libzip, each part within a limit however the archive declares
// its sizes.
#include "WritersModule.h"

#include <memory>
#include <zip.h>

namespace
{
struct ArchiveDiscard {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveDiscard>;

struct FileClose {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
using File = std::unique_ptr<zip_file_t, FileClose>;

QString reason(zip_error_t *error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

// The part's bytes, read until the limit is passed: the sizes an archive
// states are not trusted.
bool unpack(zip_t *archive, const QString &name, qint64 limit, std::optional<QByteArray> &part, QString &error)
{
    File f(zip_fopen(archive, name.toUtf8().constData(), 0));
    if (!f) {
        if (zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_NOENT)
            return true;
        error = QStringLiteral("часть %1 не читается (%2)").arg(name, reason(zip_get_error(archive)));
        return false;
    }
    QByteArray out;
    char buffer[65536];
    zip_int64_t n = 0;
    while ((n = zip_fread(f.get(), buffer, sizeof buffer)) > 0) {
        if (out.size() + n > limit) {
            error = QStringLiteral("часть %1 больше %2 МБ").arg(name).arg(limit >> 20);
            return false;
        }
        out.append(buffer, qsizetype(n));
    }
    if (n < 0) {
        error = QStringLiteral("часть %1 повреждена (%2)").arg(name, reason(zip_file_get_error(f.get())));
        return false;
    }
    part = std::move(out);
    return true;
}
} // namespace

extern "C" Q_DECL_EXPORT bool trivoUnzipParts(const QByteArray *archive, const QStringList *names, qint64 limit,
                                              std::vector<std::optional<QByteArray>> *parts, QString *error)
{
    try {
        parts->assign(size_t(names->size()), std::nullopt);
        zip_error_t failure;
        zip_error_init(&failure);
        zip_source_t *source =
            zip_source_buffer_create(archive->constData(), zip_uint64_t(archive->size()), 0, &failure);
        Archive zip(source ? zip_open_from_source(source, ZIP_RDONLY, &failure) : nullptr);
        if (!zip) {
            *error = QStringLiteral("архив не читается (%1)").arg(reason(&failure));
            if (source)
                zip_source_free(source);
            zip_error_fini(&failure);
            return false;
        }
        zip_error_fini(&failure);
        for (qsizetype i = 0; i < names->size(); ++i)
            if (!unpack(zip.get(), names->at(i), limit, (*parts)[size_t(i)], *error))
                return false;
        return true;
    } catch (const std::bad_alloc &) {
        *error = QStringLiteral("не хватило памяти");
    }
    return false;
}
