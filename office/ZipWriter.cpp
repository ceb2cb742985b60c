#include "ZipWriter.h"
#include "WritersModule.h"
#include "errors.h"

QByteArray zipArchive(const std::vector<ZipPart> &parts)
{
    QByteArray archive;
    QString error;
    if (!writersModule().zipArchive(&parts, &archive, &error))
        throw TrivoError(QStringLiteral("Не удалось упаковать документ: %1").arg(error));
    return archive;
}

std::vector<std::optional<QByteArray>> unzipParts(const QByteArray &archive, const QStringList &names, qint64 limit)
{
    std::vector<std::optional<QByteArray>> parts;
    QString error;
    if (!writersModule().unzipParts(&archive, &names, limit, &parts, &error))
        throw TrivoError(error);
    return parts;
}

bool unzipPartsInto(const QByteArray &archive, const QStringList &names, qint64 limit,
                    std::vector<std::optional<QByteArray>> &parts, QString &error)
{
    try {
        parts = unzipParts(archive, names, limit);
        return true;
    } catch (const TrivoError &e) {
        error = e.text();
        return false;
    }
}
