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
    // A topic's positions follow from its counts alone, so they are drawn
    // first; the question file is then read once, in pieces, and no record is
    // kept but the drawn ones.
    struct Entry {                    // one topic of the composition
        std::vector<qsizetype> picks; // the drawn positions, rising
        size_t next = 0;              // the first pick not met yet
        QByteArray drawn;
    };
    struct Candidates {
        qsizetype wanted = 0;        // the first this many questions can be drawn
        qsizetype seen = 0;          // questions of the topic met so far
        std::vector<size_t> entries; // the composition's topics with these codes
    };
    const FileKind examKind = fileKindOf<ExamRec>(), kind = fileKindOf<WoprosRec>();
    std::vector<ExamRec> topics;
    std::vector<Entry> composition;
    QHash<QByteArray, Candidates> byTopic;
    QByteArray key;
    exam.forEachRecord([&](const QByteArray &rec) {
        topics.push_back(ExamRec::decode(rec));
        topicKeyOf(rec.constData(), examKind, key);
        qint64 n = 0;
        Candidates &c = byTopic[key];
        if (parseInt(topics.back().Woprosov, n))
            c.wanted = std::max<qsizetype>(c.wanted, qsizetype(n));
        c.entries.push_back(composition.size());
        composition.emplace_back();
    });
    for (size_t i = 0; i < topics.size(); ++i) {
        const int n = toIntOrThrow(topics[i].Woprosov);
        const int k = toIntOrThrow(topics[i].Nado);
        const std::vector<bool> flagged = drawPositions(n, k, gen);
        for (size_t p = 0; p < flagged.size(); ++p)
            if (flagged[p])
                composition[i].picks.push_back(qsizetype(p));
    }

    wopros.scanRecords([&](const char *rec) {
        topicKeyOf(rec, kind, key);
        const auto it = byTopic.find(key);
        if (it == byTopic.end() || it->seen >= it->wanted)
            return;
        const qsizetype p = it->seen++;
        for (const size_t i : it->entries) {
            Entry &e = composition[i];
            if (e.next < e.picks.size() && e.picks[e.next] == p) {
                appendCanonicalRecord(e.drawn, rec, kind);
                ++e.next;
            }
        }
    });

    QByteArray drawn;
    for (const Entry &e : composition)
        drawn += e.drawn;
    return drawn;
}
