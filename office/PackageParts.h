#pragma once
#include <QByteArray>

#include <utility>
#include <vector>

// The bookkeeping parts every Office Open XML package (.docx, .xlsx) holds
// beside its content.

// The declaration that opens every XML part.
inline constexpr char xmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

// [Content_Types].xml: relationship and plain XML parts by their extension,
// then each named part with its content type.
QByteArray contentTypesPart(const std::vector<std::pair<QByteArray, QByteArray>> &partAndType);

// A relationships part: rId1, rId2, ... of the given types (the last word of
// the standard relationship type, e.g. "officeDocument") and targets.
QByteArray relationshipsPart(const std::vector<std::pair<QByteArray, QByteArray>> &typeAndTarget);
