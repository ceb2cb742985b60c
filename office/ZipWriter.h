#pragma once
#include <QByteArray>
#include <QString>

#include <vector>

// A zip archive made in memory, as the Office Open XML packages need it: each
// part deflated (stored when that would not be smaller), names in UTF-8, the
// time of writing as every part's date. Throws TrivoError if zlib fails.
struct ZipPart
{
    QString name;
    QByteArray bytes;
};
QByteArray zipArchive(const std::vector<ZipPart> &parts);
