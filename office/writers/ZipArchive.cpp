// The zip archive of a package, made in memory by libzip.
#include "WritersModule.h"
#include "ZipWriter.h"

#include <ctime>
#include <memory>
#include <stdexcept>
#include <zip.h>

namespace
{
// A failure with libzip's reason; caught at the module's edge.
struct ZipFailure {
    QString why;
};

[[noreturn]] void fail(zip_error_t *error)
{
    throw ZipFailure{QString::fromLocal8Bit(zip_error_strerror(error))};
}

struct SourceFree {
    void operator()(zip_source_t *s) const { zip_source_free(s); }
};
using Source = std::unique_ptr<zip_source_t, SourceFree>;

struct ArchiveDiscard {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveDiscard>;

// The bytes libzip left in the in-memory source when the archive was closed.
QByteArray bytesOf(zip_source_t *source)
{
    if (zip_source_open(source) < 0)
        fail(zip_source_error(source));
    zip_stat_t st;
    zip_stat_init(&st);
    QByteArray out;
    bool ok = zip_source_stat(source, &st) == 0 && (st.valid & ZIP_STAT_SIZE);
    if (ok && st.size >= zip_uint64_t(0x7FFFFFFF)) {
        zip_source_close(source);
        throw ZipFailure{QStringLiteral("он больше 2 ГБ")};
    }
    if (ok) {
        out.resize(qsizetype(st.size));
        ok = zip_source_read(source, out.data(), st.size) == zip_int64_t(st.size);
    }
    if (!ok) {
        const QString why = QString::fromLocal8Bit(zip_error_strerror(zip_source_error(source)));
        zip_source_close(source);
        throw ZipFailure{why};
    }
    zip_source_close(source);
    return out;
}

QByteArray pack(const std::vector<ZipPart> &parts)
{
    zip_error_t error;
    zip_error_init(&error);
    // The archive is written into a buffer source that outlives it: closing
    // the archive would otherwise free the source with the bytes we want.
    Source memory(zip_source_buffer_create(nullptr, 0, 0, &error));
    Archive archive(memory ? zip_open_from_source(memory.get(), ZIP_TRUNCATE, &error) : nullptr);
    if (!archive) {
        const ZipFailure failure{QString::fromLocal8Bit(zip_error_strerror(&error))};
        zip_error_fini(&error);
        throw failure;
    }
    zip_error_fini(&error);
    zip_source_keep(memory.get());

    const time_t now = std::time(nullptr);
    for (const ZipPart &part : parts) {
        // The bytes stay alive in `parts` until the archive is closed; libzip's
        // default method deflates a part and stores one that would not shrink.
        zip_source_t *data =
            zip_source_buffer(archive.get(), part.bytes.constData(), zip_uint64_t(part.bytes.size()), 0);
        if (!data)
            fail(zip_get_error(archive.get()));
        const zip_int64_t index = zip_file_add(archive.get(), part.name.toUtf8().constData(), data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            fail(zip_get_error(archive.get()));
        }
        if (zip_file_set_mtime(archive.get(), zip_uint64_t(index), now, 0) < 0)
            fail(zip_get_error(archive.get()));
    }
    if (zip_close(archive.get()) < 0)
        fail(zip_get_error(archive.get()));
    archive.release(); // closed and freed
    return bytesOf(memory.get());
}
} // namespace

extern "C" Q_DECL_EXPORT bool trivoZipArchive(const std::vector<ZipPart> *parts, QByteArray *archive, QString *error)
{
    try {
        *archive = pack(*parts);
        return true;
    } catch (const ZipFailure &f) {
        *error = f.why;
    } catch (const std::bad_alloc &) {
        *error = QStringLiteral("не хватило памяти");
    }
    return false;
}

extern "C" Q_DECL_EXPORT int trivoWritersAbi()
{
    return writersAbi;
}
