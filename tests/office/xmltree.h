#pragma once
// Small helpers for the office tests: reading a zip held in memory and a
// minimal element tree of an XML part.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

QStringList zipEntryNames(const QByteArray &zip);
QByteArray zipEntry(const QByteArray &zip, const QString &name);

struct XmlNode {
    QString name; // qualified, e.g. "w:tc"
    QMap<QString, QString> attributes;
    QString text; // character data directly inside
    std::vector<XmlNode> children;

    // All descendants with that name, in document order.
    std::vector<const XmlNode *> all(const QString &n) const;
    const XmlNode *child(const QString &n) const;
    QString attribute(const QString &n) const { return attributes.value(n); }
};

// Parses xml; sets error to the reader's message when it is not well formed.
XmlNode parseXml(const QByteArray &xml, QString *error);

// The shared strings of a workbook (xl/sharedStrings.xml), by index.
QStringList sharedStrings(const QByteArray &xlsx);
