// The whole-subject exam over any Exam.dat and Wopros.dat: the draw takes only
// questions of the composition's topics, never more than a row asks or its
// topic holds, the same seed draws the same, and the composition grid is
// counted and stored the way it is read.
#include "errors.h"
#include "exam.h"
#include "fuzzkit.h"
#include "text.h"

#include <QHash>
#include <QSet>

namespace
{

QString codeOf(const QString &field)
{
    return trimmed(field);
}

bool hasNoChar(const QStringList &row)
{
    for (const QString &c : row)
        if (c.contains(QChar(0xFFFD)))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<QByteArray> parts = partsOf(bytesOf(data, size), 2);
    const RecordFile exam(putFile(QStringLiteral("Exam.dat"), parts[0]), ExamRec::Size);
    const RecordFile wopros(putFile(QStringLiteral("Wopros.dat"), parts[1]), WoprosRec::Size);

    const std::vector<ExamRec> composition = exam.readAll<ExamRec>();
    const std::vector<WoprosRec> questions = wopros.readAll<WoprosRec>();

    // The draw.
    QByteArray drawn;
    bool drew = false;
    const quint32 seed = quint32(qHashBits(data, size));
    try {
        RandomGen gen(seed);
        drawn = drawExamRecords(exam, wopros, gen);
        drew = true;
    } catch (const TrivoError &) {
        // a count that is no number: the exam cannot start, and says so
    }
    if (drew) {
        FUZZ_REQUIRE(drawn.size() % WoprosRec::Size == 0);
        RandomGen again(seed);
        FUZZ_REQUIRE(drawExamRecords(exam, wopros, again) == drawn);

        QSet<QByteArray> canonical;
        QHash<QByteArray, qsizetype> held; // questions of each topic
        QByteArray key;
        const FileKind kind = fileKindOf<WoprosRec>();
        for (const QByteArray &rec : wopros.readAllRaw()) {
            QByteArray c;
            appendCanonicalRecord(c, rec.constData(), kind);
            canonical.insert(c);
            keyOf(rec.constData(), rec.size(), kind.layout, 2, key);
            ++held[key];
        }
        QHash<QByteArray, qsizetype> asked; // the most the rows of each topic may take
        const FileKind examKind = fileKindOf<ExamRec>();
        for (const QByteArray &rec : exam.readAllRaw()) {
            keyOf(rec.constData(), rec.size(), examKind.layout, 2, key);
            const ExamRec e = ExamRec::decode(rec);
            asked[key] += std::max(0, std::min(toIntOrThrow(e.Nado), toIntOrThrow(e.Woprosov)));
        }
        QHash<QByteArray, qsizetype> got;
        for (qsizetype at = 0; at < drawn.size(); at += WoprosRec::Size) {
            const QByteArray rec = drawn.mid(at, WoprosRec::Size);
            FUZZ_REQUIRE(canonical.contains(rec));
            keyOf(rec.constData(), rec.size(), kind.layout, 2, key);
            FUZZ_REQUIRE(asked.contains(key));
            ++got[key];
        }
        for (auto it = got.cbegin(); it != got.cend(); ++it)
            FUZZ_REQUIRE(it.value() <= asked.value(it.key()));
        // Several rows of one topic may draw the same question again, but one row draws each at most once.
        for (auto it = got.cbegin(); it != got.cend(); ++it) {
            int rows = 0;
            for (const QByteArray &rec : exam.readAllRaw()) {
                keyOf(rec.constData(), rec.size(), examKind.layout, 2, key);
                rows += key == it.key();
            }
            FUZZ_REQUIRE(it.value() <= rows * held.value(it.key()));
        }
    }

    // The composition grid: counted against the questions, stored, read back.
    std::vector<QStringList> rows = examRows(exam);
    FUZZ_REQUIRE(rows.size() == composition.size());
    countTopicQuestions(rows, wopros);
    for (const QStringList &r : rows) {
        FUZZ_REQUIRE(r.size() == 5);
        if (hasNoChar(r))
            continue; // a byte without a character is no code a question can share
        qsizetype n = 0;
        for (const WoprosRec &q : questions)
            n += codeOf(q.Predm) == codeOf(r[0]) && codeOf(q.Tema) == codeOf(r[1]) &&
                 !q.Predm.contains(QChar(0xFFFD)) && !q.Tema.contains(QChar(0xFFFD));
        FUZZ_REQUIRE(r[3] == QString::number(n));
    }
    storeExam(exam, rows);
    const std::vector<QStringList> stored = examRows(exam);
    FUZZ_REQUIRE(stored.size() == rows.size());
    const auto layout = ExamRec::layout();
    for (size_t i = 0; i < rows.size(); ++i)
        for (int c = 0; c < 5; ++c) {
            const QString want = trimmed(rows[i][c]).left(layout[size_t(c)].size);
            FUZZ_REQUIRE(trimmed(stored[i][c]) == trimmed(want) || want.contains(QChar(0xFFFD)));
        }
    return 0;
}
