#include "lessonrun.h"

#include "bank.h"

#include <QJsonArray>
#include <utility>

LessonRunData lessonRunData(const std::vector<ShownQuestion> &questions)
{
    LessonRunData data;
    for (const ShownQuestion &q : questions) {
        // The key names the question's place in the bank (its picture's name).
        const QStringList key = q.key.split(u'_');
        const QString predm = key.value(0), tema = key.value(1), test = key.value(2),
                      wopr = key.size() >= 4 ? key.value(3) : QString::number(q.position);
        data.questions.push_back({predm, tema, test, wopr, q.text, QString(), QString::number(q.points), QString()});
        auto add = [&](const QString &label, const QString &code, const QString &text) {
            data.options.push_back({predm, tema, test, wopr, label, code, text});
        };
        const QJsonObject &s = q.shown;
        if (s.contains(QLatin1String("left"))) { // matching: left items numbered, right ones bare
            int n = 0;
            for (const QJsonValue &v : s.value(QLatin1String("left")).toArray())
                add(QString::number(++n), QStringLiteral("-"), v.toString());
            for (const QJsonValue &v : s.value(QLatin1String("right")).toArray())
                add(QString(), QStringLiteral("+"), v.toString());
        } else if (s.contains(QLatin1String("groups"))) { // classification: the groups' numbers are on screen
            for (const QJsonValue &g : s.value(QLatin1String("groups")).toArray())
                add(g.toObject().value(QLatin1String("number")).toString(), QStringLiteral("-"),
                    g.toObject().value(QLatin1String("text")).toString());
            for (const QJsonValue &v : s.value(QLatin1String("items")).toArray())
                add(QStringLiteral("?"), QStringLiteral("+"), v.toString());
        } else if (s.contains(QLatin1String("options"))) { // ticks, or a number beside each when ranking
            const bool ranking = q.answerType == answerTypeText(AnswerType::Ranking);
            bool first = true;
            for (const QJsonValue &v : s.value(QLatin1String("options")).toArray()) {
                add(QString(), ranking && std::exchange(first, false) ? QStringLiteral("1") : QString(), v.toString());
            }
        } else { // a typed answer: the line to type into, the answer's text not there
            add(QString(), QStringLiteral("Ф"), QString());
        }
    }
    return data;
}
