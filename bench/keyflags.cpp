// The key flag of the question analysis on simulated classes (irtclasses.h).
// BM_KeyFlags/<class size>: each class answers three topics of 20 questions:
// all honest; 19 honest and one whose key is reversed; 19 honest and one
// whose typed key has a slip. Counted: the honest questions flagged as a
// possible key error (of all honest questions of the first topic), the
// classes whose honest topic shows such a flag, the reversed questions
// flagged and those flagged with the answer the strong pupils give named,
// and the slipped keys flagged.
#include "irtclasses.h"

#include <benchmark/benchmark.h>

namespace
{
using namespace irt;

constexpr int classCount = 4000;

bool keyFlagged(const QuestionFigures &f)
{
    return f.flags.join(u'\n').contains(QStringLiteral("ошибка в ключе"));
}

// The figures of the one question of a topic whose key is not honest.
QuestionFigures suspect(const std::vector<Question> &topic, const QuestionAnalysis &a)
{
    const auto q = std::find_if(topic.begin(), topic.end(), [](const Question &q) { return q.key != Key::Honest; });
    const QString key = QString::number(q - topic.begin());
    return *std::find_if(a.questions.begin(), a.questions.end(),
                         [&](const QuestionFigures &f) { return f.key == key; });
}

void BM_KeyFlags(benchmark::State &state)
{
    const int pupils = int(state.range(0));
    double honest = 0, honestFlagged = 0, classesFlagged = 0, reversed = 0, named = 0, slipped = 0;
    for (auto _ : state) {
        Simulation sim(20270901 + pupils);
        for (int c = 0; c < classCount; ++c) {
            const QuestionAnalysis plain = analyseQuestions(sim.runs(sim.topic(), pupils));
            int flagged = 0;
            for (const QuestionFigures &f : plain.questions)
                flagged += keyFlagged(f) ? 1 : 0;
            honest += double(plain.questions.size());
            honestFlagged += flagged;
            classesFlagged += flagged > 0 ? 1 : 0;

            const std::vector<Question> withReversed = sim.topic(Key::Reversed);
            const QuestionFigures r = suspect(withReversed, analyseQuestions(sim.runs(withReversed, pupils)));
            reversed += keyFlagged(r) ? 1 : 0;
            named += keyFlagged(r) && (r.strongAnswer == u"A" || r.strongAnswer == u"1812") ? 1 : 0;

            const std::vector<Question> withSlip = sim.topic(Key::Slipped);
            slipped += keyFlagged(suspect(withSlip, analyseQuestions(sim.runs(withSlip, pupils)))) ? 1 : 0;
        }
    }
    const double classes = double(classCount) * double(state.iterations());
    state.counters["classes"] = classes;
    state.counters["honest_pct"] = 100 * honestFlagged / honest;
    state.counters["classes_pct"] = 100 * classesFlagged / classes;
    state.counters["reversed_pct"] = 100 * reversed / classes;
    state.counters["named_pct"] = 100 * named / classes;
    state.counters["slipped_pct"] = 100 * slipped / classes;
}
BENCHMARK(BM_KeyFlags)->Arg(5)->Arg(10)->Arg(25)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace

BENCHMARK_MAIN();
