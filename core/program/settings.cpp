#include "settings.h"
#include "errors.h"
#include "text.h"
#include "textfile.h"

#include <QFileInfo>

NoKor NoKor::defaults()
{
    NoKor n;
    n.lines = {QStringLiteral("Trivo"), QStringLiteral("Qdx"), QStringLiteral("clGradientActiveCaption"),
               QStringLiteral("2003"),  QStringLiteral("30"),  QStringLiteral("5"),
               QStringLiteral("55"),    QStringLiteral("70"),  QStringLiteral("85"),
               QStringLiteral("5")};
    return n;
}

NoKor NoKor::readOrCreate(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        NoKor d = defaults();
        d.write(path);
        return d;
    }
    NoKor n;
    n.lines = readCp1251Lines(path).mid(0, LineCount);
    while (n.lines.size() < LineCount)
        n.lines.append(QString());
    return n;
}

void NoKor::write(const QString &path) const
{
    writeCp1251Lines(path, lines);
}

int NoKor::number(Line l) const
{
    qint64 v = 0;
    if (!parseInt(text(l), v))
        throw TrivoError(invalidNumericInputText());
    return int(v);
}

ColorCode NoKor::colour() const
{
    return colorFromNameOrThrow(text(MainColour));
}

namespace
{
constexpr int EntryWidth = 20;

struct Entry {
    QString key, value;
};

Entry entryOf(const QString &line)
{
    const qsizetype blank = line.indexOf(u' ');
    if (blank < 0)
        return {};
    return {line.left(blank).left(EntryWidth), trimmed(line.mid(blank + 1, EntryWidth))};
}
} // namespace

// The colour file is rewritten whole at every store: its lines become entries
// (a line without a blank an empty entry), the first entry whose key begins
// with the given key takes the key and the value, or a new entry is added.
// CwetFona.qdx may be missing; it then counts as empty.
void ZapParam(const QString &path, const QString &value, const QString &key)
{
    QStringList lines;
    if (QFileInfo::exists(path))
        lines = readCp1251Lines(path);

    std::vector<Entry> entries;
    for (const QString &l : lines)
        entries.push_back(entryOf(l));

    const QString k = key.left(EntryWidth);
    size_t found = entries.size();
    if (!k.isEmpty())
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].key.startsWith(k)) {
                found = i;
                break;
            }
    const Entry stored{k, value.left(EntryWidth)};
    if (found < entries.size())
        entries[found] = stored;
    else
        entries.push_back(stored);

    QStringList out;
    for (const Entry &e : entries)
        out.append(trimmed(e.key) + u' ' + trimmed(e.value));
    writeCp1251Lines(path, out);
}

std::vector<SavedColour> savedColours(const QStringList &lines)
{
    std::vector<SavedColour> out;
    for (const QString &l : lines)
        for (const QString &key : {QStringLiteral("Form1"), QStringLiteral("Otwet")})
            if (l.startsWith(key))
                out.push_back({key, trimmed(l.mid(6, EntryWidth))});
    return out;
}

WinDos WinDos::read(const QString &path)
{
    const QStringList l = readCp1251Lines(path);
    return {l.value(0), l.value(1)};
}
