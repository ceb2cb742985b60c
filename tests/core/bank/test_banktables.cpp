// The tables that keep a bank file's records as bytes: read, edited and
// stored byte for byte as decoded rows were, and the whole-subject draw over
// the records the same as the draw over decoded questions.
#include "bank.h"
#include "editor.h"
#include "editortables.h"
#include "errors.h"
#include "exam.h"
#include "run.h"
#include "text.h"
#include "TestFiles.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// Records of random bytes made hard: length bytes at, under and past the
// capacity, the byte with no cp1251 character, blanks and junk after the text.
QByteArray hardRecords(const FileKind &kind, int count, quint32 seed)
{
    QRandomGenerator rnd(seed);
    const char pool[] = "  07\x98\xc0\xff?a\x01\x1f";
    QByteArray all;
    for (int n = 0; n < count; ++n) {
        QByteArray rec(kind.recordSize, '\0');
        for (char &c : rec)
            c = char(rnd.bounded(3) == 0 ? pool[rnd.bounded(int(sizeof pool) - 1)] : rnd.bounded(256));
        for (const FieldSpec &f : kind.layout) {
            const int pick = rnd.bounded(4);
            rec[f.offset] = char(pick == 0 ? f.size : pick == 1 ? 255 : pick == 2 ? 0 : rnd.bounded(f.size + 1));
        }
        all += rec;
    }
    return all;
}

template <class R> QStringList cellsOf(const R &r);
template <> QStringList cellsOf(const PredmetRec &r)
{
    return {r.Predm, r.Test, r.Nazwan};
}
template <> QStringList cellsOf(const TemaRec &r)
{
    return {r.Predm, r.Tema, r.Nazwan};
}
template <> QStringList cellsOf(const WoprosRec &r)
{
    return {r.Predm, r.Tema, r.Test, r.Wopr, r.Nazwan, r.Porad, r.Ball, r.S_Kod};
}
template <> QStringList cellsOf(const OtwetRec &r)
{
    return {r.Predm, r.Tema, r.Test, r.Wopr, r.Otwe, r.Kod_P, r.Nazwan};
}

// A row stored the way the editor always stored it: the typed record of its
// cells, each cut to its field.
template <class R> QByteArray typedRecordOf(const QStringList &c)
{
    R r;
    QString *fields[8] = {};
    if constexpr (std::is_same_v<R, PredmetRec>)
        std::tie(fields[0], fields[1], fields[2]) = std::tuple{&r.Predm, &r.Test, &r.Nazwan};
    else if constexpr (std::is_same_v<R, TemaRec>)
        std::tie(fields[0], fields[1], fields[2]) = std::tuple{&r.Predm, &r.Tema, &r.Nazwan};
    else if constexpr (std::is_same_v<R, WoprosRec>)
        std::tie(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]) =
            std::tuple{&r.Predm, &r.Tema, &r.Test, &r.Wopr, &r.Nazwan, &r.Porad, &r.Ball, &r.S_Kod};
    else
        std::tie(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]) =
            std::tuple{&r.Predm, &r.Tema, &r.Test, &r.Wopr, &r.Otwe, &r.Kod_P, &r.Nazwan};
    for (int i = 0; i < 8 && fields[i]; ++i)
        *fields[i] = c.value(i);
    return r.encode();
}

using Rows = std::vector<QStringList>;

// The same edits on the table and on plain rows: a cell, a whole row, rows
// inserted, removed and swapped, at the ends and in the middle.
void editBoth(StringTable &t, Rows &rows, quint32 seed)
{
    QRandomGenerator rnd(seed);
    for (int step = 0; step < 60; ++step) {
        const int n = int(rows.size());
        const int at = n > 0 ? int(rnd.bounded(n)) : 0;
        switch (rnd.bounded(5)) {
        case 0:
            if (n > 0) {
                const int col = int(rnd.bounded(t.columnCount()));
                const QString text = QStringLiteral("правка %1 ").arg(step).repeated(int(rnd.bounded(1, 40)));
                t.setCell(col, at + 1, text);
                rows[size_t(at)][col] = text;
            }
            break;
        case 1:
            t.insertRow(at + 1);
            rows.insert(rows.begin() + at, QStringList(t.columnCount()));
            break;
        case 2:
            if (n > 0) {
                t.removeRow(at + 1);
                rows.erase(rows.begin() + at);
            }
            break;
        case 3:
            if (n > 1) {
                const int other = int(rnd.bounded(n));
                t.swapRows(at + 1, other + 1);
                std::swap(rows[size_t(at)], rows[size_t(other)]);
            }
            break;
        default:
            if (n > 0) {
                QStringList cells(t.columnCount(), QStringLiteral("Ё№ ") + QString::number(step));
                t.setRow(at + 1, cells);
                rows[size_t(at)] = cells;
            }
        }
    }
}

