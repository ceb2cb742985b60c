#include "resultfilter.h"
#include "schema.h"

#include <QStringList>

namespace
{
// The text as a LIKE pattern that matches it literally anywhere.
QString containsPattern(QString s)
{
    s.replace(u'\\', QStringLiteral("\\\\"));
    s.replace(u'%', QStringLiteral("\\%"));
    s.replace(u'_', QStringLiteral("\\_"));
    return u'%' + s + u'%';
}
} // namespace

SqlCondition conditionOf(const ResultFilter &f)
{
    QStringList parts;
    SqlCondition c;
    auto add = [&](const char *sql, const QVariant &v) {
        parts << QLatin1String(sql);
        c.values << v;
    };
    // A part of a name is looked for among the pupils, few beside their results.
    if (!f.pupil.isEmpty() && f.pupilExact)
        add("r.pupil_folded = ?", f.pupil.toCaseFolded());
    else if (!f.pupil.isEmpty())
        add("r.pupil_folded IN (SELECT p.pupil_folded FROM pupils p WHERE p.pupil_folded LIKE ? ESCAPE '\\')",
            containsPattern(f.pupil.toCaseFolded()));
    if (!f.className.isEmpty())
        add("r.class_name = ?", f.className);
    if (!f.subject.isEmpty())
        add("r.subject = ?", f.subject);
    if (!f.topic.isEmpty())
        add("r.topic = ?", f.topic);
    if (f.from.isValid())
        add("r.started >= ?", storedDayStart(f.from));
    if (f.to.isValid())
        add("r.started < ?", storedDayStart(f.to.addDays(1)));
    if (!f.grade.isEmpty())
        add("r.grade = ?", f.grade);
    if (!f.userCode.isEmpty())
        add("r.user_code = ?", f.userCode);
    if (!f.ownPupil.isEmpty())
        add("r.pupil_folded = ?", f.ownPupil.toCaseFolded());
    // Written so that no query looks runs up by it (see results_practice).
    if (!f.withPractice || !f.grade.isEmpty())
        parts << QStringLiteral("NOT r.practice");
    // An earlier run of the pupil's in the topic, by its start and then its
    // id, makes a run a repeat; found through the index by pupil and subject.
    if (f.firstAttempts)
        parts << QStringLiteral("NOT EXISTS (SELECT 1 FROM results e WHERE e.pupil_folded = r.pupil_folded"
                                " AND e.subject = r.subject AND e.started <= r.started AND e.topic = r.topic"
                                " AND NOT e.practice AND (e.started < r.started OR e.id < r.id))");
    if (!parts.isEmpty())
        c.sql = QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
    return c;
}
