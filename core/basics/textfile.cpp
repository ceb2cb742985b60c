#include "textfile.h"
#include "durablefile.h"
#include "errors.h"
#include "text.h"

#include <QFile>
#include <QFileInfo>

QStringList readCp1251Lines(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        throw TrivoError(fileNotFoundText());
    if (!f.open(QIODevice::ReadOnly))
        throw TrivoError(cannotReadText(QFileInfo(path).fileName(), f.errorString()));
    const QString all = fromCp1251(f.readAll());
    QStringList lines = all.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the terminator of the last line does not start another one
    for (QString &l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
    return lines;
}

void writeCp1251Lines(const QString &path, const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines) {
        out += toCp1251(l);
        out += "\r\n";
    }
    replaceFile(path, out);
}
