#include "xmltree.h"

#include <QXmlStreamReader>
#include <zip.h>

namespace
{

struct ZipReader {
    zip_t *archive = nullptr;
    explicit ZipReader(const QByteArray &bytes)
    {
        zip_error_t err;
        zip_error_init(&err);
        zip_source_t *src = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &err);
        if (src && !(archive = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err)))
            zip_source_free(src);
        zip_error_fini(&err);
    }
    ~ZipReader()
    {
        if (archive)
            zip_discard(archive);
    }
};

void collect(const XmlNode &n, const QString &name, std::vector<const XmlNode *> &out)
{
    for (const auto &c : n.children) {
        if (c.name == name)
            out.push_back(&c);
        collect(c, name, out);
    }
}

} // namespace

QStringList zipEntryNames(const QByteArray &zip)
{
    ZipReader z(zip);
    QStringList names;
    if (!z.archive)
        return names;
    const zip_int64_t n = zip_get_num_entries(z.archive, 0);
    for (zip_int64_t i = 0; i < n; ++i)
        names << QString::fromUtf8(zip_get_name(z.archive, zip_uint64_t(i), 0));
    return names;
}

QByteArray zipEntry(const QByteArray &zip, const QString &name)
{
    ZipReader z(zip);
    QByteArray out;
    if (!z.archive)
        return out;
    zip_stat_t st;
    const QByteArray n = name.toUtf8();
    if (zip_stat(z.archive, n.constData(), 0, &st) != 0)
        return out;
    zip_file_t *f = zip_fopen(z.archive, n.constData(), 0);
    if (!f)
        return out;
    out.resize(qsizetype(st.size));
    if (zip_fread(f, out.data(), st.size) != zip_int64_t(st.size))
        out.clear();
    zip_fclose(f);
    return out;
}

std::vector<const XmlNode *> XmlNode::all(const QString &n) const
{
    std::vector<const XmlNode *> out;
    collect(*this, n, out);
    return out;
}

const XmlNode *XmlNode::child(const QString &n) const
{
    for (const auto &c : children)
        if (c.name == n)
            return &c;
    return nullptr;
}

XmlNode parseXml(const QByteArray &xml, QString *error)
{
    QXmlStreamReader r(xml);
    XmlNode root;
    std::vector<XmlNode *> stack{&root};
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement: {
            XmlNode n;
            n.name = r.qualifiedName().toString();
            for (const auto &a : r.attributes())
                n.attributes.insert(a.qualifiedName().toString(), a.value().toString());
            stack.back()->children.push_back(std::move(n));
            stack.push_back(&stack.back()->children.back());
            break;
        }
        case QXmlStreamReader::EndElement:
            stack.pop_back();
            break;
        case QXmlStreamReader::Characters:
            stack.back()->text += r.text();
            break;
        default:
            break;
        }
    }
    if (error)
        *error = r.hasError() ? r.errorString() : QString();
    return root;
}

QStringList sharedStrings(const QByteArray &xlsx)
{
    QString error;
    const XmlNode root = parseXml(zipEntry(xlsx, QStringLiteral("xl/sharedStrings.xml")), &error);
    QStringList out;
    for (const XmlNode *si : root.all(QStringLiteral("si"))) {
        QString text;
        for (const XmlNode *t : si->all(QStringLiteral("t")))
            text += t->text;
        out << text;
    }
    return out;
}
