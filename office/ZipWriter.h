#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include <vector>

// A zip archive made in memory by libzip, as the Office Open XML packages need
// it: the parts in the order given, each deflated (stored when that would not
// make it smaller), names in UTF-8, the time of writing as every part's date.
// Throws TrivoError when the archive cannot be made.
struct ZipPart {
    QString name;
    QByteArray bytes;
};
QByteArray zipArchive(const std::vector<ZipPart> &parts);

// The named parts of a zip archive in memory, unpacked by libzip: a part's
// bytes, nothing for a part it lacks. Throws TrivoError when the archive
// cannot be read, or a part is damaged or larger than limit bytes unpacked.
std::vector<std::optional<QByteArray>> unzipParts(const QByteArray &archive, const QStringList &names, qint64 limit);
// The same in the form a reader takes its unpacker in: false, with the
// reason in error, where unzipParts throws.
bool unzipPartsInto(const QByteArray &archive, const QStringList &names, qint64 limit,
                    std::vector<std::optional<QByteArray>> &parts, QString &error);
