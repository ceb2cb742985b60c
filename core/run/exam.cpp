#include "exam.h"
#include "errors.h"
#include "text.h"

#include <QHash>

namespace
{
// Predm and Tema lead every record of a topic.
void topicKeyOf(const char *rec, const FileKind &kind, QByteArray &key)
{
    keyOf(rec, kind.recordSize, kind.layout, 2, key);
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
    QHash<QByteArray, int> counts;
    for (const QStringList &r : rows)
        counts.insert(keyOfCodes({r.value(0), r.value(1)}), 0);
    const FileKind kind = fileKindOf<WoprosRec>();
    QByteArray key;
    wopros.forEachRecord([&](const QByteArray &rec) {
        topicKeyOf(rec.constData(), kind, key);
        const auto it = counts.find(key);
        if (it != counts.end())
            ++*it;
    });
    for (QStringList &r : rows) {
        while (r.size() < 5)
            r.append(QString());
        r[3] = QString::number(counts.value(keyOfCodes({r.value(0), r.value(1)})));
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

QByteArray drawExamRecords(const RecordFile &exam, const RecordFile &wopros, RandomGen &gen)
{
    struct Topic {
        QByteArray key;
        QString woprosov, nado;
    };
    struct Candidates {
        qsizetype wanted = 0;      // the first this many questions can be drawn
        std::vector<qsizetype> at; // their record numbers
    };
    const FileKind examKind = fileKindOf<ExamRec>(), kind = fileKindOf<WoprosRec>();
    std::vector<Topic> composition;
    QHash<QByteArray, Candidates> byTopic;
    exam.forEachRecord([&](const QByteArray &rec) {
        const ExamRec e = ExamRec::decode(rec);
        Topic t{{}, e.Woprosov, e.Nado};
        topicKeyOf(rec.constData(), examKind, t.key);
        qint64 n = 0;
        Candidates &c = byTopic[t.key];
        if (parseInt(e.Woprosov, n))
            c.wanted = std::max<qsizetype>(c.wanted, qsizetype(n));
        composition.push_back(std::move(t));
    });

    const QByteArray questions = wopros.readRecords();
    const qsizetype count = questions.size() / kind.recordSize;
    QByteArray key;
    for (qsizetype i = 0; i < count; ++i) {
        topicKeyOf(questions.constData() + i * kind.recordSize, kind, key);
        const auto it = byTopic.find(key);
        if (it != byTopic.end() && qsizetype(it->at.size()) < it->wanted)
            it->at.push_back(i);
    }

    QByteArray drawn;
    for (const Topic &t : composition) {
        const int n = toIntOrThrow(t.woprosov);
        const int k = toIntOrThrow(t.nado);
        const std::vector<bool> flagged = drawPositions(n, k, gen);
        const std::vector<qsizetype> &mine = byTopic[t.key].at;
        for (size_t p = 0; p < flagged.size() && p < mine.size(); ++p)
            if (flagged[p])
                appendCanonicalRecord(drawn, questions.constData() + mine[p] * kind.recordSize, kind);
    }
    return drawn;
}
