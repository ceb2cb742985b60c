#include "PackageParts.h"

QByteArray contentTypesPart(const std::vector<std::pair<QByteArray, QByteArray>> &partAndType)
{
    QByteArray out = QByteArray(xmlHead) +
                     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                     "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    for (const auto &[part, type] : partAndType)
        out += "<Override PartName=\"" + part + "\" ContentType=\"" + type + "\"/>";
    return out + "</Types>";
}

QByteArray relationshipsPart(const std::vector<std::pair<QByteArray, QByteArray>> &typeAndTarget)
{
    QByteArray out = QByteArray(xmlHead) +
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    int id = 0;
    for (const auto &[type, target] : typeAndTarget)
        out += "<Relationship Id=\"rId" + QByteArray::number(++id) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type +
               "\" Target=\"" + target + "\"/>";
    return out + "</Relationships>";
}
