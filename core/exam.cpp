#include "exam.h"
#include "errors.h"
#include "text.h"

#include <QHash>

namespace
{
QString topicKey(const QString &predm, const QString &tema)
{
    return trimmed(predm) + u'\x1f' + trimmed(tema);
}
} // namespace

std::vector<QStringList> examRows(const RecordFile &exam)
{
    std::vector<QStringList> rows;
    for (const ExamRec &r : exam.readAll<ExamRec>())
        rows.push_back({r.Predm, r.Tema, r.Nazwan, r.Woprosov, r.Nado});
    return rows;
}

void countTopicQuestions(std::vector<QStringList> &rows, const RecordFile &wopros)
{
    QHash<QString, int> counts;
    for (const QStringList &r : rows)
        counts.insert(topicKey(r.value(0), r.value(1)), 0);
    for (const WoprosRec &q : wopros.readAll<WoprosRec>()) {
        const auto it = counts.find(topicKey(q.Predm, q.Tema));
        if (it != counts.end())
            ++*it;
    }
    for (QStringList &r : rows) {
        while (r.size() < 5)
            r.append(QString());
        r[3] = QString::number(counts.value(topicKey(r.value(0), r.value(1))));
    }
}

QString nadoFor(const QString &woprosov, const QString &k)
{
    const int q = toIntOrThrow(woprosov);
    const int take = toIntOrThrow(trimmed(k));
    return q < take ? woprosov : QString::number(take);
}

void storeExam(const RecordFile &exam, const std::vector<QStringList> &rows)
{
    std::vector<ExamRec> recs;
    for (const QStringList &r : rows)
        recs.push_back(
            {trimmed(r.value(0)), trimmed(r.value(1)), trimmed(r.value(2)), trimmed(r.value(3)), trimmed(r.value(4))});
    exam.rewrite(recs);
}

std::vector<bool> drawPositions(int n, int k, RandomGen &gen)
{
    n = std::max(n, 0);
    k = std::clamp(k, 0, n);
    std::vector<bool> flagged(size_t(n), false);
    for (int got = 0; got < k;) {
        const qint64 d = gen.draw(n);
        if (d >= 0 && d < n && !flagged[size_t(d)]) {
            flagged[size_t(d)] = true;
            ++got;
        }
    }
    return flagged;
}

std::vector<WoprosRec> drawExamQuestions(const std::vector<ExamRec> &composition,
                                         const std::vector<WoprosRec> &questions, RandomGen &gen)
{
    QHash<QString, std::vector<int>> byTopic;
    for (int i = 0; i < int(questions.size()); ++i)
        byTopic[topicKey(questions[size_t(i)].Predm, questions[size_t(i)].Tema)].push_back(i);
    std::vector<WoprosRec> drawn;
    for (const ExamRec &e : composition) {
        const int n = toIntOrThrow(e.Woprosov);
        const int k = toIntOrThrow(e.Nado);
        const std::vector<bool> flagged = drawPositions(n, k, gen);
        const std::vector<int> &mine = byTopic.value(topicKey(e.Predm, e.Tema));
        for (size_t p = 0; p < flagged.size() && p < mine.size(); ++p)
            if (flagged[p])
                drawn.push_back(questions[size_t(mine[p])]);
    }
    return drawn;
}
