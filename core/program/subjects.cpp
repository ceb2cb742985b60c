#include "subjects.h"
#include "errors.h"
#include "installfolder.h"
#include "text.h"

PapkaRec defaultSubject()
{
    return {1, QStringLiteral("История"), QStringLiteral("Istoriy"), 52, 2562, 9600};
}

std::vector<PapkaRec> openSubjects(const RecordFile &papka)
{
    if (!papka.exists())
        papka.rewrite(std::vector<PapkaRec>{defaultSubject()});
    return papka.readAll<PapkaRec>();
}

std::optional<PapkaRec> findSubject(const RecordFile &papka, const QString &name)
{
    const QString wanted = trimmed(name);
    for (const PapkaRec &r : papka.readAll<PapkaRec>())
        if (trimmed(r.Nazwan) == wanted)
            return r;
    return std::nullopt;
}

QStringList subjectRow(const PapkaRec &r)
{
    return {QString::number(r.Nomer),  r.Nazwan, r.Papka, QString::number(r.Tem), QString::number(r.Woprosov),
            QString::number(r.Otwetov)};
}

std::vector<PapkaRec> subjectsFromRows(const std::vector<QStringList> &rows)
{
    std::vector<PapkaRec> out;
    for (const QStringList &c : rows)
        out.push_back({toIntOrThrow(c.value(0)), c.value(1), c.value(2), toIntOrThrow(c.value(3)),
                       toIntOrThrow(c.value(4)), toIntOrThrow(c.value(5))});
    return out;
}

void storeSubjects(const RecordFile &papka, const std::vector<QStringList> &rows)
{
    const auto recs = subjectsFromRows(rows);
    if (recs.empty())
        throw TrivoError(QStringLiteral("В списке нет ни одного предмета: список не записан."));
    for (const PapkaRec &r : recs)
        if (const QString problem = subjectFolderProblem(r.Nazwan, r.Papka); !problem.isEmpty())
            throw TrivoError(problem);
    papka.rewrite(recs);
}
