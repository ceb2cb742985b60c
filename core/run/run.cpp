#include "run.h"
#include "editortables.h"
#include "review.h"
#include "text.h"

#include <QSet>
#include <bit>

namespace
{
const QString pendingMark = QStringLiteral("у");

// The key of a table row's four codes, read from its record's bytes when it
// has one (into key, whose memory is used again).
void codesKeyOfRow(const StringTable &t, int row, QByteArray &key)
{
    const QByteArrayView rec = t.recordOf(row);
    if (rec.isEmpty())
        key = keyOfCodes({t.cell(0, row), t.cell(1, row), t.cell(2, row), t.cell(3, row)});
    else
        keyOf(rec.data(), rec.size(), t.recordKind().layout, 4, key);
}

// A hash of a key of codes: the same for keyOfCodes() bytes and for the
// record whose first `count` codes give them, without making the key.
size_t codesHash(QByteArrayView key)
{
    size_t h = 14695981039346656037ull; // FNV-1a
    for (const char c : key)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}
size_t codesHash(const char *rec, qsizetype recSize, std::span<const FieldSpec> layout, int count)
{
    size_t h = 14695981039346656037ull;
    for (int c = 0; c < count; ++c) {
        if (c > 0)
            h = (h ^ 0x1fu) * 1099511628211ull;
        for (const char b : trimmedFieldBytes(rec, recSize, layout[size_t(c)]))
            h = (h ^ static_cast<unsigned char>(b)) * 1099511628211ull;
    }
    return h;
}

// Predm and Tema lead every record of a topic.
template <class R> LeadingCodes topicCodes(const QString &predm, const QString &tema)
{
    return LeadingCodes(R::layout(), {predm, tema});
}

// The records of a file that match, decoded, in file order.
template <class R> std::vector<R> recordsOf(const RecordFile &file, const LeadingCodes &codes)
{
    std::vector<R> out;
    const qsizetype size = file.recordSize();
    file.scanRecords([&](const char *rec) {
        if (codes.match(rec, size))
            out.push_back(R::decode(QByteArray::fromRawData(rec, size)));
    });
    return out;
}
} // namespace

QStringList questionRow(const WoprosRec &q, RandomGen &gen, int keyRange)
{
    return {q.Predm, q.Tema, q.Test, q.Wopr, q.Nazwan, QString::number(gen.draw(keyRange)), q.Ball, pendingMark};
}

std::vector<QStringList> topicQuestionRows(const std::vector<WoprosRec> &questions, const QString &predm,
                                           const QString &tema, RandomGen &gen, int keyRange)
{
    const QString p = trimmed(predm), t = trimmed(tema);
    std::vector<QStringList> rows;
    for (const WoprosRec &q : questions)
        if (trimmed(q.Predm) == p && trimmed(q.Tema) == t)
            rows.push_back(questionRow(q, gen, keyRange));
    return rows;
}

std::vector<QStringList> topicQuestionRows(const RecordFile &wopros, const QString &predm, const QString &tema,
                                           RandomGen &gen, int keyRange)
{
    std::vector<QStringList> rows;
    for (const WoprosRec &q : recordsOf<WoprosRec>(wopros, topicCodes<WoprosRec>(predm, tema)))
        rows.push_back(questionRow(q, gen, keyRange));
    return rows;
}

std::vector<QStringList> topicAnswerRows(const std::vector<OtwetRec> &answers, const QString &predm,
                                         const QString &tema)
{
    const QString p = trimmed(predm), t = trimmed(tema);
    std::vector<QStringList> rows;
    for (const OtwetRec &a : answers)
        if (trimmed(a.Predm) == p && trimmed(a.Tema) == t)
            rows.push_back(rowOf(a));
    return rows;
}

std::vector<QStringList> topicAnswerRows(const RecordFile &otwet, const QString &predm, const QString &tema)
{
    std::vector<QStringList> rows;
    for (const OtwetRec &a : recordsOf<OtwetRec>(otwet, topicCodes<OtwetRec>(predm, tema)))
        rows.push_back(rowOf(a));
    return rows;
}

QByteArray topicAnswerRecords(const RecordFile &otwet, const QString &predm, const QString &tema)
{
    const LeadingCodes topic = topicCodes<OtwetRec>(predm, tema);
    const qsizetype size = otwet.recordSize();
    QByteArray records;
    otwet.forEachPiece([&](const char *piece, qsizetype count) {
        const auto in = [&](qsizetype i) { return topic.match(piece + i * size, size); };
        // A topic's records mostly stand together: each run of them is copied at once.
        for (qsizetype i = 0; i < count; ++i) {
            if (!in(i))
                continue;
            qsizetype end = i + 1;
            while (end < count && in(end))
                ++end;
            records.append(piece + i * size, (end - i) * size);
            i = end;
        }
    });
    return records;
}

