#include "choices.h"
#include "journal.h"
#include "pupilpages.h"

#include <QSqlQuery>

namespace
{
QStringList distinct(Journal &journal, const char *column, const ResultFilter &scope)
{
    QStringList out;
    if (!journal.open())
        return out;
    const Journal::Bounded step(journal);
    QSqlQuery q(journal.database());
    ResultFilter f;
    f.userCode = scope.userCode;
    f.ownPupil = scope.ownPupil;
    f.withPractice = scope.withPractice;
    const SqlCondition c = conditionOf(f);
    q.prepare(QStringLiteral("SELECT DISTINCT r.%1 FROM results r%2 ORDER BY r.%1").arg(QLatin1String(column), c.sql));
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    if (q.exec())
        while (q.next())
            out << q.value(0).toString();
    return out;
}
} // namespace

JournalChoices journalChoices(Journal &journal, const ResultFilter &scope)
{
    return {distinct(journal, "subject", scope), distinct(journal, "topic", scope), journalClasses(journal, scope)};
}

std::optional<int> resultCount(Journal &journal, const ResultFilter &filter)
{
    if (!journal.open())
        return std::nullopt;
    const Journal::Bounded step(journal);
    QSqlQuery q(journal.database());
    const SqlCondition c = conditionOf(filter);
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM results r") + c.sql);
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toInt();
}

std::vector<int> gradeCounts(Journal &journal, const ResultFilter &filter)
{
    std::vector<int> counts(4, 0);
    if (!journal.open())
        return counts;
    const Journal::Bounded step(journal);
    QSqlQuery q(journal.database());
    // Practice earns no grade, whatever the filter shows.
    ResultFilter graded = filter;
    graded.withPractice = false;
    const SqlCondition c = conditionOf(graded);
    q.prepare(QStringLiteral("SELECT r.grade, COUNT(*) FROM results r%1 GROUP BY r.grade").arg(c.sql));
    for (const QVariant &v : c.values)
        q.addBindValue(v);
    if (q.exec())
        while (q.next()) {
            const int g = q.value(0).toString().toInt();
            if (g >= 2 && g <= 5)
                counts[size_t(g - 2)] = q.value(1).toInt();
        }
    return counts;
}
