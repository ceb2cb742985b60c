#pragma once
#include <QByteArray>
#include <QString>
#include <QStringView>

class DocumentModel;

// The document as an Office Open XML word-processing file: the three parts a
// reader needs ([Content_Types].xml, _rels/.rels, word/document.xml), zipped.

// The zipped package; throws TrivoError when the archive cannot be made.
QByteArray docxPackage(const DocumentModel &document);
// The main part, word/document.xml.
QByteArray documentXml(const DocumentModel &document);
// Text made safe for XML character data and attribute values: the five special
// characters escaped, characters that XML does not allow at all left out.
QString xmlEscaped(QStringView text);