QByteArray questionAnswerRecords(const RecordFile &otwet, const std::vector<QStringList> &questions)
{
    QSet<QByteArray> keys;
    keys.reserve(qsizetype(questions.size()));
    for (const QStringList &q : questions)
        keys.insert(keyOfCodes({q.value(0), q.value(1), q.value(2), q.value(3)}));
    QByteArray records, key;
    if (keys.isEmpty())
        return records;
    // Most records of a subject belong to questions not drawn: a bit per hash
    // of their codes turns nearly all of them away before a key is made.
    std::vector<bool> maybe(std::clamp<size_t>(std::bit_ceil(size_t(keys.size()) * 64), 4096, size_t(1) << 24));
    const size_t mask = maybe.size() - 1;
    for (const QByteArray &k : keys)
        maybe[codesHash(k) & mask] = true;
    const std::span<const FieldSpec> layout = OtwetRec::layout();
    const qsizetype size = otwet.recordSize();
    otwet.scanRecords([&](const char *rec) {
        if (!maybe[codesHash(rec, size, layout, 4) & mask])
            return;
        keyOf(rec, size, layout, 4, key);
        if (keys.contains(key))
            records.append(rec, size);
    });
    return records;
}

QHash<QString, QString> questionTextHashes(const RecordFile &wopros)
{
    QHash<QString, QString> hashes;
    wopros.forEachRecord([&](const QByteArray &rec) {
        const WoprosRec q = WoprosRec::decode(rec);
        const QString key = questionKey(q.Predm, q.Tema, q.Test, q.Wopr);
        if (!hashes.contains(key))
            hashes.insert(key, questionTextHash(q.Nazwan));
    });
    return hashes;
}

void orderByKeys(std::vector<QStringList> &rows, int keyColumn)
{
    const int n = int(rows.size());
    if (n < 2)
        return;
    std::vector<QByteArray> key(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        key[size_t(i)] = toCp1251(rows[size_t(i)].value(keyColumn));
    // pos[i] = which original row stands at place i; a tournament tree over the
    // places keeps the topmost place holding the greatest key.
    std::vector<int> at(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        at[size_t(i)] = i;
    auto better = [&](int a, int b) { // places; -1 = none
        if (a < 0)
            return b;
        if (b < 0)
            return a;
        const int c = key[size_t(at[size_t(a)])].compare(key[size_t(at[size_t(b)])]);
        return c > 0 || (c == 0 && a < b) ? a : b;
    };
    int size = 1;
    while (size < n)
        size *= 2;
    std::vector<int> tree(size_t(2 * size), -1);
    for (int i = 0; i < n; ++i)
        tree[size_t(size + i)] = i;
    for (int v = size - 1; v >= 1; --v)
        tree[size_t(v)] = better(tree[size_t(2 * v)], tree[size_t(2 * v + 1)]);
    auto update = [&](int place, bool active) {
        int v = size + place;
        tree[size_t(v)] = active ? place : -1;
        for (v /= 2; v >= 1; v /= 2)
            tree[size_t(v)] = better(tree[size_t(2 * v)], tree[size_t(2 * v + 1)]);
    };
    for (int last = n - 1; last >= 1; --last) {
        const int best = tree[1]; // places 0..last are the active ones
        if (best != last) {
            std::swap(at[size_t(best)], at[size_t(last)]);
            update(best, true);
        }
        update(last, false);
    }
    std::vector<QStringList> ordered;
    ordered.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        ordered.push_back(std::move(rows[size_t(at[size_t(i)])]));
    rows = std::move(ordered);
}

void cutToLimit(std::vector<QStringList> &rows, int limit)
{
    if (limit < 0)
        limit = 0;
    if (size_t(limit) < rows.size())
        rows.resize(size_t(limit));
}

int pointsSum(const std::vector<QStringList> &rows, int ballColumn)
{
    int sum = 0;
    for (const QStringList &r : rows) {
        const QString b = r.value(ballColumn);
        if (!trimmed(b).isEmpty())
            sum += toIntOrThrow(trimmed(b));
    }
    return sum;
}

void AnswerIndex::build(const StringTable &otwTabl, const StringTable *questions)
{
    m_rows.clear();
    QByteArray key;
    if (questions) {
        m_rows.reserve(questions->rowCount());
        for (int r = 1; r < questions->rowCount(); ++r) {
            codesKeyOfRow(*questions, r, key);
            m_rows.insert(key, {});
        }
    }
    for (int r = 1; r < otwTabl.rowCount(); ++r) {
        codesKeyOfRow(otwTabl, r, key);
        if (!questions)
            m_rows[key].push_back(r);
        else if (const auto it = m_rows.find(key); it != m_rows.end())
            it->push_back(r);
    }
}

const std::vector<int> &AnswerIndex::rowsOf(const QString &predm, const QString &tema, const QString &test,
                                            const QString &wopr) const
{
    static const std::vector<int> none;
    const auto it = m_rows.constFind(keyOfCodes({predm, tema, test, wopr}));
    return it == m_rows.constEnd() ? none : *it;
}

QString durationText(int seconds)
{
    seconds = std::max(seconds, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
