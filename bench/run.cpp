// Starting a topic and moving through a whole-subject run on a generated
// subject of 100,000 questions in 200 topics with 400,000 answer options.
#include "bankgen.h"
#include "run.h"
#include "recordfile.h"
#include "records.h"
#include "stringtable.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace
{

const QString subjectCode = QStringLiteral("12");

QString topicCode(int t)
{
    return QString::number(t + 1);
}

// The generated subject of 400,000 options, with its records also decoded.
struct Subject {
    const Bank &bank = bankOf(400'000);
    RecordFile wopros{bank.file("Wopros.dat"), WoprosRec::Size}, otwet{bank.file("Otwet.dat"), OtwetRec::Size};
    std::vector<WoprosRec> questions = wopros.readAll<WoprosRec>();
    std::vector<OtwetRec> answers = otwet.readAll<OtwetRec>();
};

Subject &subject()
{
    static Subject s;
    return s;
}

const QString someTopic = topicCode(137);

void BM_ReadQuestionFile(benchmark::State &state)
{
    const Subject &s = subject();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.wopros.readAll<WoprosRec>());
    state.counters["records"] = double(s.questions.size());
}
BENCHMARK(BM_ReadQuestionFile)->Unit(benchmark::kMillisecond);

void BM_ReadAnswerFile(benchmark::State &state)
{
    const Subject &s = subject();
    for (auto _ : state)
        benchmark::DoNotOptimize(s.otwet.readAll<OtwetRec>());
    state.counters["records"] = double(s.answers.size());
}
BENCHMARK(BM_ReadAnswerFile)->Unit(benchmark::kMillisecond);

// What the start button does with the bank: both files read, the topic's
// questions taken with their keys, shuffled, cut, summed, and its answers taken.
void BM_StartTopic(benchmark::State &state)
{
    const Subject &s = subject();
    RandomGen gen(12345);
    StringTable wopTabl(8), otwTabl(7);
    for (auto _ : state) {
        const auto questions = s.wopros.readAll<WoprosRec>();
        auto rows = topicQuestionRows(questions, subjectCode, someTopic, gen);
        orderByKeys(rows, 5);
        cutToLimit(rows, 1000);
        benchmark::DoNotOptimize(pointsSum(rows, 6));
        wopTabl.setDataRows(std::move(rows));
        const auto answers = s.otwet.readAll<OtwetRec>();
        otwTabl.setDataRows(topicAnswerRows(answers, subjectCode, someTopic));
    }
    state.counters["questions"] = double(wopTabl.rowCount() - 1);
    state.counters["options"] = double(otwTabl.rowCount() - 1);
}
BENCHMARK(BM_StartTopic)->Unit(benchmark::kMillisecond);

// The same start with the readers that decode only the topic's records.
void BM_StartTopicFiltered(benchmark::State &state)
{
    const Subject &s = subject();
    RandomGen gen(12345);
    StringTable wopTabl(8), otwTabl(7);
    for (auto _ : state) {
        auto rows = topicQuestionRows(s.wopros, subjectCode, someTopic, gen);
        orderByKeys(rows, 5);
        cutToLimit(rows, 1000);
        benchmark::DoNotOptimize(pointsSum(rows, 6));
        wopTabl.setDataRows(std::move(rows));
        otwTabl.setDataRows(topicAnswerRows(s.otwet, subjectCode, someTopic));
    }
    state.counters["questions"] = double(wopTabl.rowCount() - 1);
    state.counters["options"] = double(otwTabl.rowCount() - 1);
}
BENCHMARK(BM_StartTopicFiltered)->Unit(benchmark::kMillisecond);

// The same steps on records already in memory: the share of the work that is
// not reading the files.
void BM_StartTopicInMemory(benchmark::State &state)
{
    const Subject &s = subject();
    RandomGen gen(12345);
    for (auto _ : state) {
        auto rows = topicQuestionRows(s.questions, subjectCode, someTopic, gen);
        orderByKeys(rows, 5);
        benchmark::DoNotOptimize(rows);
        benchmark::DoNotOptimize(topicAnswerRows(s.answers, subjectCode, someTopic));
    }
}
BENCHMARK(BM_StartTopicInMemory)->Unit(benchmark::kMillisecond);

// Ordering a whole-subject run: every question with a key 0..1000.
void BM_OrderWholeSubject(benchmark::State &state)
{
    const Subject &s = subject();
    RandomGen gen(777);
    std::vector<QStringList> all;
    all.reserve(s.questions.size());
    for (const WoprosRec &q : s.questions)
        all.push_back(questionRow(q, gen, 1000));
    for (auto _ : state) {
        state.PauseTiming();
        auto rows = all;
        state.ResumeTiming();
        orderByKeys(rows, 5);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(all.size());
}
BENCHMARK(BM_OrderWholeSubject)->Unit(benchmark::kMillisecond);

StringTable &wholeAnswerTable()
{
    static StringTable t = [] {
        StringTable otw(7);
        std::vector<QStringList> rows;
        rows.reserve(subject().answers.size());
        for (const OtwetRec &a : subject().answers)
            rows.push_back({a.Predm, a.Tema, a.Test, a.Wopr, a.Otwe, a.Kod_P, a.Nazwan});
        otw.setDataRows(std::move(rows));
        return otw;
    }();
    return t;
}

// Once per whole-subject run, after the answer table is filled.
void BM_AnswerIndexBuild(benchmark::State &state)
{
    const StringTable &otw = wholeAnswerTable();
    for (auto _ : state) {
        AnswerIndex index;
        index.build(otw);
        benchmark::DoNotOptimize(index);
    }
    state.counters["rows"] = double(otw.rowCount() - 1);
}
BENCHMARK(BM_AnswerIndexBuild)->Unit(benchmark::kMillisecond);

// Going to the next question: its options found through the index and
// copied out, as the presentation gathers them.
void BM_NextQuestionOptions(benchmark::State &state)
{
    const Subject &s = subject();
    const StringTable &otw = wholeAnswerTable();
    AnswerIndex index;
    index.build(otw);
    RandomGen gen(99);
    size_t found = 0;
    for (auto _ : state) {
        const WoprosRec &q = s.questions[size_t(gen.draw(qint64(s.questions.size()) - 1))];
        std::vector<QStringList> options;
        for (int r : index.rowsOf(q.Predm, q.Tema, q.Test, q.Wopr))
            options.push_back(otw.row(r));
        found += options.size();
        benchmark::DoNotOptimize(options);
    }
    if (found != size_t(state.iterations()) * optionsPerQuestion)
        state.SkipWithError("a question lost its options");
}
BENCHMARK(BM_NextQuestionOptions)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