template <class R> void checkTable(const QString &folder, StringTable BankTables::*table,
                                   void (*save)(const RecordFile &, const StringTable &), RecordFile BankFiles::*file)
{
    const FileKind kind = fileKindOf<R>();
    const QByteArray original = hardRecords(kind, 300, quint32(kind.recordSize));
    BankFiles bank(folder);
    QVERIFY(writeBytes((bank.*file).path(), original + QByteArray(kind.recordSize / 2, 'x'))); // a partial record
    BankTables tables;
    loadEditorTables(bank, tables);
    StringTable &t = tables.*table;

    Rows rows;
    QByteArray asBefore;
    for (int i = 0; i < 300; ++i) {
        const R r = R::decode(original.mid(i * kind.recordSize, kind.recordSize));
        rows.push_back(cellsOf(r));
        asBefore += r.encode();
    }
    QCOMPARE(t.rowCount(), 301);
    for (int i = 0; i < 300; i += 7)
        QCOMPARE(t.row(i + 1), rows[size_t(i)]);
    QCOMPARE(t.cell(t.columnCount() - 1, 300), rows.back().back());

    save(bank.*file, t); // unchanged: every record as decoding and encoding gave it
    QCOMPARE(readBytes((bank.*file).path()), asBefore);

    editBoth(t, rows, 99);
    save(bank.*file, t);
    QByteArray expected;
    for (const QStringList &r : rows)
        expected += typedRecordOf<R>(r);
    QCOMPARE(readBytes((bank.*file).path()), expected);
    QCOMPARE(t.rowCount(), int(rows.size()) + 1);

    loadEditorTables(bank, tables); // a reload reads into the old records' memory
    QCOMPARE(t.rowCount(), int(rows.size()) + 1);
    for (int i = 0; i < int(rows.size()); i += 3)
        QCOMPARE(t.row(i + 1), cellsOf(R::decode(expected.mid(i * kind.recordSize, kind.recordSize))));
}

// The draw as it was made over decoded questions.
std::vector<WoprosRec> drawOverDecoded(const std::vector<ExamRec> &composition,
                                       const std::vector<WoprosRec> &questions, RandomGen &gen)
{
    std::vector<WoprosRec> drawn;
    for (const ExamRec &e : composition) {
        const std::vector<bool> flagged = drawPositions(toIntOrThrow(e.Woprosov), toIntOrThrow(e.Nado), gen);
        std::vector<const WoprosRec *> mine;
        for (const WoprosRec &q : questions)
            if (trimmed(q.Predm) == trimmed(e.Predm) && trimmed(q.Tema) == trimmed(e.Tema))
                mine.push_back(&q);
        for (size_t p = 0; p < flagged.size() && p < mine.size(); ++p)
            if (flagged[p])
                drawn.push_back(*mine[p]);
    }
    return drawn;
}
} // namespace

class TestBankTables : public QObject
{
    Q_OBJECT
private slots:
    void readEditedAndStoredAsBefore()
    {
        QTemporaryDir dir;
        checkTable<PredmetRec>(dir.path(), &BankTables::RazdelTab, saveSections, &BankFiles::predmet);
        checkTable<TemaRec>(dir.path(), &BankTables::TemaTabl, saveTopics, &BankFiles::tema);
        checkTable<WoprosRec>(dir.path(), &BankTables::WopTabl, saveQuestions, &BankFiles::wopros);
        checkTable<OtwetRec>(dir.path(), &BankTables::OtwTabl, saveAnswers, &BankFiles::otwet);
    }

