// What a whole-subject exam takes from the bank: the drawn questions, as the
// draw over the whole question file gives them, and only their answers, in the
// order of Otwet.dat wherever in the file they stand.
#include "exam.h"
#include "programstate.h"
#include "runmodel.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{
struct Shape {
    bool scattered = false; // questions and answers of the topics interleaved, options reversed
    bool padded = false;    // codes stored with spaces around them
    bool decoys = false;    // a subject "2" with the very same topic, test and question codes
};

QString code(const QString &c, bool padded)
{
    return padded ? QStringLiteral(" ") + c + QStringLiteral("  ") : c;
}

// Subject "1": topics 1..n with perTopic[t] questions of test "1", each with
// `options` answers whose label and text name the question.
void writeBank(const BankFiles &bank, const std::vector<int> &perTopic, int options, const Shape &shape)
{
    std::vector<TemaRec> temas;
    std::vector<WoprosRec> qs;
    std::vector<OtwetRec> os;
    for (const QString &subject : shape.decoys ? QStringList{"2", "1"} : QStringList{"1"})
        for (size_t t = 0; t < perTopic.size(); ++t) {
            const QString tema = QString::number(t + 1);
            if (subject == u"1")
                temas.push_back({"1", tema, QStringLiteral("Тема %1").arg(tema)});
            for (int q = 1; q <= perTopic[t]; ++q) {
                const QString wopr = QString::number(q), name = subject + u'.' + tema + u'.' + wopr;
                qs.push_back({code(subject, shape.padded), code(tema, shape.padded), "1", code(wopr, shape.padded),
                              QStringLiteral("Вопрос ") + name, "", "1", ""});
                for (int o = 1; o <= options; ++o)
                    os.push_back({code(subject, shape.padded), tema, code("1", shape.padded), wopr, QString::number(o),
                                  o == 1 ? "+" : "", name + u'/' + QString::number(o)});
            }
        }
    if (shape.scattered) {
        // Every k-th record first: a question's records lie far apart, topics mixed.
        auto spread = [](auto &v) {
            std::remove_reference_t<decltype(v)> out;
            for (size_t start = 0; start < 7; ++start)
                for (size_t i = start; i < v.size(); i += 7)
                    out.push_back(v[v.size() - 1 - i]);
            v = std::move(out);
        };
        spread(qs);
        spread(os);
    }
    bank.tema.rewrite(temas);
    bank.wopros.rewrite(qs);
    bank.otwet.rewrite(os);
}

QStringList codesOf(const QStringList &row)
{
    QStringList codes;
    for (int c = 0; c < 4; ++c)
        codes << row.value(c).trimmed();
    return codes;
}
} // namespace

class ExamAnswersTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { glo() = Glo{}; }

    void onlyTheDrawnQuestionsAnswers_data()
    {
        QTest::addColumn<bool>("scattered");
        QTest::addColumn<bool>("padded");
        QTest::addColumn<bool>("random");
        QTest::newRow("answers after their questions") << false << false << false;
        QTest::newRow("answers scattered, codes padded") << true << true << false;
        QTest::newRow("answers scattered, random order") << true << false << true;
    }
    void onlyTheDrawnQuestionsAnswers()
    {
        QFETCH(bool, scattered);
        QFETCH(bool, padded);
        QFETCH(bool, random);
        QTemporaryDir dir;
        const BankFiles bank(dir.path());
        writeBank(bank, {6, 9, 4}, 3, {scattered, padded, true});
        bank.exam.rewrite(std::vector<ExamRec>{
            {"1", "1", "Тема 1", "6", "2"}, {"1", "2", "Тема 2", "9", "3"}, {"1", "3", "Тема 3", "4", "2"}});
        glo().LimitWopr = 1000;
        RandomGen gen(4711);
        RunModel m(gen);
        m.modes().random = random;
        m.begin(true, 0);
        m.startExam(bank, 0);
        QCOMPARE(m.KWopr(), 7);

        // The records kept are exactly those of the drawn questions, in file order.
        QSet<QStringList> drawn;
        for (int r = 1; r < m.WopTabl().rowCount(); ++r)
            drawn.insert(codesOf(m.WopTabl().row(r)));
        const QByteArray file = bank.otwet.readRecords();
        QByteArray expected;
        for (qsizetype at = 0; at < file.size(); at += OtwetRec::Size) {
            const QByteArray rec = file.mid(at, OtwetRec::Size);
            const OtwetRec a = OtwetRec::decode(rec);
            if (drawn.contains(codesOf({a.Predm, a.Tema, a.Test, a.Wopr})))
                expected += rec;
        }
        QCOMPARE(expected.size(), 7 * 3 * OtwetRec::Size);
        QByteArray kept;
        for (int r = 1; r < m.OtwTabl().rowCount(); ++r)
            kept += m.OtwTabl().recordOf(r).toByteArray();
        QCOMPARE(kept, expected);

        // Each question shows the options the whole answer table gave it, in the same order.
        StringTable whole(fileKindOf<OtwetRec>());
        whole.loadRecords(bank.otwet);
        AnswerIndex index;
        index.build(whole, &m.WopTabl());
        for (int q = 1; q <= m.KWopr(); ++q) {
            const QStringList codes = m.WopTabl().row(q);
            QCOMPARE(m.WopTabl().currentRow(), q);
            const std::vector<int> &rows = index.rowsOf(codes[0], codes[1], codes[2], codes[3]);
            QCOMPARE(m.OtwTek().rowCount() - 1, int(rows.size()));
            for (size_t i = 0; i < rows.size(); ++i)
                QCOMPARE(m.OtwTek().row(int(i) + 1), whole.row(rows[i]));
            QVERIFY(m.OtwTek().cell(6, 1).startsWith(QStringLiteral("1.") + codes[1].trimmed() + u'.'));
            m.nextQuestion(0);
        }
    }

    // The draw reads the question file in pieces; it must pick what choosing
    // among the topic's first Woprosov questions of the whole file picks.
    void drawPicksAsOverTheWholeFile_data()
    {
        QTest::addColumn<bool>("scattered");
        QTest::addColumn<QList<QStringList>>("composition"); // Tema, Woprosov, Nado
        QTest::newRow("each topic once") << false
                                         << QList<QStringList>{{"1", "6", "3"}, {"2", "9", "4"}, {"3", "4", "4"}};
        QTest::newRow("a topic twice, counts off, a topic without questions")
            << true
            << QList<QStringList>{{"2", "3", "2"}, {"1", "8", "5"}, {"7", "5", "2"}, {"2", "9", "5"}, {"3", "4", "0"}};
    }
    void drawPicksAsOverTheWholeFile()
    {
        QFETCH(bool, scattered);
        QFETCH(QList<QStringList>, composition);
        QTemporaryDir dir;
        const BankFiles bank(dir.path());
        writeBank(bank, {6, 9, 4}, 1, {scattered, false, true});
        std::vector<ExamRec> exam;
        for (const QStringList &c : composition)
            exam.push_back({"1", c[0], QString(), c[1], c[2]});
        bank.exam.rewrite(exam);

        RandomGen gen(99), same(99);
        const QByteArray drawn = drawExamRecords(bank.exam, bank.wopros, gen);
        std::vector<WoprosRec> expected;
        const auto questions = bank.wopros.readAll<WoprosRec>();
        for (const QStringList &c : composition) {
            std::vector<WoprosRec> topic;
            for (const WoprosRec &q : questions)
                if (q.Predm.trimmed() == u"1" && q.Tema.trimmed() == c[0])
                    topic.push_back(q);
            const std::vector<bool> flagged = drawPositions(c[1].toInt(), c[2].toInt(), same);
            for (size_t p = 0; p < flagged.size() && p < topic.size(); ++p)
                if (flagged[p])
                    expected.push_back(topic[p]);
        }
        QCOMPARE(drawn.size(), qsizetype(expected.size()) * WoprosRec::Size);
        for (size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(drawn.mid(qsizetype(i) * WoprosRec::Size, WoprosRec::Size), expected[i].encode());
        QCOMPARE(gen.state(), same.state());
    }
};

QTEST_MAIN(ExamAnswersTest)
#include "test_examanswers.moc"
