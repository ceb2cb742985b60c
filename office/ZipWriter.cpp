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