    // Searching the records' codes finds what searching decoded texts found.
    void codesFoundInRecords()
    {
        QTemporaryDir dir;
        BankFiles bank(dir.path());
        const QStringList topics{"7", " 7", "07", "7 ", "Ж"};
        std::vector<WoprosRec> qs;
        std::vector<OtwetRec> as;
        for (int i = 0; i < 40; ++i) {
            const QString tema = topics[i % topics.size()], wopr = QString::number(i / 5);
            qs.push_back({"1", tema, "1", wopr, "Вопрос", "", "1", ""});
            as.push_back({"1", tema, "1", wopr, "а", "+", "Ответ"});
        }
        bank.wopros.rewrite(qs);
        bank.otwet.rewrite(as);
        BankTables t;
        loadEditorTables(bank, t);
        StringTable plain(7);
        plain.setDataRows([&] {
            Rows r;
            for (const OtwetRec &a : as)
                r.push_back(cellsOf(a));
            return r;
        }());
        for (int q = 1; q <= 40; q += 3)
            QCOMPARE(firstAnswerRow(t.OtwTabl, t.WopTabl, q), firstAnswerRow(plain, t.WopTabl, q));
        const int firstOfTopic[] = {1, 1, 3, 1, 5}; // "7", " 7" and "7 " are one topic; "07" another
        for (int i = 0; i < topics.size(); ++i)
            QCOMPARE(firstQuestionRow(t.WopTabl, " 1", topics[i]), firstOfTopic[i]);
        QCOMPARE(firstQuestionRow(t.WopTabl, "1", "8"), 0);
        AnswerIndex fromRecords, fromTexts;
        fromRecords.build(t.OtwTabl, &t.WopTabl);
        fromTexts.build(plain);
        for (const WoprosRec &q : qs)
            QCOMPARE(fromRecords.rowsOf(q.Predm, q.Tema, q.Test, q.Wopr),
                     fromTexts.rowsOf(q.Predm, q.Tema, q.Test, q.Wopr));
        StringTable some(8);
        some.setDataRows({cellsOf(qs[3])});
        fromRecords.build(t.OtwTabl, &some); // only the given questions' answers are kept
        QVERIFY(fromRecords.rowsOf(qs[4].Predm, qs[4].Tema, qs[4].Test, qs[4].Wopr).empty());
        QCOMPARE(fromRecords.rowsOf(qs[3].Predm, qs[3].Tema, qs[3].Test, qs[3].Wopr),
                 fromTexts.rowsOf(qs[3].Predm, qs[3].Tema, qs[3].Test, qs[3].Wopr));
    }

    void drawSameAsOverDecodedQuestions_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 77u, 123456u, 4000000000u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void drawSameAsOverDecodedQuestions()
    {
        QFETCH(quint32, seed);
        QTemporaryDir dir;
        BankFiles bank(dir.path());
        // Topics interleaved; codes written with blanks; one topic with no questions.
        const QStringList codes{"1", " 2", "3 ", "4", "Ж"};
        std::vector<WoprosRec> qs;
        QRandomGenerator rnd(seed);
        for (int i = 0; i < 400; ++i)
            qs.push_back({" 5", codes[int(rnd.bounded(4))], "1", QString::number(i % 999),
                          QStringLiteral("Вопрос %1 \x98").arg(i), "", "2", ""});
        qs.push_back({"5", "Ж", "1", "1", "Один", "", "1", ""});
        const std::vector<ExamRec> composition{
            {"5", "1", "Т1", "80", "10"}, {"5 ", "2", "Т2", "500", "30"}, // more asked of than it holds
            {"5", "3", "Т3", "20", "40"},                                 // more wanted than asked of
            {"5", "1", "Т1 ещё раз", "10", "3"},  {"5", "9", "Нет такой", "5", "2"},
            {"5", "Ж", "Ж", "1", "1"},
        };
        bank.wopros.rewrite(qs);
        bank.exam.rewrite(composition);

        RandomGen gen(seed), same(seed);
        const QByteArray drawn = drawExamRecords(bank.exam, bank.wopros, gen);
        QByteArray expected;
        for (const WoprosRec &q : drawOverDecoded(composition, qs, same))
            expected += q.encode();
        QCOMPARE(drawn, expected);
        QCOMPARE(gen.state(), same.state());
        QVERIFY(drawn.size() > 25 * WoprosRec::Size);

        bank.exam.rewrite(std::vector<ExamRec>{{"5", "1", "", "x", "1"}}); // a count that is no number
        QVERIFY_THROWS_EXCEPTION(TrivoError, drawExamRecords(bank.exam, bank.wopros, gen));
    }
};

QTEST_GUILESS_MAIN(TestBankTables)
#include "test_banktables.moc"
